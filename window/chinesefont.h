// SPDX-License-Identifier: MIT
// The window's captions are Chinese. A Windows without East Asian fonts would draw them as
// empty boxes, so a font that has them is looked for and, failing that, the one packed beside
// the program (fonts/ next to it) is taken.
#pragma once

#include <QString>

enum class ChineseFont {
    System,  // the system has a font with Simplified Chinese
    Bundled, // none there; the packed font was loaded
    Missing, // none there and none packed: the captions cannot be drawn
};

// Loads every .ttf/.ttc/.otf in fontsDir when the system has no Simplified Chinese font.
ChineseFont ensureChineseFont(const QString &fontsDir);
