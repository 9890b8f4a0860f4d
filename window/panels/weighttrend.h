// SPDX-License-Identifier: MIT
// The weight trend ("趋势图"): a line chart of the weights shown during the last minutes of
// automatic reading, broken where no weight came, with their minimum, maximum and latest value.
#pragma once

#include "trendseries.h"

#include <QWidget>

class QChart;
class QChartView;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QPen;
class QValueAxis;

class WeightTrend : public QWidget
{
    Q_OBJECT

public:
    explicit WeightTrend(QWidget *parent = nullptr);

    // One reading at `time`: a weight is a point; a reading without one breaks the line there.
    void addReading(const QDateTime &time, const WeightReading &reading);
    void clear();

    std::chrono::milliseconds window() const { return m_series.window(); }
    // How far back the chart reaches (TrendSeries::kDefaultWindow unless set).
    void setWindow(std::chrono::milliseconds window);

    const TrendSeries &series() const { return m_series; }
    QList<QList<QPointF>> segments() const { return m_series.segments(); }
    TrendStats stats() const { return m_series.stats(); }
    // The texts beside the chart: "最小 1.00", "最大 1.05", "最新 1.05" ("—" before any weight).
    QString minText() const;
    QString maxText() const;
    QString lastText() const;
    // Whether the latest weight was at rest, with how long its load took to settle:
    // "稳定（1.5 s）", "未稳定"; empty after a reading without a weight.
    QString settleText() const;

    QChart *chart() const { return m_chart; }
    // The line series on the chart now, one per segment.
    QList<QLineSeries *> lines() const { return m_lines; }
    // The stretches where the weight was stable, drawn over the line, one series each.
    QList<QLineSeries *> stableLines() const { return m_stableLines; }

private:
    void refresh();
    // Makes `lines` as many series as `runs`, each drawn with `pen`, and gives them the runs.
    void showRuns(QList<QLineSeries *> &lines, const QList<QList<QPointF>> &runs, const QPen &pen);
    void showAxes();
    // The time axis' ticks and format for the chart's width: every label whole.
    void fitTimeAxis();

    TrendSeries m_series;
    QChart *m_chart;
    QChartView *m_view;
    QDateTimeAxis *m_timeAxis;
    QValueAxis *m_weightAxis;
    QList<QLineSeries *> m_lines;
    QList<QLineSeries *> m_stableLines;
    QLabel *m_min;
    QLabel *m_max;
    QLabel *m_last;
    QLabel *m_span;
    QLabel *m_settle;
};
