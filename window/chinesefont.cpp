// SPDX-License-Identifier: MIT
#include "chinesefont.h"

#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>

ChineseFont ensureChineseFont(const QString &fontsDir)
{
    if (!QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
        return ChineseFont::System;
    const QDir dir(fontsDir);
    QStringList families;
    for (const QString &file :
         dir.entryList({QStringLiteral("*.ttf"), QStringLiteral("*.ttc"), QStringLiteral("*.otf")},
                       QDir::Files, QDir::Name)) {
        const int id = QFontDatabase::addApplicationFont(dir.filePath(file));
        if (id >= 0)
            families += QFontDatabase::applicationFontFamilies(id);
    }
    if (families.isEmpty())
        return ChineseFont::Missing;
    // Latin text keeps the system's font; the packed one fills in where it has no glyph.
    QFont font = QGuiApplication::font();
    QStringList chain{font.family()};
    chain += families;
    font.setFamilies(chain);
    QGuiApplication::setFont(font);
    return ChineseFont::Bundled;
}
