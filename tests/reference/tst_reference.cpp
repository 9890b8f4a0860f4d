// SPDX-License-Identifier: MIT
// The reference set: made from one instrument's values, written and read back, refused when
// damaged; the comparison with its tolerance and ignore; the reader on the in-memory line.
#include "comparison.h"
#include "fakebus.h"
#include "parametersetreader.h"
#include "instrumentregisters.h"
#include "referenceset.h"

#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

QList<ParameterValue> withRaw(QList<ParameterValue> values, const QString &code, qint32 raw,
                              std::optional<int> places = std::nullopt)
{
    for (ParameterValue &v : values) {
        if (code == QLatin1String(v.code)) {
            v.raw = raw;
            if (places)
                v.places = *places;
        }
    }
    return values;
}

ReferenceSet factoryReference()
{
    return *ReferenceSet::fromValues(valuesOf(factoryRegisters(1)));
}

// "AL1 100.00→120.00" for a difference out of tolerance, "~" instead of "→" within it.
QStringList describe(const Comparison &c)
{
    QStringList out;
    for (const Difference &d : c.deviations)
        out.append(QStringLiteral("%1 %2%3%4")
                       .arg(QLatin1String(d.code), valueText(d.reference),
                            d.withinTolerance ? QStringLiteral("~") : QStringLiteral("→"),
                            d.instrument ? valueText(*d.instrument) : QStringLiteral("?")));
    return out;
}

} // namespace

class TestReference : public QObject
{
    Q_OBJECT

private slots:
    void madeFromValues();
    void writtenAndReadBack();
    void comparison_data();
    void comparison();
    void damagedFile_data();
    void damagedFile();
    void fileOnDisk();
    void readerTakesEachInstrument();
    void readerStopsAtTheFirstFailure_data();
    void readerStopsAtTheFirstFailure();
};

void TestReference::madeFromValues()
{
    const QList<ParameterValue> values = valuesOf(factoryRegisters(1));
    QCOMPARE(values.size(), kValueBoxes);
    const std::optional<ReferenceSet> set = ReferenceSet::fromValues(values);
    QVERIFY(set);
    QCOMPARE(set->entries().size(), kValueBoxes);
    QStringList ignored, perInstrument;
    for (const ReferenceEntry &e : set->entries()) {
        if (e.ignore)
            ignored.append(QLatin1String(e.code));
        if (e.perInstrument)
            perInstrument.append(QLatin1String(e.code));
        QVERIFY(!e.tolerance);
    }
    QCOMPARE(ignored, (QStringList{"year", "moth", "day", "hour", "mint", "sec"}));
    QCOMPARE(perInstrument, (QStringList{"ID", "bAud"}));
    QCOMPARE(set->entry("AL1")->raw, 150);
    QCOMPARE(set->entry("AL1")->places, 2);
    QCOMPARE(set->entry("PSS")->places, 5);
    QCOMPARE(set->entry("uniT")->group, 3);
    // Not one instrument's whole read: no reference.
    QVERIFY(!ReferenceSet::fromValues(values.mid(0, 34)));
    QVERIFY(!ReferenceSet::fromValues(values + values.mid(3, 1)));
}

void TestReference::writtenAndReadBack()
{
    ReferenceSet set = factoryReference();
    set.entry("PSS")->tolerance = 20;
    set.entry("FLtr")->ignore = true;
    const QByteArray text = set.toJson(QStringLiteral("/dev/ttyUSB0 地址 1"));
    const ReferenceLoad back = ReferenceSet::parse(text);
    QVERIFY2(back.set, back.error ? qPrintable(referenceErrorText(*back.error)) : "");
    QCOMPARE(back.set->source(), QStringLiteral("/dev/ttyUSB0 地址 1"));
    QCOMPARE(back.set->entries().size(), set.entries().size());
    for (int i = 0; i < set.entries().size(); ++i) {
        const ReferenceEntry &a = set.entries().at(i);
        const ReferenceEntry &b = back.set->entries().at(i);
        QCOMPARE(QLatin1String(b.code), QLatin1String(a.code));
        QCOMPARE(b.value(), a.value());
        QCOMPARE(b.tolerance, a.tolerance);
        QCOMPARE(b.ignore, a.ignore);
        QCOMPARE(b.perInstrument, a.perInstrument);
    }
    // One entry a line, in the groups' order, so that a message's line is one parameter.
    const QList<QByteArray> lines = text.split('\n');
    const int first = int(lines.indexOf("  \"parameters\": [")) + 1;
    QCOMPARE(lines.at(first),
             QByteArray("    {\"code\": \"ALV\", \"group\": \"alarm\", \"raw\": 1000, \"places\": 2},"));
    QVERIFY(lines.at(first + 11).contains("\"code\": \"PSS\"") &&
            lines.at(first + 11).contains("\"tolerance\": 20"));
    QVERIFY(lines.at(first + 22).contains("\"ID\"") &&
            lines.at(first + 22).contains("\"perInstrument\": true"));
    QVERIFY(lines.at(first + 34).contains("\"sec\"") && lines.at(first + 34).contains("\"ignore\""));
}

