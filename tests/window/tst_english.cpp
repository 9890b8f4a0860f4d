// SPDX-License-Identifier: MIT
// The window in English: after --lang en (or an English locale) no Chinese is left in any text the
// operator reads, in the states the port goes through; and the real program picks its language
// from --lang and the locale.
#include "fakeport.h"
#include "form1.h"
#include "language.h"
#include "messageboxwatcher.h"
#include "portlistdialog.h"
#include "trafficmonitor.h"
#include "virtualclock.h"
#include "weighttrend.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QChartView>
#include <QComboBox>
#include <QDockWidget>
#include <QGraphicsTextItem>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>


namespace {

bool hasChinese(const QString &text)
{
    // CJK characters, their punctuation and full-width forms, and the Chinese quotation marks.
    static const QRegularExpression cjk(QStringLiteral("[\\x{3000}-\\x{303f}\\x{4e00}-\\x{9fff}"
                                                       "\\x{ff00}-\\x{ffef}\\x{201c}\\x{201d}]"));
    return cjk.match(text).hasMatch();
}

// The texts of a model's cells, its rows' children included (a port's stable names).
void addCells(const QAbstractItemModel *model, const QModelIndex &parent, QStringList *texts)
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        for (int column = 0; column < model->columnCount(parent); ++column) {
            const QModelIndex cell = model->index(row, column, parent);
            texts->append(model->data(cell).toString());
            if (column == 0)
                addCells(model, cell, texts);
        }
    }
}

// Every text the window shows on or about its widgets, each with the widget it is on.
QStringList shownTexts(QWidget *top)
{
    QStringList texts;
    const auto add = [&texts](const QObject *on, const QString &what, const QString &text) {
        if (!text.isEmpty())
            texts.append(on->objectName() + QLatin1Char('.') + what + QStringLiteral(": ") + text);
    };
    QList<QWidget *> widgets = top->findChildren<QWidget *>();
    widgets.prepend(top);
    for (QWidget *w : widgets) {
        if (w->isWindow() || qobject_cast<QDockWidget *>(w))
            add(w, QStringLiteral("windowTitle"), w->windowTitle());
        add(w, QStringLiteral("toolTip"), w->toolTip());
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            add(w, QStringLiteral("text"), b->text());
        if (auto *l = qobject_cast<QLabel *>(w))
            add(w, QStringLiteral("text"), l->text());
        if (auto *g = qobject_cast<QGroupBox *>(w))
            add(w, QStringLiteral("title"), g->title());
        if (auto *e = qobject_cast<QLineEdit *>(w))
            add(w, QStringLiteral("placeholder"), e->placeholderText());
        if (auto *t = qobject_cast<QTabWidget *>(w)) {
            for (int i = 0; i < t->count(); ++i)
                add(w, QStringLiteral("tab"), t->tabText(i));
        }
        if (auto *t = qobject_cast<QTabBar *>(w)) {
            for (int i = 0; i < t->count(); ++i)
                add(w, QStringLiteral("tab"), t->tabText(i));
        }
        if (auto *c = qobject_cast<QComboBox *>(w)) {
            for (int i = 0; i < c->count(); ++i)
                add(w, QStringLiteral("item"), c->itemText(i));
        }
        if (auto *v = qobject_cast<QAbstractItemView *>(w); v && v->model()) {
            for (int i = 0; i < v->model()->columnCount(); ++i)
                add(w, QStringLiteral("header"),
                    v->model()->headerData(i, Qt::Horizontal).toString());
            QStringList cells;
            addCells(v->model(), QModelIndex(), &cells);
            for (const QString &cell : cells)
                add(w, QStringLiteral("cell"), cell);
        }
    }
    return texts;
}

// Where the program takes its language from without --lang. Linux: the locale the environment
// names, which a row sets for the program it starts. Windows: the user's display language, which
// no variable sets (wine derives its own from LC_ALL and LANG, which Windows does not).
#ifdef Q_OS_WIN
constexpr bool kLocaleFromEnvironment = false;
#else
constexpr bool kLocaleFromEnvironment = true;
#endif

// Ends a window started on the offscreen platform: SIGTERM on Linux. On Windows that platform
// makes no native window for QProcess::terminate()'s WM_CLOSE to reach, so it is ended outright.
void endWindow(QProcess &window)
{
#ifdef Q_OS_WIN
    window.kill();
#else
    window.terminate();
#endif
}

