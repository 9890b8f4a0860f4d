// SPDX-License-Identifier: MIT
// The main window: builds the controls from their table, wires each control event to the one
// operation it runs, and runs the start-up sequence.
#include "form1.h"

#include "adddot.h"
#include "buspanel.h"
#include "controls.h"
#include "counterbar.h"
#include "groupreader.h"
#include "inputrules.h"
#include "linenotices.h"
#include "pagelayout.h"
#include "port.h"
#include "portcontrol.h"
#include "portlistdialog.h"
#include "report.h"
#include "reportexport.h"
#include "requestqueue.h"
#include "snapshot.h"
#include "snapshotexport.h"
#include "statuslabel.h"
#include "tabpanel.h"
#include "trafficmonitor.h"
#include "weightlabel.h"
#include "weightlogbutton.h"
#include "weightreader.h"
#include "weighttrend.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QFrame>
#include <QMouseEvent>
#include <QScreen>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QColor kWindowColour(224, 224, 224);
// The width the panels beside the instrument's window are given where the screen has room.
constexpr int kPanelWidth = 600;
const QColor kWeightColour(255, 0, 0);
const QColor kWeightBackground(192, 192, 255);
QString portMessageTitle()
{
    return Form1::tr("通讯端口信息");
}

// The six timers as the window is built. Only the poll timer is built running; the start-up
// sequence stops it before any tick, and every operation sets an interval before it arms one.
struct TimerEntry
{
    const char *name;
    int intervalMs;
    bool running;
};
constexpr TimerEntry kTimers[] = {
    {"Timer1", 1000, false}, {"autuTimer2", 1000, true}, {"TimerBJ", 1000, false},
    {"Timergny", 0, false},  {"Timergne", 800, false},   {"Timertx", 800, false},
};

QFont weightFont(const QFont &base)
{
    QFont f = base;
    // 宋体 is the face the instrument's makers chose; on Linux a CJK face stands in for it.
    f.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                   QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                   QStringLiteral("Noto Sans CJK SC")});
    f.setPointSize(60);
    f.setWeight(QFont::Normal);
    return f;
}

QWidget *makeControl(const ControlEntry &entry, QWidget *parent)
{
    const QString caption = Form1::tr(entry.caption);
    switch (entry.kind) {
    case ControlKind::Frame:
        return new QGroupBox(caption, parent);
    case ControlKind::Label:
        if (qstrcmp(entry.name, "Label4") == 0)
            return new WeightLabel(parent);
        return new QLabel(caption, parent);
    case ControlKind::CheckBox:
        return new QCheckBox(caption, parent);
    case ControlKind::PushButton:
        return new QPushButton(caption, parent);
    case ControlKind::OptionButton:
        return new QRadioButton(caption, parent);
    case ControlKind::ComboBox: {
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        return combo;
    }
    case ControlKind::TabPanel:
        return new TabPanel(parent);
    }
    return nullptr;
}

// A caption wider than its control would be cut off on a system whose interface font is wider
// than the one the layout was drawn with; such a control grows to the right, from its place.
void widenToCaption(QWidget *w, ControlKind kind)
{
    if (kind != ControlKind::Label && kind != ControlKind::CheckBox &&
        kind != ControlKind::OptionButton)
        return;
    if (qobject_cast<WeightLabel *>(w))
        return;
    w->resize(qMax(w->width(), w->sizeHint().width()), w->height());
}

} // namespace

Form1::Form1(Port *port, QWidget *parent) : QMainWindow(parent), m_port(port)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(tr("DWX智能称重仪通讯测试"));
    setWindowIcon(QIcon(QStringLiteral(":/scalecheck/scalecheck.png")));
    m_port->setParent(this);
    m_port->setObjectName(QStringLiteral("MSComm1"));
    m_queue = new RequestQueue(m_port, this);
    m_portControl = new PortControl(m_port, this);

    buildControls();
    buildTimers();
    findControls();
    createReaders();
    buildStatusBar();
    buildPanels();
    wireEvents();
    startUp();
    qApp->installEventFilter(this);
}

Form1::~Form1()
{
    // The children are destroyed after this part of the window, the port first: what they say on
    // the way out (a converter's connection closing as its socket goes) must not reach a slot of
    // a window that is no longer there.
    for (QObject *child : findChildren<QObject *>())
        child->disconnect(this);
}