void TestReference::comparison_data()
{
    QTest::addColumn<QString>("rule");        // "CODE tolerance N" / "CODE ignore" / ""
    QTest::addColumn<QString>("code");        // the parameter set differently
    QTest::addColumn<int>("raw");
    QTest::addColumn<int>("places");          // -1: as the reference
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("differences");

    QTest::newRow("the same") << "" << "" << 0 << -1 << QStringList{} << 0;
    QTest::newRow("one 32-bit value") << "" << "AL1" << 170 << -1 << QStringList{"AL1 1.50→1.70"}
                                      << 1;
    QTest::newRow("one 16-bit value") << "" << "FLtr" << 9 << -1 << QStringList{"FLtr 2→9"} << 1;
    QTest::newRow("within tolerance, above") << "PSS tolerance 20" << "PSS" << 100020 << -1
                                             << QStringList{"PSS 1.00000~1.00020"} << 0;
    QTest::newRow("within tolerance, below") << "PSS tolerance 20" << "PSS" << 99980 << -1
                                             << QStringList{"PSS 1.00000~0.99980"} << 0;
    QTest::newRow("one count past the tolerance")
        << "PSS tolerance 20" << "PSS" << 100021 << -1 << QStringList{"PSS 1.00000→1.00021"} << 1;
    QTest::newRow("tolerance 0 is exact") << "PSS tolerance 0" << "PSS" << 100001 << -1
                                          << QStringList{"PSS 1.00000→1.00001"} << 1;
    QTest::newRow("same count, other places: another value, whatever the tolerance")
        << "ALV tolerance 1000" << "ALV" << 1000 << 1 << QStringList{"ALV 10.00→100.0"} << 1;
    QTest::newRow("the whole 32-bit range apart")
        << "OBH tolerance 10" << "OBH" << -2147483647 - 1 << -1
        << QStringList{"OBH 99.99→-21474836.48"} << 1;
    QTest::newRow("ignored") << "FLtr ignore" << "FLtr" << 9 << -1 << QStringList{} << 0;
    QTest::newRow("the clock, ignored by default") << "" << "year" << 2019 << -1 << QStringList{}
                                                   << 0;
    QTest::newRow("the address, per instrument") << "" << "ID" << 7 << -1 << QStringList{} << 0;
    QTest::newRow("the baud code, per instrument") << "" << "bAud" << 1 << -1 << QStringList{}
                                                   << 0;
    QTest::newRow("not read") << "" << "missing uniT" << 0 << -1 << QStringList{"uniT 10→?"} << 1;
}

void TestReference::comparison()
{
    QFETCH(QString, rule);
    QFETCH(QString, code);
    QFETCH(int, raw);
    QFETCH(int, places);
    QFETCH(QStringList, expected);
    QFETCH(int, differences);

    ReferenceSet reference = factoryReference();
    const QStringList words = rule.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() == 3)
        reference.entry(words.at(0))->tolerance = words.at(2).toLongLong();
    else if (words.size() == 2)
        reference.entry(words.at(0))->ignore = true;
    QList<ParameterValue> values = valuesOf(factoryRegisters(1));
    if (code.startsWith(QLatin1String("missing "))) {
        const QString gone = code.mid(8);
        values.removeIf([&gone](const ParameterValue &v) { return gone == QLatin1String(v.code); });
    } else if (!code.isEmpty()) {
        values = withRaw(values, code, raw, places < 0 ? std::nullopt : std::optional(places));
    }
    const Comparison c = compare(reference, values);
    QCOMPARE(describe(c), expected);
    QCOMPARE(c.differenceCount(), differences);
    QCOMPARE(c.same(), differences == 0);
    QCOMPARE(c.compared + c.ignored + c.perInstrument, kValueBoxes);
    QCOMPARE(c.perInstrument, 2);
}

