// SPDX-License-Identifier: MIT
// A whole verification of a class III scale of 3 000 e, from scalecheck-cli against the
// simulated scale under test: every load put on through the simulator's control file as the
// command asks for it, the verdict, the step that fails, and the record read back from its PDF.
// How the verdict comes out of scales that ring, are noisy or never come to rest, under either
// limits, is the session's to prove on the virtual clock (tst_verificationsession).
#include "simprocess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace std::chrono_literals;

namespace {

// Max 300.00 with e = 0.1 at two places: 3 000 e, e = 10 counts. The decimal point comes from the
// instrument's own register.
const QStringList kPlan{"--class", "III", "--e", "0.1", "--max", "300.00"};
constexpr int kSteps = 17; // zero, 4 up, 4 down, 5 eccentricity, 3 repeatability
constexpr int kRunMs = 240000;

struct VerifyRun
{
    int exitCode = -1;
    QJsonObject result;
    QList<QJsonObject> prompts;
    QString err;
};

// Runs verify with --json and answers each prompt: the prompt's load (in counts, as the
// simulator takes it) appended to the control file, then Enter.
VerifyRun runVerify(const QString &device, const QString &control, const QStringList &extra)
{
    QProcess cli;
    cli.start(QStringLiteral(SCALECHECK_CLI_PATH),
              QStringList{"--port", device, "verify"} + kPlan + extra + QStringList{"--json"});
    VerifyRun run;
    if (!cli.waitForStarted(20000))
        return run;
    const QDeadlineTimer deadline(kRunMs);
    QByteArray pending;
    while (cli.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        cli.waitForReadyRead(200);
        pending += cli.readAllStandardOutput();
        qsizetype end = 0;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QJsonObject o = QJsonDocument::fromJson(pending.left(end)).object();
            pending.remove(0, end + 1);
            if (!o.contains(QStringLiteral("prompt"))) {
                run.result = o;
                continue;
            }
            run.prompts.append(o);
            if (o.value(QStringLiteral("prompt")).toString() == QLatin1String("place")) {
                QFile f(control);
                f.open(QIODevice::Append);
                f.write(o.value(QStringLiteral("load")).toString().remove('.').toUtf8() + '\n');
            }
            cli.write("\n");
        }
    }
    if (cli.state() != QProcess::NotRunning) {
        ::kill(pid_t(cli.processId()), SIGKILL);
        cli.waitForFinished(-1);
        return run;
    }
    pending += cli.readAllStandardOutput();
    if (!pending.trimmed().isEmpty())
        run.result = QJsonDocument::fromJson(pending.trimmed()).object();
    run.err = QString::fromUtf8(cli.readAllStandardError());
    if (cli.exitStatus() == QProcess::NormalExit)
        run.exitCode = cli.exitCode();
    return run;
}

// The simulator's registers file that puts the instrument's decimal point at two places.
QString twoPlaces(const QTemporaryDir &dir)
{
    const QString regs = dir.filePath(QStringLiteral("dot.regs"));
    QFile r(regs);
    if (r.open(QIODevice::WriteOnly))
        r.write("0x0024:32 2\n");
    return regs;
}

QString toolOutput(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestVerify : public QObject
{
    Q_OBJECT

private slots:
    void badUsage_data();
    void badUsage();
    void planTheIndicatorCannotShow();
    void wholeVerification();
    void certificateText();
};

void TestVerify::badUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said"); // a part of what stderr says

    // Found before the port is touched: a port that does not exist would give status 1. The
    // plan is refused with its reason, in the command line's words for its fields; what is
    // wrong with the options themselves is found as the command line is read (tst_cli).
    const QStringList port{"--port", "/nonexistent/ttyVERIFY", "verify"};
    QTest::newRow("no class") << port + QStringList{"--e", "0.1", "--max", "300.00"}
                              << "缺少 --class 的值";
    QTest::newRow("e not 1, 2 or 5 × 10^k")
        << port + QStringList{"--class", "III", "--e", "0.3", "--max", "300.0"}
        << "--e 的值“0.3”不是 1、2 或 5 × 10^k";
    QTest::newRow("n below the class")
        << port + QStringList{"--class", "III", "--e", "1", "--max", "99"}
        << "n = Max/e = 99，III 级应为 100 至 10000（OIML R76-1, Table 3）";
    QTest::newRow("n above the class")
        << port + QStringList{"--class", "IIII", "--e", "5", "--max", "5005"} << "n = Max/e = 1001";
    QTest::newRow("a plan file that is not there")
        << port + QStringList{"--plan", "/nonexistent/plan.json"}
        << "无法读取方案文件 /nonexistent/plan.json";
}

void TestVerify::badUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    QProcess cli;
    cli.start(QStringLiteral(SCALECHECK_CLI_PATH), arguments);
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 2);
    QVERIFY(cli.readAllStandardOutput().isEmpty());
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    QVERIFY2(err.contains(said), qPrintable(err));
}

