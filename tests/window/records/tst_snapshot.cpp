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
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

// An RFC 4180 reader, strict where the writer must be: CRLF after every record, a quote only
// around a field or doubled inside one. A fault sets *error and stops. Like a spreadsheet set to
// trim blanks, it drops blanks around a field that is not quoted, so a value that needs its
// leading blank survives only in quotes.
QList<QStringList> parseCsv(const QByteArray &bytes, QString *error)
{
    const QString text = QString::fromUtf8(bytes);
    QList<QStringList> records;
    QStringList record;
    QString field;
    qsizetype i = 0;
    const auto endOfField = [&](qsizetype at) {
        return at == text.size() || text.at(at) == QLatin1Char(',') ||
               text.at(at) == QLatin1Char('\r');
    };
    while (i < text.size()) {
        if (text.at(i) == QLatin1Char('"')) {
            ++i;
            for (;;) {
                if (i >= text.size()) {
                    *error = QStringLiteral("unterminated quote");
                    return {};
                }
                if (text.at(i) == QLatin1Char('"')) {
                    if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text.at(i++);
            }
            if (!endOfField(i)) {
                *error = QStringLiteral("text after a closing quote at %1").arg(i);
                return {};
            }
        } else {
            while (!endOfField(i)) {
                if (text.at(i) == QLatin1Char('"') || text.at(i) == QLatin1Char('\n')) {
                    *error = QStringLiteral("bare quote or line feed at %1").arg(i);
                    return {};
                }
                field += text.at(i++);
            }
            field = field.trimmed();
        }
        record.append(field);
        field.clear();
        if (i < text.size() && text.at(i) == QLatin1Char(',')) {
            ++i;
            if (i == text.size()) {
                *error = QStringLiteral("file ends after a comma");
                return {};
            }
            continue;
        }
        if (i + 1 >= text.size() || text.at(i) != QLatin1Char('\r') ||
            text.at(i + 1) != QLatin1Char('\n')) {
            *error = QStringLiteral("record %1 does not end in CRLF").arg(records.size());
            return {};
        }
        i += 2;
        // An empty line is one record of one empty field.
        records.append(record);
        record.clear();
    }
    return records;
}

QList<QStringList> csvOf(const Snapshot &s)
{
    const QByteArray bytes = toCsv(s);
    if (!bytes.startsWith(kBom))
        qFatal("CSV without byte-order mark");
    QString error;
    const QList<QStringList> records = parseCsv(bytes.mid(kBom.size()), &error);
    if (!error.isEmpty())
        qFatal("CSV does not parse: %s", qPrintable(error));
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

constexpr int kHeaderLines = 6;
constexpr int kTableStart = kHeaderLines + 2; // after the empty line and the column names
constexpr int kBoxes = 35;

// Answers the next modal file dialog with `answer`; it may cancel or accept it.
class FileDialogDriver : public QObject
{
public:
    explicit FileDialogDriver(std::function<void(QFileDialog *)> answer)
        : m_answer(std::move(answer))
    {
        m_poll.setInterval(10);
        connect(&m_poll, &QTimer::timeout, this, [this] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            m_poll.stop();
            seen = true;
            title = dialog->windowTitle();
            m_answer(dialog);
        });
        m_poll.start();
    }
    bool seen = false;
    QString title;

private:
    std::function<void(QFileDialog *)> m_answer;
    QTimer m_poll;
};

} // namespace

class TestSnapshot : public QObject
{
    Q_OBJECT

private slots:
    void valuesFollowTheTable_data();
    void valuesFollowTheTable();
    void csvReadsBack();
    void jsonReadsBack();
    void textIsTabSeparated();
    void awkwardTextSurvives_data();
    void awkwardTextSurvives();
    void noAddress();
    void failedWriteLeavesNoFile_data();
    void failedWriteLeavesNoFile();
    void existingFileIsReplacedWhole();
    void saveChoosesFormatByName_data();
    void saveChoosesFormatByName();
    void failedSaveIsShown();
    void exportAsksForAPath();
};

