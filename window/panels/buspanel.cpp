// SPDX-License-Identifier: MIT
// The bus view: the scan's controls over the table of instruments found.
#include "buspanel.h"

#include "causetext.h"
#include "port.h"

#include <QDialog>
#include <QFileDialog>
#include <QTableWidget>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The instruments' addresses; the window's own list goes to 128, the line to 247.
constexpr int kLastAddress = 247;
constexpr int kDefaultLastAddress = 128;
constexpr int kMaxTurnaroundMs = 1000;

QSpinBox *spinBox(const char *name, int low, int high, int value, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(low, high);
    box->setValue(value);
    return box;
}

} // namespace

BusPanel::BusPanel(RequestQueue *queue, Port *port, QWidget *parent)
    : BusPanel(queue, port, Clock::eventLoop(), parent)
{
}

BusPanel::BusPanel(RequestQueue *queue, Port *port, Clock &clock, QWidget *parent)
    : QWidget(parent), m_port(port), m_model(new BusModel(queue, port, clock, this)),
      m_from(spinBox("busFrom", 1, kLastAddress, 1, this)),
      m_to(spinBox("busTo", 1, kLastAddress, kDefaultLastAddress, this)),
      m_turnaround(spinBox("busTurnaround", 0, kMaxTurnaroundMs,
                           int(BusScan::kDefaultTurnaround.count()), this)),
      m_lineNote(new QLabel(this)), m_scan(new QPushButton(tr("扫描"), this)),
      m_stop(new QPushButton(tr("停止"), this)), m_poll(new QCheckBox(tr("轮询"), this)),
      m_compare(new QPushButton(tr("与参考比较"), this)),
      m_progress(new QProgressBar(this)), m_state(new QLabel(this)),
      m_scanFigures(new QLabel(this)), m_pollFigures(new QLabel(this)),
      m_view(new QTableView(this)), m_finder(new SettingsFinder(queue, port, clock, this)),
      m_find(new QPushButton(tr("查找设置"), this)), m_foundText(new QLabel(this)),
      m_take(new QPushButton(tr("采用"), this))
{
    setObjectName(QStringLiteral("busPanel"));
    m_turnaround->setSuffix(QStringLiteral(" ms"));
    m_turnaround->setToolTip(tr("仪表收到请求后开始应答所需的时间，含 USB 适配器延迟"));
    m_scan->setObjectName(QStringLiteral("busScan"));
    m_stop->setObjectName(QStringLiteral("busStop"));
    m_stop->setEnabled(false);
    m_poll->setObjectName(QStringLiteral("busPoll"));
    m_poll->setToolTip(tr("依次读取列表中各仪表的重量；窗口自己的读取优先"));
    m_compare->setObjectName(QStringLiteral("busCompare"));
    m_compare->setToolTip(tr("依次读取列表中各仪表的 35 个参数，与参考文件比较；双击“与参考”一栏查看不同之处"));
    m_lineNote->setObjectName(QStringLiteral("busLineNote"));
    m_find->setObjectName(QStringLiteral("busFind"));
    m_find->setToolTip(tr("地址、波特率和校验位都不知道时：先试窗口的设置，再试常用设置，"
                          "找到第一台应答的仪表即停"));
    m_foundText->setObjectName(QStringLiteral("busFound"));
    m_foundText->setWordWrap(true);
    m_take->setObjectName(QStringLiteral("busTakeFound"));
    m_take->setToolTip(tr("窗口即按找到的地址和波特率读取"));
    m_take->setEnabled(false);
    m_progress->setObjectName(QStringLiteral("busProgress"));
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    m_state->setObjectName(QStringLiteral("busState"));
    m_scanFigures->setObjectName(QStringLiteral("busScanFigures"));
    m_pollFigures->setObjectName(QStringLiteral("busPollFigures"));
    const QString apart = tr("扫描和轮询单独计数，不计入状态栏的计数、应答用时和报告的统计");
    m_scanFigures->setToolTip(apart);
    m_pollFigures->setToolTip(apart);

    m_view->setObjectName(QStringLiteral("busView"));
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setAlternatingRowColors(true);
    m_view->setWordWrap(false);
    m_view->verticalHeader()->setVisible(false);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setToolTip(tr("双击一台仪表，窗口即按它的地址和波特率读取"));

    auto *range = new QHBoxLayout;
    range->addWidget(new QLabel(tr("地址"), this));
    range->addWidget(m_from);
    range->addWidget(new QLabel(tr("至"), this));
    range->addWidget(m_to);
    range->addSpacing(12);
    range->addWidget(new QLabel(tr("应答延时"), this));
    range->addWidget(m_turnaround);
    range->addSpacing(12);
    range->addWidget(m_scan);
    range->addWidget(m_stop);
    range->addSpacing(12);
    range->addWidget(m_poll);
    range->addStretch(1);

    auto *rates = new QHBoxLayout;
    rates->addWidget(new QLabel(tr("波特率"), this));
    for (qint32 rate : BusScan::standardRates() + BusScan::fastRates()) {
        auto *box = new QCheckBox(QString::number(rate), this);
        box->setObjectName(QStringLiteral("busRate%1").arg(rate));
        box->setChecked(BusScan::standardRates().contains(rate));
        rates->addWidget(box);
        m_rates.insert(rate, box);
    }
    rates->addWidget(m_lineNote);
    rates->addStretch(1);

    // The search for unknown settings, and what it found; after a scan, the instruments found
    // against a reference parameter set.
    auto *find = new QHBoxLayout;
    find->addWidget(m_find);
    find->addWidget(m_foundText, 1);
    find->addWidget(m_take);
    find->addWidget(m_compare);

    auto *progress = new QHBoxLayout;
    progress->addWidget(m_progress, 1);
    progress->addWidget(m_state, 1);

    // The sentences under the controls wrap rather than widen the panel: beside the window it
    // has the room a laptop's screen leaves, and no more.
    for (QLabel *said : {m_state, m_lineNote, m_foundText, m_scanFigures, m_pollFigures})
        said->setWordWrap(true);
    auto *figures = new QVBoxLayout;
    figures->setSpacing(0);
    figures->addWidget(m_scanFigures);
    figures->addWidget(m_pollFigures);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addLayout(range);
    layout->addLayout(rates);
    layout->addLayout(find);
    layout->addLayout(progress);
    layout->addLayout(figures);
    layout->addWidget(m_view, 1);

    connect(m_scan, &QPushButton::clicked, this, &BusPanel::startScan);
    connect(m_stop, &QPushButton::clicked, this, &BusPanel::stopClicked);
    connect(m_find, &QPushButton::clicked, this, &BusPanel::startFind);
    connect(m_take, &QPushButton::clicked, this, &BusPanel::takeFound);
    connect(m_finder, &SettingsFinder::progress, this, [this](int asked, int total) {
        showProgress(asked, total);
        m_state->setText(tr("正在查找设置：已试 %1 / %2").arg(asked).arg(total));
    });
    connect(m_finder, &SettingsFinder::found, this, &BusPanel::showFound);
    connect(m_finder, &SettingsFinder::notFound, this, [this] {
        showFinding(false);
        m_state->setText(tr("未找到仪表：%1 种设置都没有应答").arg(m_finder->asked()));
    });
    connect(m_finder, &SettingsFinder::portClosed, this, [this] {
        showFinding(false);
        m_state->setText(tr("端口已关闭，查找中止"));
    });
    connect(m_poll, &QCheckBox::toggled, m_model, &BusModel::setPolling);
    connect(m_view, &QTableView::doubleClicked, this, &BusPanel::choose);
    connect(m_model, &BusModel::scanningChanged, this, &BusPanel::showScanning);
    connect(m_model, &BusModel::progress, this, &BusPanel::showProgress);
    connect(m_model, &BusModel::stateChanged, m_state, &QLabel::setText);
    connect(m_model, &BusModel::figuresChanged, this, &BusPanel::showFigures);
    connect(m_compare, &QPushButton::clicked, this, &BusPanel::compareClicked);
    connect(m_model, &BusModel::comparingChanged, m_compare, &QWidget::setDisabled);
    showLine();
    showFigures();
}

