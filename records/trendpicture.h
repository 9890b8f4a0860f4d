// SPDX-License-Identifier: MIT
// The weight trend as a picture for the report: the readings of a TrendSeries drawn with
// QPainter, the same in the window's report and in the command line's, which has no chart.
#pragma once

#include "trendseries.h"

#include <QImage>
#include <QSize>

// The series as a line chart on white: weight up, time of day along, a line broken where no
// weight came; `size` in pixels. A series without a weight gives a picture that says so.
QImage drawTrend(const TrendSeries &series, QSize size);
