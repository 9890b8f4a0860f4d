// SPDX-License-Identifier: MIT
// The traffic monitor: a bounded table of the frames on the line, with pause, clear and copy.
#include "trafficmonitor.h"

#include "requestqueue.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

namespace {

// The time of day for the lines, cheaply: asking the system for the local time looks at the time
// zone file at each call, thousands of times a second when a stream floods the line. The time is
// taken from the system every few seconds and carried on by the steady clock in between.
std::function<QTime()> steadyTimeOfDay()
{
    struct State
    {
        QTime base;
        QElapsedTimer since;
    };
    auto state = std::make_shared<State>();
    return [state] {
        if (!state->since.isValid() || state->since.elapsed() > 5000) {
            state->base = QTime::currentTime();
            state->since.start();
            return state->base;
        }
        return state->base.addMSecs(int(state->since.elapsed()));
    };
}

} // namespace

TrafficMonitor::TrafficMonitor(RequestQueue *queue, QWidget *parent)
    : QWidget(parent), m_model(new TrafficModel(this)), m_view(new QTableView(this)),
      m_pause(new QPushButton(tr("暂停"), this)), m_copy(new QPushButton(tr("复制"), this)),
      m_state(new QLabel(this)), m_clock(steadyTimeOfDay())
{
    setObjectName(QStringLiteral("trafficMonitor"));

    m_pause->setObjectName(QStringLiteral("monitorPause"));
    m_pause->setCheckable(true);
    m_pause->setToolTip(tr("暂停记录；暂停期间的帧不记入"));
    auto *clearButton = new QPushButton(tr("清空"), this);
    clearButton->setObjectName(QStringLiteral("monitorClear"));
    m_copy->setObjectName(QStringLiteral("monitorCopy"));
    m_copy->setToolTip(tr("把选中的行复制到剪贴板（制表符分隔）"));
    m_copy->setEnabled(false);
    m_state->setObjectName(QStringLiteral("monitorState"));

    m_view->setObjectName(QStringLiteral("monitorView"));
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->setShowGrid(false);
    m_view->setAlternatingRowColors(true);
    m_view->setCornerButtonEnabled(false);
    m_view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Every row one text line high (applyMetrics): nothing is measured per row, however many.
    QHeaderView *rows = m_view->verticalHeader();
    rows->setVisible(false);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    QHeaderView *columns = m_view->horizontalHeader();
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    // Every column is as wide as its header and the texts it holds (applyMetrics); the bytes and
    // the result share the room left (fitColumns). A panel narrower than their minimums scrolls
    // sideways instead of squeezing a column into "…". A cell that is still cut has all of its
    // text in its tooltip.
    columns->setSectionResizeMode(QHeaderView::Interactive);
    connect(columns, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (m_fitting)
            return;
        // The operator's width for the bytes holds from now on, as far as there is room.
        if (column == TrafficModel::BytesColumn)
            m_bytesWidth = size;
        fitColumns();
    });
    m_view->viewport()->installEventFilter(this);
    applyMetrics();
    m_view->installEventFilter(this);

    auto *copyAction = new QAction(tr("复制"), m_view);
    connect(copyAction, &QAction::triggered, this, &TrafficMonitor::copySelection);
    m_view->addAction(copyAction);
    m_view->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(m_pause);
    buttons->addWidget(clearButton);
    buttons->addWidget(m_copy);
    buttons->addSpacing(8);
    buttons->addWidget(m_state, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addLayout(buttons);
    layout->addWidget(m_view, 1);

    connect(m_pause, &QPushButton::toggled, this, &TrafficMonitor::setPaused);
    connect(clearButton, &QPushButton::clicked, this, &TrafficMonitor::clear);
    connect(m_copy, &QPushButton::clicked, this, &TrafficMonitor::copySelection);
    // Selected lines can also leave with the oldest, which changes no selection signal.
    const auto copyable = [this] { m_copy->setEnabled(m_view->selectionModel()->hasSelection()); };
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this, copyable);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, copyable);
    connect(m_model, &QAbstractItemModel::modelReset, this, copyable);

    connect(queue, &RequestQueue::requestWritten, this, [this, queue](const QByteArray &frame) {
        m_lastSent = frame;
        add(TrafficLine::sent(m_clock(), frame, queue->lineKind()));
    });
    connect(queue, &RequestQueue::replyChecked, this,
            [this, queue](const ReadResult &result) { addResult(result, queue->lineKind()); });
    connect(queue, &RequestQueue::bytesDiscarded, this,
            [this](const QByteArray &bytes) { add(TrafficLine::discarded(m_clock(), bytes)); });
    connect(queue, &RequestQueue::lateReply, this, [this, queue](const ReadResult &result) {
        add(TrafficLine::late(m_clock(), result, queue->lineKind()));
    });

    showState();
}

