// SPDX-License-Identifier: MIT
// scalecheck-cli's reference commands against a simulated bus of ten instruments: the
// reference saved from one, the others compared with it, the matrix, the JSON, the CSV and the
// exit status; a damaged reference compares nothing.
#include "clirun.h"
#include "simprocess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

// "3 FLtr 2→9" per difference of a compare --json object, and "12 failed" per instrument
// that could not be read.
QStringList flagged(const QJsonObject &object)
{
    QStringList out;
    for (const QJsonValue &i : object.value("instruments").toArray()) {
        const QJsonObject o = i.toObject();
        const int address = o.value("address").toInt();
        if (o.value("result").toString() == QLatin1String("failed"))
            out.append(QStringLiteral("%1 failed").arg(address));
        for (const QJsonValue &d : o.value("differences").toArray())
            out.append(QStringLiteral("%1 %2 %3→%4")
                           .arg(address)
                           .arg(d["code"].toString(), d["reference"]["text"].toString(),
                                d["instrument"]["text"].toString()));
    }
    return out;
}

} // namespace

class TestCliCompare : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void busOfTen_data();
    void busOfTen();
    void damagedReference_data();
    void damagedReference();
    void usage_data();
    void usage();

private:
    QString write(const QString &name, const QByteArray &text)
    {
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(f.fileName()));
        f.write(text);
        return f.fileName();
    }

    QTemporaryDir m_dir;
    QString m_reference;
};

// The reference of an instrument as the factory set it, read from a simulated one.
void TestCliCompare::initTestCase()
{
    QVERIFY(m_dir.isValid());
    SimProcess sim;
    QVERIFY2(sim.start({"--addr", "4"}), qPrintable(sim.errorString()));
    m_reference = m_dir.filePath("reference.json");
    const CliRun saved = runCli({"--port", sim.devicePath(), "--addr", "4", "reference", "save",
                                 "--out", m_reference});
    QCOMPARE(saved.exitCode, 0);
    QCOMPARE(saved.out, QStringList{m_reference});
    QFile file(m_reference);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("{\"code\": \"ID\", \"group\": \"comm\", \"raw\": 4, \"places\": 0, "
                          "\"perInstrument\": true}"));
    QVERIFY(text.contains("{\"code\": \"PSS\", \"group\": \"func1\", \"raw\": 100000, "
                          "\"places\": 5}"));
}

void TestCliCompare::busOfTen_data()
{
    QTest::addColumn<bool>("putRight"); // the three set apart are given the reference's values
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("three set apart, one clock") << false << QStringList{} << 1
                                                << QStringList{"3 FLtr 1→9", "5 AL1 1.50→1.70",
                                                               "8 rCA 4→1"};
    QTest::newRow("put right") << true << QStringList{} << 0 << QStringList{};
    QTest::newRow("one address silent") << true << QStringList{"--addr", "1-10,12"} << 1
                                        << QStringList{"12 failed"};
}

