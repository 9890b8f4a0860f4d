// SPDX-License-Identifier: MIT
// The faces the report is set in: a CJK face that Debian ships (fonts-wqy-microhei), so the
// Chinese text is drawn, embedded in the PDF and printed, not boxes in its place.
#pragma once

#include <QFont>

// The report's text face at `points` (WenQuanYi Micro Hei, other CJK faces after it).
QFont reportFont(qreal points = 10);
// The same family list for HTML and CSS: "'WenQuanYi Micro Hei', 'Noto Sans CJK SC', ...".
QString reportFontFamilies();
// A fixed-pitch face for the frames' hex bytes, with CJK for their Chinese decoding.
QString reportMonoFamilies();
