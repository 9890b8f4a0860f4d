// SPDX-License-Identifier: MIT
// Tests of the snapshot record: its CSV, JSON and text forms read back, the atomic write, saving.
#include "atomicwrite.h"
#include "messageboxwatcher.h"
#include "parametergroups.h"
#include "snapshot.h"
#include "snapshotexport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

const QByteArray kBom("\xEF\xBB\xBF");
constexpr int kHeaderLines = 6;
constexpr int kTableStart = kHeaderLines + 2; // after the empty line and the column names
constexpr int kBoxes = 35;

// The records of a CSV file after its byte-order mark, read strictly as RFC 4180 has them: CRLF
// after every record, a quote only around a whole field and doubled inside it. Like a
// spreadsheet set to trim blanks it trims fields that are not quoted, so a value that needs its
// leading blank survives only in quotes. Stops the test on any fault.
QList<QStringList> csvOf(const Snapshot &s)
{
    const QByteArray bytes = toCsv(s);
    if (!bytes.startsWith(kBom) || bytes.mid(kBom.size()).startsWith(kBom))
        qFatal("CSV without exactly one byte-order mark");
    const QString text = QString::fromUtf8(bytes.mid(kBom.size()));
    static const QRegularExpression field(QStringLiteral("\"((?:[^\"]|\"\")*)\"(,|\r\n)|"
                                                         "([^\",\r\n]*)(,|\r\n)"));
    QList<QStringList> records;
    QStringList record;
    for (qsizetype at = 0; at < text.size();) {
        const auto m = field.match(text, at, QRegularExpression::NormalMatch,
                                   QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch())
            qFatal("CSV does not parse at %lld", qlonglong(at));
        const bool quoted = m.capturedLength(2) > 0;
        record.append(quoted ? m.captured(1).replace("\"\"", "\"") : m.captured(3).trimmed());
        if (m.captured(quoted ? 2 : 4) == "\r\n")
            records.append(std::exchange(record, {}));
        at = m.capturedEnd();
    }
    if (!record.isEmpty())
        qFatal("CSV ends after a comma");
    return records;
}

QJsonObject jsonOf(const Snapshot &s)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(toJson(s), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        qFatal("JSON does not parse: %s", qPrintable(error.errorString()));
    return doc.object();
}

// Every box holds its code after a marker, so a value under the wrong code shows.
QString boxTextFor(int box)
{
    return QStringLiteral("v%1").arg(box);
}

const QString kDevice = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R,A1-if00-port0");

SnapshotLine knownLine()
{
    return {QStringLiteral("COM1"), kDevice, LineKind::Serial, LineSettings::instrument(9600), 1};
}

// Every box holds what the operator typed: its code after a marker.
Snapshot knownSnapshot()
{
    return Snapshot::of(QDateTime(QDate(2024, 5, 1), QTime(10, 20, 30), Qt::OffsetFromUTC,
                                  8 * 3600),
                        knownLine(), WeightReading::portClosed(), parameterValues({}, boxTextFor));
}

QStringList entriesOf(const QTemporaryDir &dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// Answers the next modal file dialog with `answer`; it may cancel or accept it.
class FileDialogDriver : public QObject
{
public:
    explicit FileDialogDriver(std::function<void(QFileDialog *)> answer)
    {
        connect(&m_poll, &QTimer::timeout, this, [this, answer] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                m_poll.stop();
                title = dialog->windowTitle();
                answer(dialog);
            }
        });
        m_poll.start(10);
    }
    QString title; // empty until a dialog was seen

private:
    QTimer m_poll;
};

} // namespace

class TestSnapshot : public QObject
{
    Q_OBJECT

private slots:
    void formsReadBack();
    void awkwardTextSurvives_data();
    void awkwardTextSurvives();
    void noAddress();
    void typedFormsAsShown_data();
    void typedFormsAsShown();
    void decodedAndEnteredBoxes();
    void atomicWrite_data();
    void atomicWrite();
    void save_data();
    void save();
    void exportAsksForAPath();
};

