// SPDX-License-Identifier: MIT
// The instrument's four parameter groups as data, and the one routine that decodes them all.
#include "parametergroups.h"

#include "adddot.h"
#include "modbusframe.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

// A 32-bit parameter spans two registers, high word first; the alarm and function 1 pages are
// made of them. Function 2 and the communication and time page hold one register each.
constexpr int kPair = 2;
constexpr int kSingle = 1;

} // namespace

const QList<ParameterGroup> &parameterGroups()
{
    using D = DecimalRule;
    static const QList<ParameterGroup> groups = {
        {QT_TRANSLATE_NOOP("ParameterGroups", "报警参数组"),
         0x0010,
         14,
         1000,
         {
             // The alarm values are weights and carry the weight's decimal point, read from the
             // "dot" box; AL1Y and AL2Y are whole numbers and never get a point.
             {0, "ALV", kPair, D::DotBox},
             {1, "AL1Y", kPair, D::None},
             {2, "AL1", kPair, D::DotBox},
             {3, "AL!C", kPair, D::DotBox},
             {4, "AL2Y", kPair, D::None},
             {5, "AL2", kPair, D::DotBox},
             {6, "AL2C", kPair, D::DotBox},
         }},
        {QT_TRANSLATE_NOOP("ParameterGroups", "仪表功能参数组1"),
         0x0020,
         16,
         1000,
         {
             // "dot" is the instrument's decimal point itself (box 9). PvH is decoded before it,
             // so PvH takes the point that stood in the box before this reply.
             {7, "d-H", kPair, D::None},
             {8, "PvH", kPair, D::DotBox},
             {9, "dot", kPair, D::None},
             {10, "Psb", kPair, D::DotBox},
             {11, "PSS", kPair, D::Fixed5},
             {12, "oBty", kPair, D::None},
             {13, "OBL", kPair, D::DotBox},
             {14, "OBH", kPair, D::DotBox},
         }},
        {QT_TRANSLATE_NOOP("ParameterGroups", "仪表功能参数组2"),
         0x0034,
         7,
         1000,
         {
             {15, "Inty", kSingle, D::None},
             {16, "FLtr", kSingle, D::None},
             {17, "td", kSingle, D::None},
             {18, "rCo", kSingle, D::None},
             {19, "rCA", kSingle, D::None},
             {20, "disp", kSingle, D::None},
             {21, "type", kSingle, D::None},
         }},
        {QT_TRANSLATE_NOOP("ParameterGroups", "通信，时间参数组"),
         0x0040,
         13,
         1500,
         {
             // index order, and the box beside each is what counts.
             {22, "ID", kSingle, D::None},
             {23, "bAud", kSingle, D::None},
             {24, "CTA", kSingle, D::None},
             {25, "CTB", kSingle, D::None},
             {26, "PYEY", kSingle, D::None},
             {27, "P-t", kSingle, D::None},
             {28, "uniT", kSingle, D::None},
             {29, "year", kSingle, D::None},
             {30, "moth", kSingle, D::None},
             {31, "day", kSingle, D::None},
             {32, "hour", kSingle, D::None},
             {33, "mint", kSingle, D::None},
             {34, "sec", kSingle, D::None},
         }},
    };
    return groups;
}

bool decodesWithDotPlaces(const ParameterGroup &group)
{
    for (const ParameterField &field : group.fields) {
        if (field.box == kDotBox)
            return false; // the fields after it take the count it writes
        if (field.decimals == DecimalRule::DotBox)
            return true;
    }
    return false;
}

QList<ParameterValue> decodeValues(const ParameterGroup &group, const QByteArray &data,
                                   qint32 dotPlaces)
{
    // Only the data of a whole checked reply is decoded: a page is filled completely or not at
    // all.
    if (data.size() < 2 * group.count)
        return {};
    QList<ParameterValue> values;
    qint32 dot = dotPlaces;
    int r = 0; // register of the block where the field starts
    for (const ParameterField &field : group.fields) {
        ParameterValue v{field.box, field.code, field.registers,
                         regvalue(data, 2 * r, field.registers), 0};
        r += field.registers;
        // One-register parameters are codes, counts and clock fields, never with a point.
        if (field.registers == kPair) {
            if (field.decimals == DecimalRule::Fixed5)
                v.places = 5;
            else if (field.decimals == DecimalRule::DotBox)
                v.places = dot; // afresh: this reply may have rewritten the box
        }
        // The "dot" box now holds this value, a whole number: the count of places it stands
        // for, as the instrument said it.
        if (field.box == kDotBox)
            dot = v.raw;
        values.append(v);
    }
    return values;
}

std::optional<qint32> refusedPlaces(const QList<ParameterValue> &values)
{
    const auto refused = std::find_if(values.cbegin(), values.cend(),
                                      [](const ParameterValue &v) { return !v.shown(); });
    if (refused == values.cend())
        return std::nullopt;
    return refused->places;
}

QString valueText(const ParameterValue &value)
{
    if (value.registers == kSingle)
        return QString::number(value.raw); // unsigned 0..65535
    if (!value.shown())
        return {};
    return adddot(QString::number(value.raw), value.places);
}

QString boxText(const ParameterValue &value)
{
    return value.registers == kSingle ? QLatin1Char(' ') + valueText(value) : valueText(value);
}

QString groupCaption(const ParameterGroup &group)
{
    return QCoreApplication::translate("ParameterGroups", group.caption);
}