void Form1::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("Form1Client"));
    client->setFixedSize(kFormWidthTwips / kTwipsPerPixel, kFormHeightTwips / kTwipsPerPixel);
    QPalette windowPalette = client->palette();
    windowPalette.setColor(QPalette::Window, kWindowColour);
    client->setPalette(windowPalette);
    client->setAutoFillBackground(true);
    // The layout was drawn for a 9-point interface font.
    QFont interfaceFont = client->font();
    interfaceFont.setPointSize(9);
    client->setFont(interfaceFont);
    setCentralWidget(client);

    for (const ControlEntry &entry : formControls()) {
        const QString container = QString::fromUtf8(entry.container);
        QWidget *parent = container == QLatin1String("Form1")
                              ? client
                              : qobject_cast<QWidget *>(m_built.value(container));
        QWidget *w = makeControl(entry, parent);
        w->setObjectName(QString::fromUtf8(entry.name));
        w->setGeometry(pixels({entry.left, entry.top, entry.width, entry.height}));
        widenToCaption(w, entry.kind);
        m_built.insert(w->objectName(), w);
    }
    buildPages(required<TabPanel>(QStringLiteral("SSTab1")));
}

template <typename T> T *Form1::required(const QString &name) const
{
    T *found = qobject_cast<T *>(m_built.value(name));
    if (!found)
        qFatal("Form1: the window's tables have no %s %s", T::staticMetaObject.className(),
               qPrintable(name));
    return found;
}

void Form1::findControls()
{
    for (int i = 0; i < 2; ++i)
        m_ui.option1[i] = required<QRadioButton>(QStringLiteral("Option1(%1)").arg(i));
    m_ui.combo1 = required<QComboBox>(QStringLiteral("Combo1"));
    m_ui.combo2 = required<QComboBox>(QStringLiteral("Combo2"));
    m_ui.command1 = required<QPushButton>(QStringLiteral("Command1"));
    m_ui.command2 = required<QPushButton>(QStringLiteral("Command2"));
    m_ui.check1 = required<QCheckBox>(QStringLiteral("Check1"));
    m_ui.frame3 = required<QGroupBox>(QStringLiteral("Frame3"));
    m_ui.label4 = required<WeightLabel>(QStringLiteral("Label4"));
    m_ui.sstab1 = required<TabPanel>(QStringLiteral("SSTab1"));
    for (int k = 0; k < kValueBoxes; ++k)
        m_ui.text2.append(required<QLineEdit>(QStringLiteral("Text2(%1)").arg(k)));
    for (const PageControls &page : pageControls()) {
        m_ui.readButtons.append(required<QPushButton>(QString::fromUtf8(page.button)));
        m_ui.pageTimers.append(required<QTimer>(QString::fromUtf8(page.timer)));
    }
    m_ui.timer1 = required<QTimer>(QStringLiteral("Timer1"));
    m_ui.autuTimer2 = required<QTimer>(QStringLiteral("autuTimer2"));
    styleControls();
}

void Form1::styleControls()
{
    // The weight panel: its caption in red on the menu colour, the weight red on light blue.
    QGroupBox *frame3 = m_ui.frame3;
    const QPalette plain = frame3->palette();
    QPalette framePalette = plain;
    framePalette.setColor(QPalette::WindowText, kWeightColour);
    framePalette.setColor(QPalette::Window, QApplication::palette("QMenu").color(QPalette::Window));
    frame3->setPalette(framePalette);
    frame3->setAutoFillBackground(true);
    QPalette checkPalette = m_ui.check1->palette();
    checkPalette.setColor(QPalette::WindowText, plain.color(QPalette::WindowText));
    m_ui.check1->setPalette(checkPalette);

    WeightLabel *label4 = m_ui.label4;
    QPalette weightPalette = label4->palette();
    weightPalette.setColor(QPalette::WindowText, kWeightColour);
    weightPalette.setColor(QPalette::Window, kWeightBackground);
    label4->setPalette(weightPalette);
    label4->setAutoFillBackground(true);
    label4->setFont(weightFont(label4->font()));
    label4->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label4->setAccessibleDescription(tr("毛重"));

    m_ui.option1[0]->setChecked(true);
    m_ui.command2->setAccessibleName(tr("读取毛重"));
    m_ui.combo1->setAccessibleDescription(tr("仪表地址"));
    m_ui.combo2->setAccessibleDescription(tr("通讯波特率"));
}