// Ten instruments on one line, one parameter changed on three of them (a different one each)
// and only the clock on a fourth.
void TestCliCompare::busOfTen()
{
    QFETCH(bool, putRight);
    QFETCH(QStringList, extra);
    QFETCH(int, exitCode);
    QFETCH(QStringList, expected);

    const QString same = write("same.txt", "# as the factory set it\n");
    const QString fltr = write("fltr.txt", "0x0035 9\n");
    const QString al1 = write("al1.txt", "0x0014:32 170\n");
    const QString rca = write("rca.txt", "0x0038 1\n");
    const QString clock = write("clock.txt", "0x0047 2019\n0x0048 1\n0x004C 59\n");
    SimProcess sim;
    QVERIFY2(sim.start({"--addr", "1,2,3,4,5,6,7,8,9,10", "--regs-for", "3",
                        putRight ? same : fltr, "--regs-for", "5", putRight ? same : al1,
                        "--regs-for", "8", putRight ? same : rca, "--regs-for", "9", clock}),
             qPrintable(sim.errorString()));
    const QStringList addresses = extra.isEmpty() ? QStringList{"--addr", "1-10"} : extra;
    const QString csv = m_dir.filePath("matrix.csv");
    QFile::remove(csv);
    const CliRun json = runCli(QStringList{"--port", sim.devicePath(), "compare", "--reference",
                                           m_reference, "--json", "--csv", csv} +
                               addresses);
    QCOMPARE(json.exitCode, exitCode);
    QCOMPARE(json.out.size(), 1);
    const QJsonObject object = QJsonDocument::fromJson(json.out.first().toUtf8()).object();
    QCOMPARE(flagged(object), expected);
    QCOMPARE(object.value("ok").toBool(), exitCode == 0);
    const QJsonArray instruments = object.value("instruments").toArray();
    QCOMPARE(instruments.size(), extra.isEmpty() ? 10 : 11);
    // The clock of 9 and every address are not differences; nothing is within a tolerance.
    for (const QJsonValue &i : instruments)
        QVERIFY(i["withinTolerance"].toArray().isEmpty());
    QFile matrix(csv);
    QVERIFY(matrix.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = matrix.readAll().split('\n');
    if (!putRight) {
        QCOMPARE(rows.at(0), QByteArray("address,result,AL1,FLtr,rCA"));
        QCOMPARE(rows.at(1), QByteArray("reference,,1.50,1,4"));
        QCOMPARE(rows.at(4), QByteArray("3,differs,=,9,="));
        QCOMPARE(rows.at(10), QByteArray("9,same,=,=,="));
    }

    // The same as the operator reads it: the matrix, then a line per instrument.
    const CliRun plain = runCli(QStringList{"--port", sim.devicePath(), "--lang", "zh",
                                            "compare", "--reference", m_reference} +
                                addresses);
    QCOMPARE(plain.exitCode, exitCode);
    QCOMPARE(plain.out.size(), 2 + 2 * instruments.size());
    QVERIFY2(plain.out.first().startsWith(QStringLiteral("地址")), qPrintable(plain.out.first()));
    const QStringList verdicts = plain.out.mid(2 + int(instruments.size()));
    QCOMPARE(verdicts.first(), QStringLiteral("地址 1：同"));
    QCOMPARE(verdicts.at(2), putRight ? QStringLiteral("地址 3：同")
                                      : QStringLiteral("地址 3：不同 1 项（FLtr）"));
    QCOMPARE(verdicts.at(8), QStringLiteral("地址 9：同"));
    if (!extra.isEmpty())
        QCOMPARE(verdicts.last(), QStringLiteral("地址 12：无法比较，小数点读取失败：无应答"));
}

void TestCliCompare::damagedReference_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::addColumn<QString>("says");
    QTest::newRow("truncated") << QByteArray("\"code\": \"rCo\"") << QByteArray("cut")
                               << QStringLiteral("参考文件第 24 行，参数 rCo：不是完整有效的 JSON");
    QTest::newRow("wrong type") << QByteArray("\"raw\": 100000") << QByteArray("\"raw\": true")
                                << QStringLiteral("参考文件第 17 行，参数 PSS：字段“raw”类型错误");
    QTest::newRow("unknown code") << QByteArray("\"code\": \"disp\"")
                                  << QByteArray("\"code\": \"DISP\"")
                                  << QStringLiteral("第 26 行，参数 DISP：仪表没有这个参数代码");
    QTest::newRow("duplicate code") << QByteArray("\"code\": \"disp\"")
                                    << QByteArray("\"code\": \"td\"")
                                    << QStringLiteral("第 26 行，参数 td：参数重复（第 23 行已有）");
}

// A damaged reference is refused before the line is opened: its message names the line and
// the entry, and no matrix is printed.
void TestCliCompare::damagedReference()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, says);
    QFile good(m_reference);
    QVERIFY(good.open(QIODevice::ReadOnly));
    QByteArray text = good.readAll();
    const qsizetype at = text.indexOf(from);
    QVERIFY(at > 0);
    if (to == "cut")
        text.truncate(at + from.size());
    else
        text.replace(at, from.size(), to);
    const QString damaged = write("damaged.json", text);
    const CliRun run = runCli({"--port", "/dev/null/none", "--lang", "zh", "compare",
                               "--reference", damaged, "--json"});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QStringList{});
    QVERIFY2(run.err.contains(says), qPrintable(run.err));
    QVERIFY2(!run.err.contains(QStringLiteral("无法打开端口")), qPrintable(run.err));
}

void TestCliCompare::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("says");
    QTest::newRow("compare without a reference") << QStringList{"compare"}
                                                 << QStringLiteral("compare 缺少 --reference");
    QTest::newRow("a range backwards") << QStringList{"compare", "--reference", "r", "--addr", "9-5"}
                                       << QStringLiteral("--addr 的值“9-5”无效");
    QTest::newRow("an address twice") << QStringList{"compare", "--reference", "r", "--addr", "1,1-3"}
                                      << QStringLiteral("--addr 的值“1,1-3”无效");
    QTest::newRow("address 248") << QStringList{"compare", "--reference", "r", "--addr", "240-248"}
                                 << QStringLiteral("无效");
    QTest::newRow("compare has no --out") << QStringList{"compare", "--reference", "r", "--out", "x"}
                                          << QStringLiteral("compare 命令没有 --out 选项");
    QTest::newRow("reference without save") << QStringList{"reference", "--out", "x"}
                                            << QStringLiteral("reference 后应为 save");
    QTest::newRow("save without --out") << QStringList{"reference", "save"}
                                        << QStringLiteral("reference save 缺少 --out");
    QTest::newRow("save takes one address") << QStringList{"reference", "save", "--out", "x",
                                                           "--addr", "1,2"}
                                            << QStringLiteral("--addr 的值“1,2”无效");
    QTest::newRow("save writes no matrix") << QStringList{"reference", "save", "--out", "x",
                                                          "--json"}
                                           << QStringLiteral("reference 命令没有 --json 选项");
    QTest::newRow("read has no --reference") << QStringList{"read", "all", "--reference", "r"}
                                             << QStringLiteral("read 命令没有 --reference 选项");
}

void TestCliCompare::usage()
{
    QFETCH(QStringList, args);
    QFETCH(QString, says);
    const CliRun run = runCli(QStringList{"--lang", "zh", "--port", "/dev/null/none"} + args);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(says), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestCliCompare)
#include "tst_clicompare.moc"
