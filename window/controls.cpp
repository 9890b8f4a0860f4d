// SPDX-License-Identifier: MIT
// The main window as data: every control with its container, kind, caption and place in twips.
#include "controls.h"

#include <QCoreApplication>
#include <array>

const QList<ControlEntry> &formControls()
{
    using K = ControlKind;
    static const QList<ControlEntry> controls = {
        {"Frame3", "Form1", K::Frame, QT_TRANSLATE_NOOP("Form1", "毛重显示"), 120, 480, 4215, 3375},
        {"Label4", "Frame3", K::Label, "", 120, 600, 3975, 1215},
        {"Check1", "Frame3", K::CheckBox, QT_TRANSLATE_NOOP("Form1", "自动读取"), 480, 2400, 1575,
         255},
        {"Command2", "Frame3", K::PushButton, QT_TRANSLATE_NOOP("Form1", "读取"), 2520, 2280, 1215,
         495},
        {"Frame2", "Form1", K::Frame, QT_TRANSLATE_NOOP("Form1", "端口设置"), 120, 4200, 4215,
         3255},
        {"Frame1", "Frame2", K::Frame, QT_TRANSLATE_NOOP("Form1", "端口选择"), 240, 360, 3615, 735},
        {"Option1(0)", "Frame1", K::OptionButton, "COM1", 480, 360, 735, 255},
        {"Option1(1)", "Frame1", K::OptionButton, "COM2", 2280, 360, 735, 255},
        {"Label1(0)", "Frame2", K::Label, QT_TRANSLATE_NOOP("Form1", "通讯波特率:"), 240, 1560,
         1215, 255},
        {"Label1(1)", "Frame2", K::Label, QT_TRANSLATE_NOOP("Form1", "仪表地址"), 2160, 1560, 1215,
         255},
        {"Combo2", "Frame2", K::ComboBox, "", 240, 1920, 1335, 300},
        {"Combo1", "Frame2", K::ComboBox, "", 2160, 1920, 1575, 300},
        {"Command1", "Frame2", K::PushButton, QT_TRANSLATE_NOOP("Form1", "打开端口"), 1080, 2520,
         1455, 495},
        {"SSTab1", "Form1", K::TabPanel, "", 4440, 360, 6855, 7095},
    };
    return controls;
}

namespace {

constexpr int kLabelWidth = 855;
constexpr int kBoxWidth = 1335;
constexpr int kRowHeight = 495;
constexpr std::array<int, 2> kLabelLeft = {600, 3600};
constexpr std::array<int, 2> kBoxLeft = {1560, 4560};
// The three pages of 32-bit values have four rows; the communication and time page seven.
constexpr std::array<int, 4> kRowTops = {1080, 1840, 2600, 3360};
constexpr std::array<int, 7> kTimePageRowTops = {960, 1680, 2400, 3120, 3840, 4560, 5280};
constexpr int kTimePage = 3;

int rowTop(int page, int row)
{
    const int i = row - 1;
    if (page == kTimePage)
        return kTimePageRowTops.at(i);
    return kRowTops.at(i);
}

} // namespace

QRect pageLabelRect(int page, int row, int column)
{
    return {kLabelLeft.at(column), rowTop(page, row), kLabelWidth, kRowHeight};
}

QRect pageBoxRect(int page, int row, int column)
{
    return {kBoxLeft.at(column), rowTop(page, row), kBoxWidth, kRowHeight};
}

QRect pageButtonRect()
{
    return {5160, 6240, 1215, 495};
}

QRect pixels(const QRect &twips)
{
    const auto px = [](int t) { return (t + kTwipsPerPixel / 2) / kTwipsPerPixel; };
    return {px(twips.left()), px(twips.top()), px(twips.width()), px(twips.height())};
}