QStringList chineseIn(const QStringList &texts)
{
    QStringList found;
    for (const QString &t : texts) {
        if (hasChinese(t))
            found.append(t);
    }
    return found;
}

} // namespace

class TestEnglish : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void noChineseLeft_data();
    void noChineseLeft();
    void panelsReadable_data();
    void panelsReadable();
    void portListInEnglish_data();
    void portListInEnglish();
    void theProgramFollowsLangAndLocale_data();
    void theProgramFollowsLangAndLocale();
};

void TestEnglish::initTestCase()
{
    useLanguage(Language::English);
}

enum class Scene {
    Opened,
    Com1Missing,
    Com2Busy,
    Com2Refused,
    ReadWhileClosed,
    Unplugged,
    PanelsShown,
    WeightUnanswered,
};
Q_DECLARE_METATYPE(Scene)
Q_DECLARE_METATYPE(PortEntry)

void TestEnglish::noChineseLeft_data()
{
    QTest::addColumn<Scene>("scene");
    QTest::addColumn<QString>("portState"); // what the status bar's port state must say
    QTest::addColumn<QString>("boxText");   // what the one message box must say; empty: none
    const QString com1 = Port::defaultDeviceFor(1);
    QTest::newRow("port opened") << Scene::Opened
                                 << QStringLiteral("COM1 %1 9600,n,8,2 open").arg(com1) << "";
    QTest::newRow("COM1 missing") << Scene::Com1Missing << "no such device"
                                  << "";
    QTest::newRow("COM2 in use") << Scene::Com2Busy << "in use by another program"
                                 << "The selected port is in use by another program!";
    QTest::newRow("COM2 refused")
        << Scene::Com2Refused << "cannot open"
        << QStringLiteral("Cannot open COM2 %1: cannot open").arg(Port::defaultDeviceFor(2));
    QTest::newRow("read while closed") << Scene::ReadWhileClosed << "no such device"
                                       << "";
    QTest::newRow("unplugged") << Scene::Unplugged
                               << QStringLiteral("%1 device disconnected (device unplugged)").arg(com1)
                               << "";
    QTest::newRow("panels shown") << Scene::PanelsShown << "open"
                                  << "";
    QTest::newRow("weight unanswered, monitor open") << Scene::WeightUnanswered << "open"
                                                     << "";
}

void TestEnglish::noChineseLeft()
{
    QFETCH(Scene, scene);
    QFETCH(QString, portState);
    QFETCH(QString, boxText);

    auto *port = new FakePort;
    if (scene == Scene::Com1Missing || scene == Scene::ReadWhileClosed)
        port->setOpenResult(1, {OpenStatus::NotFound, QStringLiteral("No such file")});
    if (scene == Scene::Com2Busy)
        port->setOpenResult(2, {OpenStatus::Busy, QStringLiteral("Permission error")});
    if (scene == Scene::Com2Refused)
        port->setOpenResult(2, {OpenStatus::Refused, QStringLiteral("system says no")});
    MessageBoxWatcher boxes;
    VirtualClock clock;
    Form1 window(port, clock);
    window.show();
    switch (scene) {
    case Scene::Com2Busy:
    case Scene::Com2Refused:
        window.findChild<QRadioButton *>(QStringLiteral("Option1(1)"))->click();
        break;
    case Scene::ReadWhileClosed:
        window.findChild<QAbstractButton *>(QStringLiteral("Command2"))->click();
        for (QAbstractButton *read : window.findChildren<QAbstractButton *>()) {
            if (read->objectName().startsWith(QStringLiteral("Command")) &&
                read->objectName() != QLatin1String("Command1"))
                read->click();
        }
        break;
    case Scene::Unplugged:
        port->unplug();
        break;
    case Scene::PanelsShown:
        for (const char *name : {"monitorButton", "trendButton", "busButton"})
            window.findChild<QToolButton *>(QLatin1String(name))->click();
        break;
    case Scene::WeightUnanswered: {
        // The request and its timeout fill the monitor, the counters and the weight display.
        window.findChild<QToolButton *>(QStringLiteral("monitorButton"))->click();
        window.findChild<QAbstractButton *>(QStringLiteral("Command2"))->click();
        // Long past the point's and the weight's timeouts.
        clock.advance(std::chrono::seconds(5));
        const auto *status = window.findChild<QLabel *>(QStringLiteral("readStatus"));
        QVERIFY2(status->text().contains(QStringLiteral("no reply")), qPrintable(status->text()));
        QCOMPARE(window.findChild<QLabel *>(QStringLiteral("Label4"))->text(),
                 QStringLiteral("No data"));
        break;
    }
    default:
        break;
    }
    QCoreApplication::processEvents();

    const QStringList texts = shownTexts(&window);
    QCOMPARE(window.windowTitle(), QStringLiteral("DWX Weighing Indicator Communication Test"));
    const QStringList chinese = chineseIn(texts + boxes.titles + boxes.texts);
    QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join(QLatin1Char('\n'))));

    const QString state = window.findChild<QLabel *>(QStringLiteral("portState"))->text();
    QVERIFY2(state.contains(portState), qPrintable(state));
    if (boxText.isEmpty()) {
        QVERIFY2(boxes.texts.isEmpty(), qPrintable(boxes.texts.join(QLatin1Char('\n'))));
    } else {
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY2(boxes.texts.first().contains(boxText), qPrintable(boxes.texts.first()));
        QCOMPARE(boxes.titles.first(), QStringLiteral("Port information"));
    }
}