void Form1::buildPages(TabPanel *tabs)
{
    const QList<ParameterGroup> &groups = parameterGroups();
    QList<QWidget *> pages;
    for (const ParameterGroup &group : groups) {
        auto *page = new QWidget;
        tabs->addTab(page, groupCaption(group));
        pages.append(page);
    }
    // Places on the pages are measured from the panel's own corner, tabs included.
    const QPoint origin = tabs->pageOrigin();

    const auto place = [&origin](QWidget *w, const QRect &twips) {
        w->setGeometry(pixels(twips).translated(-origin));
    };
    const QList<PageControls> &layouts = pageControls();
    for (int p = 0; p < groups.size(); ++p) {
        const ParameterGroup &group = groups[p];
        const PageControls &layout = layouts.at(p);
        QWidget *page = pages[p];
        for (const ParameterField &field : group.fields) {
            const FieldPlace *where = placeOfBox(field.box);
            if (!where)
                qFatal("Form1: no place on the page for box Text2(%d)", field.box);
            auto *label = new QLabel(QString::fromUtf8(field.code), page);
            label->setObjectName(QString::fromUtf8(where->label));
            place(label, pageLabelRect(p, where->row, where->column));
            widenToCaption(label, ControlKind::Label);
            auto *box = new QLineEdit(page);
            box->setObjectName(QStringLiteral("Text2(%1)").arg(field.box));
            box->setAccessibleName(QString::fromUtf8(field.code));
            place(box, pageBoxRect(p, where->row, where->column));
            m_built.insert(label->objectName(), label);
            m_built.insert(box->objectName(), box);
        }
        auto *button = new QPushButton(tr("读取"), page);
        button->setObjectName(QString::fromUtf8(layout.button));
        button->setAccessibleName(tr(layout.accessible));
        place(button, pageButtonRect());
        m_built.insert(button->objectName(), button);
    }
    tabs->setCurrentIndex(3);
}

void Form1::buildTimers()
{
    for (const TimerEntry &entry : kTimers) {
        auto *t = new QTimer(this);
        t->setObjectName(QString::fromUtf8(entry.name));
        t->setInterval(entry.intervalMs);
        if (entry.running)
            t->start();
        m_built.insert(t->objectName(), t);
    }
}

