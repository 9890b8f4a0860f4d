// SPDX-License-Identifier: MIT
// The bus view: the scan's controls over the table of instruments found.
#include "buspanel.h"

#include "port.h"

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
    : QWidget(parent), m_port(port), m_model(new BusModel(queue, port, this)),
      m_from(spinBox("busFrom", 1, kLastAddress, 1, this)),
      m_to(spinBox("busTo", 1, kLastAddress, kDefaultLastAddress, this)),
      m_turnaround(spinBox("busTurnaround", 0, kMaxTurnaroundMs,
                           int(BusScan::kDefaultTurnaround.count()), this)),
      m_lineNote(new QLabel(this)), m_scan(new QPushButton(tr("扫描"), this)),
      m_stop(new QPushButton(tr("停止"), this)), m_poll(new QCheckBox(tr("轮询"), this)),
      m_progress(new QProgressBar(this)), m_state(new QLabel(this)),
      m_scanFigures(new QLabel(this)), m_pollFigures(new QLabel(this)), m_view(new QTableView(this))
{
    setObjectName(QStringLiteral("busPanel"));
    m_turnaround->setSuffix(QStringLiteral(" ms"));
    m_turnaround->setToolTip(tr("仪表收到请求后开始应答所需的时间，含 USB 适配器延迟"));
    m_scan->setObjectName(QStringLiteral("busScan"));
    m_stop->setObjectName(QStringLiteral("busStop"));
    m_stop->setEnabled(false);
    m_poll->setObjectName(QStringLiteral("busPoll"));
    m_poll->setToolTip(tr("依次读取列表中各仪表的重量；窗口自己的读取优先"));
    m_lineNote->setObjectName(QStringLiteral("busLineNote"));
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

    auto *progress = new QHBoxLayout;
    progress->addWidget(m_progress, 1);
    progress->addWidget(m_state, 1);

    auto *figures = new QHBoxLayout;
    figures->addWidget(m_scanFigures);
    figures->addSpacing(12);
    figures->addWidget(m_pollFigures);
    figures->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addLayout(range);
    layout->addLayout(rates);
    layout->addLayout(progress);
    layout->addLayout(figures);
    layout->addWidget(m_view, 1);

    connect(m_scan, &QPushButton::clicked, this, &BusPanel::startScan);
    connect(m_stop, &QPushButton::clicked, m_model, &BusModel::stopScan);
    connect(m_poll, &QCheckBox::toggled, m_model, &BusModel::setPolling);
    connect(m_view, &QTableView::doubleClicked, this, &BusPanel::choose);
    connect(m_model, &BusModel::scanningChanged, this, &BusPanel::showScanning);
    connect(m_model, &BusModel::progress, this, &BusPanel::showProgress);
    connect(m_model, &BusModel::stateChanged, m_state, &QLabel::setText);
    connect(m_model, &BusModel::figuresChanged, this, &BusPanel::showFigures);
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
    if (row.instrument)
        emit instrumentChosen(row.address, row.baud);
}
