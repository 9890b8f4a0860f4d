// SPDX-License-Identifier: MIT
// The port list: stable by-id names put beside their ports, and the dialog over a fake source,
// with a converter on the network given by host and port.
#include "portlistdialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

// The serial ports of a made-up machine as its system lists them, each by what it is: "board",
// "board2" and "board10" (on-board ports), "ftdi" and "ch340" (USB adapters).
#ifdef Q_OS_WIN
// Windows has no /dev and no /dev/serial/by-id: its ports are COM names, which are no files,
// listed with their driver's words, and an adapter keeps its COM name for its serial number.
class FakeDev
{
public:
    bool isValid() const { return m_dir.isValid(); }
    QString device(const QString &port) const
    {
        static const QHash<QString, QString> names{{"board", "COM1"},
                                                   {"board2", "COM2"},
                                                   {"board10", "COM10"},
                                                   {"ftdi", "COM5"},
                                                   {"ch340", "COM6"}};
        return names.value(port);
    }
    QStringList stableNames(const QString &) const { return {}; }
    // The list as it must read: COM2 before COM10.
    QStringList shown() const { return {"COM1: ", "COM2: ", "COM5: ", "COM6: ", "COM10: "}; }
    QList<PortEntry> listed() const
    {
        return {
            {"COM6", "USB-SERIAL CH340", "wch.cn", "", {}},
            {"COM10", "Communications Port", "(Standard port types)", "", {}},
            {"COM5", "USB Serial Port", "FTDI", "A1B2", {}},
            {"COM2", "Communications Port", "(Standard port types)", "", {}},
            {"COM1", "Communications Port", "(Standard port types)", "", {}},
        };
    }
    QString byIdDir() const { return m_dir.filePath("by-id"); } // never made

private:
    QTemporaryDir m_dir;
};
#else
// A stand-in for /dev: plain files as device nodes, and a by-id folder of links to them, one of
// each kind udev and a failing adapter leave behind.
class FakeDev
{
public:
    FakeDev()
    {
        QDir root(m_dir.path());
        root.mkdir("dev");
        root.mkdir("by-id");
        for (const char *node : {"ttyS0", "ttyS2", "ttyS10", "ttyUSB0", "ttyUSB1", "ttyACM0"}) {
            QFile f(m_dir.filePath(QStringLiteral("dev/") + node));
            f.open(QIODevice::WriteOnly);
        }
        // udev writes relative links; a hand-made one may be absolute.
        QFile::link("../dev/ttyUSB0", byId("usb-FTDI_FT232R_USB_UART_A1B2-if00-port0"));
        QFile::link("../dev/ttyUSB0", byId("usb-FTDI_alias-if00-port0"));
        QFile::link(device("ch340"), byId("usb-1a86_USB_Serial-if00-port0"));
        QFile::link("../dev/ttyACM0", byId("usb-Unlisted_CDC-if00"));
        QFile::link("../dev/ttyUSB9", byId("usb-Unplugged-if00-port0"));
        QFile notALink(byId("README"));
        notALink.open(QIODevice::WriteOnly);
    }
    bool isValid() const { return m_dir.isValid(); }
    QString device(const QString &port) const
    {
        static const QHash<QString, QString> nodes{{"board", "ttyS0"},
                                                   {"board2", "ttyS2"},
                                                   {"board10", "ttyS10"},
                                                   {"ftdi", "ttyUSB0"},
                                                   {"ch340", "ttyUSB1"}};
        return m_dir.filePath("dev/" + nodes.value(port));
    }
    // The links that lead to a port, in the order the list shows them.
    QStringList stableNames(const QString &port) const
    {
        if (port == "ftdi")
            return {byId("usb-FTDI_FT232R_USB_UART_A1B2-if00-port0"),
                    byId("usb-FTDI_alias-if00-port0")};
        if (port == "ch340")
            return {byId("usb-1a86_USB_Serial-if00-port0")};
        return {};
    }
    // The list as it must read. Relative and absolute links; the dangling link adds nothing and
    // the plain file is no link; the device the scan missed gets a row; ttyS2 comes before ttyS10.
    QStringList shown() const
    {
        return {"ttyACM0: usb-Unlisted_CDC-if00",
                "ttyS0: ",
                "ttyS2: ",
                "ttyS10: ",
                "ttyUSB0: usb-FTDI_FT232R_USB_UART_A1B2-if00-port0 usb-FTDI_alias-if00-port0",
                "ttyUSB1: usb-1a86_USB_Serial-if00-port0"};
    }

