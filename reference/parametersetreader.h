// SPDX-License-Identifier: MIT
// Reads the 35 parameters of one instrument after another through the request queue: the
// instrument's decimal point, then the four groups, decoded by the window's own rules.
#pragma once

#include "instrumentdecimals.h"
#include "parametergroups.h"
#include "requestqueue.h"

#include <QList>
#include <QObject>
#include <chrono>
#include <optional>

// An instrument on the line: its address, and the rate it answers at (0: the port's own).
struct InstrumentTarget
{
    quint8 address = 1;
    qint32 baud = 0;
};

// What one instrument gave: its 35 values, or the read that failed.
struct InstrumentParameters
{
    InstrumentTarget target;
    QList<ParameterValue> values; // in the groups' order; empty when a read failed
    // The read that got no checked reply; the instrument's reads stop there, since its values
    // could not be compared whole.
    std::optional<ReadResult> failure;
    // The group whose read failed (index into parameterGroups()), or kPointRead.
    int failedRead = 0;
    static constexpr int kPointRead = -1;
    // The instrument's decimal point, when it is one its values cannot be shown with (-1, 300):
    // they are not compared either. failedRead is then kPointRead.
    std::optional<qint32> refusedPlaces;

    bool ok() const { return !failure && !refusedPlaces; }
};

class ParameterSetReader : public QObject
{
    Q_OBJECT

public:
    explicit ParameterSetReader(RequestQueue *queue, QObject *parent = nullptr);

    // Where the reads are counted, and whether they give way to every other request (the bus
    // view's, which never holds up the instrument's own window).
    void setPurpose(RequestPurpose purpose, bool background);
    // One reply timeout for every read; without it each waits as long as the window's own.
    void setTimeout(std::optional<std::chrono::milliseconds> timeout) { m_timeout = timeout; }

    // Reads the instruments in turn, one request on the line at a time. False when a run is
    // under way.
    bool start(const QList<InstrumentTarget> &targets);
    // Ends the run: the result of the request on the line is dropped, nothing more is sent.
    void stop();
    bool isRunning() const { return m_running; }

signals:
    void instrumentStarted(const InstrumentTarget &target);
    void instrumentRead(const InstrumentParameters &read);
    void finished();

private:
    void send();
    void onResult(const ReadResult &result, quint64 generation);
    void endInstrument(std::optional<ReadResult> failure,
                       std::optional<qint32> refusedPlaces = std::nullopt);
    ReadRequest requestFor(int step) const;

    RequestQueue *m_queue;
    RequestPurpose m_purpose = RequestPurpose::Operator;
    bool m_background = false;
    std::optional<std::chrono::milliseconds> m_timeout;
    QList<InstrumentTarget> m_targets;
    int m_next = 0;                       // the target being read
    int m_step = InstrumentParameters::kPointRead; // the read under way for it
    InstrumentDecimals m_decimals;
    QList<ParameterValue> m_values;
    quint64 m_generation = 0; // results of a stopped run carry an older one
    bool m_running = false;
    bool m_sending = false; // inside sendread(), whose refusal calls back at once
};
