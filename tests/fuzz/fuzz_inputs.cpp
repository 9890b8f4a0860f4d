// SPDX-License-Identifier: MIT
// Fuzz target "inputs": the address and baud-rate texts (window/inputrules.h) and the line
// settings text (link/linesettings.h).
//
// Input: the text (UTF-8, anything). Checked:
//  - parseAddress() accepts exactly the texts that are, blanks around them aside, 1 to 7 ASCII
//    digits standing for 0..247, and gives that number; the number's own text gives it back;
//  - parseBaud() accepts exactly such texts standing for an allowed rate (the listed rates and
//    19200, 38400, 57600, 115200); instrumentSettings() of it parses back to rate,n,8,2;
//  - parseSettings() gives only settings in range, parseSettings(settingsText(x)) == x, and
//    SerialPort::setSettings() takes a text exactly when it parses (and nothing otherwise);
//  - settings made from the input bytes round-trip through their text.
#include "fuzzsupport.h"

#include "fakeserialport.h"
#include "inputrules.h"
#include "linesettings.h"
#include "modbusframe.h"

#include <QSet>

#include <optional>

using fuzz::show;

namespace {

// The number a text stands for under the address and baud rules: blanks around it (Unicode
// white space, as QString::trimmed() takes it), then 1 to 7 ASCII digits and nothing else.
std::optional<int> plainNumber(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 7)
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

void checkSettingsRoundTrip(const LineSettings &x)
{
    const QString text = settingsText(x);
    const std::optional<LineSettings> back = parseSettings(text);
    FUZZ_CHECK(back && *back == x, "parseSettings(settingsText(x)) != x for \"%s\"",
               show(text).constData());
    FakeSerialPort port;
    FUZZ_CHECK(port.setSettings(text) && port.lineSettings() == x && port.settings() == text,
               "the port did not take \"%s\"", show(text).constData());
}

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
        const std::optional<LineSettings> line = parseSettings(instrumentSettings(*baud));
        FUZZ_CHECK(line && *line == (LineSettings{*baud, 'n', 8, 2}),
                   "instrumentSettings(%d) does not parse back", *baud);
    }
    for (int rate : listedBaudRates())
        FUZZ_CHECK(kAllowedRates.contains(rate), "listed rate %d not allowed", rate);

    const std::optional<LineSettings> settings = parseSettings(text);
    if (settings) {
        const LineSettings &x = *settings;
        FUZZ_CHECK(x.baud > 0 && QByteArrayView("neoms").contains(x.parity) && x.dataBits >= 5 &&
                       x.dataBits <= 8 && (x.stopBits == 1 || x.stopBits == 2),
                   "parseSettings(\"%s\") out of range: %d,%c,%d,%d", show(text).constData(),
                   x.baud, x.parity, x.dataBits, x.stopBits);
        FUZZ_CHECK(text.count(u',') == 3, "accepted \"%s\"", show(text).constData());
        checkSettingsRoundTrip(x);
    }
    {
        FakeSerialPort port;
        const LineSettings before = port.lineSettings();
        const bool taken = port.setSettings(text);
        FUZZ_CHECK(taken == settings.has_value(), "setSettings(\"%s\") = %d",
                   show(text).constData(), taken);
        FUZZ_CHECK(port.lineSettings() == (settings ? *settings : before),
                   "setSettings(\"%s\") left other settings", show(text).constData());
    }

    // Settings made from the bytes themselves: every valid one round-trips.
    if (size >= 7) {
        fuzz::ByteReader bytes(data, size);
        LineSettings x;
        x.baud = bytes.int32() & 0x7FFFFFFF;
        x.parity = "neoms"[bytes.byte() % 5];
        x.dataBits = 5 + bytes.byte() % 4;
        x.stopBits = 1 + bytes.byte() % 2;
        if (x.baud > 0)
            checkSettingsRoundTrip(x);
    }
    return 0;
}
