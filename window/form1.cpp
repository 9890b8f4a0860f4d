// SPDX-License-Identifier: MIT
// The main window: puts the port frame, the weight panel, the parameter pages and the status row
// together, wires each to the reader or the port operation it runs, and runs the start-up
// sequence.
#include "form1.h"

#include "buspanel.h"
#include "causetext.h"
#include "diagnosisview.h"
#include "failurewatch.h"
#include "linediagnosis.h"
#include "formbuilder.h"
#include "comparison.h"
#include "linenotices.h"
#include "livereading.h"
#include "liveserver.h"
#include "liveviewdialog.h"
#include "parameterpages.h"
#include "port.h"
#include "portcontrol.h"
#include "portframe.h"
#include "portlistdialog.h"
#include "readsession.h"
#include "report.h"
#include "referencemarks.h"
#include "reportexport.h"
#include "requestqueue.h"
#include "snapshot.h"
#include "snapshotexport.h"
#include "statusrow.h"
#include "trafficmonitor.h"
#include "weightlogbutton.h"
#include "weightpanel.h"
#include "verificationdialog.h"
#include "weighttrend.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace {

// The width the panels beside the instrument's window are given where the screen has room.
constexpr int kPanelWidth = 600;
QString portMessageTitle()
{
    return Form1::tr("通讯端口信息");
}

} // namespace

Form1::Form1(Port *port, QWidget *parent) : Form1(port, Clock::eventLoop(), parent) {}

Form1::Form1(Port *port, Clock &clock, QWidget *parent)
    : QMainWindow(parent), m_port(port), m_clock(clock)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(tr("DWX智能称重仪通讯测试"));
    setWindowIcon(QIcon(QStringLiteral(":/scalecheck/scalecheck.png")));
    m_port->setParent(this);
    m_port->setObjectName(QStringLiteral("MSComm1"));
    m_queue = new RequestQueue(m_port, m_clock, this);
    m_live = new LiveServer(this);
    m_portControl = new PortControl(m_port, m_clock, this);

    const Form1Controls controls = buildForm1Controls(this);
    m_portFrame = new PortFrame(controls.portFrame, m_portControl, this);
    createSession();
    m_weightPanel = new WeightPanel(controls.weightPanel, m_session, m_queue, m_clock, this);
    m_pages = new ParameterPages(controls.pages, m_session, m_queue, m_clock, this);
    m_marks = new ReferenceMarks(m_pages->valueBoxes(), this);
    connect(m_pages, &ParameterPages::valuesChanged, this, &Form1::markReference);
    buildStatusRow();
    buildPanels();
    wireEvents();
    watchFailures();

    useTimeouts(rememberedReadTimeouts());

    // Start-up: the lists filled, then COM1 opened.
    m_portFrame->fillLists();
    m_portControl->openAtStart();
}

Form1::~Form1()
{
    // The children are destroyed after this part of the window, the port first: what they say on
    // the way out (a converter's connection closing as its socket goes) must not reach a slot of
    // a window that is no longer there.
    for (QObject *child : findChildren<QObject *>())
        child->disconnect(this);
}

void Form1::createSession()
{
    // The address and the "dot" box are read whenever a request goes out or a reply is decoded.
    // While that box is empty, the weight and the pages take the instrument's own point, asked
    // once; it holds for this line and this address only.
    m_session = new ReadSession(
        m_queue, m_port, m_clock, [this] { return m_portFrame->address(); },
        [this] { return m_pages->dotPlaces(); }, this);
    connect(m_portControl, &PortControl::lineChanged, m_session, &ReadSession::forgetPoint);
    connect(m_portFrame, &PortFrame::addressEdited, m_session, &ReadSession::forgetPoint);
}