void Form1::buildStatusBar()
{
    // Under the instrument's window: the outcome of the latest read and the port's state; below
    // them the request counters, and the reply times with the tool's panels and records.
    auto *bar = new QWidget(this);
    auto *rows = new QVBoxLayout(bar);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(1);
    auto *first = new QHBoxLayout;
    first->setSpacing(6);
    // The latest read's outcome takes what room is left; a sentence too long for it is cut at
    // its end and stands whole in the tooltip.
    m_readStatus = new StatusLabel(bar);
    m_readStatus->setObjectName(QStringLiteral("readStatus"));
    m_readStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_readStatus->setMinimumCharacters(12);
    connect(m_readStatus, &StatusLabel::linkClicked, this,
            [](const QUrl &folder) { QDesktopServices::openUrl(folder); });
    // What was found out about the line since the port opened: the adapter and its latency, an
    // echo, stray bytes, a stream nobody asked for. It stays until the port closes.
    m_lineNote = new StatusLabel(bar);
    m_lineNote->setObjectName(QStringLiteral("lineNote"));
    m_lineNote->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // The port's state keeps its place at the right end: it is shown whole where the bar has
    // room, and a long device name (/dev/serial/by-id/...) is cut in its middle, so that the
    // port button's name and the state ("已打开") both stay.
    m_portState = new StatusLabel(bar);
    m_portState->setObjectName(QStringLiteral("portState"));
    m_portState->setElideMode(Qt::ElideMiddle);
    m_portState->setMinimumCharacters(24);
    m_portState->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const auto separator = [bar] {
        auto *line = new QFrame(bar);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        return line;
    };
    // The line note and its separator come and go together.
    auto *noteBox = new QWidget(bar);
    noteBox->setObjectName(QStringLiteral("lineNoteBox"));
    noteBox->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto *noteRow = new QHBoxLayout(noteBox);
    noteRow->setContentsMargins(0, 0, 0, 0);
    noteRow->setSpacing(6);
    noteRow->addWidget(separator());
    noteRow->addWidget(m_lineNote, 1);
    noteBox->hide();
    first->addWidget(m_readStatus, 3);
    first->addWidget(noteBox, 2);
    first->addWidget(separator());
    first->addWidget(m_portState);
    auto *second = new QHBoxLayout;
    m_counters = new CounterBar(m_queue, bar);
    second->addWidget(m_counters, 1);
    QHBoxLayout *third = m_counters->timesRow();
    const auto button = [&](const char *name, const QString &text) {
        auto *b = new QToolButton(bar);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setAutoRaise(true);
        third->addWidget(b);
        return b;
    };
    m_monitorButton = button("monitorButton", tr("通讯监视"));
    m_trendButton = button("trendButton", tr("趋势图"));
    m_busButton = button("busButton", tr("总线"));
    connect(button("portListButton", tr("端口…")), &QToolButton::clicked, this, &Form1::choosePort);
    connect(button("exportButton", tr("导出")), &QToolButton::clicked, this, &Form1::exportValues);
    m_logButton = new WeightLogButton(bar);
    m_logButton->setAutoReading([this] { return m_weight->autoRead(); });
    third->addWidget(m_logButton);
    connect(button("reportButton", tr("报告")), &QToolButton::clicked, this, &Form1::writeReport);
    rows->addLayout(first);
    rows->addLayout(second);
    statusBar()->addWidget(bar, 1);
    statusBar()->setSizeGripEnabled(false);

    connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this,
            &Form1::exportValues);
    // Ctrl+C copies the values while the instrument's window has the focus; elsewhere (the
    // traffic monitor's table) it keeps its own meaning.
    auto *copy = new QShortcut(QKeySequence::Copy, centralWidget());
    copy->setContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QShortcut::activated, this, &Form1::copyValues);
}

void Form1::buildPanels()
{
    // The panels stand beside the instrument's window, never over it or under it: a field
    // laptop's 768 lines hold the window's own height and no more. Opened together they share
    // one place as tabs; each can be dragged to the other side or floated as a window of its own.
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks |
                   QMainWindow::GroupedDragging);
    setTabPosition(Qt::RightDockWidgetArea | Qt::LeftDockWidgetArea, QTabWidget::North);
    const auto dock = [this](const char *name, const QString &title, QWidget *content,
                             QToolButton *opener) {
        auto *d = new QDockWidget(title, this);
        d->setObjectName(QString::fromLatin1(name));
        d->setAllowedAreas(Qt::RightDockWidgetArea | Qt::LeftDockWidgetArea);
        d->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                       QDockWidget::DockWidgetFloatable);
        // Room for a dozen lines of traffic, or a readable chart.
        content->setMinimumHeight(240);
        d->setWidget(content);
        addDockWidget(Qt::RightDockWidgetArea, d);
        d->hide();
        QAction *toggle = d->toggleViewAction();
        toggle->setText(title);
        opener->setDefaultAction(toggle);
        // A panel opened is the one in front; the window makes room for it, or gives the room
        // back when the last panel beside it closes.
        connect(toggle, &QAction::toggled, this, [this, d](bool on) {
            if (on)
                d->raise();
            QTimer::singleShot(0, this, &Form1::fitToPanels);
        });
        connect(d, &QDockWidget::topLevelChanged, this,
                [this] { QTimer::singleShot(0, this, &Form1::fitToPanels); });
        return d;
    };
    m_monitor = new TrafficMonitor(m_queue, this);
    m_monitorDock = dock("monitorDock", tr("通讯监视"), m_monitor, m_monitorButton);
    m_trend = new WeightTrend(this);
    m_trendDock = dock("trendDock", tr("趋势图"), m_trend, m_trendButton);
    tabifyDockWidget(m_monitorDock, m_trendDock);
    connect(m_weight, &WeightReader::weightRead, m_trend, [this](const WeightReading &reading) {
        m_trend->addReading(QDateTime::currentDateTime(), reading);
    });
    m_bus = new BusPanel(m_queue, m_port, this);
    m_busDock = dock("busDock", tr("总线"), m_bus, m_busButton);
    tabifyDockWidget(m_trendDock, m_busDock);
    connect(m_bus, &BusPanel::instrumentChosen, this, &Form1::readInstrument);
}

