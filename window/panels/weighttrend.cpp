// SPDX-License-Identifier: MIT
// The weight trend: Qt Charts line segments over a sliding time window.
#include "weighttrend.h"

#include "weightreading.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

namespace {

const QColor kLineColour(0xC0, 0x00, 0x00); // the weight display's red
// Under the red line where the weight was at rest: a broad, pale green band.
const QColor kStableColour(0x40, 0xB0, 0x40, 0x90);

// The times of day under the chart: to the second where two of them fit, else to the minute.
const QStringList kTimeFormats = {QStringLiteral("hh:mm:ss"), QStringLiteral("hh:mm")};
// What Qt Charts keeps clear on either side of an axis label.
constexpr qreal kLabelPadding = 4;

// Digits after the point on the weight axis: as shown, within what a label can hold.
constexpr int kMaxAxisDecimals = 6;

QString statText(const QString &caption, const std::optional<TrendPoint> &point)
{
    return QStringLiteral("%1 %2").arg(caption, point ? point->text() : QStringLiteral("—"));
}

QString spanText(std::chrono::milliseconds window)
{
    const qint64 s = std::chrono::duration_cast<std::chrono::seconds>(window).count();
    if (s >= 60 && s % 60 == 0)
        return WeightTrend::tr("近 %1 分钟").arg(s / 60);
    return WeightTrend::tr("近 %1 秒").arg(s);
}

} // namespace

WeightTrend::WeightTrend(QWidget *parent)
    : QWidget(parent), m_chart(new QChart), m_view(new QChartView(m_chart, this)),
      m_timeAxis(new QDateTimeAxis(m_chart)), m_weightAxis(new QValueAxis(m_chart)),
      m_min(new QLabel(this)), m_max(new QLabel(this)), m_last(new QLabel(this)),
      m_span(new QLabel(this)), m_settle(new QLabel(this))
{
    setObjectName(QStringLiteral("weightTrend"));
    m_min->setObjectName(QStringLiteral("trendMin"));
    m_max->setObjectName(QStringLiteral("trendMax"));
    m_last->setObjectName(QStringLiteral("trendLast"));
    m_span->setObjectName(QStringLiteral("trendSpan"));
    m_settle->setObjectName(QStringLiteral("trendSettle"));
    m_view->setObjectName(QStringLiteral("trendChart"));

    m_chart->legend()->hide();
    m_chart->setBackgroundRoundness(0);
    m_chart->setMargins(QMargins(2, 2, 2, 2));
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->setLocalizeNumbers(false);
    m_timeAxis->setFormat(kTimeFormats[0]);
    m_weightAxis->setTickCount(5);
    for (QAbstractAxis *axis :
         {static_cast<QAbstractAxis *>(m_timeAxis), static_cast<QAbstractAxis *>(m_weightAxis)}) {
        axis->setLabelsFont(font());
        QPen grid = axis->gridLinePen();
        grid.setColor(QColor(0xDD, 0xDD, 0xDD));
        axis->setGridLinePen(grid);
    }
    m_chart->addAxis(m_timeAxis, Qt::AlignBottom);
    // The chart is as wide as the dock it is in: beside the window, tabbed or floating.
    connect(m_chart, &QChart::plotAreaChanged, this, [this] { fitTimeAxis(); });
    m_chart->addAxis(m_weightAxis, Qt::AlignLeft);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumSize(320, 180);

    auto *labels = new QHBoxLayout;
    labels->setContentsMargins(6, 0, 6, 0);
    labels->setSpacing(16);
    labels->addWidget(m_min);
    labels->addWidget(m_max);
    labels->addWidget(m_last);
    labels->addWidget(m_settle);
    labels->addStretch(1);
    labels->addWidget(m_span);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 4, 2, 2);
    layout->setSpacing(2);
    layout->addLayout(labels);
    layout->addWidget(m_view, 1);

    refresh();
}

void WeightTrend::addReading(const QDateTime &time, const WeightReading &reading)
{
    m_series.add(time, reading);
    if (!reading.ok())
        m_settle->clear();
    else if (reading.stable && reading.settleTime)
        m_settle->setText(
            WeightTrend::tr("稳定（%1 s）")
                .arg(std::chrono::duration<double>(*reading.settleTime).count(), 0, 'f', 1));
    else
        m_settle->setText(WeightTrend::tr("未稳定"));
    refresh();
}

QString WeightTrend::settleText() const
{
    return m_settle->text();
}

void WeightTrend::clear()
{
    m_series.clear();
    m_settle->clear();
    refresh();
}

