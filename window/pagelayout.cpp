// SPDX-License-Identifier: MIT
// Where the window draws each parameter page: its read button and response timer, and for each
// value box the caption label beside it and its row and column on the page.
#include "pagelayout.h"

#include <QCoreApplication>

namespace {

constexpr int kLeft = 0;
constexpr int kRight = 1;

} // namespace

const QList<PageControls> &pageControls()
{
    static const QList<PageControls> pages = {
        {"CommandBJ",
         "TimerBJ",
         QT_TRANSLATE_NOOP("Form1", "读取报警参数组"),
         {
             {0, "ALV(0)", 1, kLeft},
             {1, "AL1Y(4)", 1, kRight},
             {2, "Label2(3)", 2, kLeft},
             {3, "Label2(2)", 2, kRight},
             {4, "Label2(7)", 3, kLeft},
             {5, "Label2(5)", 3, kRight},
             {6, "Label2(6)", 4, kLeft},
         }},
        {"Commandgny",
         "Timergny",
         QT_TRANSLATE_NOOP("Form1", "读取仪表功能参数组1"),
         {
             {7, "Label2(8)", 1, kLeft},
             {8, "Label2(9)", 1, kRight},
             {9, "Label2(10)", 2, kLeft},
             {10, "Label2(11)", 2, kRight},
             {11, "Label2(12)", 3, kLeft},
             {12, "Label2(13)", 3, kRight},
             {13, "Label2(14)", 4, kLeft},
             {14, "Label2(15)", 4, kRight},
         }},
        {"Commandgne",
         "Timergne",
         QT_TRANSLATE_NOOP("Form1", "读取仪表功能参数组2"),
         {
             {15, "Label2(17)", 1, kLeft},
             {16, "Label2(18)", 1, kRight},
             {17, "Label2(19)", 2, kLeft},
             {18, "Label2(20)", 2, kRight},
             {19, "Label2(21)", 3, kLeft},
             {20, "Label2(22)", 3, kRight},
             {21, "Label2(23)", 4, kLeft},
         }},
        {"Commandtx",
         "Timertx",
         QT_TRANSLATE_NOOP("Form1", "读取通信，时间参数组"),
         {
             // CTB's label is Label2(30) and PYEY's Label2(29): the labels were placed out of
             // index order, and the box beside each is what counts.
             {22, "Label2(26)", 1, kLeft},
             {23, "Label2(27)", 2, kLeft},
             {24, "Label2(28)", 3, kLeft},
             {25, "Label2(30)", 4, kLeft},
             {26, "Label2(29)", 5, kLeft},
             {27, "Label2(31)", 6, kLeft},
             {28, "Label2(32)", 7, kLeft},
             {29, "Label2(33)", 1, kRight},
             {30, "Label2(34)", 2, kRight},
             {31, "Label2(35)", 3, kRight},
             {32, "Label2(36)", 4, kRight},
             {33, "Label2(37)", 5, kRight},
             {34, "Label2(38)", 6, kRight},
         }},
    };
    return pages;
}

const FieldPlace *placeOfBox(int box)
{
    for (const PageControls &page : pageControls()) {
        for (const FieldPlace &place : page.places) {
            if (place.box == box)
                return &place;
        }
    }
    return nullptr;
}