// The CSV, the JSON and the text hold the same header and one row per box in the instrument's
// order, each with its page and code.
void TestSnapshot::formsReadBack()
{
    const Snapshot s = knownSnapshot();
    QList<QStringList> expected = {
        {"时间", "2024-05-01 10:20:30"},
        {"端口", "COM1"},
        {"设备", "/dev/serial/by-id/usb-FTDI_FT232R,A1-if00-port0"},
        {"通讯参数", "9600,n,8,2"},
        {"仪表地址", "1"},
        {"毛重", "无数据“"},
        {QString()},
        {"参数页", "代码", "框号", "值"},
    };
    for (const SnapshotValue &v : s.values)
        expected << QStringList{v.page(), v.code(), QString::number(v.box), v.text()};
    QCOMPARE(expected.size(), kTableStart + kBoxes);
    QCOMPARE(expected.at(kTableStart + 3), QStringList({"报警参数组", "AL!C", "3", "v3"}));
    QCOMPARE(expected.at(kTableStart + 9), QStringList({"仪表功能参数组1", "dot", "9", "v9"}));
    QCOMPARE(expected.at(kTableStart + 15), QStringList({"仪表功能参数组2", "Inty", "15", "v15"}));
    QCOMPARE(expected.at(kTableStart + 25), QStringList({"通信，时间参数组", "CTB", "25", "v25"}));
    QCOMPARE(csvOf(s), expected);
    QStringList text;
    for (const QStringList &record : std::as_const(expected))
        text << record.join('\t') + '\n';
    QCOMPARE(toText(s), text.join(QString()));

    const QJsonObject o = jsonOf(s);
    const QString time = o.value("time").toString();
    QVERIFY2(time.endsWith("+08:00"), qPrintable(time));
    QCOMPARE(QDateTime::fromString(time, Qt::ISODate), s.time);
    QCOMPARE((QStringList{o.value("port").toString(), o.value("device").toString(),
                          o.value("settings").toString(), o.value("weight").toString()}),
             (QStringList{"COM1", kDevice, "9600,n,8,2", "无数据“"}));
    QVERIFY(o.value("address").isDouble());
    QCOMPARE(o.value("address").toInt(), 1);
    const QJsonArray values = o.value("values").toArray();
    QCOMPARE(values.size(), kBoxes);
    for (int i = 0; i < kBoxes; ++i) {
        const QJsonObject v = values.at(i).toObject();
        QCOMPARE((QStringList{v.value("page").toString(), v.value("code").toString(),
                              v.value("box").toVariant().toString(), v.value("value").toString()}),
                 expected.at(kTableStart + i));
        QVERIFY(v.value("box").isDouble());
    }
}

void TestSnapshot::awkwardTextSurvives_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("asText"); // what the tab-separated form can keep of it
    const auto row = [](const char *name, const char *text, const char *asText) {
        QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(asText);
    };
    row("one-register value", " 2008", " 2008");
    row("trailing blank", "12.5 ", "12.5 ");
    row("comma", "1,5", "1,5");
    row("quote", "5\"", "5\"");
    row("empty box", "", "");
    row("line break", "a\r\nb", "a  b");
    row("tab", "a\tb", "a b");
}

void TestSnapshot::awkwardTextSurvives()
{
    QFETCH(QString, text);
    QFETCH(QString, asText);

    // Box 15 is the first one-register field, where the leading blank comes from.
    constexpr int kBox = 15;
    Snapshot s = knownSnapshot();
    s.values =
        parameterValues({}, [&text](int box) { return box == kBox ? text : boxTextFor(box); });

    const QList<QStringList> records = csvOf(s);
    QCOMPARE(records.size(), kTableStart + kBoxes);
    QCOMPARE(records.at(kTableStart + kBox).at(3), text);
    QCOMPARE(records.at(kTableStart + kBox + 1).at(3), boxTextFor(kBox + 1));

    const QJsonObject o = jsonOf(s);
    QCOMPARE(o.value("values").toArray().at(kBox).toObject().value("value").toString(), text);

    const QStringList lines = toText(s).split('\n');
    QCOMPARE(lines.size(), kTableStart + kBoxes + 1);
    QCOMPARE(lines.at(kTableStart + kBox).split('\t').mid(3), QStringList{asText});
}

void TestSnapshot::noAddress()
{
    Snapshot s = knownSnapshot();
    s.line->address.reset();
    QCOMPARE(csvOf(s).at(4), QStringList({"仪表地址", QString()}));
    const QJsonObject o = jsonOf(s);
    QVERIFY(o.contains("address"));
    QVERIFY(o.value("address").isNull());
}

namespace {

// The values of a function 1 read and a function 2 read as the group reader decodes them.
QList<ParameterValue> decodedValues()
{
    // d-H -100, PvH 1500, dot 1, Psb 1500, PSS 5, oBty 1, OBL 200, OBH 9999
    const QByteArray function1 = QByteArray::fromHex(
        "ffffff9c000005dc00000001000005dc0000000500000001000000c80000270f");
    const QByteArray function2 = QByteArray::fromHex("010500007fffffff000100020003");
    return decodeValues(parameterGroups().at(1), function1, 2) +
           decodeValues(parameterGroups().at(2), function2, 0);
}

WeightReading readingOf(std::optional<qint32> counts, int places, ReplyStatus status)
{
    WeightReading r;
    r.counts = counts;
    r.places = places;
    r.result.stage = ReadEnd::Stage::Read;
    r.result.check = {status};
    return r;
}

} // namespace

