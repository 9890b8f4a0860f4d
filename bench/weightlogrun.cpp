// SPDX-License-Identifier: MIT
// The weight log over a long run: the window's "记录" and scalecheck-cli, memory and files.
#include "weightlogrun.h"

#include "benchsupport.h"
#include "deviceport.h"
#include "form1.h"
#include "processfigures.h"
#include "simprocess.h"
#include "weightlogbutton.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <csignal>

using namespace std::chrono_literals;

namespace {

struct FileCheck
{
    qint64 bytes = 0;
    int lines = 0;   // after the header
    int weights = 0; // lines with a weight
    int noData = 0;  // lines without one
    int bad = 0;     // lines that do not parse, a torn last line among them
    bool header = false;
};

FileCheck checkLog(const QString &path)
{
    // time, weight as shown, counts, places, result, reply time; CRLF after each line.
    static const QRegularExpression weightLine(QStringLiteral(
        R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z,-?\d+(\.\d+)?,-?\d+,\d+,[^,"\r\n]+,\d+\.\d,(0,|1,\d+\.\d)\r$)"));
    static const QRegularExpression noDataLine(QStringLiteral(
        R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z,无数据“,,,("([^"]|"")*"|[^,"\r\n]+),(\d+\.\d)?,0,\r$)"));
    FileCheck c;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return c;
    const QByteArray all = file.readAll();
    c.bytes = all.size();
    QList<QByteArray> lines = all.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    else if (!lines.isEmpty())
        ++c.bad; // the file does not end in a line break: its last line is torn
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines.at(i));
        if (i == 0) {
            c.header = lines.at(i).startsWith("\xEF\xBB\xBF") &&
                       line.contains(QStringLiteral("时间(UTC)"));
            continue;
        }
        ++c.lines;
        if (weightLine.match(line).hasMatch())
            ++c.weights;
        else if (noDataLine.match(line).hasMatch())
            ++c.noData;
        else
            ++c.bad;
    }
    return c;
}

int linesIn(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return std::max<int>(0, int(file.readAll().count('\n')) - 1);
}

} // namespace

bool benchWeightLog(const QString &cliProgram, int minutes, int cliIntervalMs)
{
    QTemporaryDir dir;
    SimProcess windowSim;
    SimProcess cliSim;
    if (!dir.isValid() || !windowSim.start({"--pace"}) || !cliSim.start({"--pace"})) {
        say(QStringLiteral("simulator: ") + windowSim.errorString() + cliSim.errorString());
        return false;
    }
    const QString windowLog = dir.filePath(QStringLiteral("window.csv"));
    const QString cliLog = dir.filePath(QStringLiteral("cli.csv"));

    auto *port = new DevicePort;
    port->setDeviceFor(1, windowSim.devicePath());
    Form1 form(port);
    form.setPathChooser([&](QWidget *, const QString &) { return windowLog; });
    form.show();
    idle(1s);
    auto *logButton = form.findChild<WeightLogButton *>(QStringLiteral("logButton"));
    form.findChild<QCheckBox *>(QStringLiteral("Check1"))->click();
    logButton->click();
    if (!logButton->logging()) {
        say(QStringLiteral("the window's log did not start"));
        return false;
    }

    QProcess cli;
    // Its readings go to a file, not to this process, which would grow with them; the run's
    // summary line ends it.
    const QString cliOut = dir.filePath(QStringLiteral("cli.out"));
    cli.setStandardOutputFile(cliOut);
    cli.start(cliProgram, {"--port", cliSim.devicePath(), "read", "weight", "--count", "0", "--csv",
                           cliLog, "--interval", QString::number(cliIntervalMs)});
    if (!cli.waitForStarted(10000)) {
        say(QStringLiteral("scalecheck-cli did not start: ") + cli.errorString());
        return false;
    }
    const qint64 cliPid = cli.processId();
    idle(2s);

    say(QStringLiteral("\n### 6. Weight log over %1 min\n").arg(minutes));
    say(QStringLiteral(
            "The window with 自动读取 and 记录 on (a weight every 1.5 s, the traffic monitor "
            "filling in the background as it does), and `scalecheck-cli read weight --count 0 "
            "--csv FILE --interval %1`, each against its own paced simulator at 9600 baud. Each "
            "line is one write(2) and an fdatasync(2). RSS and the lines in each file at the end "
            "of every minute; at the end the command line gets SIGINT and both files are read "
            "back line by line.\n")
            .arg(cliIntervalMs));
    Table table({"minute", "window RSS MiB", "window lines", "cli RSS MiB", "cli lines"});
    const double windowStart = rssMiB();
    const double cliStart = residentMiBOf(QString::number(cliPid));
    table.add({"0", number(windowStart, 1), QString::number(linesIn(windowLog)),
               number(cliStart, 1), QString::number(linesIn(cliLog))});
    double windowFirst = 0;
    double cliFirst = 0;
    double windowEnd = 0;
    double cliEnd = 0;
    for (int m = 1; m <= minutes; ++m) {
        idle(1min);
        windowEnd = rssMiB();
        cliEnd = residentMiBOf(QString::number(cliPid));
        if (m == 1) {
            windowFirst = windowEnd;
            cliFirst = cliEnd;
        }
        table.add({QString::number(m), number(windowEnd, 1), QString::number(linesIn(windowLog)),
                   number(cliEnd, 1), QString::number(linesIn(cliLog))});
        QTextStream(stderr) << "log: minute " << m << " of " << minutes << '\n';
    }

    ::kill(pid_t(cliPid), SIGINT);
    const bool ended = cli.waitForFinished(10000);
    const QString cliErr = QString::fromUtf8(cli.readAllStandardError());
    logButton->click(); // stops the window's log
    const FileCheck w = checkLog(windowLog);
    const FileCheck c = checkLog(cliLog);

    say(QString());
    Table files({"file", "bytes", "lines", "with a weight", "无数据“", "lines that do not parse",
                 "header"});
    const auto row = [&files](const char *name, const FileCheck &f) {
        files.add({name, QString::number(f.bytes), QString::number(f.lines),
                   QString::number(f.weights), QString::number(f.noData), QString::number(f.bad),
                   f.header ? "yes" : "no"});
    };
    row("window", w);
    row("scalecheck-cli", c);
    say(QString());
    Table figures({"figure", "window", "scalecheck-cli"});
    figures.add({"RSS growth from minute 1 to the end, MiB", number(windowEnd - windowFirst, 1),
                 number(cliEnd - cliFirst, 1)});
    figures.add({"ended on SIGINT, exit status", "",
                 ended ? QString::number(cli.exitCode()) : QStringLiteral("did not end")});
    QFile out(cliOut);
    QString summary;
    if (out.open(QIODevice::ReadOnly))
        summary = QString::fromUtf8(out.readAll()).trimmed().section(QLatin1Char('\n'), -1);
    say(QStringLiteral("\nscalecheck-cli's last line: `%1`").arg(summary));
    if (!cliErr.trimmed().isEmpty())
        say(QStringLiteral("\nIts stderr: `%1`").arg(cliErr.trimmed().left(400)));
    return w.header && c.header && w.bad == 0 && c.bad == 0 && ended;
}