    // What QSerialPortInfo would find: every node but ttyACM0, in no useful order.
    QList<PortEntry> listed() const
    {
        return {
            {device("ch340"), "USB Serial", "1a86", "", {}},
            {device("board10"), "", "", "", {}},
            {device("ftdi"), "FT232R USB UART", "FTDI", "A1B2", {}},
            {device("board2"), "", "", "", {}},
            {device("board"), "", "", "", {}},
        };
    }
    QString byIdDir() const { return m_dir.filePath("by-id"); }

private:
    QString byId(const QString &name) const { return m_dir.filePath("by-id/" + name); }

    QTemporaryDir m_dir;
};
#endif

// The port list's source on the fake system.
PortSource sourceOf(const FakeDev &dev)
{
    return [&dev] { return attachStableNames(dev.listed(), dev.byIdDir()); };
}

// The entry the fake system lists for a port.
PortEntry listedAs(const FakeDev &dev, const QString &port)
{
    for (const PortEntry &e : dev.listed()) {
        if (e.path == dev.device(port))
            return e;
    }
    return {};
}

} // namespace

class TestPortList : public QObject
{
    Q_OBJECT

private slots:
    void stableNames();
    void dialogShowsPorts();
    void pickingARowFillsThePath_data();
    void pickingARowFillsThePath();
    void typedPath_data();
    void typedPath();
    void refreshKeepsTypedPath();
    void networkConverter_data();
    void networkConverter();
    void networkConverterShownAsItIs();

private:
    template <typename T> static T *find(const QDialog &dialog, const QString &name)
    {
        T *w = dialog.findChild<T *>(name);
        if (!w)
            qFatal("no widget %s", qPrintable(name));
        return w;
    }
    // The row that shows `text` in its first column: a port's path, or a stable name alone.
    static QTreeWidgetItem *rowOf(QTreeWidget *tree, const QString &text)
    {
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            if ((*it)->text(0) == text)
                return *it;
        return nullptr;
    }
};

void TestPortList::stableNames()
{
    FakeDev dev;
    QVERIFY(dev.isValid());
    QStringList shown;
    for (const PortEntry &e : sourceOf(dev)()) {
        QStringList names;
        for (const QString &name : e.stableNames) {
            QCOMPARE(QFileInfo(name).canonicalFilePath(), QFileInfo(e.path).canonicalFilePath());
            names << QFileInfo(name).fileName();
        }
        shown << QFileInfo(e.path).fileName() + ": " + names.join(' ');
    }
    QCOMPARE(shown, dev.shown());
}

// The ports with their stable names beneath them; the current path is picked at the start.
void TestPortList::dialogShowsPorts()
{
    FakeDev dev;
    QVERIFY(dev.isValid());
    // The adapter's last stable name; on Windows, which has none, its COM name.
    const QStringList names = dev.stableNames("ftdi");
    const QString current = names.isEmpty() ? dev.device("ftdi") : names.last();
    PortListDialog dialog(current, nullptr, sourceOf(dev));
    QCOMPARE(dialog.windowTitle(), "选择串口");
    auto *tree = find<QTreeWidget>(dialog, "ports");

    const int ports = int(dev.shown().size());
    QCOMPARE(tree->topLevelItemCount(), ports);
    QVERIFY(find<QLabel>(dialog, "found")->text().contains(QString::number(ports)));
    QTreeWidgetItem *ftdi = rowOf(tree, dev.device("ftdi"));
    QVERIFY(ftdi && !ftdi->parent());
    const PortEntry listed = listedAs(dev, "ftdi");
    QCOMPARE((QStringList{ftdi->text(1), ftdi->text(2), ftdi->text(3)}),
             (QStringList{listed.description, listed.manufacturer, listed.serialNumber}));
    QCOMPARE(ftdi->childCount(), names.size());
    for (int i = 0; i < ftdi->childCount(); ++i)
        QCOMPARE(ftdi->child(i)->text(0), QFileInfo(names.at(i)).fileName());
    QTreeWidgetItem *plain = rowOf(tree, dev.device("board"));
    QVERIFY(plain && plain->childCount() == 0);

    QCOMPARE(tree->currentItem(), names.isEmpty() ? ftdi : ftdi->child(ftdi->childCount() - 1));
    QCOMPARE(dialog.chosenPath(), current);
    QVERIFY(find<QPushButton>(dialog, "ok")->isEnabled());
}