void TestVerify::planTheIndicatorCannotShow()
{
    // The indicator shows two places; Max 3.001 (3 001 e of 0.001) needs three.
    QTemporaryDir dir;
    const QString regs = twoPlaces(dir);
    SimProcess sim;
    QVERIFY2(sim.start({"--regs", regs}), qPrintable(sim.errorString()));
    QProcess cli;
    cli.start(QStringLiteral(SCALECHECK_CLI_PATH),
              {"--port", sim.devicePath(), "verify", "--class", "III", "--e", "0.001", "--max",
               "3.001", "--json"});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 2);
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    QVERIFY2(err.contains(QStringLiteral("--max 的值“3.001”的小数位多于仪表显示的 2 位")),
             qPrintable(err));
    // Refused before the first load is asked for.
    QVERIFY(!cli.readAllStandardOutput().contains("\"prompt\""));
}

void TestVerify::wholeVerification()
{
    QTemporaryDir dir;
    const QString regs = twoPlaces(dir);
    const QString control = dir.filePath(QStringLiteral("control"));
    SimProcess sim;
    QVERIFY2(sim.start({"--pace", "--seed", "7", "--regs", regs, "--control", control, "--e", "10"}),
             qPrintable(sim.errorString()));

    const VerifyRun run = runVerify(sim.devicePath(), control, {});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.prompts.size(), kSteps);
    QCOMPARE(run.result.value("verdict").toString(), QStringLiteral("pass"));
    QCOMPARE(run.result.value("class").toString(), QStringLiteral("III"));
    const QJsonArray steps = run.result.value("steps").toArray();
    QCOMPARE(steps.size(), kSteps);
    for (int i = 0; i < steps.size(); ++i) {
        const QJsonObject s = steps.at(i).toObject();
        // The prompt named the step's load and kind.
        QCOMPARE(s.value("kind"), run.prompts.at(i).value("kind"));
        QCOMPARE(s.value("load"), run.prompts.at(i).value("load"));
        QVERIFY(s.value("stable").toBool());
        QVERIFY(s.value("pass").toBool());
        // E = I − L, in the indicator's unit.
        const double error = s.value("error").toString().toDouble();
        QCOMPARE(error, s.value("indication").toString().toDouble() -
                            s.value("load").toString().toDouble());
        QVERIFY(s.value("settleMs").toInt() >= 1000); // a whole window of readings
    }
}

void TestVerify::certificateText()
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        QSKIP("pdftotext is missing (poppler-utils; scripts/setup installs it)");
    QTemporaryDir dir;
    const QString regs = twoPlaces(dir);
    const QString control = dir.filePath(QStringLiteral("control"));
    SimProcess sim;
    QVERIFY2(sim.start({"--pace", "--regs", regs, "--control", control, "--e", "10", "--error",
                        "3000e:+16"}),
             qPrintable(sim.errorString()));
    const QString pdf = dir.filePath(QStringLiteral("检定测试.pdf"));
    const VerifyRun run = runVerify(sim.devicePath(), control,
                                    {"--out", pdf, "--weights", "M1-2026-017", "--technician",
                                     "王工", "--place", "华东粮库", "--temperature", "18.5 °C"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.result.value("verdict").toString(), QStringLiteral("fail"));
    // +1.6 e at Max, over the initial ±1.5 e: step 5, Max going up, fails, and no other.
    const QJsonArray steps = run.result.value("steps").toArray();
    QCOMPARE(steps.size(), kSteps);
    for (int i = 0; i < steps.size(); ++i)
        QCOMPARE(steps.at(i).toObject().value("pass").toBool(), i != 4);
    const QJsonObject atMax = steps.at(4).toObject();
    QCOMPARE(atMax.value("indication").toString(), QStringLiteral("300.16"));
    QCOMPARE(atMax.value("errorE").toDouble(), 1.6);
    QCOMPARE(atMax.value("mpe").toString(), QStringLiteral("0.15"));

    const QString text = toolOutput(pdftotext, {"-layout", pdf, "-"});
    QVERIFY2(text.contains(QStringLiteral("不是法定检定标记")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("不合格")), qPrintable(text));
    for (const char *entered : {"M1-2026-017", "王工", "华东粮库", "18.5 °C",
                                   "OIML R76-1:2006, 3.5.1, Table 6"})
        QVERIFY2(text.contains(entered), qPrintable(entered));
    // Every step's row: its number, load, indication, error and MPE in that order.
    for (int i = 0; i < steps.size(); ++i) {
        const QJsonObject s = steps.at(i).toObject();
        const QString row =
            QStringLiteral("(^|\\n)\\s*%1\\s+\\S+\\s+\\S+\\s+%2\\s+%3\\s+%4\\s+\\S+\\s+±%5\\s")
                .arg(i + 1)
                .arg(QRegularExpression::escape(s.value("load").toString()),
                     QRegularExpression::escape(s.value("indication").toString()),
                     QRegularExpression::escape(s.value("error").toString()),
                     QRegularExpression::escape(s.value("mpe").toString()));
        QVERIFY2(QRegularExpression(row).match(text).hasMatch(),
                 qPrintable(QStringLiteral("step %1: %2\n%3").arg(i + 1).arg(row, text)));
    }
    // The JSON beside it holds what --json printed.
    QFile json(dir.filePath(QStringLiteral("检定测试.json")));
    QVERIFY(json.open(QIODevice::ReadOnly));
    QCOMPARE(QJsonDocument::fromJson(json.readAll()).object().value("steps").toArray(), steps);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("检定测试.html"))));
}

QTEST_GUILESS_MAIN(TestVerify)
#include "tst_verify.moc"
