// SPDX-License-Identifier: MIT
// scalecheck-cli diagnose and find run as programs against the simulated instrument, and a small
// peer on a pseudo-terminal of the test's own for what the simulator does not speak (Modbus
// ASCII, a stream nobody asked for): each cause named ten runs out of ten.
#include "simprocess.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <pty.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int kRuns = 10;
const QString kPort = QStringLiteral("%PORT%");
// A diagnosis mostly waits on its line, so the runs of one cause go at once, each on a line of
// its own. All of them together are given this long; one still running then is killed and fails.
constexpr std::chrono::seconds kRunsBound{90};

struct CliRun
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// The arguments with %PORT% as the device.
QStringList on(QStringList arguments, const QString &device)
{
    arguments.replaceInStrings(kPort, device);
    return arguments;
}

// Runs scalecheck-cli once for each list of arguments, all at the same time, to their ends. A
// run that has not ended within kRunsBound is killed by its process id and fails.
QList<CliRun> runClis(const QList<QStringList> &argumentLists)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    QEventLoop loop;
    const auto allEnded = [&processes] {
        return std::all_of(processes.cbegin(), processes.cend(), [](const auto &p) {
            return p->state() == QProcess::NotRunning;
        });
    };
    for (const QStringList &arguments : argumentLists) {
        processes.push_back(std::make_unique<QProcess>());
        QProcess *process = processes.back().get();
        QObject::connect(process, &QProcess::stateChanged, &loop,
                         [&loop, &allEnded](QProcess::ProcessState state) {
                             if (state == QProcess::NotRunning && allEnded())
                                 loop.quit();
                         });
        process->start(QStringLiteral(SCALECHECK_CLI_PATH), arguments);
    }
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    bound.start(kRunsBound);
    if (!allEnded())
        loop.exec();

    QList<CliRun> runs;
    for (const auto &process : processes) {
        CliRun run;
        if (process->state() != QProcess::NotRunning) {
            if (process->processId() > 0)
                ::kill(static_cast<pid_t>(process->processId()), SIGKILL);
            process->waitForFinished(-1);
        } else if (process->error() != QProcess::FailedToStart) {
            if (process->exitStatus() == QProcess::NormalExit)
                run.exitCode = process->exitCode();
            run.out = process->readAllStandardOutput().trimmed();
            run.err = QString::fromUtf8(process->readAllStandardError());
        }
        runs.append(run);
    }
    return runs;
}

// Runs scalecheck-cli once to its end, bounded as runClis.
CliRun runCli(const QStringList &arguments, const QString &device)
{
    return runClis({on(arguments, device)}).constFirst();
}

QJsonObject jsonOf(const QByteArray &line)
{
    return QJsonDocument::fromJson(line).object();
}

// What a peer of the test's own does on its pseudo-terminal.
enum class Peer { ModbusAscii, Stream };

// A device at the far end of a pseudo-terminal: it answers every request with a Modbus ASCII
// frame, or sends bytes nobody asked for every 50 ms. It stops when it goes.
class PeerLine
{
public:
    explicit PeerLine(Peer kind)
    {
        int slave = -1;
        if (::openpty(&m_master, &slave, nullptr, nullptr, nullptr) != 0)
            return;
        char name[128] = {};
        ::ttyname_r(slave, name, sizeof name);
        m_path = QString::fromLocal8Bit(name);
        // The slave stays open here, so that the master sees no hang-up between runs.
        m_slave = slave;
        m_thread = std::thread([this, kind] { serve(kind); });
    }
    ~PeerLine()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_master);
        ::close(m_slave);
    }
    QString path() const { return m_path; }