void Form1::buildStatusRow()
{
    m_statusRow = new StatusRow(m_queue, this);
    m_statusRow->logButton()->setAutoReading([this] { return m_session->autoRead(); });
    connect(m_statusRow, &StatusRow::portListRequested, this, &Form1::choosePort);
    connect(m_statusRow, &StatusRow::exportRequested, this, &Form1::exportValues);
    connect(m_statusRow, &StatusRow::reportRequested, this, &Form1::writeReport);
    connect(m_statusRow, &StatusRow::liveViewRequested, this, &Form1::showLiveView);
    connect(m_statusRow, &StatusRow::verificationRequested, this, &Form1::openVerification);
    connect(m_statusRow, &StatusRow::referenceSaveRequested, this, &Form1::saveReference);
    connect(m_statusRow, &StatusRow::referenceLoadRequested, this, &Form1::loadReference);
    connect(m_statusRow, &StatusRow::referenceClearRequested, this, &Form1::clearReference);
    statusBar()->addWidget(m_statusRow, 1);
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
    m_monitorDock = dock("monitorDock", tr("通讯监视"), m_monitor, m_statusRow->monitorButton());
    m_trend = new WeightTrend(this);
    m_trendDock = dock("trendDock", tr("趋势图"), m_trend, m_statusRow->trendButton());
    tabifyDockWidget(m_monitorDock, m_trendDock);
    connect(m_session, &ReadSession::weightRead, m_trend, [this](const WeightReading &reading) {
        m_trend->addReading(QDateTime::currentDateTime(), reading);
    });
    m_bus = new BusPanel(m_queue, m_port, m_clock, this);
    m_bus->setWindowAddress([this] { return m_portFrame->address(); });
    m_busDock = dock("busDock", tr("总线"), m_bus, m_statusRow->busButton());
    tabifyDockWidget(m_trendDock, m_busDock);
    connect(m_bus, &BusPanel::instrumentChosen, this, &Form1::readInstrument);
    m_diagnosisView = new DiagnosisView(this);
    m_diagnosisDock =
        dock("diagnosisDock", tr("诊断"), m_diagnosisView, m_statusRow->diagnosisButton());
    tabifyDockWidget(m_busDock, m_diagnosisDock);
}