void TrafficMonitor::applyMetrics()
{
    // Monospaced hex lines the bytes up from one frame to the next.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(font().pointSizeF());
    m_model->setBytesFont(fixed);

    const QFontMetrics text(m_view->font());
    const QFontMetrics hex(fixed);
    m_view->verticalHeader()->setDefaultSectionSize(std::max(text.height(), hex.height()) + 4);

    // A cell draws its text inside the style's focus-frame margin on either side; a space more
    // keeps it clear of the next column's text.
    const int margin =
        2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 1) +
        text.horizontalAdvance(QLatin1Char(' '));
    QHeaderView *columns = m_view->horizontalHeader();
    columns->setMinimumSectionSize(text.horizontalAdvance(QStringLiteral("00")));
    // The widths come from the texts as the language in use words them, never from a sample
    // in one language: "接收" is two characters, "Received" eight.
    const auto widest = [&](int column, const QFontMetrics &metrics, const QStringList &samples) {
        int w = columns->sectionSizeHint(column);
        for (const QString &sample : samples)
            w = std::max(w, metrics.horizontalAdvance(sample) + margin);
        return w;
    };
    TrafficLine midnight;
    midnight.time = QTime(0, 0);
    QStringList directions;
    for (auto d : {TrafficLine::Direction::Sent, TrafficLine::Direction::Received,
                   TrafficLine::Direction::Discarded, TrafficLine::Direction::Echo,
                   TrafficLine::Direction::Late})
        directions.append(TrafficLine::directionText(d));
    // The bytes of a weight read, the 8-byte request and the 9-byte reply, show whole where
    // there is room; a parameter group's longer reply is cut, its tooltip has every byte. Where
    // the panel is narrow the bytes keep at least the address, the function and the two bytes
    // after it (a request's start register, a reply's byte count and first data byte).
    const QByteArray weightReply(replyLength(2), '\0');
    TrafficLine cut;
    cut.bytes = QByteArray(4, '\0');
    cut.byteCount = weightReply.size();
    // A request for a group of registers, a reply with its byte count, an exception.
    const QStringList decodings = {
        requestDecoding(requestFrame(1, 0, 28)),
        replyDecoding(QByteArray::fromHex("01033800")),
        replyDecoding(QByteArray::fromHex("018302")),
    };
    m_view->setColumnWidth(TrafficModel::TimeColumn,
                           widest(TrafficModel::TimeColumn, text, {midnight.timeText()}));
    m_view->setColumnWidth(TrafficModel::DirectionColumn,
                           widest(TrafficModel::DirectionColumn, text, directions));
    m_bytesWidth = widest(TrafficModel::BytesColumn, hex, {hexBytes(weightReply)});
    m_bytesMinimum = widest(TrafficModel::BytesColumn, hex, {cut.bytesText()});
    m_view->setColumnWidth(TrafficModel::DecodingColumn,
                           widest(TrafficModel::DecodingColumn, text, decodings));
    m_view->setColumnWidth(
        TrafficModel::ReplyTimeColumn,
        widest(TrafficModel::ReplyTimeColumn, text, {millisecondsText(std::chrono::seconds(1))}));
    // The result takes the room left, never less than an everyday outcome of a read.
    QStringList everyday;
    for (auto status : {ReplyStatus::Ok, ReplyStatus::NoReply, ReplyStatus::CrcError})
        everyday.append(replyText({status}));
    m_resultMinimum = widest(TrafficModel::ResultColumn, text, everyday);
    fitColumns();
}