// A record made of typed values is written as the window shows them: the line's settings and
// the weight in the display's words, and each value exactly as the text its box shows.
void TestSnapshot::typedFormsAsShown_data()
{
    QTest::addColumn<int>("lineKind");
    QTest::addColumn<int>("address"); // -1: none
    QTest::addColumn<std::optional<WeightReading>>("reading");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("weight");

    QTest::newRow("weight 12.34") << int(LineKind::Serial) << 1
                                  << std::optional(readingOf(1234, 2, ReplyStatus::Ok))
                                  << "9600,n,8,2"
                                  << "12.34";
    QTest::newRow("negative weight, address 247")
        << int(LineKind::Serial) << 247 << std::optional(readingOf(-5, 3, ReplyStatus::Ok))
        << "9600,n,8,2"
        << "-0.005";
    QTest::newRow("no reply, no address")
        << int(LineKind::Serial) << -1
        << std::optional(readingOf(std::nullopt, 0, ReplyStatus::NoReply)) << "9600,n,8,2"
        << "无数据“";
    QTest::newRow("never read, transparent converter")
        << int(LineKind::RtuOverTcp) << 1 << std::optional<WeightReading>()
        << "串口参数以转换器设置为准，按 9600 波特计时" << QString();
    QTest::newRow("Modbus TCP gateway") << int(LineKind::ModbusTcp) << 1
                                        << std::optional(readingOf(0, 1, ReplyStatus::Ok))
                                        << "Modbus TCP 网关"
                                        << "0.0";
}

void TestSnapshot::typedFormsAsShown()
{
    QFETCH(int, lineKind);
    QFETCH(int, address);
    QFETCH(std::optional<WeightReading>, reading);
    QFETCH(QString, settings);
    QFETCH(QString, weight);

    const Snapshot shown = knownSnapshot();
    SnapshotLine line{QStringLiteral("COM1"), kDevice, LineKind(lineKind),
                      LineSettings::instrument(9600), std::nullopt};
    if (address >= 0)
        line.address = quint8(address);
    const QList<ParameterValue> decoded = decodedValues();
    const Snapshot typed = Snapshot::of(shown.time, line, reading, parameterValues(decoded));

    // The same boxes holding the values' texts as typed into them.
    Snapshot asText = typed;
    asText.values = parameterValues({}, [&decoded](int box) {
        for (const ParameterValue &v : decoded) {
            if (v.box == box)
                return boxText(v);
        }
        return QString();
    });
    QCOMPARE(typed.settingsText(), settings);
    QCOMPARE(typed.weightText(), weight);
    const QList<QStringList> records = csvOf(typed);
    QCOMPARE(records.mid(1, kHeaderLines - 1),
             (QList<QStringList>{{"端口", "COM1"},
                                 {"设备", kDevice},
                                 {"通讯参数", settings},
                                 {"仪表地址", address < 0 ? QString() : QString::number(address)},
                                 {"毛重", weight}}));
    const QJsonObject o = jsonOf(typed);
    QCOMPARE(o.value("settings").toString(), settings);
    QCOMPARE(o.value("weight").toString(), weight);
    QCOMPARE(o.value("address").isNull(), address < 0);
    QCOMPARE(o.value("address").toInt(-1), address);
    QCOMPARE(toCsv(typed), toCsv(asText));
    QCOMPARE(toJson(typed), toJson(asText));
    QCOMPARE(toText(typed), toText(asText));
    // The one-register values keep the blank the box shows them with.
    QCOMPARE(csvOf(typed).at(kTableStart + 15), QStringList({"仪表功能参数组2", "Inty", "15", " 261"}));
}

