// SPDX-License-Identifier: MIT
// A search of the bus for instruments: every address at every rate asked for its weight, one
// request on the line at a time, a silent address given up as soon as the line allows.
#pragma once

#include "clock.h"
#include "readrequest.h"

#include <QList>
#include <QObject>
#include <chrono>
#include <memory>
#include <optional>

class Port;
class RequestQueue;

// What came back from one address at one rate. Addresses that stay silent are not reported.
struct BusAnswer
{
    quint8 address = 0;
    // The rate it answered at; 0 on a network line, where the converter's own rate holds.
    qint32 baud = 0;
    // Ok, an exception, or why the reply failed checking.
    ReplyCheck check;
    // The gross weight in counts, as the instrument sends it, when it answered the weight read.
    std::optional<qint32> weight;
    // From the request written to the last byte of the reply in.
    std::optional<Clock::Duration> replyTime;
    // The reply came only after the address had been given up, while a later one was asked:
    // the instrument turns around more slowly than the scan allowed for.
    bool late = false;

    // A checked frame from the address: an instrument is there, even one that refused the read
    // with an exception. A reply that failed checking is bytes on the line, not yet one.
    bool instrument() const;
};

class BusScan : public QObject
{
    Q_OBJECT

public:
    // The probe is the window's weight read: every indicator answers it, and its reply tells
    // the weight at once.
    static constexpr quint16 kProbeRegister = 0x0100;
    static constexpr quint16 kProbeRegisters = 2;
    static constexpr std::chrono::milliseconds kProbeTimeout{400};
    // How long an instrument takes from the end of a request to the start of its reply,
    // the USB adapter's latency included, unless the plan says otherwise. Indicators answer
    // within 5 to 20 ms; an adapter with its latency lowered adds 1 to 2.
    static constexpr std::chrono::milliseconds kDefaultTurnaround{25};
    // Behind a transparent converter the reply also crosses the network and waits for the
    // converter to pack the serial bytes into a TCP segment.
    static constexpr std::chrono::milliseconds kNetworkAllowance{30};

    // 9600, 4800, 2400, 1200: the rates an indicator leaves the factory with, likeliest first.
    static const QList<qint32> &standardRates();
    // 19200, 38400, 57600, 115200: offered by some indicators, swept only when asked.
    static const QList<qint32> &fastRates();

    struct Plan
    {
        quint8 from = 1;
        quint8 to = 247;
        QList<qint32> rates = standardRates();
        std::chrono::microseconds turnaround = kDefaultTurnaround;
        // The whole time of a reply that has begun.
        std::chrono::milliseconds timeout = kProbeTimeout;
    };

    enum class StopReason {
        Operator,   // stop()
        PortClosed, // the port closed or was lost under the scan
    };

    // What a silent address costs at `baud`: the 8-character request on the wire, the
    // instrument's turnaround and the first character of its reply. No byte by then, and the
    // address is given up.
    static Clock::Duration addressBudget(qint32 baud, std::chrono::microseconds turnaround);

    // The scan asks through `queue`, whose line `port` is; timing retries on `clock`.
    BusScan(RequestQueue *queue, Port *port, QObject *parent = nullptr);
    BusScan(RequestQueue *queue, Port *port, Clock &clock, QObject *parent = nullptr);
    ~BusScan() override;

    // The rates a plan sweeps on this port: the plan's, or on a network line only the
    // converter's own (the requests carry no rate there).
    QList<qint32> ratesToSweep(const Plan &plan) const;
    // The first-byte deadline of a probe at `baud` on this port; nullopt on a Modbus TCP
    // gateway, which waits for the instrument itself and answers exception 0B when none does.
    std::optional<Clock::Duration> firstByteDeadline(qint32 baud,
                                                     std::chrono::microseconds turnaround) const;

    // Starts sweeping rate by rate, each rate over the whole address range. False when the port
    // is closed, a scan is already running or the plan has nothing to sweep.
    bool start(const Plan &plan);
    // The scan ends once the request on the line has its result.
    void stop();
    bool isRunning() const { return m_running; }

    int done() const { return m_done; }
    int total() const { return m_total; }
    // Instruments found by the scan running or last run.
    int instrumentCount() const { return m_instruments; }

signals:
    void progress(int done, int total);
    void answered(const BusAnswer &answer);
    // Every address was asked at every rate.
    void finished(int instruments);
    void stopped(BusScan::StopReason reason, int instruments);

private:
    // An address given up as silent whose late reply may still come, for a reply's whole time.
    struct GivenUp
    {
        quint8 address;
        qint32 baud;
        Clock::Duration at;
    };

    void sendProbe();
    void onResult(const ReadResult &result);
    bool takeLateReply(const ReadResult &result);
    void end();

    RequestQueue *m_queue;
    Port *m_port;
    Clock &m_clock;
    std::unique_ptr<Clock::Timer> m_retry;
    Plan m_plan;
    QList<qint32> m_rates;
    int m_rateIndex = 0;
    int m_address = 0;
    bool m_running = false;
    bool m_stopAsked = false;
    bool m_askedAgain = false; // the address now asked was asked once before: no third time
    QList<GivenUp> m_givenUp;
    int m_done = 0;
    int m_total = 0;
    int m_instruments = 0;
};
