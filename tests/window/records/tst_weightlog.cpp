// SPDX-License-Identifier: MIT
// Tests of the weight log: its lines read back as CSV, appending that keeps every byte before,
// writes that fail (a full disk, a file grown past its limit) and the "记录" button over it.
#include "logcsv.h"
#include "messageboxwatcher.h"
#include "weightlog.h"
#include "weightlogbutton.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

using namespace std::chrono_literals;

namespace {

const QByteArray kBom("\xEF\xBB\xBF");
const QDateTime kTime(QDate(2026, 12, 7), QTime(9, 30, 1, 500), Qt::UTC);

WeightReading weight(qint32 counts, int places, std::optional<Clock::Duration> reply = 39600us)
{
    WeightReading r;
    r.counts = counts;
    r.places = places;
    r.result.stage = ReadEnd::Stage::Read;
    r.result.check = {ReplyStatus::Ok};
    r.replyTime = reply;
    return r;
}

WeightReading settled(WeightReading r, Clock::Duration settleTime)
{
    r.stable = true;
    r.settleTime = settleTime;
    return r;
}

// A read that ended without a weight; lost: why the port went away under it.
ReadEnd ended(ReplyStatus status, quint8 exceptionCode = 0,
              std::optional<LostReason> lost = std::nullopt)
{
    ReadEnd end;
    end.stage = ReadEnd::Stage::Read;
    end.check = {status, exceptionCode};
    end.lost = lost;
    return end;
}

WeightReading none(const ReadEnd &end, std::optional<Clock::Duration> reply = std::nullopt)
{
    WeightReading r;
    r.result = end;
    r.replyTime = reply;
    return r;
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// While it lives, a regular file this process writes may not grow past `bytes`: the write that
// would take it further fails with EFBIG, as a full disk fails with ENOSPC, and root is held to
// it as much as anyone.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_set = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool set() const { return m_set; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_set = false;
};

} // namespace

Q_DECLARE_METATYPE(std::optional<Clock::Duration>)

class TestWeightLog : public QObject
{
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void header();
    void appending();
    void failedWrites();
    void button();
    void buttonWhenTheDiskFills();
};

void TestWeightLog::lines_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<WeightReading>("reading");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("weight with its places")
        << kTime << weight(1234, 2) << QByteArray("2026-12-07T09:30:01.500Z,12.34,1234,2,")
        << QStringList{"2026-12-07T09:30:01.500Z", "12.34", "1234", "2", "通讯正常", "39.6", "0", ""};
    QTest::newRow("negative below one")
        << kTime << weight(-5, 3, 20049us) << QByteArray("2026-12-07T09:30:01.500Z,-0.005,-5,3,")
        << QStringList{"2026-12-07T09:30:01.500Z", "-0.005", "-5", "3", "通讯正常", "20.0", "0", ""};
    QTest::newRow("whole counts, the least there is")
        << kTime << weight(std::numeric_limits<qint32>::min(), 0)
        << QByteArray("2026-12-07T09:30:01.500Z,-2147483648,-2147483648,0,")
        << QStringList{
               "2026-12-07T09:30:01.500Z", "-2147483648", "-2147483648", "0", "通讯正常", "39.6", "0", ""};
    // Taken on a machine set to Beijing time: the line still says UTC.
    QTest::newRow("local time written as UTC")
        << QDateTime(QDate(2026, 12, 7), QTime(17, 30, 1, 500), Qt::OffsetFromUTC, 8 * 3600)
        << weight(0, 1) << QByteArray("2026-12-07T09:30:01.500Z,0.0,0,1,")
        << QStringList{"2026-12-07T09:30:01.500Z", "0.0", "0", "1", "通讯正常", "39.6", "0", ""};
    // The no-data text ends in U+201C, not the ASCII quote: it stands unquoted and reads back as
    // it is. No places are claimed for a reading that had no weight.
    QTest::newRow("no reply") << kTime << none(ended(ReplyStatus::NoReply))
                              << QByteArray("2026-12-07T09:30:01.500Z,无数据“,,,无应答,,0,\r\n")
                              << QStringList{
                                     "2026-12-07T09:30:01.500Z", "无数据“", "", "", "无应答", "", "0", ""};
    QTest::newRow("exception reply, full-width colon")
        << kTime << none(ended(ReplyStatus::Exception, 2), 25ms)
        << QByteArray("2026-12-07T09:30:01.500Z,无数据“,,,异常应答 02：非法数据地址,25.0,0,\r\n")
        << QStringList{"2026-12-07T09:30:01.500Z",  "无数据“", "", "",
                       "异常应答 02：非法数据地址", "25.0", "0", ""};
    QTest::newRow("result of a lost port")
        << kTime
        << none(ended(ReplyStatus::PortClosed, 0,
                      LostReason{LostReason::Kind::DeviceFailed, QSerialPort::ResourceError}))
        << QByteArray("2026-12-07T09:30:01.500Z,无数据“,,,端口已断开（设备不再响应）,,0,\r\n")
        << QStringList{"2026-12-07T09:30:01.500Z",
                       "无数据“",
                       "",
                       "",
                       "端口已断开（设备不再响应）",
                       "",
                       "0",
                       ""};
    // At rest, with how long the load took to get there: the two columns after the first six.
    QTest::newRow("stable, with its settle time")
        << kTime << settled(weight(30016, 2), 1234567us)
        << QByteArray("2026-12-07T09:30:01.500Z,300.16,30016,2,")
        << QStringList{"2026-12-07T09:30:01.500Z", "300.16", "30016", "2", "通讯正常", "39.6",
                       "1", "1234.6"};
}