BusScan::Plan BusPanel::plan() const
{
    BusScan::Plan p;
    p.from = quint8(std::min(m_from->value(), m_to->value()));
    p.to = quint8(std::max(m_from->value(), m_to->value()));
    p.turnaround = std::chrono::milliseconds(m_turnaround->value());
    p.rates.clear();
    for (auto it = m_rates.cbegin(); it != m_rates.cend(); ++it) {
        if (it.value()->isChecked())
            p.rates.append(it.key());
    }
    // Likeliest first: the factory rates before the fast ones, the faster of those first.
    const QList<qint32> order = BusScan::standardRates() + BusScan::fastRates();
    std::sort(p.rates.begin(), p.rates.end(),
              [&order](qint32 a, qint32 b) { return order.indexOf(a) < order.indexOf(b); });
    return p;
}

SettingsFinder::Plan BusPanel::findPlan() const
{
    SettingsFinder::Plan p;
    const std::optional<quint8> address = m_windowAddress ? m_windowAddress() : std::nullopt;
    p.address = address.value_or(1);
    p.settings = m_port->lineSettings();
    p.seenAddresses = m_model->instrumentAddresses();
    p.turnaround = std::chrono::milliseconds(m_turnaround->value());
    return p;
}

void BusPanel::setWindowAddress(std::function<std::optional<quint8>()> address)
{
    m_windowAddress = std::move(address);
}

