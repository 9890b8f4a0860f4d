// SPDX-License-Identifier: MIT
// The instrument's four parameter groups as data, and the one routine that decodes them all.
#include "parametergroups.h"

#include "adddot.h"
#include "modbusframe.h"

#include <algorithm>

namespace {

constexpr int kLeft = 0;
constexpr int kRight = 1;

// A 32-bit parameter spans two registers, high word first; the alarm and function 1 pages are
// made of them. Function 2 and the communication and time page hold one register each.
constexpr int kPair = 2;
constexpr int kSingle = 1;

} // namespace

const QList<ParameterGroup> &parameterGroups()
{
    using D = DecimalRule;
    static const QList<ParameterGroup> groups = {
        {"报警参数组",
         "CommandBJ",
         "TimerBJ",
         "读取报警参数组",
         0x0010,
         14,
         1000,
         {
             // The alarm values are weights and carry the weight's decimal point, read from the
             // "dot" box; AL1Y and AL2Y are whole numbers and never get a point.
             {0, "ALV(0)", "ALV", 1, kLeft, kPair, D::DotBox},
             {1, "AL1Y(4)", "AL1Y", 1, kRight, kPair, D::None},
             {2, "Label2(3)", "AL1", 2, kLeft, kPair, D::DotBox},
             {3, "Label2(2)", "AL!C", 2, kRight, kPair, D::DotBox},
             {4, "Label2(7)", "AL2Y", 3, kLeft, kPair, D::None},
             {5, "Label2(5)", "AL2", 3, kRight, kPair, D::DotBox},
             {6, "Label2(6)", "AL2C", 4, kLeft, kPair, D::DotBox},
         }},
        {"仪表功能参数组1",
         "Commandgny",
         "Timergny",
         "读取仪表功能参数组1",
         0x0020,
         16,
         1000,
         {
             // "dot" is the instrument's decimal point itself (box 9). PvH is decoded before it,
             // so PvH takes the point that stood in the box before this reply.
             {7, "Label2(8)", "d-H", 1, kLeft, kPair, D::None},
             {8, "Label2(9)", "PvH", 1, kRight, kPair, D::DotBox},
             {9, "Label2(10)", "dot", 2, kLeft, kPair, D::None},
             {10, "Label2(11)", "Psb", 2, kRight, kPair, D::DotBox},
             {11, "Label2(12)", "PSS", 3, kLeft, kPair, D::Fixed5},
             {12, "Label2(13)", "oBty", 3, kRight, kPair, D::None},
             {13, "Label2(14)", "OBL", 4, kLeft, kPair, D::DotBox},
             {14, "Label2(15)", "OBH", 4, kRight, kPair, D::DotBox},
         }},
        {"仪表功能参数组2",
         "Commandgne",
         "Timergne",
         "读取仪表功能参数组2",
         0x0034,
         7,
         1000,
         {
             {15, "Label2(17)", "Inty", 1, kLeft, kSingle, D::None},
             {16, "Label2(18)", "FLtr", 1, kRight, kSingle, D::None},
             {17, "Label2(19)", "td", 2, kLeft, kSingle, D::None},
             {18, "Label2(20)", "rCo", 2, kRight, kSingle, D::None},
             {19, "Label2(21)", "rCA", 3, kLeft, kSingle, D::None},
             {20, "Label2(22)", "disp", 3, kRight, kSingle, D::None},
             {21, "Label2(23)", "type", 4, kLeft, kSingle, D::None},
         }},
        {"通信，时间参数组",
         "Commandtx",
         "Timertx",
         "读取通信，时间参数组",
         0x0040,
         13,
         1500,
         {
             // CTB's label is Label2(30) and PYEY's Label2(29): the labels were placed out of
             // index order, and the box beside each is what counts.
             {22, "Label2(26)", "ID", 1, kLeft, kSingle, D::None},
             {23, "Label2(27)", "bAud", 2, kLeft, kSingle, D::None},
             {24, "Label2(28)", "CTA", 3, kLeft, kSingle, D::None},
             {25, "Label2(30)", "CTB", 4, kLeft, kSingle, D::None},
             {26, "Label2(29)", "PYEY", 5, kLeft, kSingle, D::None},
             {27, "Label2(31)", "P-t", 6, kLeft, kSingle, D::None},
             {28, "Label2(32)", "uniT", 7, kLeft, kSingle, D::None},
             {29, "Label2(33)", "year", 1, kRight, kSingle, D::None},
             {30, "Label2(34)", "moth", 2, kRight, kSingle, D::None},
             {31, "Label2(35)", "day", 3, kRight, kSingle, D::None},
             {32, "Label2(36)", "hour", 4, kRight, kSingle, D::None},
             {33, "Label2(37)", "mint", 5, kRight, kSingle, D::None},
             {34, "Label2(38)", "sec", 6, kRight, kSingle, D::None},
         }},
    };
    return groups;
}

QList<BoxText> decodeGroup(const ParameterGroup &group, const QByteArray &data, int dotPlaces)
{
    // Only the data of a whole checked reply is decoded: a page is filled completely or not at
    // all.
    if (data.size() < 2 * group.count)
        return {};
    QList<BoxText> boxes;
    int dot = dotPlaces;
    int r = 0; // register of the block where the field starts
    for (const ParameterField &field : group.fields) {
        const qint32 value = regvalue(data, 2 * r, field.registers);
        r += field.registers;
        QString text;
        if (field.registers == 1) {
            // One-register parameters are codes, counts and clock fields: unsigned 0..65535,
            // shown after one blank, the column where a sign would stand.
            text = QLatin1Char(' ') + QString::number(value);
        } else {
            int places = 0;
            if (field.decimals == DecimalRule::Fixed5)
                places = 5;
            else if (field.decimals == DecimalRule::DotBox)
                places = dot; // afresh: this reply may have rewritten the box
            text = adddot(QString::number(value), places);
        }
        // The "dot" box now holds this value, a whole number: the count of places it stands
        // for, held to what a count can be.
        if (field.box == kDotBox)
            dot = std::clamp(value, 0, kMaxDecimalPlaces);
        boxes.append({field.box, text});
    }
    return boxes;
}