void TestWeightLog::lines()
{
    QFETCH(QDateTime, time);
    QFETCH(WeightReading, reading);
    QFETCH(QByteArray, line);
    QFETCH(QStringList, fields);

    const QByteArray written = WeightLog::line(time, reading);
    QVERIFY2(written.startsWith(line), written.constData());
    QVERIFY(written.endsWith("\r\n"));
    QCOMPARE(written.count('\n'), 1);
    QCOMPARE(csvRecord(written), std::optional(fields));
    // Every line, whatever it holds, reads back as a log line whose fields agree.
    const std::optional<LogLine> parsed = parseLogLine(written);
    QVERIFY(parsed);
    QCOMPARE(parsed->time, time.toUTC());
    QCOMPARE(parsed->counts.has_value(), reading.ok());
    QCOMPARE(parsed->stable, reading.stable);
    QCOMPARE(parsed->settleMs.has_value(), reading.settleTime.has_value());
}

void TestWeightLog::header()
{
    const QByteArray h = WeightLog::header();
    QVERIFY(h.startsWith(kBom));
    QVERIFY(!h.mid(kBom.size()).startsWith(kBom));
    QCOMPARE(
        csvRecord(h.mid(kBom.size())),
        std::optional(QStringList{"时间(UTC)", "毛重", "计数", "小数位", "结果", "应答用时(ms)",
                                  "稳定", "稳定用时(ms)"}));
}