void TrafficMonitor::fitColumns()
{
    const QScopedValueRollback<bool> fitting(m_fitting, true);
    int room = m_view->viewport()->width();
    for (int column = 0; column < TrafficModel::ColumnCount; ++column) {
        if (column != TrafficModel::BytesColumn && column != TrafficModel::ResultColumn)
            room -= m_view->columnWidth(column);
    }
    // What is left beyond the two minimums goes to the bytes first, up to their own width, then
    // to the result. Below the minimums the table scrolls sideways.
    const int bytes =
        std::clamp(room - m_resultMinimum, m_bytesMinimum, std::max(m_bytesMinimum, m_bytesWidth));
    m_view->setColumnWidth(TrafficModel::BytesColumn, bytes);
    m_view->setColumnWidth(TrafficModel::ResultColumn, std::max(m_resultMinimum, room - bytes));
}

void TrafficMonitor::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        applyMetrics();
}

int TrafficMonitor::capacity() const
{
    return m_model->capacity();
}

void TrafficMonitor::setCapacity(int lines)
{
    m_model->setCapacity(lines);
    showState();
}

void TrafficMonitor::setPaused(bool paused)
{
    if (paused == m_paused)
        return;
    m_paused = paused;
    m_skipped = 0;
    {
        const QSignalBlocker block(m_pause);
        m_pause->setChecked(paused);
    }
    m_pause->setText(paused ? tr("继续") : tr("暂停"));
    showState();
}

void TrafficMonitor::clear()
{
    m_model->clear();
    m_skipped = 0;
    showState();
}

void TrafficMonitor::add(const TrafficLine &line)
{
    if (m_paused) {
        // A stream nobody asked for counts as one frame a burst here too.
        const bool sameBurst = line.unrequested() && m_skippedStream.isValid() &&
                               m_skippedStream.elapsed() < TrafficModel::kBurstMs;
        if (!sameBurst) {
            ++m_skipped;
            showState();
        }
        if (line.unrequested() && !sameBurst)
            m_skippedStream.start();
        return;
    }
    // Follow the newest line unless the operator has scrolled up to read an older one.
    const QScrollBar *bar = m_view->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    if (!m_model->append(line))
        return; // summed up on the last line: nothing moves
    if (following)
        m_view->scrollToBottom();
    showState();
}

void TrafficMonitor::addResult(const ReadResult &result, LineKind kind)
{
    // What the line put before the reply comes first, each as what it is: the adapter's echo
    // (the request as it went out), then the stray bytes that were skipped.
    const QTime time = m_clock();
    if (result.echoed > 0)
        add(TrafficLine::echo(time, m_lastSent.left(result.echoed)));
    if (!result.skipped.isEmpty())
        add(TrafficLine::skipped(time, result.skipped));
    add(TrafficLine::received(time, result, kind));
}

void TrafficMonitor::showState()
{
    if (m_paused) {
        m_state->setText(tr("已暂停，跳过 %1 帧").arg(m_skipped));
        return;
    }
    m_state->setText(tr("%1 行（最多 %2）").arg(m_model->rowCount()).arg(capacity()));
}

QString TrafficMonitor::selectedText() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_view->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QString text;
    for (int row : std::as_const(rows))
        text += m_model->line(row).tabSeparated() + QLatin1Char('\n');
    return text;
}

void TrafficMonitor::copySelection()
{
    const QString text = selectedText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

bool TrafficMonitor::eventFilter(QObject *watched, QEvent *event)
{
    // The panel is docked beside the window, tabbed or floating: whatever its width, the bytes
    // and the result share what the other columns leave.
    if (watched == m_view->viewport() && event->type() == QEvent::Resize)
        fitColumns();
    // The table's own Ctrl+C copies one cell; here it copies the selected lines whole.
    if (watched == m_view && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        copySelection();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
