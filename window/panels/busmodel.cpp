// SPDX-License-Identifier: MIT
// The bus view's table: the instruments a scan found, and their weights while polled.
#include "busmodel.h"

#include "adddot.h"
#include "parametersetreader.h"
#include "requestqueue.h"
#include "trafficlines.h"
#include "instrumentdecimals.h"
#include "weightreading.h"

#include <QColor>
#include <algorithm>

using namespace std::chrono;

namespace {

const QString kNone = QStringLiteral("—");

QString answerText(const BusAnswer &answer)
{
    QString text;
    switch (answer.check.status) {
    case ReplyStatus::Ok:
        text = BusModel::tr("应答");
        break;
    case ReplyStatus::Exception:
        text = replyText(answer.check);
        break;
    default:
        text = BusModel::tr("应答无效：") + replyText(answer.check);
        break;
    }
    return answer.late ? text + BusModel::tr("（迟到）") : text;
}

} // namespace

BusModel::BusModel(RequestQueue *queue, Port *port, QObject *parent)
    : BusModel(queue, port, Clock::eventLoop(), parent)
{
}

BusModel::BusModel(RequestQueue *queue, Port *port, Clock &clock, QObject *parent)
    : QAbstractTableModel(parent), m_queue(queue), m_scan(new BusScan(queue, port, clock, this)),
      m_pollTimer(clock.createTimer([this] { pollNext(); })),
      m_reader(new ParameterSetReader(queue, this))
{
    // The comparison's reads give way to the window's own, as the polls do, and count with them.
    m_reader->setPurpose(RequestPurpose::BusPoll, true);
    connect(m_reader, &ParameterSetReader::instrumentStarted, this,
            [this](const InstrumentTarget &t) {
                ReadRequest at{t.address, 0, 0, {}};
                at.baud = t.baud;
                if (const int r = rowOf(at); r >= 0) {
                    m_rows[r].reference = Row::Reference::Reading;
                    rowChanged(r);
                }
            });
    connect(m_reader, &ParameterSetReader::instrumentRead, this, &BusModel::onCompared);
    connect(m_reader, &ParameterSetReader::finished, this, &BusModel::onComparisonFinished);
    connect(m_scan, &BusScan::answered, this, &BusModel::onAnswer);
    connect(m_scan, &BusScan::finished, this, &BusModel::onFinished);
    connect(m_scan, &BusScan::stopped, this, &BusModel::onStopped);
    connect(m_scan, &BusScan::progress, this, &BusModel::progress);
    connect(m_queue, &RequestQueue::countersChanged, this, [this](RequestPurpose purpose) {
        if (purpose == RequestPurpose::BusScan || purpose == RequestPurpose::BusPoll)
            emit figuresChanged();
    });
}

BusModel::~BusModel() = default;

bool BusModel::startScan(const BusScan::Plan &plan)
{
    if (m_scan->isRunning())
        return false;
    m_reader->stop();
    beginResetModel();
    m_rows.clear();
    m_nextPoll = 0;
    endResetModel();
    m_late = false;
    // The figures are of this scan and of the instruments it lists.
    m_queue->resetCountersOf(RequestPurpose::BusScan);
    m_queue->resetCountersOf(RequestPurpose::BusPoll);
    if (!m_scan->start(plan)) {
        setState(BusModel::tr("端口未打开，无法扫描"));
        return false;
    }
    setState(BusModel::tr("正在扫描…"));
    emit scanningChanged(true);
    return true;
}

QList<quint8> BusModel::instrumentAddresses() const
{
    QList<quint8> addresses;
    for (const Row &row : m_rows) {
        if (row.instrument && !addresses.contains(row.address))
            addresses.append(row.address);
    }
    return addresses;
}

void BusModel::stopScan()
{
    m_scan->stop();
}

void BusModel::onAnswer(const BusAnswer &answer)
{
    Row row;
    row.address = answer.address;
    row.baud = answer.baud;
    row.instrument = answer.instrument();
    row.weight = answer.weight;
    row.replyTime = answer.replyTime;
    row.result = answerText(answer);
    m_late = m_late || answer.late;
    const int r = int(m_rows.size());
    beginInsertRows({}, r, r);
    m_rows.append(row);
    endInsertRows();
    if (answer.check.ok())
        readDecimals(row);
    if (row.instrument)
        pollNext();
}

void BusModel::onFinished(int instruments)
{
    QString text = instruments > 0 ? BusModel::tr("扫描完成：找到 %1 台仪表").arg(instruments)
                                   : BusModel::tr("扫描完成：未找到仪表");
    if (m_late)
        text += BusModel::tr("；有仪表应答迟到，可加大应答延时");
    if (m_scan->rateBlindness() == BusScan::RateBlindness::AnswersAtEveryRate)
        text += BusModel::tr("；线路分辨不出波特率，每个地址只列一次");
    setState(text);
    emit scanningChanged(false);
}