void TestWeightLog::appending()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    // A new file: the header, then one line per reading, each on the disk at once.
    const QString fresh = dir.filePath(QStringLiteral("fresh.csv"));
    {
        WeightLog log;
        QVERIFY2(log.open(fresh), qPrintable(log.errorString()));
        QCOMPARE(contents(fresh), WeightLog::header());
        QVERIFY(log.append(kTime, weight(1234, 2)));
        QCOMPARE(contents(fresh), WeightLog::header() + WeightLog::line(kTime, weight(1234, 2)));
        QVERIFY(log.append(kTime.addMSecs(1500), none(ended(ReplyStatus::NoReply))));
        QCOMPARE(log.lineCount(), 2);
    }

    // Started again on the same file: the lines before stay byte for byte, no second header.
    const QByteArray before = contents(fresh);
    {
        WeightLog log;
        QVERIFY(log.open(fresh));
        QVERIFY(log.append(kTime.addSecs(60), weight(-5, 3)));
    }
    const QByteArray after = contents(fresh);
    QVERIFY(after.startsWith(before));
    QCOMPARE(after.mid(before.size()), WeightLog::line(kTime.addSecs(60), weight(-5, 3)));
    QCOMPARE(after.count(kBom), 1);
    QCOMPARE(logLines(after).size(), 3);
    for (const QByteArray &line : logLines(after))
        QVERIFY2(parseLogLine(line), line.constData());

    // An empty file gets the header; a file that something cut off mid-line keeps its bytes and
    // the next line starts on a line of its own.
    const QString empty = dir.filePath(QStringLiteral("empty.csv"));
    QVERIFY(put(empty, {}));
    const QString cut = dir.filePath(QStringLiteral("cut.csv"));
    const QByteArray torn = WeightLog::header() + "2026-12-07T09:30:01.500Z,12.3";
    QVERIFY(put(cut, torn));
    {
        WeightLog a;
        WeightLog b;
        QVERIFY(a.open(empty));
        QVERIFY(b.open(cut));
        QVERIFY(a.append(kTime, weight(1, 0)));
        QVERIFY(b.append(kTime, weight(1, 0)));
    }
    QCOMPARE(contents(empty), WeightLog::header() + WeightLog::line(kTime, weight(1, 0)));
    QCOMPARE(contents(cut), torn + "\r\n" + WeightLog::line(kTime, weight(1, 0)));
}

void TestWeightLog::failedWrites()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    // Places that refuse the file or its first bytes, root or not: the log does not start, and
    // says which path and why in the system's words.
    struct Refusal
    {
        QString path;
        int error;
    };
    const QList<Refusal> refusals{
        {QStringLiteral("/dev/full"), ENOSPC}, // a disk that is full
        {dir.path(), EISDIR},
        {dir.filePath(QStringLiteral("no-such-folder/log.csv")), ENOENT},
    };
    for (const Refusal &r : refusals) {
        WeightLog log;
        QVERIFY2(!log.open(r.path), qPrintable(r.path));
        QVERIFY(!log.isOpen());
        QCOMPARE(log.reason(), QString::fromLocal8Bit(std::strerror(r.error)));
        QCOMPARE(log.errorString(), QStringLiteral("无法写入 %1：%2").arg(r.path, log.reason()));
        QVERIFY(!log.append(kTime, weight(1, 0)));
    }
    QVERIFY(!QFile::exists(refusals.last().path));

    // The disk fills in the middle of a line: the part that went in is taken back, the log stops
    // and stays stopped, and the file ends in the last whole line.
    const QString path = dir.filePath(QStringLiteral("filling.csv"));
    WeightLog log;
    QVERIFY(log.open(path));
    QVERIFY(log.append(kTime, weight(1234, 2)));
    const QByteArray whole = contents(path);
    {
        const FileSizeLimit limit(rlim_t(whole.size()) + 10);
        QVERIFY(limit.set());
        QVERIFY(!log.append(kTime.addMSecs(1500), weight(1235, 2)));
    }
    QVERIFY(!log.isOpen());
    QCOMPARE(log.reason(), QString::fromLocal8Bit(std::strerror(EFBIG)));
    QVERIFY(log.errorString().contains(path));
    QCOMPARE(contents(path), whole);
    QVERIFY(!log.append(kTime.addSecs(3), weight(1236, 2)));
    QCOMPARE(contents(path), whole);
    QCOMPARE(log.lineCount(), 1);
}

