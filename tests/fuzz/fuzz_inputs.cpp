// SPDX-License-Identifier: MIT
// Fuzz target "inputs": the address and baud-rate texts (window/inputrules.h) and how the line
// settings are shown (link/linesettings.h).
//
// Input: the text (UTF-8, anything). Checked:
//  - parseAddress() accepts exactly the texts that are, blanks around them aside, 1 to 9 ASCII
//    digits standing for 0..247, and gives that number; the number's own text gives it back;
//  - parseBaud() accepts exactly such texts standing for an allowed rate (the listed rates and
//    19200, 38400, 57600, 115200), and the instrument's settings at that rate show as rate,n,8,2;
//  - settings made from the input bytes show as RATE,PARITY,DATA,STOP and a port takes them.
#include "fuzzsupport.h"

#include "fakeport.h"
#include "inputrules.h"
#include "linesettings.h"
#include "modbusframe.h"

#include <QSet>

#include <optional>

using fuzz::show;

namespace {

// The number a text stands for under the address and baud rules: blanks around it (Unicode
// white space, as QString::trimmed() takes it), then 1 to 9 ASCII digits and nothing else.
std::optional<int> plainNumber(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 9)
        return std::nullopt;
    int n = 0;
    for (QChar c : t) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        n = n * 10 + (c.unicode() - u'0');
    }
    return n;
}

const QSet<int> kAllowedRates{1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<int> number = plainNumber(text);

    const std::optional<int> address = parseAddress(text);
    const bool addressOk = number && *number <= kHighestSlaveAddress;
    FUZZ_CHECK(address.has_value() == addressOk && (!address || *address == *number),
               "parseAddress(\"%s\") = %d", show(text).constData(), address.value_or(-1));
    if (address) {
        FUZZ_CHECK(*address >= 0 && *address <= 247, "address %d", *address);
        FUZZ_CHECK(parseAddress(QString::number(*address)) == address &&
                       parseAddress(QStringLiteral(" %1 ").arg(*address)) == address,
                   "address %d does not round-trip", *address);
    }

    const std::optional<int> baud = parseBaud(text);
    const bool baudOk = number && kAllowedRates.contains(*number);
    FUZZ_CHECK(baud.has_value() == baudOk && (!baud || *baud == *number), "parseBaud(\"%s\") = %d",
               show(text).constData(), baud.value_or(-1));
    if (baud) {
        FUZZ_CHECK(parseBaud(QString::number(*baud)) == baud, "rate %d does not round-trip", *baud);
        FUZZ_CHECK(settingsText(LineSettings::instrument(*baud)) ==
                       QStringLiteral("%1,n,8,2").arg(*baud),
                   "the instrument's settings at %d", *baud);
    }
    for (int rate : listedBaudRates())
        FUZZ_CHECK(kAllowedRates.contains(rate), "listed rate %d not allowed", rate);

    // Settings made from the bytes themselves: shown as the operator reads them, and taken by a
    // port as they are.
    if (size >= 7) {
        fuzz::ByteReader bytes(data, size);
        LineSettings x;
        x.baud = bytes.int32() & 0x7FFFFFFF;
        const char parities[] = "neoms";
        const QSerialPort::Parity parity[] = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                              QSerialPort::OddParity, QSerialPort::MarkParity,
                                              QSerialPort::SpaceParity};
        const int p = bytes.byte() % 5;
        x.parity = parity[p];
        x.dataBits = QSerialPort::DataBits(5 + bytes.byte() % 4);
        const QSerialPort::StopBits stops[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                               QSerialPort::TwoStop};
        const char *const stopTexts[] = {"1", "1.5", "2"};
        const int st = bytes.byte() % 3;
        x.stopBits = stops[st];
        const QString want = QStringLiteral("%1,%2,%3,%4")
                                 .arg(x.baud)
                                 .arg(QLatin1Char(parities[p]))
                                 .arg(int(x.dataBits))
                                 .arg(QLatin1String(stopTexts[st]));
        FUZZ_CHECK(settingsText(x) == want, "settings shown as \"%s\"",
                   show(settingsText(x)).constData());
        FakePort port;
        port.setLineSettings(x);
        FUZZ_CHECK(port.lineSettings() == x && port.settingsText() == want,
                   "the port did not take \"%s\"", show(want).constData());
    }
    return 0;
}
