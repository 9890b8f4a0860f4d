// SPDX-License-Identifier: MIT
// The faces the report is set in.
#include "reportfonts.h"

#include <QStringList>

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
