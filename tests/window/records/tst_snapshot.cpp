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

Snapshot knownSnapshot()
{
    Snapshot s;
    s.time = QDateTime(QDate(2024, 5, 1), QTime(10, 20, 30), Qt::OffsetFromUTC, 8 * 3600);
    s.port = QStringLiteral("COM1");
    s.device = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R,A1-if00-port0");
    s.settings = QStringLiteral("9600,n,8,2");
    s.address = 1;
    s.weight = QStringLiteral("无数据“");
    s.values = parameterValues(boxTextFor);
    return s;
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
        expected << QStringList{v.page, v.code, QString::number(v.box), v.text};
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
             (QStringList{"COM1", s.device, "9600,n,8,2", "无数据“"}));
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
    s.values = parameterValues([&text](int box) { return box == kBox ? text : boxTextFor(box); });
    s.weight = text;

    const QList<QStringList> records = csvOf(s);
    QCOMPARE(records.size(), kTableStart + kBoxes);
    QCOMPARE(records.at(kHeaderLines - 1).at(1), text);
    QCOMPARE(records.at(kTableStart + kBox).at(3), text);
    QCOMPARE(records.at(kTableStart + kBox + 1).at(3), boxTextFor(kBox + 1));

    const QJsonObject o = jsonOf(s);
    QCOMPARE(o.value("weight").toString(), text);
    QCOMPARE(o.value("values").toArray().at(kBox).toObject().value("value").toString(), text);

    const QStringList lines = toText(s).split('\n');
    QCOMPARE(lines.size(), kTableStart + kBoxes + 1);
    QCOMPARE(lines.at(kTableStart + kBox).split('\t').mid(3), QStringList{asText});
}

void TestSnapshot::noAddress()
{
    Snapshot s = knownSnapshot();
    s.address = -1;
    QCOMPARE(csvOf(s).at(4), QStringList({"仪表地址", QString()}));
    const QJsonObject o = jsonOf(s);
    QVERIFY(o.contains("address"));
    QVERIFY(o.value("address").isNull());
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
        QVERIFY2(watcher.texts.constFirst().contains(path), qPrintable(watcher.texts.constFirst()));
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
