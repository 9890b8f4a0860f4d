// SPDX-License-Identifier: MIT
// The command line of scalecheck-cli: the blocks it reads, its options and their checking.
#pragma once

#include "certificate.h"
#include "verificationplan.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <chrono>
#include <optional>
#include <utility>

// A block the command line reads by name: the weight, or one of the four parameter groups.
struct CliBlock
{
    static constexpr int kWeight = -1;

    const char *name;    // on the command line and in JSON: "weight", "alarm" ...
    const char *caption; // for messages, translated in the context "Cli": "报警参数组"
    int group;           // index into parameterGroups(), or kWeight
    const char *help;    // for --help, in the context "Cli": "alarm parameters (0x0010, ...)"
};

// weight, alarm, func1, func2, comm: the order in which "all" reads them.
const QList<CliBlock> &cliBlocks();

enum class CliCommand {
    Read,
    Scan,
    Report,
    Serve,
    Reference, // reference save
    Compare,
    Diagnose,
    Find,
    Ports, // the serial ports of this machine; no line is opened
    Verify,
    Help,
    Version,
};

// What verify was given, before its plan is checked: the plan as written, from its options or
// from a file, the conditions for the test's record, and how a load is read while it settles.
struct VerifyInput
{
    PlanInput plan;                  // --class, --e, --max ... each as written
    std::optional<QString> planPath; // --plan: the plan from this file instead
    CertificateConditions conditions;
    // How long a load may take to come to rest before its step is recorded as unstable.
    std::chrono::seconds settleLimit{30};
    // From the start of one weight reading to the next while a load settles; 0: as fast as the
    // line allows.
    std::chrono::milliseconds interval{0};
};

struct CliOptions
{
    CliCommand command = CliCommand::Help;
    QString port;
    int baud = 9600;
    quint8 address = 1;
    // The reply timeout given with --timeout; without it each block waits as the window does.
    std::optional<std::chrono::milliseconds> timeout;
    bool json = false;

    // read
    QList<CliBlock> blocks;
    // Readings to take; 0 reads until Ctrl-C or SIGTERM.
    int count = 1;
    // From the start of one reading to the start of the next; for report, of the weights taken
    // for its trend.
    std::chrono::milliseconds interval{1500};
    // --csv: each weight reading appended to this file as the window's log writes it.
    QString csvPath;

    // report
    QString outPath; // the PDF; the HTML goes beside it (reportHtmlPath)
    // Who the report is for and by whom (--customer, --site, --technician, --serial).
    QString customer;
    QString site;
    QString technician;
    QString serial;
    // How long the weight is read for the report's trend; 0 leaves the trend out.
    std::chrono::seconds seconds{10};

    // scan
    quint8 from = 1;
    quint8 to = 247;
    // The rates to try, in order; empty for --baud alone.
    QList<int> bauds;
    // How long an instrument may take to begin its reply; the scan's default without it.
    std::optional<std::chrono::milliseconds> turnaround;

    // serve: where the live page listens (--listen HOST:PORT), a numeric address of this
    // machine; port 0 picks a free one.
    QString listenHost;
    quint16 listenPort = 0;

    // reference save (--out FILE, --addr N) and compare (--reference FILE, --addr LIST, --json,
    // --csv FILE: the matrix)
    QString referencePath;
    QList<quint8> addresses; // compare's --addr list, in the order given; empty: --addr alone

    VerifyInput verify;
};

struct ParsedArguments
{
    std::optional<CliOptions> options;
    QString error; // when options is empty: what is wrong, "中文 / English"
};

// Reads the command line (arguments[0] is the program) by the command table (clitable.h).
// Anything not understood is an error: an unknown command, option or block, a value out of
// range, an option of another command.
ParsedArguments parseArguments(const QStringList &arguments);

// The address of a --listen HOST:PORT: a numeric address other than the unspecified one (an
// IPv6 address in brackets) and a port 0..65535; nullopt when it is not one.
std::optional<std::pair<QString, quint16>> parseListenAddress(const QString &text);

// The text of --help, from the command table: every command's line, then what each option does.
QString usageText();

// The rates of a --bauds list: rates separated by commas, "all" for 9600, 4800, 2400 and 1200,
// "fast" for 19200, 38400, 57600 and 115200; each once, in the order given. nullopt when an item
// is none of these.
std::optional<QList<int>> parseBaudList(const QString &text);

// The addresses of a --addr list for compare: "1,2,5-9", each 1..247 once, in the order given;
// nullopt when an item is not one.
std::optional<QList<quint8>> parseAddressList(const QString &text);
