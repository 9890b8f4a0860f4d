// SPDX-License-Identifier: MIT
// For widget tests that measure texts: the font with Chinese the window is drawn in. Where the
// system has none the window takes the one packed in fonts/ beside it (ensureChineseFont); the
// tests take the same face from the fonts/ the build stages beside them (SCALECHECK_TEST_FONTS).
// A system with its own, as Linux here, keeps it; the offscreen platform on Windows has no
// fonts at all.
#pragma once

#include "chinesefont.h"

#include <QString>

// Before the first widget. Says where the Chinese came from: Missing when nowhere.
inline ChineseFont useWindowFonts()
{
    return ensureChineseFont(QStringLiteral(SCALECHECK_TEST_FONTS));
}
