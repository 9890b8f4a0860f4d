// SPDX-License-Identifier: MIT
// The reference parameter set: the 35 values of one instrument set up as all of its kind should
// be, kept as a versioned JSON file with a tolerance or an ignore per parameter.
#pragma once

#include "parametergroups.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// One parameter of the reference, as the file holds it.
struct ReferenceEntry
{
    const char *code = "";  // the instrument's parameter code, from the group table: "AL1"
    int group = 0;          // index into parameterGroups()
    int box = 0;            // index k of the value box Text2(k)
    int registers = 1;      // 1 (16-bit) or 2 (32-bit)
    qint32 raw = 0;         // the instrument's count
    int places = 0;         // the decimal places it stands with
    // A difference of up to this many counts still matches (a span adjusted on each scale).
    std::optional<qint64> tolerance;
    // Not compared: the clock fields, which no two instruments share.
    bool ignore = false;
    // Expected to differ from instrument to instrument, the bus address and its baud code:
    // kept for the record, not compared.
    bool perInstrument = false;

    // The value as the instrument gave it.
    ParameterValue value() const { return {box, code, registers, raw, places}; }
};

// Why a reference file was refused: what is wrong, where (its line, 1 for the first), and with
// which entry. Words are made from it only where it is shown (referenceErrorText()).
struct ReferenceError
{
    enum class Kind {
        CannotRead,   // the file could not be read: detail holds the system's words
        NotJson,      // detail: the JSON parser's words
        NotReference, // no "format": "scalecheck-reference" object
        Version,      // detail: the version the file has
        UnknownKey,   // field: a key the format does not have
        NoParameters, // no "parameters" array
        NotAnEntry,   // an element of "parameters" that is not an object
        MissingField, // field: the field the entry lacks
        WrongType,    // field: the field of the wrong type; detail: what it should be
        OutOfRange,   // field: the field out of its range; detail: the range
        UnknownCode,  // code: the code the instrument does not have
        WrongGroup,   // field "group"; detail: the group the code belongs to
        Duplicate,    // code given twice; detail: the line of the first
        Missing,      // code: a parameter the file lacks
    };

    Kind kind = Kind::NotJson;
    int line = 0;     // 0 when the whole file is meant
    int entry = 0;    // 1 for the first element of "parameters"; 0 for none
    QString code;     // the entry's code, when it has one
    QString field;    // the field concerned
    QString detail;
};

// The operator's words for a refused file: "参考文件第 12 行，参数 PSS：字段 raw 应为整数".
QString referenceErrorText(const ReferenceError &error);

struct ReferenceLoad;

class ReferenceSet
{
public:
    // The version of the file format written; a file of another version is refused.
    static constexpr int kVersion = 1;
    static constexpr const char *kFormat = "scalecheck-reference";

    // The reference of one instrument's 35 values: the clock fields ignored, the address and
    // the baud code kept but marked as expected to differ. nullopt unless every parameter of
    // the four groups is among the values (each once).
    static std::optional<ReferenceSet> fromValues(const QList<ParameterValue> &values);

    // Reads the text of a reference file, checking every entry: a file with a missing, unknown,
    // duplicated or malformed entry gives no set.
    static ReferenceLoad parse(const QByteArray &text);
    static ReferenceLoad load(const QString &path);

    // The file's text: one entry a line, in the groups' order, so that a message naming a line
    // points at one parameter. `source` (the port, address and time it was read from, as text)
    // goes along for whoever reads the file; it is not compared.
    QByteArray toJson(const QString &source = {}) const;
    // Writes the file in one piece (a temporary file renamed over it); false with the system's
    // words in error.
    bool save(const QString &path, const QString &source, QString *error) const;

    // In the groups' order.
    const QList<ReferenceEntry> &entries() const { return m_entries; }
    const ReferenceEntry *entry(const QString &code) const;
    ReferenceEntry *entry(const QString &code);
    // Where the set came from, as the file said ("source"); empty when it did not.
    QString source() const { return m_source; }

    // The group's key in the file: "alarm", "func1", "func2", "comm".
    static QString groupKey(int group);

private:
    QList<ReferenceEntry> m_entries;
    QString m_source;
};

// A reference file read: the set, or why it was refused (then there is no set at all).
struct ReferenceLoad
{
    std::optional<ReferenceSet> set;
    std::optional<ReferenceError> error;
};
