// SPDX-License-Identifier: MIT
// The instrument's four parameter groups as the protocol has them: the block, how long its
// reply may take, and per field its box, code, width and decimal rule. One table drives the
// decoding; where the window draws each field is the window's own table (window/pagelayout.h).
#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

enum class DecimalRule {
    None,   // a whole number
    Fixed5, // always five decimal places
    DotBox, // the count standing in the "dot" box, Text2(9), read afresh for each field
};

struct ParameterField
{
    int box;          // index k of the value box Text2(k)
    const char *code; // the instrument's parameter code, shown beside the box: "AL1"
    int registers;    // 1 (16-bit, unsigned) or 2 (32-bit two's complement, high word first)
    DecimalRule decimals;
};

struct ParameterGroup
{
    const char *caption;          // the page's caption, "报警参数组"
    quint16 start;                // first holding register of the block
    quint16 count;                // registers in the block
    int intervalMs;               // how long its reply may take
    QList<ParameterField> fields; // in decoding order
};

// The box whose text is the decimal-place count of the DotBox fields.
constexpr int kDotBox = 9;
// The value boxes Text2(0) to Text2(34) of the four pages.
constexpr int kValueBoxes = 35;

// The four groups, in page order: alarm, function 1, function 2, communication and time.
const QList<ParameterGroup> &parameterGroups();

// The page's caption in the language the program speaks.
QString groupCaption(const ParameterGroup &group);

struct BoxText
{
    int box;
    QString text;
    friend bool operator==(const BoxText &a, const BoxText &b)
    {
        return a.box == b.box && a.text == b.text;
    }
};

// Whether the "dot" box's count before decoding places any field of `group`: a DotBox field
// decoded before the group writes the box itself (the alarm page's weights, function 1's PvH).
bool decodesWithDotPlaces(const ParameterGroup &group);

// Decodes the register data of a checked reply of `group` (two bytes a register, high byte
// first) into the texts of its boxes, in decoding order. dotPlaces is the count of decimal places
// the "dot" box stands for before decoding (0 while it holds no number); when the group itself
// writes the "dot" box, the fields after it take the count it writes (held to 0..255) and the
// fields before it the old one.
// A 32-bit field's text is its plain decimal text through adddot() with the field's count; a
// 16-bit field's text is the value's decimal text after one blank (" 2008").
QList<BoxText> decodeGroup(const ParameterGroup &group, const QByteArray &data, int dotPlaces);
