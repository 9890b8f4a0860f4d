// SPDX-License-Identifier: MIT
// The bus view's table ("总线"): the instruments a scan found, each one's weight while the bus
// is polled, and the address and rate a row stands for; no widgets, so tests drive it directly.
#pragma once

#include "busscan.h"
#include "comparison.h"
#include "replytimes.h"
#include "requestcounters.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

class ParameterSetReader;
struct InstrumentParameters;

class BusModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        AddressColumn,
        BaudColumn,
        WeightColumn,
        ReplyTimeColumn,
        ResultColumn,
        ReferenceColumn, // the comparison with the reference, once one was asked for
    };
    static constexpr int kColumnCount = ReferenceColumn + 1;

    // After one poll's result the next instrument's read waits this long: the line is left
    // free for the window's own reads, and the table changes at a pace the eye can follow.
    static constexpr std::chrono::milliseconds kPollPause{100};

    struct Row
    {
        quint8 address = 0;
        qint32 baud = 0;              // the rate it was found at; 0 for the converter's
        bool instrument = false;      // polled; a reply that failed checking is only listed
        std::optional<qint32> weight; // the latest weight in counts
        std::optional<int> places;    // the instrument's decimal point, once read
        std::optional<Clock::Duration> replyTime; // of the latest reply that came
        QString result;                           // how the latest read ended
        // The comparison with the reference: waiting for its turn, being read, done (with the
        // comparison) or failed (with why); none before one was asked for.
        enum class Reference { None, Waiting, Reading, Done, Failed };
        Reference reference = Reference::None;
        std::optional<Comparison> comparison;
        QString referenceFailure;
    };

    BusModel(RequestQueue *queue, Port *port, QObject *parent = nullptr);
    BusModel(RequestQueue *queue, Port *port, Clock &clock, QObject *parent = nullptr);
    ~BusModel() override;

    BusScan *scan() const { return m_scan; }

    // Empties the table and starts a scan; false when it cannot start (the port is closed).
    bool startScan(const BusScan::Plan &plan);
    // The scan ends once the request on the line has its result.
    void stopScan();
    // While on, the instruments listed have their weights read in turn, one request at a time,
    // each at the rate it was found at; the window's own reads go first.
    void setPolling(bool on);
    bool polling() const { return m_polling; }

    const Row &row(int r) const { return m_rows.at(r); }
    // The addresses of the instruments listed: seen answering on this line.
    QList<quint8> instrumentAddresses() const;

    // Reads every instrument listed, one after another in the background, and compares its 35
    // parameters with the reference; the result goes into each row. False when there is nothing
    // to compare, a scan is under way or a comparison is.
    bool compareWith(const ReferenceSet &reference);
    bool comparing() const;
    // "与参考相同", "不同 2 项", "无法比较：小数点读取失败：无应答" ...
    static QString referenceText(const Row &row);
    // What stands under the table: the scan under way, how it ended, why it did not start.
    QString stateText() const { return m_state; }

    // The bus view's own figures, counted apart from the operator's reads: the scan's probes,
    // and the polls of the instruments listed (their decimal-point reads with them). Both start
    // again with each scan.
    RequestCounters scanCounters() const;
    RequestCounters pollCounters() const;
    const ReplyTimes &scanReplyTimes() const;
    const ReplyTimes &pollReplyTimes() const;
    // "扫描：请求 128  应答 2  无应答 126  无效 0  用时 中位 21.3 ms  最慢 24.0 ms", and the
    // same of the polls.
    QString scanFiguresText() const;
    QString pollFiguresText() const;
    // One line of figures, under `title`.
    static QString figuresText(const QString &title, const RequestCounters &counters,
                               const ReplyTimes &times);

    // The weight as the table shows it: with the instrument's decimal point once read, in
    // counts until then, "—" while there is none or its point cannot be shown (-1, 300).
    static QString weightText(const Row &row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    void stateChanged(const QString &text);
    void scanningChanged(bool scanning);
    void progress(int done, int total);
    // The scan's or the polls' figures changed.
    void figuresChanged();
    void comparingChanged(bool comparing);

private:
    void onAnswer(const BusAnswer &answer);
    void onFinished(int instruments);
    void onStopped(BusScan::StopReason reason, int instruments);
    void readDecimals(const Row &row);
    void onDecimals(const ReadResult &result);
    void pollNext();
    void onPolled(const ReadResult &result);
    int rowOf(const ReadRequest &request) const;
    void rowChanged(int r);
    void setState(const QString &text);
    void onCompared(const InstrumentParameters &read);
    void onComparisonFinished();

    RequestQueue *m_queue;
    BusScan *m_scan;
    std::unique_ptr<Clock::Timer> m_pollTimer;
    QList<Row> m_rows;
    bool m_polling = false;
    bool m_pollOut = false; // a poll waits in the queue or is on the line
    int m_nextPoll = 0;     // the row polled next, or the first instrument after it
    bool m_late = false;    // the scan under way or last run met a late reply
    QString m_state;
    ParameterSetReader *m_reader;
    std::optional<ReferenceSet> m_reference;
};