void WeightTrend::setWindow(std::chrono::milliseconds window)
{
    m_series.setWindow(window);
    refresh();
    fitTimeAxis();
}

void WeightTrend::fitTimeAxis()
{
    // Qt Charts gives each label the width between two ticks less kLabelPadding on either side
    // and cuts a longer one to "...": the ticks are as many as the labels fit, with a gap
    // between them. A chart too narrow for two whole times of day gets hours and minutes.
    const qreal room = m_chart->plotArea().width();
    if (room <= 0)
        return;
    const QFontMetricsF metrics(m_timeAxis->labelsFont());
    const QDateTime sample = m_timeAxis->max();
    QString format;
    qreal label = 0;
    for (const QString &f : kTimeFormats) {
        format = f;
        label = metrics.horizontalAdvance(sample.toString(f)) + 2 * kLabelPadding +
                metrics.horizontalAdvance(QStringLiteral("00"));
        if (room >= 2 * label)
            break;
    }
    const int ticks = timeTickCount(m_series.window(), room, label);
    if (format != m_timeAxis->format())
        m_timeAxis->setFormat(format);
    if (ticks != m_timeAxis->tickCount())
        m_timeAxis->setTickCount(ticks);
}

QString WeightTrend::minText() const
{
    return m_min->text();
}

QString WeightTrend::maxText() const
{
    return m_max->text();
}

QString WeightTrend::lastText() const
{
    return m_last->text();
}

void WeightTrend::refresh()
{
    // Qt Charts draws no break in one series, so each run between gaps is a series of its
    // own, all drawn alike. A run of one reading shows as a dot. The stable stretches go first,
    // so that the red line is drawn over their band.
    QPen band(kStableColour);
    band.setWidthF(7);
    showRuns(m_stableLines, m_series.stableStretches(), band);
    QPen pen(kLineColour);
    pen.setWidthF(1.5);
    showRuns(m_lines, m_series.segments(), pen);

    const TrendStats s = m_series.stats();
    m_min->setText(statText(WeightTrend::tr("最小"), s.min));
    m_max->setText(statText(WeightTrend::tr("最大"), s.max));
    m_last->setText(m_series.endsInGap()
                        ? QStringLiteral("%1 %2").arg(WeightTrend::tr("最新"), noDataText())
                        : statText(WeightTrend::tr("最新"), s.last));
    m_span->setText(spanText(m_series.window()));
    showAxes();
}

void WeightTrend::showRuns(QList<QLineSeries *> &lines, const QList<QList<QPointF>> &runs,
                           const QPen &pen)
{
    while (lines.size() > runs.size()) {
        QLineSeries *line = lines.takeLast();
        m_chart->removeSeries(line);
        delete line;
    }
    while (lines.size() < runs.size()) {
        auto *line = new QLineSeries(m_chart);
        line->setPen(pen);
        line->setColor(pen.color());
        line->setMarkerSize(4);
        m_chart->addSeries(line);
        line->attachAxis(m_timeAxis);
        line->attachAxis(m_weightAxis);
        lines.append(line);
    }
    for (qsizetype i = 0; i < runs.size(); ++i) {
        lines[i]->replace(runs[i]);
        lines[i]->setPointsVisible(runs[i].size() == 1);
    }
}

void WeightTrend::showAxes()
{
    const qint64 end = m_series.newest().value_or(QDateTime::currentMSecsSinceEpoch());
    m_timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(end - m_series.window().count()),
                         QDateTime::fromMSecsSinceEpoch(end));

    const TrendStats s = m_series.stats();
    const int decimals = std::min(m_series.decimals(), kMaxAxisDecimals);
    double low = s.min ? s.min->value : 0;
    double high = s.max ? s.max->value : 1;
    // Room above and below the line; a flat line gets the room of a few display steps.
    const double step = std::pow(10.0, -decimals);
    const double pad = high > low ? (high - low) * 0.1 : std::max(step * 5, std::abs(high) * 0.001);
    low -= pad;
    high += pad;
    m_weightAxis->setRange(low, high);
    m_weightAxis->applyNiceNumbers();
    // Nice ticks may fall between the display's steps: one digit more than shown then.
    const double tick =
        (m_weightAxis->max() - m_weightAxis->min()) / std::max(1, m_weightAxis->tickCount() - 1);
    int labelDecimals = decimals;
    while (labelDecimals < kMaxAxisDecimals &&
           std::abs(tick * std::pow(10.0, labelDecimals) -
                    std::round(tick * std::pow(10.0, labelDecimals))) > 1e-6)
        ++labelDecimals;
    m_weightAxis->setLabelFormat(QStringLiteral("%.%1f").arg(labelDecimals));
}