void Form1::fitToPanels()
{
    const QList<QDockWidget *> docks{m_monitorDock, m_trendDock, m_busDock};
    const bool besideOpen = std::any_of(docks.cbegin(), docks.cend(), [](const QDockWidget *d) {
        return d->isVisible() && !d->isFloating();
    });
    const QSize least = minimumSizeHint();
    if (!besideOpen) {
        // Nothing beside the instrument's window: the window is its own size again.
        resize(least);
        return;
    }
    // The panels get a comfortable width where the screen has it, the least they need where not.
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
    const int frame = frameGeometry().width() - geometry().width();
    int width = std::max(least.width(), centralWidget()->width() + kPanelWidth);
    if (screen.isValid())
        width = std::max(least.width(), std::min(width, screen.width() - frame));
    if (this->width() < width)
        resize(width, std::max(height(), least.height()));
}

void Form1::createReaders()
{
    const auto address = [this] { return this->address(); };
    // The "dot" box read as a count of places, in one place, whenever a reply is decoded.
    const auto dotPlaces = [this] { return decimalPlacesIn(m_ui.text2.at(kDotBox)->text()); };
    // While that box is empty, the weight and the pages take the instrument's own point, asked
    // once; it holds for this line and this address only.
    auto *point = new InstrumentPoint(m_queue, address, this);
    connect(m_portControl, &PortControl::lineChanged, point, &InstrumentPoint::forget);
    connect(m_ui.combo1, &QComboBox::editTextChanged, point, &InstrumentPoint::forget);
    m_weight = new WeightReader(m_queue, m_ui.autuTimer2, address, dotPlaces, point, this);
    for (const ParameterGroup &group : parameterGroups())
        m_groups.append(new GroupReader(group, m_queue, address, dotPlaces, point, this));
    mirrorResponseTimers();
}

void Form1::mirrorResponseTimers()
{
    // The queue times each reply itself. The window's response timers show that time as the
    // instrument's makers drew it: armed with the reply's timeout once the request is written,
    // off again when its result is in.
    QHash<quint16, QTimer *> byBlock{{WeightReader::kWeightRegister, m_ui.timer1}};
    for (qsizetype p = 0; p < parameterGroups().size(); ++p)
        byBlock.insert(parameterGroups().at(p).start, m_ui.pageTimers.at(p));
    connect(m_queue, &RequestQueue::requestWritten, this,
            [byBlock](const QByteArray &, const ReadRequest &request) {
                if (QTimer *t = byBlock.value(request.start))
                    t->start(request.timeout);
            });
    connect(m_queue, &RequestQueue::replyChecked, this, [byBlock](const ReadResult &result) {
        if (QTimer *t = byBlock.value(result.request.start))
            t->stop();
    });
}