void TestReference::damagedFile_data()
{
    QTest::addColumn<QByteArray>("from"); // a part of the good file, replaced...
    QTest::addColumn<QByteArray>("to");   // ...by this ("" with from "" : cut at the middle)
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("line");        // 0: not named
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("says");    // a part of the message

    using K = ReferenceError::Kind;
    // The good file's lines: 1 "{", 2 format, 3 version, 4 source, 5 "parameters", then the
    // entries from line 6 (ALV) in the groups' order: PSS on 17, FLtr on 22, uniT on 34.
    QTest::newRow("truncated in PSS")
        << QByteArray("\"PSS\", \"group\": \"func1\", \"raw\": 100000") << QByteArray("cut")
        << int(K::NotJson) << 17 << "PSS" << "参考文件第 17 行，参数 PSS：不是完整有效的 JSON";
    QTest::newRow("raw a string") << QByteArray("\"FLtr\", \"group\": \"func2\", \"raw\": 2")
                                  << QByteArray("\"FLtr\", \"group\": \"func2\", \"raw\": \"2\"")
                                  << int(K::WrongType) << 22 << "FLtr"
                                  << "参考文件第 22 行，参数 FLtr：字段“raw”类型错误";
    QTest::newRow("raw with a fraction")
        << QByteArray("\"FLtr\", \"group\": \"func2\", \"raw\": 2")
        << QByteArray("\"FLtr\", \"group\": \"func2\", \"raw\": 2.5") << int(K::WrongType) << 22
        << "FLtr" << "类型错误（应为 integer）";
    QTest::newRow("unknown code") << QByteArray("\"code\": \"FLtr\"")
                                  << QByteArray("\"code\": \"FLTR\"") << int(K::UnknownCode) << 22
                                  << "FLTR" << "参考文件第 22 行，参数 FLTR：仪表没有这个参数代码";
    QTest::newRow("duplicate code") << QByteArray("\"code\": \"uniT\"")
                                    << QByteArray("\"code\": \"FLtr\"") << int(K::Duplicate) << 34
                                    << "FLtr" << "参数重复（第 22 行已有）";
    QTest::newRow("missing entry")
        << QByteArray("    {\"code\": \"uniT\", \"group\": \"comm\", \"raw\": 10, \"places\": 0},\n")
        << QByteArray() << int(K::Missing) << 0 << "uniT" << "缺少参数 uniT";
    QTest::newRow("wrong group") << QByteArray("\"FLtr\", \"group\": \"func2\"")
                                 << QByteArray("\"FLtr\", \"group\": \"func1\"") << int(K::WrongGroup)
                                 << 22 << "FLtr" << "参数组应为“func2”";
    QTest::newRow("missing field") << QByteArray("\"FLtr\", \"group\": \"func2\", ")
                                   << QByteArray("\"FLtr\", ") << int(K::MissingField) << 22
                                   << "FLtr" << "缺少字段“group”";
    QTest::newRow("unknown field") << QByteArray("\"code\": \"FLtr\"")
                                   << QByteArray("\"code\": \"FLtr\", \"tolerence\": 3")
                                   << int(K::UnknownKey) << 22 << "FLtr" << "未知字段“tolerence”";
    QTest::newRow("places out of the rule") << QByteArray("\"raw\": 100000, \"places\": 5")
                                            << QByteArray("\"raw\": 100000, \"places\": 2")
                                            << int(K::OutOfRange) << 17 << "PSS"
                                            << "字段“places”超出范围（应为 5）";
    // A point no value can be shown with is no point to compare with, as the window refuses it.
    QTest::newRow("places beyond showing")
        << QByteArray("\"ALV\", \"group\": \"alarm\", \"raw\": 1000, \"places\": 2")
        << QByteArray("\"ALV\", \"group\": \"alarm\", \"raw\": 1000, \"places\": 11")
        << int(K::OutOfRange) << 6 << "ALV" << "字段“places”超出范围（应为 0..10）";
    QTest::newRow("places below 0")
        << QByteArray("\"ALV\", \"group\": \"alarm\", \"raw\": 1000, \"places\": 2")
        << QByteArray("\"ALV\", \"group\": \"alarm\", \"raw\": 1000, \"places\": -1")
        << int(K::OutOfRange) << 6 << "ALV" << "（应为 0..10）";
    QTest::newRow("16-bit raw too big") << QByteArray("\"FLtr\", \"group\": \"func2\", \"raw\": 2")
                                        << QByteArray("\"FLtr\", \"group\": \"func2\", \"raw\": 65536")
                                        << int(K::OutOfRange) << 22 << "FLtr" << "0..65535";
    QTest::newRow("negative tolerance") << QByteArray("\"code\": \"FLtr\"")
                                        << QByteArray("\"code\": \"FLtr\", \"tolerance\": -1")
                                        << int(K::OutOfRange) << 22 << "FLtr" << "tolerance";
    QTest::newRow("ignore as text") << QByteArray("\"code\": \"FLtr\"")
                                    << QByteArray("\"code\": \"FLtr\", \"ignore\": \"yes\"")
                                    << int(K::WrongType) << 22 << "FLtr" << "ignore";
    QTest::newRow("an entry not an object")
        << QByteArray("{\"code\": \"FLtr\", \"group\": \"func2\", \"raw\": 2, \"places\": 0}")
        << QByteArray("\"FLtr\"") << int(K::NotAnEntry) << 22 << "" << "第 17 个条目：条目不是对象";
    QTest::newRow("newer version") << QByteArray("\"version\": 1") << QByteArray("\"version\": 2")
                                   << int(K::Version) << 0 << "" << "版本 2 不受支持";
    QTest::newRow("not a reference") << QByteArray("scalecheck-reference")
                                     << QByteArray("scalecheck-snapshot") << int(K::NotReference)
                                     << 1 << "" << "不是 scalecheck 参考文件";
    QTest::newRow("no parameters") << QByteArray("\"parameters\"") << QByteArray("\"params\"")
                                   << int(K::UnknownKey) << 0 << "" << "未知字段“params”";
}