// A box holds the value decoded for it, the latest when it was read twice; a box without one
// holds what was entered into it, or nothing.
void TestSnapshot::decodedAndEnteredBoxes()
{
    QList<ParameterValue> decoded = decodedValues();
    ParameterValue again = decoded.first();
    again.raw = 42;
    decoded.append(again);
    const QList<SnapshotValue> values = parameterValues(decoded, [](int box) {
        return box == 0 ? QStringLiteral(" 12.5 ") : QString();
    });
    QCOMPARE(values.size(), kBoxes);
    QCOMPARE(values.at(7).value, std::optional(again));
    QCOMPARE(values.at(7).text(), QStringLiteral("42"));
    QCOMPARE(values.at(8).text(), QStringLiteral("15.00"));
    QCOMPARE(values.at(10).text(), QStringLiteral("150.0"));
    QCOMPARE(values.at(15).text(), QStringLiteral(" 261"));
    QCOMPARE(values.at(15).plainText(), QStringLiteral("261"));
    QVERIFY(!values.at(0).value);
    QCOMPARE(values.at(0).text(), QStringLiteral(" 12.5 "));
    QCOMPARE(values.at(0).plainText(), QStringLiteral("12.5"));
    QCOMPARE(values.at(22).text(), QString());
    QCOMPARE((QStringList{values.at(9).page(), values.at(9).code()}),
             QStringList({"仪表功能参数组1", "dot"}));
    // Without entered texts, a box without a value stays empty.
    QCOMPARE(parameterValues(decoded).at(0).text(), QString());
}

// A file is replaced whole, or left as it was when the write fails.
void TestSnapshot::atomicWrite_data()
{
    // Tests run as root, so a folder's permissions stop nothing; these fail for any user.
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("written");
    QTest::newRow("a longer file before") << "record.csv" << true;
    QTest::newRow("folder does not exist") << "missing/record.csv" << false;
    QTest::newRow("path is a folder") << "folder" << false;
}

void TestSnapshot::atomicWrite()
{
    QFETCH(QString, relative);
    QFETCH(bool, written);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    QFile old(dir.filePath("record.csv"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(10000, 'x')) == 10000);
    old.close();
    const QString path = dir.filePath(relative);
    QString error;
    QCOMPARE(writeFileAtomically(path, "short\r\n", &error), written);
    if (!written) {
        QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
        // More than the path: the reason follows it.
        QVERIFY2(error.size() > path.size() + 8, qPrintable(error));
    }
    QCOMPARE(entriesOf(dir), QStringList({"folder", "record.csv"}));
    QVERIFY(QDir(dir.filePath("folder")).isEmpty());
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), written ? QByteArray("short\r\n") : QByteArray(10000, 'x'));
}

// The name chooses the format; a failed save is shown and leaves nothing.
void TestSnapshot::save_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("format"); // empty: the save fails

    QTest::newRow("JSON in capitals") << "RECORD.JSON"
                                      << "json";
    QTest::newRow("json only in the name") << "json.txt"
                                           << "csv";
    QTest::newRow("folder does not exist") << "missing/record.json" << QString();
}

void TestSnapshot::save()
{
    QFETCH(QString, name);
    QFETCH(QString, format);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(name);
    const Snapshot s = knownSnapshot();
    MessageBoxWatcher watcher;
    QCOMPARE(saveSnapshot(nullptr, path, s), !format.isEmpty());
    QFile file(path);
    if (format.isEmpty()) {
        QCOMPARE(watcher.titles, QStringList{"导出"});
        QVERIFY2(watcher.texts.constFirst().contains(QDir::toNativeSeparators(path)),
                 qPrintable(watcher.texts.constFirst()));
        QVERIFY(!file.exists());
        return;
    }
    QVERIFY(watcher.titles.isEmpty());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), format == "json" ? toJson(s) : toCsv(s));
}

void TestSnapshot::exportAsksForAPath()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const Snapshot s = knownSnapshot();

    // The operator cancels: nothing is written anywhere.
    {
        FileDialogDriver driver([](QFileDialog *d) { d->reject(); });
        QCOMPARE(exportSnapshot(nullptr, s), QString());
        QCOMPARE(driver.title, "导出");
    }

    // A name typed without an extension is saved as CSV, the first file type.
    const QString typed = dir.filePath("commissioning");
    FileDialogDriver driver([&typed](QFileDialog *d) {
        // What the operator leaves in the name field; selectFile() does not touch a field that
        // has the focus, as it has here.
        auto *name = d->findChild<QLineEdit *>("fileNameEdit");
        QVERIFY(name);
        name->setText(typed);
        static_cast<QDialog *>(d)->accept(); // as its Save button does
    });
    const QString written = exportSnapshot(nullptr, s);
    QCOMPARE(driver.title, "导出");
    QCOMPARE(written, typed + ".csv");
    QFile file(written);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), toCsv(s));
    QCOMPARE(entriesOf(dir), QStringList{"commissioning.csv"});
}

QTEST_MAIN(TestSnapshot)
#include "tst_snapshot.moc"