enum class Docking {
    Opened,      // both panels opened where the window puts them
    TrendClosed, // both opened, then the trend closed: the monitor takes its room
    Floating,    // both floated, each 560 px wide
};
Q_DECLARE_METATYPE(Docking)

// In English the monitor's captions are whole and its bytes keep a readable width, and every
// time of day under the trend is drawn whole, wherever the panels are put.
void TestEnglish::panelsReadable_data()
{
    QTest::addColumn<Docking>("docking");
    QTest::newRow("opened") << Docking::Opened;
    QTest::newRow("trend closed again") << Docking::TrendClosed;
    QTest::newRow("floating, 560 px") << Docking::Floating;
}

void TestEnglish::panelsReadable()
{
    QFETCH(Docking, docking);
    Form1 window(new FakePort);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const char *name : {"monitorButton", "trendButton"})
        window.findChild<QToolButton *>(QLatin1String(name))->click();
    auto *monitorDock = window.findChild<QDockWidget *>(QStringLiteral("monitorDock"));
    auto *trendDock = window.findChild<QDockWidget *>(QStringLiteral("trendDock"));
    QVERIFY(monitorDock && trendDock);
    if (docking == Docking::TrendClosed) {
        QCoreApplication::processEvents();
        window.findChild<QToolButton *>(QStringLiteral("trendButton"))->click();
    }
    if (docking == Docking::Floating) {
        for (QDockWidget *dock : {monitorDock, trendDock}) {
            dock->setFloating(true);
            dock->resize(560, 320);
        }
    }
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();

    const auto *monitor = window.findChild<TrafficMonitor *>();
    const QHeaderView *header = monitor->view()->horizontalHeader();
    const QFontMetrics captions(header->font());
    const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int c = 0; c < header->count(); ++c) {
        const QString caption = monitor->model()->headerData(c, Qt::Horizontal).toString();
        QVERIFY2(header->sectionSize(c) >= captions.horizontalAdvance(caption) + margin,
                 qPrintable(caption));
    }
    const QFont hex =
        monitor->model()->index(0, TrafficModel::BytesColumn).data(Qt::FontRole).value<QFont>();
    QVERIFY(header->sectionSize(TrafficModel::BytesColumn) >
            QFontMetrics(hex).horizontalAdvance(QStringLiteral("01 03 04 00")));

    if (docking == Docking::TrendClosed)
        return;
    static const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d(:\\d\\d)?$"));
    QStringList times;
    for (QGraphicsItem *item :
         window.findChild<WeightTrend *>()->findChild<QChartView *>()->scene()->items()) {
        const auto *text = dynamic_cast<QGraphicsTextItem *>(item);
        if (!text || !text->isVisible())
            continue;
        QVERIFY2(!text->toPlainText().contains(QStringLiteral("...")),
                 qPrintable(text->toPlainText()));
        if (time.match(text->toPlainText()).hasMatch())
            times.append(text->toPlainText());
    }
    QVERIFY2(times.size() >= 2, qPrintable(times.join(' ')));
}

void TestEnglish::portListInEnglish_data()
{
    QTest::addColumn<QList<PortEntry>>("ports");
    QTest::addColumn<QString>("found"); // what the line above the list says
    QTest::newRow("none") << QList<PortEntry>{} << "No serial port found";
    QTest::newRow("an adapter with its stable name")
        << QList<PortEntry>{{"/dev/ttyUSB0", "USB Serial", "FTDI", "A10K", {"usb-FTDI-if00"}}}
        << "1 serial port(s) found:";
}