void TestPortList::pickingARowFillsThePath_data()
{
    QTest::addColumn<bool>("isStableName"); // the CH340 adapter's row, or its stable name's

    QTest::newRow("port") << false;
    QTest::newRow("its stable name") << true;
}

void TestPortList::pickingARowFillsThePath()
{
    QFETCH(bool, isStableName);

    FakeDev dev;
    QVERIFY(dev.isValid());
    const QStringList names = dev.stableNames("ch340");
    if (isStableName && names.isEmpty())
        QSKIP("Windows has no /dev/serial/by-id: a port there has its COM name alone");
    PortListDialog dialog(QString(), nullptr, sourceOf(dev));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *tree = find<QTreeWidget>(dialog, "ports");
    auto *ok = find<QPushButton>(dialog, "ok");
    QVERIFY(!ok->isEnabled());

    const QString path = isStableName ? names.first() : dev.device("ch340");
    QTreeWidgetItem *item = rowOf(tree, isStableName ? QFileInfo(path).fileName() : path);
    QVERIFY(item);
    tree->scrollToItem(item);
    const QPoint centre = tree->visualItemRect(item).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(dialog.chosenPath(), path);
    QCOMPARE(find<QLineEdit>(dialog, "path")->text(), path);
    QVERIFY(ok->isEnabled());

    // A double click takes the row at once.
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.chosenPath(), path);
}

void TestPortList::typedPath_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("chosen"); // empty: OK stays disabled

    QTest::newRow("blanks around") << QString("  /tmp/scale ") << QString("/tmp/scale");
    QTest::newRow("Chinese folder")
        << QString("/home/技术员/scale") << QString("/home/技术员/scale");
    QTest::newRow("only blanks") << QString("   ") << QString();
    QTest::newRow("a converter typed whole")
        << QString("mbtcp://converter.local:502") << QString("mbtcp://converter.local:502");
}

void TestPortList::typedPath()
{
    QFETCH(QString, typed);
    QFETCH(QString, chosen);

    FakeDev dev;
    QVERIFY(dev.isValid());
    PortListDialog dialog(dev.device("board"), nullptr, sourceOf(dev));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *edit = find<QLineEdit>(dialog, "path");
    auto *ok = find<QPushButton>(dialog, "ok");
    QVERIFY(ok->isEnabled());

    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QVERIFY(!ok->isEnabled());
    // Typed through the input method, as Chinese is; keyClicks() takes Latin-1 only.
    QInputMethodEvent commit;
    commit.setCommitString(typed);
    QApplication::sendEvent(edit, &commit);
    QCOMPARE(ok->isEnabled(), !chosen.isEmpty());
    QCOMPARE(dialog.chosenPath(), chosen);
    if (!chosen.isEmpty()) {
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenPath(), chosen);
    }
}

// An adapter plugged in while the dialog is open shows up; what was typed stays.
void TestPortList::refreshKeepsTypedPath()
{
    QList<PortEntry> ports;
    PortListDialog dialog(QString(), nullptr, [&ports] { return ports; });
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *tree = find<QTreeWidget>(dialog, "ports");
    auto *found = find<QLabel>(dialog, "found");
    QCOMPARE(tree->topLevelItemCount(), 0);
    QVERIFY(found->text().contains("未找到"));
    QVERIFY(!find<QPushButton>(dialog, "ok")->isEnabled());

    QTest::keyClicks(find<QLineEdit>(dialog, "path"), "/tmp/scale");
    ports.append({"/dev/ttyS0", "", "", "", {}});
    ports.append({"/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A1B2", {}});
    for (int i = 0; i < 2; ++i)
        QTest::mouseClick(find<QPushButton>(dialog, "refresh"), Qt::LeftButton);
    QCOMPARE(tree->topLevelItemCount(), 2);
    QVERIFY(rowOf(tree, "/dev/ttyUSB0"));
    QVERIFY(found->text().contains('2'));
    QCOMPARE(dialog.chosenPath(), "/tmp/scale");
}