void BusPanel::startFind()
{
    showLine();
    if (!m_port->isOpen()) {
        m_state->setText(tr("请先打开端口"));
        return;
    }
    if (!m_finder->start(findPlan())) {
        // The search stopped last still waits for the answer to its last question.
        m_state->setText(tr("上一次查找正在结束，请稍候再试"));
        return;
    }
    m_found.reset();
    m_foundText->clear();
    m_take->setEnabled(false);
    showFinding(true);
}

void BusPanel::stopClicked()
{
    if (m_finder->isRunning()) {
        m_finder->stop();
        showFinding(false);
        m_state->setText(tr("已停止查找"));
        return;
    }
    m_model->stopScan();
}

void BusPanel::showFinding(bool finding)
{
    m_find->setEnabled(!finding);
    m_scan->setEnabled(!finding);
    m_stop->setEnabled(finding);
}

void BusPanel::showFound(const FoundSettings &found)
{
    showFinding(false);
    m_found = found;
    QString text =
        tr("找到仪表：地址 %1，%2").arg(found.address).arg(settingsName(found.baud, found.framing));
    if (found.replyTime)
        text += tr("，应答用时 %1 ms")
                    .arg(std::chrono::duration<double, std::milli>(*found.replyTime).count(), 0,
                         'f', 1);
    if (!found.check.ok())
        text += tr("（%1）").arg(replyText(found.check));
    // The window speaks only its own parity and stop bits: the instrument is to change its.
    const CharFraming own = CharFraming::of(m_port->lineSettings());
    if (found.baud > 0 && found.framing != own) {
        Cause framing;
        framing.advice.kind = Advice::Kind::SetInstrumentFraming;
        framing.advice.framing = own;
        text += tr("；%1").arg(adviceText(framing, Speaker::Window));
    }
    m_foundText->setText(text);
    m_take->setEnabled(true);
    m_state->setText(tr("查找完成：试了 %1 种设置").arg(m_finder->asked()));
}

void BusPanel::takeFound()
{
    if (m_found)
        emit instrumentChosen(m_found->address, m_found->baud);
}

void BusPanel::startScan()
{
    showLine();
    const BusScan::Plan p = plan();
    if (m_model->scan()->ratesToSweep(p).isEmpty()) {
        m_state->setText(tr("请至少选择一个波特率"));
        return;
    }
    m_model->startScan(p);
}

