// SPDX-License-Identifier: MIT
// The faces the report is set in.
#include "reportfonts.h"

#include <QBuffer>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QStringList>
#include <QTextDocument>

namespace {

const QStringList kFamilies{QStringLiteral("WenQuanYi Micro Hei"),
                            QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Microsoft YaHei"),
                            QStringLiteral("SimSun")};
const QStringList kMonoFamilies{QStringLiteral("WenQuanYi Micro Hei Mono"),
                                QStringLiteral("Noto Sans Mono CJK SC"),
                                QStringLiteral("DejaVu Sans Mono")};

QString cssList(const QStringList &families)
{
    QStringList quoted;
    for (const QString &f : families)
        quoted.append(QLatin1Char('\'') + f + QLatin1Char('\''));
    return quoted.join(QStringLiteral(", "));
}

} // namespace

QFont reportFont(qreal points)
{
    QFont font;
    font.setFamilies(kFamilies);
    font.setPointSizeF(points);
    return font;
}

QString reportFontFamilies()
{
    return cssList(kFamilies) + QStringLiteral(", sans-serif");
}

QString reportMonoFamilies()
{
    return cssList(kMonoFamilies) + QStringLiteral(", monospace");
}

QByteArray a4Pdf(QTextDocument &document, const QString &title, const QString &version)
{
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(300);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("scalecheck ") + version);
        // A few millimetres of the printer's own: with them the text document keeps its 2 cm
        // margins inside, about 22 mm from the edge of the sheet, which every printer reaches.
        writer.setPageMargins(QMarginsF(2, 2, 2, 2), QPageLayout::Millimeter);
        document.print(&writer);
    }
    return pdf;
}