void BusModel::onStopped(BusScan::StopReason reason, int instruments)
{
    setState(reason == BusScan::StopReason::PortClosed
                 ? BusModel::tr("扫描中断：端口已关闭")
                 : BusModel::tr("扫描已停止：找到 %1 台仪表").arg(instruments));
    emit scanningChanged(false);
}

void BusModel::readDecimals(const Row &row)
{
    // The same pair the window's weight takes its point from, asked once per instrument found.
    ReadRequest request = InstrumentDecimals::request(row.address);
    request.baud = row.baud;
    request.background = true;
    request.purpose = RequestPurpose::BusPoll;
    m_queue->sendread(request, this, [this](const ReadResult &r) { onDecimals(r); });
}

void BusModel::onDecimals(const ReadResult &result)
{
    const int r = rowOf(result.request);
    if (r < 0 || !result.ok())
        return;
    m_rows[r].places = result.value(0, 2);
    rowChanged(r);
}

void BusModel::setPolling(bool on)
{
    m_polling = on;
    if (on)
        pollNext();
    else
        m_pollTimer->stop();
}

void BusModel::pollNext()
{
    if (!m_polling || m_pollOut || m_pollTimer->isActive())
        return;
    const int n = int(m_rows.size());
    for (int k = 0; k < n; ++k) {
        const int r = (m_nextPoll + k) % n;
        if (!m_rows[r].instrument)
            continue;
        m_nextPoll = r + 1;
        ReadRequest request{m_rows[r].address, WeightReading::kRegister,
                            WeightReading::kRegisters, WeightReading::kTimeout};
        request.baud = m_rows[r].baud;
        request.background = true;
        request.purpose = RequestPurpose::BusPoll;
        const SendResult sent =
            m_queue->sendread(request, this, [this](const ReadResult &res) { onPolled(res); });
        if (sent == SendResult::Queued)
            m_pollOut = true;
        else
            m_pollTimer->start(kPollPause); // the port is closed, or the same read waits already
        return;
    }
}

void BusModel::onPolled(const ReadResult &result)
{
    m_pollOut = false;
    const int r = rowOf(result.request);
    if (r >= 0) {
        Row &row = m_rows[r];
        if (result.ok())
            row.weight = result.value(0, WeightReading::kRegisters);
        if (result.replyTime)
            row.replyTime = result.replyTime;
        row.result = result.ok() ? BusModel::tr("应答") : resultText(result);
        rowChanged(r);
    }
    if (m_polling)
        m_pollTimer->start(kPollPause);
}

int BusModel::rowOf(const ReadRequest &request) const
{
    for (int r = 0; r < m_rows.size(); ++r) {
        if (m_rows[r].address == request.address && m_rows[r].baud == request.baud)
            return r;
    }
    return -1;
}

void BusModel::rowChanged(int r)
{
    emit dataChanged(index(r, 0), index(r, kColumnCount - 1));
}

void BusModel::setState(const QString &text)
{
    m_state = text;
    emit stateChanged(text);
}

RequestCounters BusModel::scanCounters() const
{
    return RequestCounters::of(*m_queue, RequestPurpose::BusScan);
}

RequestCounters BusModel::pollCounters() const
{
    return RequestCounters::of(*m_queue, RequestPurpose::BusPoll);
}

const ReplyTimes &BusModel::scanReplyTimes() const
{
    return m_queue->replyTimes(RequestPurpose::BusScan);
}

const ReplyTimes &BusModel::pollReplyTimes() const
{
    return m_queue->replyTimes(RequestPurpose::BusPoll);
}

QString BusModel::scanFiguresText() const
{
    return figuresText(BusModel::tr("扫描"), scanCounters(), scanReplyTimes());
}

QString BusModel::pollFiguresText() const
{
    return figuresText(BusModel::tr("轮询"), pollCounters(), pollReplyTimes());
}

QString BusModel::figuresText(const QString &title, const RequestCounters &counters,
                              const ReplyTimes &times)
{
    const QString counts = BusModel::tr("%1：请求 %2  应答 %3  无应答 %4  无效 %5")
                               .arg(title)
                               .arg(counters.sent)
                               .arg(counters.answered())
                               .arg(counters.noReply)
                               .arg(counters.invalid());
    if (times.count() == 0)
        return counts + BusModel::tr("  用时 —");
    return counts + BusModel::tr("  用时 中位 %1  最慢 %2")
                        .arg(millisecondsText(times.median()), millisecondsText(times.slowest()));
}

QString BusModel::weightText(const Row &row)
{
    // A weight whose point no value can be shown with is no weight to show.
    if (!row.weight || (row.places && !placesShowable(*row.places)))
        return kNone;
    const QString counts = QString::number(*row.weight);
    return row.places ? adddot(counts, *row.places) : counts;
}

int BusModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int BusModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant BusModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows.at(index.row());
    if (role == Qt::TextAlignmentRole)
        return index.column() >= ResultColumn ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                              : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (index.column() == ReferenceColumn && role == Qt::ToolTipRole && row.comparison &&
        !row.comparison->same()) {
        QStringList lines;
        for (const Difference &d : row.comparison->differences())
            lines.append(QStringLiteral("%1：%2").arg(QLatin1String(d.code), differenceText(d)));
        return lines.join(QLatin1Char('\n'));
    }
    if (index.column() == ReferenceColumn && role == Qt::BackgroundRole &&
        (row.reference == Row::Reference::Failed ||
         (row.comparison && !row.comparison->same())))
        return QColor(0xff, 0xc8, 0xc8);
    if (role != Qt::DisplayRole)
        return {};
    switch (Column(index.column())) {
    case AddressColumn:
        return QString::number(row.address);
    case BaudColumn:
        return row.baud > 0 ? QString::number(row.baud) : BusModel::tr("转换器");
    case WeightColumn:
        return weightText(row);
    case ReplyTimeColumn:
        return row.replyTime
                   ? QString::number(duration<double, std::milli>(*row.replyTime).count(), 'f', 1)
                   : kNone;
    case ResultColumn:
        return row.result;
    case ReferenceColumn:
        return referenceText(row);
    }
    return {};
}

QVariant BusModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (Column(section)) {
    case AddressColumn:
        return BusModel::tr("地址");
    case BaudColumn:
        return BusModel::tr("波特率");
    case WeightColumn:
        return BusModel::tr("重量");
    case ReplyTimeColumn:
        return BusModel::tr("应答 ms");
    case ResultColumn:
        return BusModel::tr("结果");
    case ReferenceColumn:
        return BusModel::tr("与参考");
    }
    return {};
}

bool BusModel::comparing() const
{
    return m_reader->isRunning();
}

bool BusModel::compareWith(const ReferenceSet &reference)
{
    if (m_scan->isRunning() || m_reader->isRunning())
        return false;
    QList<InstrumentTarget> targets;
    for (int r = 0; r < m_rows.size(); ++r) {
        Row &row = m_rows[r];
        row.reference = Row::Reference::None;
        row.comparison.reset();
        row.referenceFailure.clear();
        if (row.instrument) {
            row.reference = Row::Reference::Waiting;
            targets.append({row.address, row.baud});
        }
        rowChanged(r);
    }
    if (targets.isEmpty()) {
        setState(BusModel::tr("没有可比较的仪表：请先扫描"));
        return false;
    }
    m_reference = reference;
    setState(BusModel::tr("正在与参考比较…"));
    emit comparingChanged(true);
    m_reader->start(targets);
    return true;
}

void BusModel::onCompared(const InstrumentParameters &read)
{
    ReadRequest at{read.target.address, 0, 0, {}};
    at.baud = read.target.baud;
    const int r = rowOf(at);
    if (r < 0 || !m_reference)
        return;
    Row &row = m_rows[r];
    if (read.ok()) {
        row.reference = Row::Reference::Done;
        row.comparison = compare(*m_reference, read.values);
    } else if (read.refusedPlaces) {
        row.reference = Row::Reference::Failed;
        row.referenceFailure = pointRefusedText(*read.refusedPlaces);
    } else {
        row.reference = Row::Reference::Failed;
        const QString block = read.failedRead == InstrumentParameters::kPointRead
                                  ? BusModel::tr("小数点")
                                  : groupCaption(parameterGroups().at(read.failedRead));
        row.referenceFailure =
            BusModel::tr("%1读取失败：%2").arg(block, resultText(*read.failure));
    }
    rowChanged(r);
}

void BusModel::onComparisonFinished()
{
    int same = 0;
    int differ = 0;
    int failed = 0;
    for (const Row &row : std::as_const(m_rows)) {
        if (row.reference == Row::Reference::Done)
            (row.comparison->same() ? same : differ) += 1;
        else if (row.reference == Row::Reference::Failed)
            ++failed;
    }
    setState(BusModel::tr("比较完成：%1 台相同，%2 台不同，%3 台无法比较")
                 .arg(same)
                 .arg(differ)
                 .arg(failed));
    emit comparingChanged(false);
}

QString BusModel::referenceText(const Row &row)
{
    switch (row.reference) {
    case Row::Reference::None:
        return {};
    case Row::Reference::Waiting:
        return BusModel::tr("等待比较");
    case Row::Reference::Reading:
        return BusModel::tr("读取中…");
    case Row::Reference::Done:
        return row.comparison->same()
                   ? BusModel::tr("同")
                   : BusModel::tr("不同 %1 项").arg(row.comparison->differenceCount());
    case Row::Reference::Failed:
        return BusModel::tr("无法比较：%1").arg(row.referenceFailure);
    }
    return {};
}
