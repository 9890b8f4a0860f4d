// SPDX-License-Identifier: MIT
// Tests of the file the weight log adds to: every write at its end, also after another program
// wrote there; nothing before it touched; cut back; what is not a regular file; refusals.
#include "appendfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestAppendFile : public QObject
{
    Q_OBJECT

private slots:
    void addsAtTheEnd_data();
    void addsAtTheEnd();
    void refusesWhatIsNoFile_data();
    void refusesWhatIsNoFile();
    void aDeviceHasNoEnd();
};

void TestAppendFile::addsAtTheEnd_data()
{
    QTest::addColumn<QByteArray>("before");     // in the file when it is opened
    QTest::addColumn<QByteArray>("ours");       // appended by us, in two writes
    QTest::addColumn<QByteArray>("theirs");     // written at the end by another program between
    QTest::addColumn<qint64>("cutBackTo");      // -1: not cut back
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("new file") << QByteArray() << QByteArray("ab") << QByteArray() << qint64(-1)
                              << QByteArray("abab");
    QTest::newRow("kept before") << QByteArray("x\n") << QByteArray("1\n") << QByteArray()
                                 << qint64(-1) << QByteArray("x\n1\n1\n");
    QTest::newRow("after another's write")
        << QByteArray("x\n") << QByteArray("1\n") << QByteArray("other\n") << qint64(-1)
        << QByteArray("x\n1\nother\n1\n");
    QTest::newRow("cut back to a line's end")
        << QByteArray("x\n") << QByteArray("half") << QByteArray() << qint64(2)
        << QByteArray("x\n");
    QTest::newRow("large write") << QByteArray() << QByteArray(300000, 'w') << QByteArray()
                                 << qint64(-1) << QByteArray(600000, 'w');
}

void TestAppendFile::addsAtTheEnd()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, ours);
    QFETCH(QByteArray, theirs);
    QFETCH(qint64, cutBackTo);
    QFETCH(QByteArray, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath("log.csv");
    if (!before.isEmpty()) {
        QFile seed(path);
        QVERIFY(seed.open(QIODevice::WriteOnly));
        seed.write(before);
    }
    AppendFile file;
    QVERIFY2(file.open(path), qPrintable(file.reason()));
    QVERIFY(file.append(ours));
    if (!theirs.isEmpty()) {
        QFile other(path);
        QVERIFY(other.open(QIODevice::Append));
        QCOMPARE(other.write(theirs), theirs.size());
    }
    QVERIFY(file.append(ours));
    QVERIFY(file.sync());
    if (cutBackTo >= 0)
        file.cutBackTo(cutBackTo);

    QCOMPARE(file.regularSize(), std::optional<qint64>(expected.size()));
    QCOMPARE(file.byteAt(expected.size() - 1), std::optional<char>(expected.back()));
    QCOMPARE(file.byteAt(expected.size()), std::nullopt);
    file.close();
    QVERIFY(!file.isOpen());
    QFile back(path);
    QVERIFY(back.open(QIODevice::ReadOnly));
    QCOMPARE(back.readAll(), expected);
}

void TestAppendFile::refusesWhatIsNoFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("a folder") << QString(".");
    QTest::newRow("in a folder that is not there") << QString("missing/log.csv");
}

void TestAppendFile::refusesWhatIsNoFile()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    AppendFile file;
    QVERIFY(!file.open(dir.filePath(name)));
    QVERIFY(!file.isOpen());
    QVERIFY(!file.reason().isEmpty());
    QVERIFY(!QFile::exists(dir.filePath("missing")));
}

void TestAppendFile::aDeviceHasNoEnd()
{
#ifdef Q_OS_WIN
    const QString device = "NUL";
#else
    const QString device = "/dev/null";
#endif
    AppendFile file;
    QVERIFY2(file.open(device), qPrintable(file.reason()));
    QCOMPARE(file.regularSize(), std::nullopt);
    QVERIFY(file.append("gone"));
    QVERIFY(file.sync());
}

QTEST_GUILESS_MAIN(TestAppendFile)
#include "tst_appendfile.moc"