void TestSnapshot::valuesFollowTheTable_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("box");

    QTest::newRow("first alarm") << 0 << "报警参数组"
                                 << "ALV" << 0;
    QTest::newRow("AL!C keeps its mark") << 3 << "报警参数组"
                                         << "AL!C" << 3;
    QTest::newRow("decimal point") << 9 << "仪表功能参数组1"
                                   << "dot" << 9;
    QTest::newRow("first one-register") << 15 << "仪表功能参数组2"
                                        << "Inty" << 15;
    QTest::newRow("CTB beside box 25") << 25 << "通信，时间参数组"
                                       << "CTB" << 25;
    QTest::newRow("last") << 34 << "通信，时间参数组"
                          << "sec" << 34;
}

void TestSnapshot::valuesFollowTheTable()
{
    QFETCH(int, index);
    QFETCH(QString, page);
    QFETCH(QString, code);
    QFETCH(int, box);

    const QList<SnapshotValue> values = parameterValues(boxTextFor);
    QCOMPARE(values.size(), kBoxes);
    const SnapshotValue &v = values.at(index);
    QCOMPARE(v.page, page);
    QCOMPARE(v.code, code);
    QCOMPARE(v.box, box);
    QCOMPARE(v.text, boxTextFor(box));
}

void TestSnapshot::csvReadsBack()
{
    const Snapshot s = knownSnapshot();
    const QByteArray bytes = toCsv(s);
    QVERIFY(bytes.startsWith(kBom));
    QVERIFY(!bytes.mid(kBom.size()).startsWith(kBom));
    const QList<QStringList> records = csvOf(s);

    QCOMPARE(records.size(), kTableStart + kBoxes);
    const QList<QStringList> header = {
        {"时间", "2024-05-01 10:20:30"},
        {"端口", "COM1"},
        {"设备", "/dev/serial/by-id/usb-FTDI_FT232R,A1-if00-port0"},
        {"通讯参数", "9600,n,8,2"},
        {"仪表地址", "1"},
        {"毛重", "无数据“"},
    };
    QCOMPARE(records.mid(0, kHeaderLines), header);
    QCOMPARE(records.at(kHeaderLines), QStringList{QString()});
    QCOMPARE(records.at(kHeaderLines + 1), QStringList({"参数页", "代码", "框号", "值"}));
    for (int i = 0; i < kBoxes; ++i) {
        const SnapshotValue &v = s.values.at(i);
        QCOMPARE(records.at(kTableStart + i),
                 QStringList({v.page, v.code, QString::number(v.box), v.text}));
    }
}

void TestSnapshot::jsonReadsBack()
{
    const Snapshot s = knownSnapshot();
    const QJsonObject o = jsonOf(s);

    const QString time = o.value("time").toString();
    QVERIFY2(time.endsWith("+08:00"), qPrintable(time));
    QCOMPARE(QDateTime::fromString(time, Qt::ISODate), s.time);
    QCOMPARE(o.value("port").toString(), "COM1");
    QCOMPARE(o.value("device").toString(), s.device);
    QCOMPARE(o.value("settings").toString(), "9600,n,8,2");
    QVERIFY(o.value("address").isDouble());
    QCOMPARE(o.value("address").toInt(), 1);
    QCOMPARE(o.value("weight").toString(), "无数据“");

    const QJsonArray values = o.value("values").toArray();
    QCOMPARE(values.size(), kBoxes);
    for (int i = 0; i < kBoxes; ++i) {
        const QJsonObject v = values.at(i).toObject();
        const SnapshotValue &want = s.values.at(i);
        QCOMPARE(v.value("page").toString(), want.page);
        QCOMPARE(v.value("code").toString(), want.code);
        QVERIFY(v.value("box").isDouble());
        QCOMPARE(v.value("box").toInt(), want.box);
        QCOMPARE(v.value("value").toString(), want.text);
    }
}

void TestSnapshot::textIsTabSeparated()
{
    const Snapshot s = knownSnapshot();
    const QStringList lines = toText(s).split('\n');

    // The last line break leaves one empty piece after it.
    QCOMPARE(lines.size(), kTableStart + kBoxes + 1);
    QCOMPARE(lines.last(), QString());
    QCOMPARE(lines.at(0), "时间\t2024-05-01 10:20:30");
    QCOMPARE(lines.at(3), "通讯参数\t9600,n,8,2");
    QCOMPARE(lines.at(5), "毛重\t无数据“");
    QCOMPARE(lines.at(kHeaderLines), QString());
    QCOMPARE(lines.at(kTableStart), "报警参数组\tALV\t0\tv0");
    QCOMPARE(lines.at(kTableStart + kBoxes - 1), "通信，时间参数组\tsec\t34\tv34");
}

