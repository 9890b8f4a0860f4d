// SPDX-License-Identifier: MIT
// A record of an instrument's settings at one moment, and its CSV, JSON and plain-text forms.
#pragma once

#include "lineaddress.h"
#include "linesettings.h"
#include "parametergroups.h"
#include "weightreading.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

// One parameter box of the record: the value the instrument gave for it, or the text it held.
struct SnapshotValue
{
    int box = 0; // index k of the value box Text2(k), 0..34
    // The value decoded from the instrument's reply; none when the box holds none.
    std::optional<ParameterValue> value;
    // Without a decoded value, the box's text: what the operator typed into it.
    QString entered;

    QString page() const; // the caption of the box's page, "报警参数组"
    QString code() const; // the instrument's parameter code, "ALV"
    // The value as its box shows it (boxText(), " 2008"), else the entered text.
    QString text() const;
    // The value as plain text (valueText(), "2008"), else the entered text without the blanks
    // around it.
    QString plainText() const;

    friend bool operator==(const SnapshotValue &a, const SnapshotValue &b)
    {
        return a.box == b.box && a.value == b.value && a.entered == b.entered;
    }
};

// The line a record was taken on.
struct SnapshotLine
{
    QString port;   // the port button that was checked, "COM1"; the command line's --port
    QString device; // the device behind it, "/dev/ttyUSB0"
    LineKind kind = LineKind::Serial;
    LineSettings settings;
    std::optional<quint8> address; // the bus address; none when the address box held none
};

// How the line's settings are shown: "9600,n,8,2" on a serial line; on a network line what the
// settings mean there, as the port says it.
QString lineSettingsText(LineKind kind, const LineSettings &settings);

struct Snapshot
{
    QDateTime time;
    std::optional<SnapshotLine> line;
    // The latest weight reading; none when the weight was not read.
    std::optional<WeightReading> reading;
    QList<SnapshotValue> values;

    // A record made of the typed parts.
    static Snapshot of(const QDateTime &time, const SnapshotLine &line,
                       const std::optional<WeightReading> &reading,
                       const QList<SnapshotValue> &values);

    // The record's facts as they are written; empty where the record has no line.
    QString portText() const;
    QString deviceText() const;
    QString settingsText() const;
    std::optional<quint8> busAddress() const;
    QString weightText() const; // the weight as the display shows it; empty when never read
};

// Every box of the four parameter pages in page order and, within a page, in the order the
// instrument's registers hold them, each with the value decoded for it among `decoded` (the
// latest for a box that appears twice); a box without one gets entered(k), the text standing in
// it, or stays empty when entered is not set.
QList<SnapshotValue> parameterValues(const QList<ParameterValue> &decoded,
                                     const std::function<QString(int box)> &entered = {});

// One CSV field as RFC 4180 quotes it (a comma, a double quote or a line break inside), and
// quoted too when it begins or ends with a blank, which a reader would otherwise be free to trim.
QString csvField(const QString &field);

// UTF-8 with a byte-order mark: without it spreadsheet programs on Chinese Windows read the file
// in the local code page and the captions turn to garbage. A block of name,value lines for the
// line and the weight, an empty line, then one row per box: page, code, box, value. Fields are
// quoted as RFC 4180 says, and also when they begin or end with a blank, which the one-register
// values do (" 2008") and which a reader would otherwise be free to trim.
QByteArray toCsv(const Snapshot &snapshot);

// An object with time (ISO 8601 with the UTC offset), port, device, settings, address (null when
// there was none), weight and a "values" array of {page, code, box, value}.
QByteArray toJson(const Snapshot &snapshot);

// The CSV's content with tabs between the fields, for the clipboard: pasted into a spreadsheet
// it lands in columns, pasted into a message it stays readable.
QString toText(const Snapshot &snapshot);