void Form1::wireEvents()
{
    for (int i = 0; i < 2; ++i) {
        connect(m_ui.option1[i], &QRadioButton::clicked, m_portControl,
                [this, i] { m_portControl->selectPort(i); });
    }
    connect(m_ui.combo2, &QComboBox::textActivated, m_portControl, &PortControl::applyBaud);
    connect(m_ui.combo2, &QComboBox::editTextChanged, m_portControl, &PortControl::applyBaud);
    connect(m_ui.command1, &QPushButton::pressed, m_portControl, &PortControl::press);
    connect(m_ui.command1, &QPushButton::clicked, m_portControl, &PortControl::toggle);

    connect(m_ui.command2, &QPushButton::clicked, m_weight, &WeightReader::read);
    connect(m_ui.check1, &QCheckBox::clicked, m_weight, &WeightReader::setAutoRead);
    // While the weight is read automatically, a port that went away is opened again when it is
    // back, and the readings go on.
    connect(m_ui.check1, &QCheckBox::clicked, m_portControl, &PortControl::setReconnecting);
    for (qsizetype p = 0; p < m_groups.size(); ++p) {
        GroupReader *reader = m_groups.at(p);
        connect(m_ui.readButtons.at(p), &QPushButton::clicked, reader, &GroupReader::read);
        connect(reader, &GroupReader::boxesDecoded, this, &Form1::showBoxes);
        connect(reader, &GroupReader::status, this, &Form1::showReadStatus);
    }

    // What the readers and the port control say goes to the window's controls.
    connect(m_weight, &WeightReader::weightRead, m_ui.label4, &WeightLabel::showReading);
    connect(m_weight, &WeightReader::weightRead, m_logButton, &WeightLogButton::addReading);
    connect(m_weight, &WeightReader::weightRead, this,
            [this](const WeightReading &reading) { m_lastWeight = reading; });
    connect(m_logButton, &WeightLogButton::status, this, &Form1::showReadStatus);
    connect(m_logButton, &WeightLogButton::confirmed, this, &Form1::confirm);
    connect(m_weight, &WeightReader::readEnabled, m_ui.command2, &QWidget::setEnabled);
    connect(m_weight, &WeightReader::status, this, &Form1::showReadStatus);
    auto *notices = new LineNotices(m_queue, m_port, Clock::eventLoop(), this);
    connect(notices, &LineNotices::notice, this, &Form1::showLineNote);
    connect(m_port, &Port::closed, this, &Form1::clearLineNote);
    connect(m_portControl, &PortControl::portOpened, this, &Form1::noteAdapter);
    connect(m_portControl, &PortControl::captionChanged, m_ui.command1, &QPushButton::setText);
    connect(m_portControl, &PortControl::busyWarning, this, &Form1::warnBusy);
    connect(m_portControl, &PortControl::refused, this, &Form1::warnRefused);
    connect(m_portControl, &PortControl::stateChanged, this, &Form1::showPortState);
    connect(m_portControl, &PortControl::status, this, &Form1::showReadStatus);
}

void Form1::startUp()
{
    for (int baud : listedBaudRates())
        m_ui.combo2->addItem(QString::number(baud));
    m_ui.combo2->setCurrentIndex(3);

    m_ui.timer1->stop();
    m_ui.autuTimer2->stop();
    m_ui.pageTimers.at(0)->stop(); // TimerBJ

    for (int i = 0; i <= 128; ++i)
        m_ui.combo1->addItem(QString::number(i));
    m_ui.combo1->setCurrentIndex(1);

    m_portControl->openAtStart();
}

std::optional<quint8> Form1::address() const
{
    const QString text = m_ui.combo1->currentText();
    const std::optional<int> a = parseAddress(text);
    if (!a)
        return std::nullopt;
    return quint8(*a);
}

void Form1::showBoxes(const QList<BoxText> &boxes)
{
    for (const BoxText &b : boxes)
        m_ui.text2.at(b.box)->setText(b.text);
}

void Form1::showReadStatus(const QString &text)
{
    if (m_confirming) {
        m_heldStatus = text;
        return;
    }
    m_readStatus->setText(text);
}