void TestEnglish::portListInEnglish()
{
    QFETCH(QList<PortEntry>, ports);
    QFETCH(QString, found);
    PortListDialog dialog(QString(), nullptr, [ports] { return ports; });
    dialog.show();
    const QStringList texts = shownTexts(&dialog);
    const QStringList chinese = chineseIn(texts);
    QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join(QLatin1Char('\n'))));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Choose a port"));
    QVERIFY2(texts.join(QLatin1Char('\n')).contains(found), qPrintable(texts.join('\n')));
}

// The language a row expects the program to speak.
enum class Speaks {
    Chinese,
    English,
    // The one the system speaks to this test's user: the program is started in the test's own
    // environment, and without --lang.
    AsTheSystem,
};
Q_DECLARE_METATYPE(Speaks)

void TestEnglish::theProgramFollowsLangAndLocale_data()
{
    // NAME=value; LC_ALL, LANG and LANGUAGE unset, but for AsTheSystem
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Speaks>("speaks");
    QTest::newRow("the system's own language")
        << QStringList{} << QStringList{} << Speaks::AsTheSystem;
    QTest::newRow("LC_ALL=en_US.UTF-8")
        << QStringList{"LC_ALL=en_US.UTF-8"} << QStringList{} << Speaks::English;
    QTest::newRow("LANG=en_GB.UTF-8")
        << QStringList{"LANG=en_GB.UTF-8"} << QStringList{} << Speaks::English;
    QTest::newRow("LC_ALL=zh_CN.UTF-8")
        << QStringList{"LC_ALL=zh_CN.UTF-8"} << QStringList{} << Speaks::Chinese;
    QTest::newRow("LC_ALL=C") << QStringList{"LC_ALL=C"} << QStringList{} << Speaks::Chinese;
    QTest::newRow("no locale at all") << QStringList{} << QStringList{} << Speaks::Chinese;
    QTest::newRow("LC_ALL over LANG") << QStringList{"LC_ALL=zh_CN.UTF-8", "LANG=en_US.UTF-8"}
                                      << QStringList{} << Speaks::Chinese;
    QTest::newRow("--lang zh over en_US")
        << QStringList{"LC_ALL=en_US.UTF-8"} << QStringList{"--lang", "zh"} << Speaks::Chinese;
    QTest::newRow("--lang=en over C")
        << QStringList{"LC_ALL=C"} << QStringList{"--lang=en"} << Speaks::English;
}

void TestEnglish::theProgramFollowsLangAndLocale()
{
    QFETCH(QStringList, environment);
    QFETCH(QStringList, arguments);
    QFETCH(Speaks, speaks);
    if (speaks != Speaks::AsTheSystem && arguments.isEmpty() && !kLocaleFromEnvironment)
        QSKIP("Windows takes the window's language from the user's display language, which "
              "LC_ALL and LANG do not set");
    const bool english = speaks == Speaks::AsTheSystem
                             ? languageFor(std::nullopt, systemLanguage()) == Language::English
                             : speaks == Speaks::English;

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (speaks != Speaks::AsTheSystem) {
        for (const char *name : {"LC_ALL", "LANG", "LANGUAGE", "LC_MESSAGES", "LC_NUMERIC"})
            env.remove(QLatin1String(name));
    }
    for (const QString &setting : environment)
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    // A COM1 that is not there: the port state then says so in the window's language.
    const QString missing =
        QStringLiteral("/nonexistent/ttyLANG%1").arg(QCoreApplication::applicationPid());
    QProcess window;
    window.setProcessEnvironment(env);
    window.start(QStringLiteral(SCALECHECK_BIN),
                 arguments + QStringList{"--com1", missing, "--print-state"});
    QVERIFY(window.waitForStarted(5000));
    QDeadlineTimer deadline(20000);
    while (!window.canReadLine() && !deadline.hasExpired())
        window.waitForReadyRead(200);
    const QString state = QString::fromUtf8(window.readLine()).trimmed();
    endWindow(window);
    QVERIFY(window.waitForFinished(5000));

    QVERIFY2(state.startsWith(QStringLiteral("COM1 ") + missing), qPrintable(state));
    QVERIFY2(
        state.contains(english ? QStringLiteral("no such device") : QStringLiteral("设备不存在")),
        qPrintable(state));
    QCOMPARE(hasChinese(state), !english);
}

QTEST_MAIN(TestEnglish)
#include "tst_english.moc"
