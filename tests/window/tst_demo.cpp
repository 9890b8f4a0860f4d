// SPDX-License-Identifier: MIT
// Starts the real scalecheck binary in demo mode and checks that it talks to its simulator.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

// The process ids of pid's children, from /proc.
QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> children;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(task + QStringLiteral("/children")));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &id : f.readAll().split(' ')) {
            if (!id.trimmed().isEmpty())
                children.append(id.trimmed().toLongLong());
        }
    }
    return children;
}

bool running(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const int close = line.lastIndexOf(')');
    return close > 0 && line.size() > close + 2 && line.at(close + 2) != 'Z';
}

} // namespace

class TestDemo : public QObject
{
    Q_OBJECT

private slots:
    void demoOpensThePortAndStopsItsSimulator();
    void helpAndVersionWithoutADisplay_data();
    void helpAndVersionWithoutADisplay();
    void badUsageEndsWithTwo_data();
    void badUsageEndsWithTwo();
};

void TestDemo::demoOpensThePortAndStopsItsSimulator()
{
    QProcess window;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    window.setProcessEnvironment(env);
    window.start(QStringLiteral(SCALECHECK_BIN), {"--demo", "--print-state"});
    QVERIFY(window.waitForStarted(5000));
    QDeadlineTimer deadline(20000);
    while (!window.canReadLine() && !deadline.hasExpired())
        window.waitForReadyRead(200);
    const QString state = QString::fromUtf8(window.readLine()).trimmed();
    QVERIFY2(state.startsWith(QStringLiteral("COM1 /dev/pts/")), qPrintable(state));
    QVERIFY2(state.endsWith(QStringLiteral("9600,n,8,2 已打开")), qPrintable(state));

    const QList<qint64> simulators = childrenOf(window.processId());
    QCOMPARE(simulators.size(), 1);
    QVERIFY(running(simulators.first()));

    ::kill(pid_t(window.processId()), SIGTERM);
    QVERIFY(window.waitForFinished(5000));
    QTRY_VERIFY_WITH_TIMEOUT(!running(simulators.first()), 5000);
}

void TestDemo::helpAndVersionWithoutADisplay_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("printed");
    QTest::newRow("--help") << "--help"
                            << "--com1 <path>";
    QTest::newRow("-h") << "-h"
                        << "--demo";
    QTest::newRow("--version") << "--version"
                               << "scalecheck ";
}

void TestDemo::helpAndVersionWithoutADisplay()
{
    QFETCH(QString, argument);
    QFETCH(QString, printed);
    // Over ssh, in a script: no X server, no platform chosen.
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(SCALECHECK_BIN), {argument});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(out.contains(printed), qPrintable(out));
}

void TestDemo::badUsageEndsWithTwo_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said"); // on stderr, in the window's language
    QTest::newRow("--com1 twice") << QStringList{"--com1", "/dev/null", "--com1", "/dev/null"}
                                  << "--com1 is given twice";
    QTest::newRow("--lang twice, once joined")
        << QStringList{"--lang=en", "--lang", "en"} << "--lang is given twice";
    QTest::newRow("a value left out")
        << QStringList{"--com1", "--lang", "en"} << "--com1 needs a value";
    QTest::newRow("nothing after it")
        << QStringList{"--lang", "en", "--com2"} << "--com2 needs a value";
    QTest::newRow("not a language") << QStringList{"--lang", "fr"} << "--lang must be en or zh";
    QTest::newRow("unknown option") << QStringList{"--lang", "en", "--speed"} << "speed";
}

void TestDemo::badUsageEndsWithTwo()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    // As the command line does: status 2, why on stderr, and no window.
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(SCALECHECK_BIN), arguments);
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 2);
    const QString err = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(err.contains(said) && err.contains(QStringLiteral("scalecheck --help")),
             qPrintable(err));
    QVERIFY(program.readAllStandardOutput().isEmpty());
}

QTEST_GUILESS_MAIN(TestDemo)
#include "tst_demo.moc"