void Form1::confirm(const QString &text, const QString &path)
{
    m_heldStatus = m_confirming ? m_heldStatus : m_readStatus->text();
    m_confirming = true;
    m_readStatus->setText(text);
    m_readStatus->setLink(
        path.isEmpty() ? QUrl() : QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

void Form1::releaseConfirmation()
{
    if (!m_confirming)
        return;
    m_confirming = false;
    m_readStatus->setLink({});
    m_readStatus->setText(m_heldStatus);
    m_heldStatus.clear();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    // A confirmation stands until the operator presses a key or a mouse button anywhere in the
    // window, the confirmation itself (whose click opens the folder) excepted.
    if (m_confirming &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)) {
        auto *w = qobject_cast<QWidget *>(watched);
        if (w && w->window() == this && w != m_readStatus)
            releaseConfirmation();
    }
    return QMainWindow::eventFilter(watched, event);
}

QString Form1::portStateText() const
{
    return m_portControl->stateText();
}

void Form1::showLineNote(const QString &text)
{
    // The newest stands in the bar; the tooltip keeps all of them since the port opened.
    const QString all = m_lineNote->toolTip();
    m_lineNote->setToolTip(all.isEmpty() ? text : all + QLatin1Char('\n') + text);
    m_lineNote->setText(text);
    m_lineNote->parentWidget()->show();
    showReadStatus(text);
}

void Form1::noteAdapter()
{
    if (!m_port->adapterNote().isEmpty())
        showLineNote(m_port->adapterNote());
}

void Form1::clearLineNote()
{
    m_lineNote->clear();
    m_lineNote->setToolTip({});
    m_lineNote->parentWidget()->hide();
}

void Form1::showPortState()
{
    m_portState->setText(portStateText());
}

Snapshot Form1::snapshot() const
{
    Snapshot shot;
    shot.time = QDateTime::currentDateTime();
    shot.port = QStringLiteral("COM%1").arg(m_port->commPort());
    shot.device = m_port->device();
    shot.settings = m_port->settingsText();
    const std::optional<quint8> a = address();
    shot.address = a ? int(*a) : -1;
    shot.weight = m_ui.label4->text();
    shot.values = parameterValues([this](int box) { return m_ui.text2.at(box)->text(); });
    return shot;
}

ReportData Form1::report() const
{
    ReportData data;
    data.snapshot = snapshot();
    data.version = QStringLiteral(SCALECHECK_VERSION);
    data.adapter = m_port->adapterDescription();
    if (!m_lastWeight.result.isEmpty() && m_lastWeight.text() == data.snapshot.weight)
        data.weightResult = m_lastWeight.result;
    data.counters = RequestCounters::of(*m_queue);
    data.replyTimes = m_queue->replyTimes();
    data.trend = m_trend->series();
    const TrafficModel *frames = m_monitor->model();
    for (int row = std::max(0, frames->rowCount() - kReportFrames); row < frames->rowCount(); ++row)
        data.frames.append(frames->line(row));
    return data;
}

void Form1::setPathChooser(const PathChooser &chooser)
{
    m_choosePath = chooser;
    m_logButton->setPathChooser(chooser);
}

void Form1::choosePort()
{
    PortListDialog dialog(m_port->device(), this);
    if (dialog.exec() == QDialog::Accepted && !dialog.chosenPath().isEmpty())
        m_portControl->selectDevice(dialog.chosenPath());
}

void Form1::readInstrument(quint8 address, qint32 baud)
{
    // As if the operator had picked them: the address box, and the baud box, whose change
    // applies the rate to the port.
    const auto show = [](QComboBox *box, const QString &text) {
        const int listed = box->findText(text);
        if (listed >= 0)
            box->setCurrentIndex(listed);
        box->setEditText(text);
    };
    show(m_ui.combo1, QString::number(address));
    if (baud > 0)
        show(m_ui.combo2, QString::number(baud));
}

void Form1::exportValues()
{
    const QString path = exportSnapshot(this, snapshot());
    if (!path.isEmpty())
        confirm(tr("已导出：%1").arg(QDir::toNativeSeparators(path)), path);
}

bool Form1::nothingRead() const
{
    if (m_lastWeight.ok())
        return false;
    return std::all_of(m_ui.text2.cbegin(), m_ui.text2.cend(),
                       [](const QLineEdit *box) { return box->text().isEmpty(); });
}

void Form1::writeReport()
{
    // A report of empty boxes is rarely what was meant: the pages have not been read yet.
    if (nothingRead() &&
        QMessageBox::question(this, tr("报告"),
                              tr("还没有读到毛重或任何参数，报告中的数值将全部为空。\n仍然写出报告？"),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return;
    const std::optional<ReportParties> parties = m_askParties(this, rememberedReportParties());
    if (!parties)
        return;
    rememberReportParties(*parties);
    ReportData data = report();
    data.parties = *parties;
    const QString pdf = exportReport(this, data, m_choosePath);
    if (!pdf.isEmpty())
        confirm(tr("报告已写出：%1，%2")
                    .arg(QDir::toNativeSeparators(pdf),
                         QDir::toNativeSeparators(reportHtmlPath(pdf))),
                pdf);
}

void Form1::copyValues()
{
    QGuiApplication::clipboard()->setText(toText(snapshot()));
}

void Form1::warnBusy()
{
    QMessageBox::warning(this, portMessageTitle(), tr("所选的端口被占用！"));
}

void Form1::warnRefused(const QString &message)
{
    QMessageBox::warning(this, portMessageTitle(), message);
}
