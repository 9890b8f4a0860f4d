// SPDX-License-Identifier: MIT
// The faces the report is set in: a CJK face that Debian ships (fonts-wqy-microhei), so the
// Chinese text is drawn, embedded in the PDF and printed, not boxes in its place.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QString>

class QTextDocument;

// The report's text face at `points` (WenQuanYi Micro Hei, other CJK faces after it).
QFont reportFont(qreal points = 10);
// The same family list for HTML and CSS: "'WenQuanYi Micro Hei', 'Noto Sans CJK SC', ...".
QString reportFontFamilies();
// A fixed-pitch face for the frames' hex bytes, with CJK for their Chinese decoding.
QString reportMonoFamilies();

// `document` (its face, HTML and resources set) laid out on A4 and printed to a PDF in memory,
// titled `title` and made by scalecheck `version`. print() lays it out for the page: the
// margins, the page numbers at the foot, tables broken between rows with their header row
// repeated.
QByteArray a4Pdf(QTextDocument &document, const QString &title, const QString &version);
