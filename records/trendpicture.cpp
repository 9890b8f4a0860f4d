// SPDX-License-Identifier: MIT
// The weight trend as a picture for the report.
#include "trendpicture.h"

#include "reportfonts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kTicks = 5;

// A step of 1, 2 or 5 times a power of ten that cuts `span` into about `parts`.
double niceStep(double span, int parts)
{
    if (span <= 0)
        return 1;
    const double raw = span / parts;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= raw)
            return m * power;
    }
    return 10 * power;
}

// The step between time labels, in milliseconds: whole seconds or minutes, about kTicks across.
double timeStep(double spanMs)
{
    for (double seconds : {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600}) {
        if (spanMs / (seconds * 1000) <= kTicks)
            return seconds * 1000;
    }
    return 7200 * 1000.0;
}

} // namespace

QImage drawTrend(const TrendSeries &series, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Text in proportion to the picture, so that it prints at about the size of the report's own.
    QFont font = reportFont();
    font.setPixelSize(std::max(10, size.height() / 18));
    p.setFont(font);
    const QFontMetrics metrics(font);

    const QList<QList<QPointF>> runs = series.segments();
    if (runs.isEmpty()) {
        p.setPen(Qt::darkGray);
        p.drawText(image.rect(), Qt::AlignCenter,
                   QCoreApplication::translate("TrendPicture", "没有读到毛重，无趋势"));
        return image;
    }

    double low = runs.first().first().y();
    double high = low;
    double first = runs.first().first().x();
    double last = first;
    for (const QList<QPointF> &run : runs) {
        for (const QPointF &pt : run) {
            low = std::min(low, pt.y());
            high = std::max(high, pt.y());
            first = std::min(first, pt.x());
            last = std::max(last, pt.x());
        }
    }
    // A steady weight still gets a band to stand in, not a line along the frame.
    const int decimals = series.decimals();
    const double unit = std::pow(10.0, -decimals);
    if (high - low < 4 * unit) {
        low -= 2 * unit;
        high += 2 * unit;
    }
    const double step = niceStep(high - low, kTicks);
    low = std::floor(low / step) * step;
    high = std::ceil(high / step) * step;
    if (last - first < 1000)
        last = first + 1000;

    const int labels = std::max(metrics.horizontalAdvance(QString::number(low, 'f', decimals)),
                                metrics.horizontalAdvance(QString::number(high, 'f', decimals)));
    const int left = labels + metrics.height();
    const int bottom = 2 * metrics.height();
    const QRectF plot(left, metrics.height(), size.width() - left - metrics.height(),
                      size.height() - bottom - metrics.height());
    const auto at = [&](const QPointF &pt) {
        return QPointF(plot.left() + (pt.x() - first) / (last - first) * plot.width(),
                       plot.bottom() - (pt.y() - low) / (high - low) * plot.height());
    };

    // Weight axis: grid lines at the steps, labelled with the weight's own decimals.
    const QPen grid(QColor(220, 220, 220), 1);
    const QPen axis(Qt::black, 1);
    for (double v = low; v <= high + step / 2; v += step) {
        const double y = at({first, v}).y();
        p.setPen(grid);
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(axis);
        const QRectF label(0, y - metrics.height() / 2.0, left - metrics.height() / 2.0,
                           metrics.height());
        p.drawText(label, Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'f', decimals));
    }
    // Time axis: the time of day at whole seconds, minutes ... a few of them across.
    const double tick = timeStep(last - first);
    for (double t = std::ceil(first / tick) * tick; t <= last; t += tick) {
        const double x = at({t, low}).x();
        p.setPen(grid);
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        p.setPen(axis);
        const QString text =
            QDateTime::fromMSecsSinceEpoch(qint64(t)).toString(QStringLiteral("HH:mm:ss"));
        const double w = metrics.horizontalAdvance(text);
        const double lx = std::clamp(x - w / 2, 0.0, double(size.width()) - w);
        p.drawText(QPointF(lx, plot.bottom() + metrics.height() * 1.2), text);
    }
    p.setPen(axis);
    p.drawRect(plot);

    // The weights, red as the window shows them; a gap stays a gap.
    p.setClipRect(plot.adjusted(-1, -1, 1, 1));
    p.setPen(QPen(QColor(200, 0, 0), std::max(2, size.height() / 220)));
    for (const QList<QPointF> &run : runs) {
        if (run.size() == 1) {
            p.drawEllipse(at(run.first()), 2, 2);
            continue;
        }
        QPainterPath path(at(run.first()));
        for (int i = 1; i < run.size(); ++i)
            path.lineTo(at(run.at(i)));
        p.drawPath(path);
    }
    return image;
}