void TestWeightLog::button()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    bool autoReading = false;
    QString asked;
    WeightLogButton button;
    button.setPathChooser([&](QWidget *, const QString &suggested) {
        asked = suggested;
        return path;
    });
    button.setAutoReading([&] { return autoReading; });
    QSignalSpy said(&button, &WeightLogButton::status);
    QSignalSpy confirmed(&button, &WeightLogButton::confirmed);

    // Readings before the log starts are not written anywhere.
    button.addReading(weight(1, 0));
    QCOMPARE(button.text(), QStringLiteral("记录"));

    button.click();
    QVERIFY(button.isChecked());
    QVERIFY(button.logging());
    QVERIFY(asked.endsWith(QStringLiteral(".csv")));
    QCOMPARE(button.text(), QStringLiteral("记录中…"));
    QVERIFY(button.toolTip().contains(path));
    // 自动读取 is off: the operator is told that only the readings taken get logged.
    QVERIFY(confirmed.last().at(0).toString().contains(QStringLiteral("自动读取未开启")));
    QVERIFY(confirmed.last().at(0).toString().contains(path));
    QCOMPARE(confirmed.last().at(1).toString(), path);

    button.addReading(weight(1234, 2));
    button.addReading(none(ended(ReplyStatus::NoReply)));
    QCOMPARE(logLines(contents(path)).size(), 2);

    button.click();
    QVERIFY(!button.isChecked());
    QVERIFY(!button.logging());
    QCOMPARE(button.text(), QStringLiteral("记录"));
    QCOMPARE(confirmed.last().at(0).toString(), QStringLiteral("记录已停止：2 行，%1").arg(path));
    QCOMPARE(confirmed.last().at(1).toString(), path);
    QVERIFY(said.isEmpty());
    button.addReading(weight(1, 0));
    QCOMPARE(logLines(contents(path)).size(), 2);

    // Cancelled in the dialog: nothing starts, nothing is said.
    button.setPathChooser([](QWidget *, const QString &) { return QString(); });
    const int before = said.size() + confirmed.size();
    button.click();
    QVERIFY(!button.isChecked());
    QCOMPARE(said.size() + confirmed.size(), before);

    // A file that cannot be written: the box and the status bar name the path and the reason.
    MessageBoxWatcher boxes;
    button.setPathChooser([](QWidget *, const QString &) { return QStringLiteral("/dev/full"); });
    button.click();
    QVERIFY(!button.isChecked());
    QCOMPARE(button.text(), QStringLiteral("记录"));
    QTRY_COMPARE(boxes.texts.size(), 1);
    QCOMPARE(boxes.titles.first(), QStringLiteral("记录"));
    QVERIFY(boxes.texts.first().contains(QStringLiteral("/dev/full")));
    QVERIFY(boxes.texts.first().contains(QString::fromLocal8Bit(std::strerror(ENOSPC))));
    QVERIFY(said.last().at(0).toString().startsWith(QStringLiteral("记录未开始：")));
}

void TestWeightLog::buttonWhenTheDiskFills()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    WeightLogButton button;
    button.setPathChooser([&](QWidget *, const QString &) { return path; });
    QSignalSpy said(&button, &WeightLogButton::status);
    QSignalSpy confirmed(&button, &WeightLogButton::confirmed);
    button.click();
    QVERIFY(button.logging());
    QVERIFY(!confirmed.last().at(0).toString().contains(QStringLiteral("自动读取未开启")));
    button.addReading(weight(1234, 2));
    const QByteArray whole = contents(path);

    MessageBoxWatcher boxes;
    {
        const FileSizeLimit limit(rlim_t(whole.size()) + 5);
        QVERIFY(limit.set());
        button.addReading(weight(1235, 2));
    }
    QVERIFY(!button.isChecked());
    QVERIFY(!button.logging());
    QCOMPARE(button.text(), QStringLiteral("记录"));
    QTRY_COMPARE(boxes.texts.size(), 1);
    QVERIFY(boxes.texts.first().contains(path));
    QVERIFY(boxes.texts.first().contains(QString::fromLocal8Bit(std::strerror(EFBIG))));
    QVERIFY(said.last().at(0).toString().startsWith(QStringLiteral("记录已停止：无法写入 ")));
    // Readings after the failure go nowhere; the file ends in its last whole line.
    button.addReading(weight(1236, 2));
    QCOMPARE(contents(path), whole);
}

QTEST_MAIN(TestWeightLog)
#include "tst_weightlog.moc"
