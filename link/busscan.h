// SPDX-License-Identifier: MIT
// A search of the bus for instruments: every address at every rate asked for its weight, one
// request on the line at a time, a silent address given up as soon as the line allows, and
// looked at again, slowly, when bytes come after its window.
#pragma once

#include "clock.h"
#include "readrequest.h"

#include <QHash>
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
    // The instrument turns around more slowly than the scan allowed for: its reply came after
    // its address had been given up, and the second, slower look at it took longer than the
    // allowance too (or heard nothing, and the late reply is all there is).
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

    // Why the rate an instrument was found at says nothing about the rate it listens at.
    enum class RateBlindness {
        // One address gave checked frames at two rates: a real instrument answers at one only,
        // so the far end ignores the rate (a pseudo-terminal). The address is listed once.
        AnswersAtEveryRate,
        // A network line with several rates asked: only the converter's own rate is on the wire.
        ConverterRate,
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
    // Whether the scan running or last run found the line blind to the rate.
    std::optional<RateBlindness> rateBlindness() const { return m_blindness; }

    // The longest reply time of `replyCharacters` that is within the scan's allowance: the
    // first-byte deadline and the rest of the reply on the wire. Nullopt on a Modbus TCP
    // gateway, which has no deadline.
    std::optional<Clock::Duration> replyAllowance(qint32 baud, std::chrono::microseconds turnaround,
                                                  qsizetype replyCharacters) const;

signals:
    void progress(int done, int total);
    void answered(const BusAnswer &answer);
    // Said once a scan, when it finds out: the rates of its answers are not the instruments'.
    void rateBlind(BusScan::RateBlindness why);
    // Every address was asked at every rate, and the last ones given up were heard out.
    void finished(int instruments);
    void stopped(BusScan::StopReason reason, int instruments);

private:
    // An address given up as silent whose late reply may still come.
    struct GivenUp
    {
        quint8 address;
        qint32 baud;
        // Until when its reply may still begin: the request's whole reply time.
        Clock::Duration until;
        bool looked = false; // it has had its second look, or has one coming
    };
    // One request of the scan: an address at a rate, with the first-byte deadline of the sweep
    // or, a second time, slowly, with the whole reply time.
    struct Look
    {
        quint8 address = 0;
        qint32 baud = 0;
        bool slow = false;
        // The late reply that led to a slow look, in case the look itself hears nothing.
        std::optional<BusAnswer> caught;
        bool again = false; // a slow look whose window another late reply took: no third one
    };

    void next();
    void sendLook();
    void onResult(const ReadResult &result);
    void onOtherResult(const ReadResult &result);
    void onStrayBytes(const QByteArray &bytes);
    void judgeStrayBytes();
    void hurry();
    // Bytes that are not the answer of the request they came in: a late reply of an address
    // given up, whole or in part. True when it leads to a second look.
    bool lateBytes(const ReadResult &result);
    // A whole checked frame from an address given up: that address is owed a slow look.
    bool catchLateFrame(const QByteArray &frame);
    // Every address given up whose reply may have begun since `since` gets a slow look.
    int oweSlowLooks(Clock::Duration since);
    void concludeSweepLook(bool silent);
    void list(BusAnswer answer);
    BusAnswer answerOf(const ReadResult &result) const;
    Clock::Duration reachOfLateReplies() const;
    void end();

    RequestQueue *m_queue;
    Port *m_port;
    Clock &m_clock;
    std::unique_ptr<Clock::Timer> m_retry;   // the look again, once its twin has gone
    std::unique_ptr<Clock::Timer> m_hearOut; // the end, once late replies can no longer begin
    Plan m_plan;
    QList<qint32> m_rates;
    int m_rateIndex = 0;
    int m_address = 0;
    bool m_running = false;
    bool m_stopAsked = false;
    bool m_onLine = false;     // a look of ours waits in the queue or is on the line
    bool m_askedAgain = false; // the sweep's address now asked was asked once before
    Look m_look;
    Clock::Duration m_sentAt{0};
    QList<Look> m_owed; // slow looks to take before the sweep goes on
    QByteArray m_stray; // bytes that came while no request was on the line
    QList<GivenUp> m_givenUp;
    QHash<quint8, qint32> m_foundAt; // the rate each instrument was listed at
    std::optional<RateBlindness> m_blindness;
    int m_done = 0;
    int m_total = 0;
    int m_instruments = 0;
};
