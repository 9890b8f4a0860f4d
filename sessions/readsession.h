// SPDX-License-Identifier: MIT
// The reading of one instrument, for the window and the command line alike: its gross weight and
// its four parameter groups, each with the instrument's own decimal point (asked once, shared by
// them all), once or polled, through the request queue on the clock. What it gives are values;
// the window and the command line put them into words.
#pragma once

#include "clock.h"
#include "instrumentdecimals.h"
#include "parametergroups.h"
#include "quantity.h"
#include "readtimeouts.h"
#include "stability.h"
#include "weightreading.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class Port;
class RequestQueue;

// How the read of one block ended: the weight block or one of the four parameter groups.
struct BlockRead
{
    static constexpr int kWeight = -1;

    // What the operator is to be told of the decimal places the values took.
    enum class PointNote {
        None,
        PlacesTaken, // a group's values took the instrument's point, the "dot" box being empty;
                     // told once for the line and address
        Unknown,     // shown with 0 places: the point has not been answered (yet); told each time
        Absent,      // the instrument has no point to give: told once for the line and address
    };

    int block = kWeight; // index into parameterGroups(), or kWeight
    // How it ended. Stage::Point: the block was not asked, its decimal point's read failed first.
    ReadEnd end;
    // The block's own request, or the point's failed read when `asked` is false, as it went on
    // the line (reply time, echo, stray bytes).
    ReadResult result;
    bool asked = true;
    // Of the weight block: the reading, with its stability, also when there was no weight.
    std::optional<WeightReading> weight;
    // Of a group whose reply was checked: its values in decoding order, those whose decimal point
    // cannot be shown among them (not shown()); empty when its read failed.
    QList<ParameterValue> values;
    PointNote note = PointNote::None;
    // The instrument's point as known when the block ended, for the note's words.
    InstrumentDecimals point;

    bool ok() const { return end.ok(); }
};

// One reading of several blocks, taken one after another.
struct SessionReading
{
    QDateTime time;          // when it began, by the system's clock, for the record
    QList<BlockRead> blocks; // in the order asked

    bool ok() const;
};

class ReadSession : public QObject
{
    Q_OBJECT

public:
    // The window's poll timer (TimerBJ): one weight every 1.5 s while 自动读取 is ticked.
    static constexpr std::chrono::milliseconds kPollInterval{1500};

    using AddressSource = std::function<std::optional<quint8>()>;
    using PlacesSource = std::function<std::optional<int>()>;

    // Why a read the operator asked for sent nothing.
    enum class NotSent {
        NoAddress,      // the address chosen is not one
        PortClosed,     // the port is not open
        AlreadyWaiting, // the same block already waits to go out (a group's page)
    };

    // Reads through `queue` on `port`, timed by `clock`. address gives the bus address chosen
    // now (nullopt while the operator's text is not one), dotPlaces the decimal places the "dot"
    // box stands for now (nullopt while it holds no number); the command line has no such box.
    ReadSession(RequestQueue *queue, Port *port, Clock &clock, AddressSource address,
                PlacesSource dotPlaces = {}, QObject *parent = nullptr);
    ~ReadSession() override;

    // The operator's reads, as the window's buttons ask them: each request goes out at once.
    // While the "dot" box is empty the instrument's point is asked ahead of it, once, and a
    // block whose point is still unknown is shown with whole counts; the point is asked again
    // after a weight has come back, or before a page's block.
    void readWeight();
    void readGroup(int group);
    // 自动读取: on, one weight every kPollInterval, the first one interval from now; off, no
    // more (a request on the line still completes).
    void setAutoRead(bool on);
    bool autoRead() const { return m_autoRead; }

    // A reading of `blocks` (BlockRead::kWeight or group indices), one request at a time, each
    // after the one before has ended: the point first, once in the reading while it is not
    // known; a block that needs it and has none fails unasked. Ends with readingTaken. One
    // reading at a time: nothing is started while one is under way.
    void take(const QList<int> &blocks);
    // Readings of `blocks`, the next one `interval` after the one before began (at once when
    // that took longer), until `count` have been taken (0: no end), stop() or the line is gone.
    // Ends with finished. Not started while a reading or a run is under way.
    void run(const QList<int> &blocks, std::chrono::milliseconds interval, qint64 count);
    // Ends the run after the reading under way; at once between readings.
    void stop();
    bool running() const { return m_run.has_value(); }

    // How long the reads wait: each its standard time, raised to the operator's least; or one
    // time for every read (the command line's --timeout), which takes the place of both.
    void setTimeouts(const ReadTimeouts &timeouts) { m_timeouts = timeouts; }
    void setTimeout(std::optional<std::chrono::milliseconds> every) { m_every = every; }
    // The verification interval the weights' stability is judged by (±0.5 e); none: one count of
    // the last digit shown. The weights so far start over.
    void setStabilityInterval(std::optional<Quantity> e);
    // The port, the rate or the address changed: another instrument may be on the line, and its
    // point is asked again.
    void forgetPoint();

signals:
    // Every weight for the display, the trend, the log and the live page: a weight with its
    // places, or none and why.
    void weightRead(const WeightReading &reading);
    // Every block that ended, the weight's included.
    void blockRead(const BlockRead &read);
    void notSent(int block, ReadSession::NotSent why);
    void readingTaken(const SessionReading &reading);
    // The run has ended.
    void finished();
    // The line went away under the session (an adapter pulled, a connection dropped).
    void lineLost();

private:
    struct Taking
    {
        QList<int> blocks;
        qsizetype next = 0;
        bool pointAsked = false; // in this reading
        bool waitingForPoint = false;
        std::optional<int> places; // of the block sent
        SessionReading reading;
    };
    struct Run
    {
        QList<int> blocks;
        Clock::Duration interval{0};
        qint64 count = 0;
        qint64 taken = 0;
        Clock::Duration began{0};
        bool stopping = false;
    };

    std::chrono::milliseconds timeoutOf(std::chrono::milliseconds standard) const
    {
        return m_every.value_or(m_timeouts.of(standard));
    }
    bool askPoint(quint8 address);
    ReadRequest requestOf(int block, quint8 address) const;
    // What a page read with the "dot" box empty is to say of the places its values took.
    BlockRead::PointNote groupNote();

    void onWeightRead(const ReadResult &result);
    void onGroupRead(int group, const ReadResult &result);
    void onPollTick();

    void takeNext();
    void takeBlock();
    void onTaken(const ReadResult &result);
    void endBlock(BlockRead read);
    void endReading();
    void beginRunReading();
    void endRun();

    // The weight with its stability, as the weights so far make it, said to whoever shows it.
    WeightReading settled(WeightReading reading);

    RequestQueue *m_queue;
    Port *m_port;
    Clock &m_clock;
    AddressSource m_address;
    PlacesSource m_dotPlaces;
    // The instrument's own decimal point, read from 0x0024/0x0025 while the "dot" box is empty.
    InstrumentPoint *m_point;
    Stability m_stability;
    ReadTimeouts m_timeouts;
    std::optional<std::chrono::milliseconds> m_every;
    bool m_autoRead = false;
    std::unique_ptr<Clock::Timer> m_pollTimer; // re-armed at each tick while polling
    std::unique_ptr<Clock::Timer> m_runTimer;  // the next reading of a run
    std::optional<Taking> m_taking;
    std::optional<Run> m_run;
};

Q_DECLARE_METATYPE(BlockRead)
Q_DECLARE_METATYPE(SessionReading)