void TestSnapshot::awkwardTextSurvives_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("asText"); // what the tab-separated form can keep of it

    QTest::newRow("one-register value") << " 2008"
                                        << " 2008";
    QTest::newRow("trailing blank") << "12.5 "
                                    << "12.5 ";
    QTest::newRow("negative") << "-0.50"
                              << "-0.50";
    QTest::newRow("comma") << "1,5"
                           << "1,5";
    QTest::newRow("quote") << "5\""
                           << "5\"";
    QTest::newRow("quotes and comma") << "\"a\",\"b\""
                                      << "\"a\",\"b\"";
    QTest::newRow("Chinese") << "无数据“"
                             << "无数据“";
    QTest::newRow("empty box") << ""
                               << "";
    QTest::newRow("line break") << "a\r\nb"
                                << "a  b";
    QTest::newRow("tab") << "a\tb"
                         << "a b";
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
    const QStringList fields = lines.at(kTableStart + kBox).split('\t');
    QCOMPARE(fields.size(), 4);
    QCOMPARE(fields.at(3), asText);
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

void TestSnapshot::failedWriteLeavesNoFile_data()
{
    // Tests run as root, so a folder's permissions stop nothing; these fail for any user.
    QTest::addColumn<QString>("relative");
    QTest::newRow("folder does not exist") << "missing/record.csv";
    QTest::newRow("parent is a file") << "plain/record.csv";
    QTest::newRow("path is a folder") << "folder";
}

void TestSnapshot::failedWriteLeavesNoFile()
{
    QFETCH(QString, relative);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile plain(dir.filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    const QStringList before =
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    const QString path = dir.filePath(relative);
    QString error;
    QVERIFY(!writeFileAtomically(path, toCsv(knownSnapshot()), &error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
    // More than the path: the reason follows it.
    QVERIFY2(error.size() > path.size() + 8, qPrintable(error));

    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             before);
    QVERIFY(QDir(dir.filePath("folder")).isEmpty());
    QCOMPARE(QFileInfo(dir.filePath("plain")).size(), 0);
}

void TestSnapshot::existingFileIsReplacedWhole()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("record.csv");
    const QByteArray longer(10000, 'x');
    const QByteArray shorter("short\r\n");

    QString error;
    QVERIFY2(writeFileAtomically(path, longer, &error), qPrintable(error));
    QVERIFY2(writeFileAtomically(path, shorter, &error), qPrintable(error));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), shorter);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"record.csv"});
}

void TestSnapshot::saveChoosesFormatByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("json");

    QTest::newRow("csv") << "record.csv" << false;
    QTest::newRow("json") << "record.json" << true;
    QTest::newRow("JSON in capitals") << "RECORD.JSON" << true;
    QTest::newRow("no extension") << "record" << false;
    QTest::newRow("json only in the name") << "json.txt" << false;
}

void TestSnapshot::saveChoosesFormatByName()
{
    QFETCH(QString, name);
    QFETCH(bool, json);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(name);
    MessageBoxWatcher watcher;
    QVERIFY(saveSnapshot(nullptr, path, knownSnapshot()));
    QVERIFY(watcher.titles.isEmpty());

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes, json ? toJson(knownSnapshot()) : toCsv(knownSnapshot()));
}

void TestSnapshot::failedSaveIsShown()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("missing/record.json");
    MessageBoxWatcher watcher;
    QVERIFY(!saveSnapshot(nullptr, path, knownSnapshot()));
    QCOMPARE(watcher.titles, QStringList{"导出"});
    QVERIFY2(watcher.texts.constFirst().contains(path), qPrintable(watcher.texts.constFirst()));
    QVERIFY(!QFileInfo::exists(path));
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
        QVERIFY(driver.seen);
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
    QVERIFY(driver.seen);
    QCOMPARE(written, typed + ".csv");
    QFile file(written);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), toCsv(s));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"commissioning.csv"});
}

QTEST_MAIN(TestSnapshot)
#include "tst_snapshot.moc"
