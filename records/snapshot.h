// SPDX-License-Identifier: MIT
// A record of an instrument's settings at one moment, and its CSV, JSON and plain-text forms.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

// One parameter box as the operator saw it.
struct SnapshotValue
{
    QString page; // the page's caption, "报警参数组"
    QString code; // the instrument's parameter code, "ALV"
    int box = 0;  // index k of the value box Text2(k), 0..34
    QString text; // the box's text exactly as shown, " 2008" included

    friend bool operator==(const SnapshotValue &a, const SnapshotValue &b)
    {
        return a.page == b.page && a.code == b.code && a.box == b.box && a.text == b.text;
    }
};

struct Snapshot
{
    QDateTime time;
    QString port;     // the port button that was checked, "COM1"
    QString device;   // the device behind it, "/dev/ttyUSB0"
    QString settings; // the line settings, "9600,n,8,2"
    int address = -1; // the bus address; -1 when the address box held none
    QString weight;   // the weight display as shown, "无数据“" included
    QList<SnapshotValue> values;
};

// Every box of the four parameter pages in page order and, within a page, in the order the
// instrument's registers hold them; boxText gives the text standing in box k.
QList<SnapshotValue> parameterValues(const std::function<QString(int box)> &boxText);

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