void Form1::fitToPanels()
{
    const QList<QDockWidget *> docks{m_monitorDock, m_trendDock, m_busDock, m_diagnosisDock};
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

void Form1::wireEvents()
{
    // While the weight is read automatically, a port that went away is opened again when it is
    // back, and the readings go on.
    connect(m_weightPanel, &WeightPanel::autoReadSwitched, m_portControl,
            &PortControl::setReconnecting);

    // What the panels and the port control say goes to the status row.
    connect(m_session, &ReadSession::weightRead, m_statusRow->logButton(),
            &WeightLogButton::addReading);
    // The live page shows what the weight display shows; it reads nothing itself.
    connect(m_session, &ReadSession::weightRead, m_live, [this](const WeightReading &reading) {
        m_live->setState(liveStateOf(
            reading, {m_port->device(), m_port->settingsText(), m_portFrame->address()}, m_test));
    });
    connect(m_weightPanel, &WeightPanel::status, m_statusRow, &StatusRow::showReadStatus);
    connect(m_pages, &ParameterPages::status, m_statusRow, &StatusRow::showReadStatus);
    auto *notices = new LineNotices(m_queue, m_port, m_clock, this);
    connect(notices, &LineNotices::notice, m_statusRow, &StatusRow::showLineNote);
    connect(m_port, &Port::closed, m_statusRow, &StatusRow::clearLineNote);
    connect(m_portControl, &PortControl::portOpened, this, &Form1::noteAdapter);
    connect(m_portControl, &PortControl::busyWarning, this, &Form1::warnBusy);
    connect(m_portControl, &PortControl::refused, this, &Form1::warnRefused);
    connect(m_portControl, &PortControl::stateChanged, m_statusRow,
            [this] { m_statusRow->showPortState(portStateText()); });
    connect(m_portControl, &PortControl::status, m_statusRow, &StatusRow::showReadStatus);
}

QString Form1::portStateText() const
{
    return m_portControl->stateText();
}

void Form1::noteAdapter()
{
    if (!m_port->adapterNote().isEmpty())
        m_statusRow->showLineNote(m_port->adapterNote());
}

Snapshot Form1::snapshot() const
{
    const SnapshotLine line{QStringLiteral("COM%1").arg(m_port->commPort()), m_port->device(),
                            m_port->lineKind(), m_port->lineSettings(), m_portFrame->address()};
    // The reading the weight display shows, "no data" of a closed port included: the record
    // says what the operator sees, and how that read ended.
    return Snapshot::of(QDateTime::currentDateTime(), line, m_weightPanel->shownReading(),
                        parameterValues(m_pages->values(),
                                        [this](int box) { return m_pages->valueText(box); }));
}

ReportData Form1::report() const
{
    ReportData data;
    data.snapshot = snapshot();
    data.version = QStringLiteral(SCALECHECK_VERSION);
    data.adapter = m_port->adapterDescription();
    data.counters = RequestCounters::of(*m_queue);
    data.replyTimes = m_queue->replyTimes();
    data.timeouts = m_timeouts;
    data.trend = m_trend->series();
    const TrafficModel *frames = m_monitor->model();
    for (int row = std::max(0, frames->rowCount() - kReportFrames); row < frames->rowCount(); ++row)
        data.frames.append(frames->line(row));
    data.verdict = m_verdict;
    if (m_reference) {
        // The instrument in the window against the reference loaded, as its boxes are marked.
        const Comparison comparison = compare(*m_reference, m_pages->values());
        const std::optional<quint8> address = m_portFrame->address();
        ReportComparisonRow row;
        row.instrument = address ? tr("地址 %1").arg(*address) : m_port->device();
        row.outcome = comparison.same() ? ReportComparisonRow::Outcome::Same
                                        : ReportComparisonRow::Outcome::Differs;
        row.differenceCount = comparison.differenceCount();
        for (const Difference &d : comparison.deviations)
            row.differences.append({QString::fromUtf8(d.code), valueText(d.reference),
                                    d.instrument ? valueText(*d.instrument) : QString(),
                                    d.withinTolerance});
        data.comparison =
            ReportComparison{QDir::toNativeSeparators(m_referencePath), {row}};
    }
    return data;
}

void Form1::setPathChooser(const PathChooser &chooser)
{
    m_choosePath = chooser;
    m_statusRow->logButton()->setPathChooser(chooser);
}

void Form1::choosePort()
{
    PortListDialog dialog(m_port->device(), this);
    dialog.setTimeouts(m_timeouts);
    if (dialog.exec() != QDialog::Accepted)
        return;
    chooseTimeouts(dialog.chosenTimeouts());
    if (!dialog.chosenPath().isEmpty())
        m_portControl->selectDevice(dialog.chosenPath());
}

void Form1::useTimeouts(const ReadTimeouts &timeouts)
{
    m_timeouts = timeouts;
    m_session->setTimeouts(timeouts);
    m_portControl->setTimeouts(timeouts);
    m_statusRow->showPortState(portStateText());
}

void Form1::chooseTimeouts(const ReadTimeouts &timeouts)
{
    if (timeouts == m_timeouts)
        return;
    useTimeouts(timeouts);
    rememberReadTimeouts(timeouts);
}

void Form1::watchFailures()
{
    // A failed read is explained by what it showed; where that is not enough, a few short
    // questions go on the line between the operator's reads, never a write.
    m_watch = new FailureWatch(
        m_queue, m_port, m_clock, [this] { return diagnosisTarget(); }, this);
    connect(m_watch, &FailureWatch::causeKnown, this, &Form1::showCause);
    connect(m_watch, &FailureWatch::diagnosisStarted, m_diagnosisView,
            &DiagnosisView::showDiagnosing);
    connect(m_watch->lineDiagnosis(), &LineDiagnosis::asked, m_diagnosisView,
            &DiagnosisView::addExchange);
    connect(m_watch->lineDiagnosis(), &LineDiagnosis::portClosed, m_diagnosisView,
            [this] { m_diagnosisView->showStopped(tr("端口已关闭，诊断中止")); });
    connect(m_diagnosisView, &DiagnosisView::diagnoseRequested, this, [this] {
        if (!m_watch->diagnose())
            m_diagnosisView->showStopped(m_port->isOpen()
                                             ? tr("上一次诊断还没有结束，请稍候再试")
                                             : tr("请先打开端口"));
    });
    connect(m_diagnosisView, &DiagnosisView::adviceTaken, this, &Form1::takeAdvice);
    connect(m_diagnosisView, &DiagnosisView::findRequested, this, &Form1::findSettings);
    connect(m_statusRow, &StatusRow::causeClicked, this, [this] {
        if (const std::optional<Cause> &cause = m_watch->lastCause())
            takeAdvice(cause->advice);
    });
    // What was found holds for the settings it was found with.
    connect(m_portControl, &PortControl::lineChanged, this, &Form1::forgetCause);
    connect(m_portFrame, &PortFrame::addressEdited, this, &Form1::forgetCause);
    connect(m_port, &Port::closed, this, &Form1::forgetCause);
}

DiagnosisTarget Form1::diagnosisTarget() const
{
    DiagnosisTarget target;
    target.address = m_portFrame->address().value_or(target.address);
    target.settings = m_port->lineSettings();
    target.timeout = m_timeouts.of(WeightReading::kTimeout);
    target.lineKind = m_port->lineKind();
    target.seenAddresses = m_bus->model()->instrumentAddresses();
    // Between the operator's reads the near addresses alone: the rest would hold the line's
    // spare time for many seconds, and 查找设置, which the advice offers, asks them all.
    target.sweepTo = LineDiagnosis::kNearTo;
    return target;
}

void Form1::showCause(const Cause &cause)
{
    // Nobody answers a broadcast: its silence is no fault, and the read's own word says why.
    if (cause.code == CauseCode::Silent && cause.target.address == 0 && !cause.asked)
        return;
    m_diagnosisView->showCause(cause);
    // An exception a read met is named by the read's own word in the status bar, which knows
    // the ones it expects (a model without a decimal-point register); the view has its advice.
    if (cause.code == CauseCode::Exception && !cause.asked)
        return;
    if (cause.code == CauseCode::Ok) {
        m_statusRow->clearCause();
        return;
    }
    QString click;
    if (cause.advice.appliesInWindow())
        click = tr("点击应用：%1").arg(adviceText(cause, Speaker::Window));
    else if (cause.advice.search)
        click = tr("点击在“总线”中查找设置");
    m_statusRow->showCause(causeLine(cause, Speaker::Window), click);
}

void Form1::takeAdvice(const Advice &advice)
{
    if (advice.search) {
        findSettings();
        return;
    }
    // As if the operator had picked it in the port frame.
    if (advice.kind == Advice::Kind::SetAddress) {
        m_portFrame->showAddress(advice.address);
        m_statusRow->showReadStatus(tr("已将地址改为 %1").arg(advice.address));
    } else if (advice.kind == Advice::Kind::SetBaud) {
        m_portFrame->showBaud(advice.baud);
        m_statusRow->showReadStatus(tr("已将波特率改为 %1").arg(advice.baud));
    } else if (advice.kind == Advice::Kind::RaiseTimeout && advice.timeout.count() > 0) {
        chooseTimeouts(ReadTimeouts::atLeast(
            std::max(advice.timeout, m_timeouts.of(WeightReading::kTimeout))));
        m_statusRow->showReadStatus(
            tr("已将超时加大到 %1 ms").arg(m_timeouts.of(WeightReading::kTimeout).count()));
    } else {
        return;
    }
    forgetCause();
}

void Form1::findSettings()
{
    m_busDock->show();
    m_busDock->raise();
    m_bus->startFind();
}

void Form1::forgetCause()
{
    m_watch->forget();
    // A read sent to the broadcast address is never answered: no diagnosis asks after it.
    m_watch->setAsking(m_portFrame->address() != std::optional<quint8>(0));
    m_statusRow->clearCause();
    m_diagnosisView->showSettingsChanged();
}

void Form1::readInstrument(quint8 address, qint32 baud)
{
    // As if the operator had picked them: the address, and the baud rate, which the port takes.
    m_portFrame->showAddress(address);
    if (baud > 0)
        m_portFrame->showBaud(baud);
}

void Form1::exportValues()
{
    const QString path = exportSnapshot(this, snapshot());
    if (!path.isEmpty())
        m_statusRow->confirm(tr("已导出：%1").arg(QDir::toNativeSeparators(path)), path);
}

bool Form1::nothingRead() const
{
    if (const std::optional<WeightReading> &shown = m_weightPanel->shownReading();
        shown && shown->ok())
        return false;
    return m_pages->allEmpty();
}

void Form1::writeReport()
{
    // A report of empty boxes is rarely what was meant: the pages have not been read yet.
    if (nothingRead() &&
        QMessageBox::question(
            this, tr("报告"),
            tr("还没有读到毛重或任何参数，报告中的数值将全部为空。\n仍然写出报告？"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    const std::optional<ReportParties> parties = m_askParties(this, rememberedReportParties());
    if (!parties)
        return;
    rememberReportParties(*parties);
    ReportData data = report();
    data.parties = *parties;
    const QString pdf = exportReport(this, data, m_choosePath);
    if (!pdf.isEmpty())
        m_statusRow->confirm(
            tr("报告已写出：%1，%2")
                .arg(QDir::toNativeSeparators(pdf), QDir::toNativeSeparators(reportHtmlPath(pdf))),
            pdf);
}

void Form1::showLiveView()
{
    if (!m_liveView)
        m_liveView = new LiveViewDialog(m_live, this);
    m_liveView->show();
    m_liveView->raise();
    m_liveView->activateWindow();
}

void Form1::openVerification()
{
    // The instrument as the test finds it: the line, its address and what its pages showed.
    CertificateInstrument instrument;
    instrument.port = m_port->device();
    instrument.lineSettings = m_port->settingsText();
    const std::optional<quint8> address = m_portFrame->address();
    instrument.address = address ? int(*address) : 0;
    for (const ParameterValue &value : m_pages->values()) {
        instrument.parameters.append({QString::fromUtf8(value.code), valueText(value)});
        if (qstrcmp(value.code, "ID") == 0)
            instrument.id = valueText(value);
    }
    auto *dialog = new VerificationDialog(m_session, instrument, m_clock, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The live page shows the step the dialog shows while the test runs, and nothing of it
    // after: at once, not at the next reading, which without 自动读取 comes only when the
    // operator goes on.
    const auto showTest = [this](const LiveTest &test) {
        m_test = test;
        LiveState state = m_live->state().value_or(LiveState{});
        state.test = test;
        m_live->setState(state);
    };
    connect(dialog, &VerificationDialog::testChanged, this, showTest);
    // The report made after it carries the test's verdict at its head.
    connect(dialog, &VerificationDialog::verdictGiven, this,
            [this](bool pass, const QString &plan) {
                m_verdict = ReportVerdict{pass, QDateTime::currentDateTime(), plan};
            });
    connect(dialog, &QObject::destroyed, this, [showTest] { showTest({}); });
    if (m_choosePath)
        dialog->setPathChooser(m_choosePath);
    dialog->show();
}

void Form1::saveReference()
{
    const std::optional<ReferenceSet> set = ReferenceSet::fromValues(m_pages->values());
    if (!set) {
        m_statusRow->showReadStatus(tr("请先读取全部四页参数，再保存为参考"));
        return;
    }
    const QString path =
        m_choosePath ? m_choosePath(this, QStringLiteral("reference.json"))
                     : QFileDialog::getSaveFileName(this, tr("保存为参考"),
                                                    QStringLiteral("reference.json"),
                                                    tr("参考文件 (*.json)"));
    if (path.isEmpty())
        return;
    const std::optional<quint8> address = m_portFrame->address();
    const QString source = QStringLiteral("COM%1 %2 %3 %4")
                               .arg(m_port->commPort())
                               .arg(m_port->device(),
                                    address ? tr("地址 %1").arg(*address) : QString(),
                                    QDateTime::currentDateTime().toString(Qt::ISODate));
    QString error;
    if (!set->save(path, source, &error)) {
        QMessageBox::warning(this, tr("参考"), error);
        return;
    }
    m_statusRow->confirm(tr("参考已保存：%1").arg(QDir::toNativeSeparators(path)), path);
}

void Form1::loadReference()
{
    const QString path = m_choosePath
                             ? m_choosePath(this, QStringLiteral("reference.json"))
                             : QFileDialog::getOpenFileName(this, tr("载入参考"), QString(),
                                                            tr("参考文件 (*.json)"));
    if (path.isEmpty())
        return;
    const ReferenceLoad load = ReferenceSet::load(path);
    if (!load.set) {
        // A damaged file compares nothing: the marks of an earlier reference go too.
        clearReference();
        QMessageBox::warning(this, tr("参考"),
                             load.error ? referenceErrorText(*load.error) : QString());
        return;
    }
    m_reference = load.set;
    m_referencePath = path;
    m_bus->setReference(*m_reference);
    markReference();
    m_statusRow->confirm(tr("已载入参考：%1").arg(QDir::toNativeSeparators(path)), path);
}

void Form1::clearReference()
{
    m_reference.reset();
    m_marks->clear();
}

void Form1::markReference()
{
    if (m_reference)
        m_marks->mark(compare(*m_reference, m_pages->values()));
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