void BusPanel::showScanning(bool scanning)
{
    m_scan->setEnabled(!scanning);
    m_find->setEnabled(!scanning);
    m_stop->setEnabled(scanning);
}

void BusPanel::showProgress(int done, int total)
{
    m_progress->setRange(0, std::max(total, 1));
    m_progress->setValue(done);
}

void BusPanel::showLine()
{
    // Behind a converter the rate is the converter's: the probes carry none.
    const bool network = m_port->lineKind() != LineKind::Serial;
    for (QCheckBox *box : std::as_const(m_rates))
        box->setEnabled(!network);
    m_lineNote->setText(network ? tr("网络线路：按转换器的波特率扫描") : QString());
}

void BusPanel::showFigures()
{
    m_scanFigures->setText(m_model->scanFiguresText());
    // The polls' line appears once the bus view has read an instrument it lists.
    m_pollFigures->setText(m_model->pollFiguresText());
    m_pollFigures->setVisible(m_model->pollCounters().sent > 0);
}

void BusPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    showLine();
}

void BusPanel::choose(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const BusModel::Row &row = m_model->row(index.row());
    // The comparison's cell opens what differs; the rest of the row chooses the instrument.
    if (index.column() == BusModel::ReferenceColumn && row.comparison) {
        showDifferences(index.row());
        return;
    }
    if (row.instrument)
        emit instrumentChosen(row.address, row.baud);
}

void BusPanel::setReference(const ReferenceSet &reference)
{
    m_reference = reference;
}

bool BusPanel::compareWithFile(const QString &path)
{
    const ReferenceLoad load = ReferenceSet::load(path);
    if (!load.set) {
        m_state->setText(referenceErrorText(*load.error));
        return false;
    }
    m_reference = load.set;
    return m_model->compareWith(*m_reference);
}

void BusPanel::compareClicked()
{
    if (m_reference) {
        m_model->compareWith(*m_reference);
        return;
    }
    const QString path = QFileDialog::getOpenFileName(this, tr("选择参考文件"), QString(),
                                                      tr("参考文件 (*.json)"));
    if (!path.isEmpty())
        compareWithFile(path);
}

void BusPanel::showDifferences(int r)
{
    const BusModel::Row &row = m_model->row(r);
    // One window at a time, showing the instrument last asked for.
    if (!m_differences) {
        m_differences = new QDialog(this);
        m_differences->setObjectName(QStringLiteral("busDifferences"));
        m_differencesTable = new QTableWidget(m_differences);
        m_differencesTable->setObjectName(QStringLiteral("busDifferencesTable"));
        m_differencesTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_differencesTable->verticalHeader()->setVisible(false);
        m_differencesTable->horizontalHeader()->setStretchLastSection(true);
        (new QVBoxLayout(m_differences))->addWidget(m_differencesTable);
        m_differences->resize(420, 320);
    }
    QDialog *dialog = m_differences;
    QTableWidget *table = m_differencesTable;
    dialog->setWindowTitle(tr("地址 %1 与参考的不同").arg(row.address));
    const QList<Difference> deviations = row.comparison->deviations;
    table->clear();
    table->setColumnCount(4);
    table->setHorizontalHeaderLabels({tr("参数"), tr("参考值"), tr("仪表值"), tr("结果")});
    table->setRowCount(int(deviations.size()));
    for (int i = 0; i < deviations.size(); ++i) {
        const Difference &d = deviations.at(i);
        table->setItem(i, 0, new QTableWidgetItem(QLatin1String(d.code)));
        table->setItem(i, 1, new QTableWidgetItem(valueText(d.reference)));
        table->setItem(i, 2, new QTableWidgetItem(d.instrument ? valueText(*d.instrument)
                                                               : QStringLiteral("—")));
        table->setItem(i, 3, new QTableWidgetItem(d.withinTolerance ? tr("容差内") : tr("不同")));
    }
    dialog->show();
    dialog->raise();
}
