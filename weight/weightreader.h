// SPDX-License-Identifier: MIT
// The live gross weight: one read on demand or one every 1.5 s, shown with its decimal point.
#pragma once

#include "clock.h"
#include "instrumentdecimals.h"
#include "readtimeouts.h"
#include "requestqueue.h"
#include "stability.h"
#include "weightreading.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class WeightReader : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 kWeightRegister = 0x0100; // 0x0100 high word, 0x0101 low word
    static constexpr quint16 kWeightRegisters = 2;
    static constexpr quint16 kDotRegister = InstrumentDecimals::kRegister;
    static constexpr std::chrono::milliseconds kWeightTimeout{400};
    static constexpr std::chrono::milliseconds kPollInterval{1500};
    static constexpr std::chrono::milliseconds kDotTimeout = InstrumentDecimals::kTimeout;
    static_assert(kWeightTimeout == ReadTimeouts::kShortestStandard);

    using AddressSource = std::function<std::optional<quint8>()>;
    using PlacesSource = std::function<std::optional<int>()>;

    // clock times the polling. address gives the bus address chosen now (nullopt when the
    // operator's text is not one); dotPlaces the decimal places the "dot" box stands for now
    // (nullopt while it holds no number); point the instrument's own decimal point, shared with
    // the parameter pages.
    WeightReader(RequestQueue *queue, Clock &clock, AddressSource address, PlacesSource dotPlaces,
                 InstrumentPoint *point, QObject *parent = nullptr);
    ~WeightReader() override;

    // One weight request (the read button's click, the poll timer's tick).
    void read();
    // Auto-read on: the poll timer armed for 1500 ms, then the read button disabled; the first
    // request goes out one interval later. Off: the poll timer off, then the button enabled; a
    // request already on the line still completes.
    void setAutoRead(bool on);
    bool autoRead() const;

    // The verification interval the readings' stability is judged by (±0.5 e); none: one count
    // of the last digit shown. The readings so far start over.
    void setStabilityInterval(std::optional<Quantity> e);

    // How long the weight's requests wait: kWeightTimeout unless the operator raised it.
    void setTimeouts(const ReadTimeouts &timeouts) { m_timeouts = timeouts; }
    std::chrono::milliseconds timeout() const { return m_timeouts.of(kWeightTimeout); }

signals:
    // Each reading for the weight display, the trend and the log: the weight with its
    // places, or none and why.
    void weightRead(const WeightReading &reading);
    // Whether the read button may be pressed.
    void readEnabled(bool enabled);
    // A line for the status bar: the outcome of the latest read, in Chinese.
    void status(const QString &text);

private:
    void onWeightRead(const ReadResult &result);
    void onPollTick();
    // The reading with its stability, as the readings so far make it.
    void emitReading(WeightReading reading);

    RequestQueue *m_queue;
    Clock &m_clock;
    Stability m_stability;
    std::unique_ptr<Clock::Timer> m_pollTimer; // re-armed at each tick while polling
    AddressSource m_address;
    PlacesSource m_dotPlaces;
    bool m_autoRead = false;
    ReadTimeouts m_timeouts;
    // The instrument's own decimal point, read from 0x0024/0x0025 while the "dot" box is empty.
    InstrumentPoint *m_point;
};
