// SPDX-License-Identifier: MIT
// The instrument's four parameter groups as the protocol has them: the block, how long its
// reply may take, and per field its box, code, width and decimal rule. One table drives the
// decoding; where the window draws each field is the window's own table (window/pagelayout.h).
#pragma once

#include "inputrules.h"

#include <QList>
#include <QString>
#include <QtGlobal>
#include <optional>

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

// One parameter as the instrument gave it: its field, the raw value of its registers and the
// decimal places it stands with. Text is made from it only where it is shown or written.
struct ParameterValue
{
    int box = 0;           // index k of the value box Text2(k)
    const char *code = ""; // the instrument's parameter code, "AL1"
    int registers = 1;     // 1 (16-bit, unsigned) or 2 (32-bit two's complement)
    qint32 raw = 0;        // the instrument's count
    qint32 places = 0;     // decimal places of a 32-bit value; 0 for a 16-bit one

    // Whether the value can be shown: its places are a count a value can be shown with
    // (placesShowable()). One that the "dot" parameter places at -1 or 300 is not shown at all.
    bool shown() const { return registers == 1 || placesShowable(places); }

    friend bool operator==(const ParameterValue &a, const ParameterValue &b)
    {
        return a.box == b.box && qstrcmp(a.code, b.code) == 0 && a.registers == b.registers &&
               a.raw == b.raw && a.places == b.places;
    }
};

// The value as plain text: a 32-bit value's decimal text with its point ("-1.00", "12345"), a
// 16-bit value's decimal text ("2008"); empty for a value that is not shown(). What the command
// line, the report and a log write.
QString valueText(const ParameterValue &value);
// The value as its box shows it: valueText(), and a 16-bit value after one blank (" 2008"), the
// column where a sign would stand.
QString boxText(const ParameterValue &value);

// Whether the "dot" box's count before decoding places any field of `group`: a DotBox field
// decoded before the group writes the box itself (the alarm page's weights, function 1's PvH).
bool decodesWithDotPlaces(const ParameterGroup &group);

// Decodes the register data of a checked reply of `group` (two bytes a register, high byte
// first) into its values, in decoding order; none when the data is shorter than the block.
// dotPlaces is the count of decimal places the "dot" box stands for before decoding (0 while it
// holds no number); when the group itself writes the "dot" box, the fields after it take the
// count it writes and the fields before it the old one. A Fixed5 field has five places, a None
// field and every 16-bit field none. A DotBox field whose count cannot be shown keeps it, and is
// not shown(); refusedPlaces() finds it.
QList<ParameterValue> decodeValues(const ParameterGroup &group, const QByteArray &data,
                                   qint32 dotPlaces);
// The places of the first of `values` that is not shown(); nullopt when all are.
std::optional<qint32> refusedPlaces(const QList<ParameterValue> &values);