void TestReference::damagedFile()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(int, kind);
    QFETCH(int, line);
    QFETCH(QString, code);
    QFETCH(QString, says);

    QByteArray text = factoryReference().toJson(QStringLiteral("bench"));
    QVERIFY(ReferenceSet::parse(text).set);
    const qsizetype at = text.indexOf(from);
    QVERIFY(at >= 0);
    if (to == "cut")
        text.truncate(at + from.size());
    else
        text.replace(at, from.size(), to);

    const ReferenceLoad load = ReferenceSet::parse(text);
    QVERIFY(!load.set);
    QVERIFY(load.error);
    QCOMPARE(int(load.error->kind), kind);
    QCOMPARE(load.error->line, line);
    QCOMPARE(load.error->code, code);
    const QString message = referenceErrorText(*load.error);
    QVERIFY2(message.contains(says), qPrintable(message));
}

void TestReference::fileOnDisk()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("line3.json"));
    QString error;
    QVERIFY2(factoryReference().save(path, QStringLiteral("COM1"), &error), qPrintable(error));
    const ReferenceLoad back = ReferenceSet::load(path);
    QVERIFY(back.set);
    QCOMPARE(back.set->entries().size(), kValueBoxes);
    // A folder that is not there: the system's words, nothing written.
    QVERIFY(!factoryReference().save(dir.filePath(QStringLiteral("no/such.json")), {}, &error));
    QVERIFY(!error.isEmpty());
    const ReferenceLoad none = ReferenceSet::load(dir.filePath(QStringLiteral("none.json")));
    QVERIFY(!none.set);
    QCOMPARE(none.error->kind, ReferenceError::Kind::CannotRead);
    QVERIFY(referenceErrorText(*none.error).startsWith(QStringLiteral("无法读取参考文件：")));
}

void TestReference::readerTakesEachInstrument()
{
    VirtualClock clock;
    FakePort port;
    QVERIFY(port.open().opened());
    RequestQueue queue(&port, clock);
    FakeBus bus(port, queue, clock);
    QMap<quint16, quint16> other = factoryRegisters(4);
    other[0x0025] = 1; // the decimal point: one place
    other[0x0035] = 9; // FLtr
    bus.add({2, 0, answering(2, factoryRegisters(2)), 10ms});
    bus.add({4, 4800, answering(4, other), 10ms});

    ParameterSetReader reader(&queue);
    reader.setPurpose(RequestPurpose::BusPoll, true);
    QList<InstrumentParameters> reads;
    int finished = 0;
    connect(&reader, &ParameterSetReader::instrumentRead, &reader,
            [&reads](const InstrumentParameters &r) { reads.append(r); });
    connect(&reader, &ParameterSetReader::finished, &reader, [&finished] { ++finished; });
    QVERIFY(reader.start({{2, 0}, {4, 4800}}));
    QVERIFY(!reader.start({{2, 0}}));
    clock.advance(5s);

    QCOMPARE(finished, 1);
    QCOMPARE(reads.size(), 2);
    QVERIFY(reads.at(0).ok() && reads.at(1).ok());
    QCOMPARE(reads.at(0).values, valuesOf(factoryRegisters(2)));
    QCOMPARE(reads.at(1).values, valuesOf(other));
    const Comparison c = compare(factoryReference(), reads.at(1).values);
    // The point of 4 puts every weight parameter at one place, FLtr was set apart.
    QCOMPARE(describe(c).first(), QStringLiteral("ALV 10.00→100.0"));
    QVERIFY(describe(c).contains(QStringLiteral("dot 2→1")));
    QVERIFY(describe(c).contains(QStringLiteral("FLtr 2→9")));
    // Five requests an instrument, one after the other: the point, then the four groups.
    QCOMPARE(bus.requests.size(), 10);
    const QList<quint16> starts{0x0024, 0x0010, 0x0020, 0x0034, 0x0040};
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(bus.requests.at(i).start, starts.at(i % 5));
        QCOMPARE(bus.requests.at(i).address, quint8(i < 5 ? 2 : 4));
        QCOMPARE(bus.requests.at(i).baud, i < 5 ? 0 : 4800);
        QCOMPARE(bus.requests.at(i).purpose, RequestPurpose::BusPoll);
        QVERIFY(bus.requests.at(i).background);
    }
}