void TestPortList::networkConverter_data()
{
    QTest::addColumn<int>("kind"); // 0 transparent, 1 Modbus TCP gateway
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("transparent converter") << 0 << "127.0.0.1"
                                           << "4001"
                                           << "tcp://127.0.0.1:4001" << true;
    QTest::newRow("gateway by name") << 1 << "converter.local"
                                     << "502"
                                     << "mbtcp://converter.local:502" << true;
    QTest::newRow("IPv6 put in brackets") << 1 << "::1"
                                          << "502"
                                          << "mbtcp://[::1]:502" << true;
    QTest::newRow("blanks around") << 0 << " conv "
                                   << " 4001 "
                                   << "tcp://conv:4001" << true;
    QTest::newRow("highest port") << 0 << "conv"
                                  << "65535"
                                  << "tcp://conv:65535" << true;
    QTest::newRow("no host") << 0 << ""
                             << "4001"
                             << "tcp://:4001" << false;
    QTest::newRow("no port") << 1 << "conv"
                             << ""
                             << "mbtcp://conv:" << false;
    QTest::newRow("port 0") << 0 << "conv"
                            << "0"
                            << "tcp://conv:0" << false;
    QTest::newRow("port past 65535") << 0 << "conv"
                                     << "65536"
                                     << "tcp://conv:65536" << false;
    QTest::newRow("port in words") << 0 << "conv"
                                   << "modbus"
                                   << "tcp://conv:modbus" << false;
    QTest::newRow("a path for a host") << 0 << "conv/x"
                                       << "4001"
                                       << "tcp://conv/x:4001" << false;
}

void TestPortList::networkConverter()
{
    QFETCH(int, kind);
    QFETCH(QString, host);
    QFETCH(QString, port);
    QFETCH(QString, path);
    QFETCH(bool, accepted);

    FakeDev dev;
    QVERIFY(dev.isValid());
    PortListDialog dialog(dev.device("board"), nullptr, sourceOf(dev));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *ok = find<QPushButton>(dialog, "ok");
    auto *note = find<QLabel>(dialog, "pathNote");
    QVERIFY(ok->isEnabled());
    QVERIFY(note->text().isEmpty());

    find<QComboBox>(dialog, "netKind")->setCurrentIndex(kind);
    QTest::keyClicks(find<QLineEdit>(dialog, "netHost"), host);
    QTest::keyClicks(find<QLineEdit>(dialog, "netPort"), port);
    QCOMPARE(find<QLineEdit>(dialog, "path")->text(), path);
    QCOMPARE(ok->isEnabled(), accepted);
    QCOMPARE(note->text().isEmpty(), accepted);
    if (accepted) {
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenPath(), path);
    }
}

// The converter in use stands in the network fields; changing its kind keeps host and port.
void TestPortList::networkConverterShownAsItIs()
{
    PortListDialog dialog("mbtcp://[::1]:1502", nullptr, [] { return QList<PortEntry>(); });
    QCOMPARE(find<QComboBox>(dialog, "netKind")->currentIndex(), 1);
    QCOMPARE(find<QLineEdit>(dialog, "netHost")->text(), "::1");
    QCOMPARE(find<QLineEdit>(dialog, "netPort")->text(), "1502");
    QVERIFY(find<QPushButton>(dialog, "ok")->isEnabled());
    find<QComboBox>(dialog, "netKind")->setCurrentIndex(0);
    QCOMPARE(dialog.chosenPath(), "tcp://[::1]:1502");

    PortListDialog serial("/dev/ttyUSB0", nullptr, [] { return QList<PortEntry>(); });
    QVERIFY(find<QLineEdit>(serial, "netHost")->text().isEmpty());
    QCOMPARE(serial.chosenPath(), "/dev/ttyUSB0");
}

QTEST_MAIN(TestPortList)
#include "tst_portlist.moc"