private:
    void serve(Peer kind)
    {
        const QByteArray ascii(":010304000004D222\r\n");
        const QByteArray stream = QByteArray::fromHex("11223344556677889900aabbccddeeff1357");
        // Bounded: the longest test run is well under this.
        for (int turn = 0; turn < 20 * 60 * 10 && !m_stop; ++turn) {
            pollfd fd{m_master, POLLIN, 0};
            const int ready = ::poll(&fd, 1, 50);
            char buffer[256];
            if (ready > 0 && (fd.revents & POLLIN)) {
                if (::read(m_master, buffer, sizeof buffer) > 0 && kind == Peer::ModbusAscii)
                    (void)!::write(m_master, ascii.constData(), size_t(ascii.size()));
            }
            if (kind == Peer::Stream)
                (void)!::write(m_master, stream.constData(), size_t(stream.size()));
        }
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace

class TestDiagnoseCli : public QObject
{
    Q_OBJECT

private slots:
    void diagnose_data();
    void diagnose();
    void failedReadCarriesItsDiagnosis_data();
    void failedReadCarriesItsDiagnosis();
    void find_data();
    void find();
};

void TestDiagnoseCli::diagnose_data()
{
    QTest::addColumn<QStringList>("simArguments"); // empty with a peer
    QTest::addColumn<int>("peer");                 // -1: the simulator
    QTest::addColumn<QStringList>("cliArguments");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("foundKey");
    QTest::addColumn<QString>("foundValue");

    const QStringList plain{"--port", kPort, "diagnose", "--json"};
    QTest::newRow("ok") << QStringList{"--weight", "1234"} << -1 << plain << "ok" << "" << "";
    QTest::newRow("silent") << QStringList{"--fault", "silent"} << -1 << plain << "silent" << ""
                            << "";
    QTest::newRow("wrong address") << QStringList{"--addr", "5"} << -1 << plain
                                   << "wrong-address" << "address" << "5";
    // Beyond the near addresses: found by the sweep that goes on to 247.
    QTest::newRow("address 37") << QStringList{"--addr", "37"} << -1 << plain << "wrong-address"
                                << "address" << "37";
    QTest::newRow("wrong baud") << QStringList{"--baud", "4800"} << -1 << plain << "wrong-baud"
                                << "baud" << "4800";
    QTest::newRow("wrong stop bits") << QStringList{"--stop-bits", "1"} << -1 << plain
                                     << "wrong-parity" << "framing" << "8N1";
    QTest::newRow("late reply") << QStringList{"--fault", "slow"} << -1
                                << QStringList{"--port", kPort, "--timeout", "400", "diagnose",
                                               "--json"}
                                << "late-reply" << "" << "";
    QTest::newRow("garbled") << QStringList{"--fault", "badcrc"} << -1 << plain << "garbled"
                             << "" << "";
    QTest::newRow("echo only") << QStringList{"--fault", "silent,echo"} << -1 << plain
                               << "echo-only" << "" << "";
    QTest::newRow("exception") << QStringList{"--fault", "exception=02"} << -1 << plain
                               << "exception" << "exceptionCode" << "2";
    QTest::newRow("gateway") << QStringList{"--fault", "exception=0x0B"} << -1 << plain
                             << "gateway" << "exceptionCode" << "11";
    QTest::newRow("continuous output") << QStringList{"--text-output", "--weight", "1234"} << -1
                                       << plain << "ascii-output" << "line"
                                       << "ST,GS,+0012.34kg";
    QTest::newRow("modbus ascii") << QStringList{} << int(Peer::ModbusAscii) << plain
                                  << "modbus-ascii" << "line" << "010304000004D222";
    // An instrument set to ASCII hears only ':' ... CR LF: it answers the one question in ASCII.
    QTest::newRow("modbus ascii instrument")
        << QStringList{"--framing", "ascii", "--weight", "1234"} << -1 << plain << "modbus-ascii"
        << "line" << "010304000004D222";
    QTest::newRow("unrequested") << QStringList{} << int(Peer::Stream) << plain << "unrequested"
                                 << "" << "";
}

void TestDiagnoseCli::diagnose()
{
    QFETCH(QStringList, simArguments);
    QFETCH(int, peer);
    QFETCH(QStringList, cliArguments);
    QFETCH(QString, code);
    QFETCH(QString, foundKey);
    QFETCH(QString, foundValue);

    // Each run has a line of its own, so that the runs cannot hear one another's questions.
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::vector<std::unique_ptr<PeerLine>> peerLines;
    QList<QStringList> argumentLists;
    for (int run = 1; run <= kRuns; ++run) {
        QString device;
        if (peer < 0) {
            sims.push_back(std::make_unique<SimProcess>());
            QVERIFY2(sims.back()->start(simArguments), qPrintable(sims.back()->errorString()));
            device = sims.back()->devicePath();
        } else {
            peerLines.push_back(std::make_unique<PeerLine>(Peer(peer)));
            device = peerLines.back()->path();
            QVERIFY(!device.isEmpty());
        }
        argumentLists.append(on(cliArguments, device));
    }
    const QList<CliRun> runs = runClis(argumentLists);
    for (int run = 1; run <= kRuns; ++run) {
        const CliRun &r = runs.at(run - 1);
        const QJsonObject diagnosis = jsonOf(r.out).value("diagnosis").toObject();
        const QString said = QString::fromUtf8(r.out) + r.err;
        QVERIFY2(diagnosis.value("code").toString() == code,
                 qPrintable(QStringLiteral("run %1: %2").arg(run).arg(said)));
        QCOMPARE(r.exitCode, code == QLatin1String("ok") ? 0 : 1);
        QVERIFY(diagnosis.value("asked").toBool());
        QVERIFY(!diagnosis.value("text").toString().isEmpty());
        QVERIFY(diagnosis.value("evidence").toObject().contains("exchanges"));
        // A pseudo-terminal keeps no error counters: none are said.
        QVERIFY(!diagnosis.value("evidence").toObject().contains("lineErrors"));
        if (!foundKey.isEmpty())
            QCOMPARE(diagnosis.value("found").toObject().value(foundKey).toVariant().toString(),
                     foundValue);
        if (code == QLatin1String("late-reply")) {
            const QJsonObject advice = diagnosis.value("advice").toObject();
            QCOMPARE(advice.value("kind").toString(), QString("raise-timeout"));
            QVERIFY(advice.value("timeoutMs").toInt() >= 1800);
        }
    }
}

void TestDiagnoseCli::failedReadCarriesItsDiagnosis_data()
{
    QTest::addColumn<QStringList>("simArguments");
    QTest::addColumn<QString>("code");

    QTest::newRow("silent") << QStringList{"--fault", "silent"} << "silent";
    QTest::newRow("exception") << QStringList{"--fault", "exception=04"} << "exception";
    QTest::newRow("garbled") << QStringList{"--fault", "badcrc"} << "garbled";
    QTest::newRow("echo only") << QStringList{"--fault", "silent,echo"} << "echo-only";
    QTest::newRow("answers") << QStringList{"--weight", "5"} << "";
}

void TestDiagnoseCli::failedReadCarriesItsDiagnosis()
{
    QFETCH(QStringList, simArguments);
    QFETCH(QString, code);

    SimProcess sim;
    QVERIFY2(sim.start(simArguments), qPrintable(sim.errorString()));
    const CliRun r = runCli({"--port", kPort, "--timeout", "300", "read", "comm", "--json"},
                            sim.devicePath());
    const QJsonObject reading = jsonOf(r.out);
    QCOMPARE(reading.value("ok").toBool(), code.isEmpty());
    QCOMPARE(reading.contains("diagnosis"), !code.isEmpty());
    if (code.isEmpty())
        return;
    const QJsonObject diagnosis = reading.value("diagnosis").toObject();
    QCOMPARE(diagnosis.value("code").toString(), code);
    // Only the read's own evidence: the line was asked nothing more.
    QVERIFY(!diagnosis.value("asked").toBool());
    QCOMPARE(diagnosis.value("evidence").toObject().value("exchanges").toArray().size(), 1);
    QVERIFY(!diagnosis.value("advice").toObject().value("kind").toString().isEmpty());
}

void TestDiagnoseCli::find_data()
{
    QTest::addColumn<QStringList>("simArguments");
    QTest::addColumn<QString>("line");

    QTest::newRow("as the window") << QStringList{} << "address 1 baud 9600 parity none stopBits 2";
    QTest::newRow("19200 8N1 address 1") << QStringList{"--baud", "19200", "--stop-bits", "1"}
                                         << "address 1 baud 19200 parity none stopBits 1";
    QTest::newRow("2400 8N2 address 9")
        << QStringList{"--baud", "2400", "--addr", "9"}
        << "address 9 baud 2400 parity none stopBits 2";
}

void TestDiagnoseCli::find()
{
    QFETCH(QStringList, simArguments);
    QFETCH(QString, line);

    // The plain and the JSON answer at once, each from an instrument of its own.
    SimProcess sim;
    QVERIFY2(sim.start(simArguments), qPrintable(sim.errorString()));
    SimProcess jsonSim;
    QVERIFY2(jsonSim.start(simArguments), qPrintable(jsonSim.errorString()));
    const QList<CliRun> runs =
        runClis({on({"--port", kPort, "find", "--to", "16"}, sim.devicePath()),
                 on({"--port", kPort, "find", "--to", "16", "--json"}, jsonSim.devicePath())});
    const CliRun &r = runs.at(0);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(QString::fromUtf8(r.out), line);
    const QJsonObject found = jsonOf(runs.at(1).out);
    QCOMPARE(QStringLiteral("address %1 baud %2 parity %3 stopBits %4")
                 .arg(found.value("address").toInt())
                 .arg(found.value("baud").toInt())
                 .arg(found.value("parity").toString())
                 .arg(found.value("stopBits").toInt()),
             line);
}

QTEST_GUILESS_MAIN(TestDiagnoseCli)
#include "tst_diagnosecli.moc"