void TestReference::readerStopsAtTheFirstFailure_data()
{
    QTest::addColumn<int>("failAt");     // the register block that fails
    QTest::addColumn<bool>("exception"); // by an exception reply, else by silence
    QTest::addColumn<int>("requests");   // sent to the instrument
    QTest::addColumn<int>("failedRead");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qint32>("dot"); // the instrument's point, when it answers for it

    const int point = InstrumentParameters::kPointRead;
    QTest::newRow("silent") << 0x0024 << false << 1 << point << false << 0;
    QTest::newRow("no decimal point: whole counts") << 0x0024 << true << 5 << 0 << true << 0;
    QTest::newRow("function 2 refused") << 0x0034 << true << 4 << 2 << false << 0;
    QTest::newRow("communication silent") << 0x0040 << false << 5 << 3 << false << 0;
    // The alarm values it places cannot be shown: nothing more is asked.
    QTest::newRow("point 300") << 0x0024 << false << 2 << point << false << 300;
    QTest::newRow("point -1") << 0x0024 << false << 2 << point << false << -1;
}

void TestReference::readerStopsAtTheFirstFailure()
{
    QFETCH(int, failAt);
    QFETCH(bool, exception);
    QFETCH(int, requests);
    QFETCH(int, failedRead);
    QFETCH(bool, ok);
    QFETCH(qint32, dot);

    VirtualClock clock;
    FakePort port;
    QVERIFY(port.open().opened());
    RequestQueue queue(&port, clock);
    FakeBus bus(port, queue, clock);
    const FakeBus::Reply normal = answering(3, factoryRegisters(3));
    bus.add({3, 0,
             [&](const QByteArray &w) {
                 if (frameWordAt(w, 2) != failAt)
                     return normal(w);
                 if (dot != 0)
                     return registersReply(3, {quint16(quint32(dot) >> 16), quint16(dot)});
                 return exception ? exceptionReply(3, 0x02) : QByteArray();
             },
             10ms});
    bus.add({5, 0, answering(5, factoryRegisters(5)), 10ms});
    ParameterSetReader reader(&queue);
    QList<InstrumentParameters> reads;
    connect(&reader, &ParameterSetReader::instrumentRead, &reader,
            [&reads](const InstrumentParameters &r) { reads.append(r); });
    QVERIFY(reader.start({{3, 0}, {5, 0}}));
    clock.advance(20s);

    QCOMPARE(reads.size(), 2);
    QCOMPARE(reads.at(0).ok(), ok);
    const int asked3 = int(std::count_if(bus.requests.cbegin(), bus.requests.cend(),
                                         [](const ReadRequest &r) { return r.address == 3; }));
    QCOMPARE(asked3, requests);
    if (dot != 0) {
        QCOMPARE(reads.at(0).failedRead, failedRead);
        QVERIFY(reads.at(0).values.isEmpty());
        QVERIFY(!reads.at(0).failure);
        QCOMPARE(reads.at(0).refusedPlaces, std::optional<qint32>(dot));
    } else if (!ok) {
        QCOMPARE(reads.at(0).failedRead, failedRead);
        QVERIFY(reads.at(0).values.isEmpty());
        QCOMPARE(reads.at(0).failure->request.start, quint16(failAt));
    } else {
        // Without the register the weights are whole counts.
        QCOMPARE(reads.at(0).values.first().places, 0);
    }
    // The next instrument is read whatever became of the one before.
    QVERIFY(reads.at(1).ok());
    QCOMPARE(reads.at(1).values.size(), kValueBoxes);
}

QTEST_GUILESS_MAIN(TestReference)
#include "tst_reference.moc"
