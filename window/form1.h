// SPDX-License-Identifier: MIT
// The main window: puts the port frame, the weight panel, the parameter pages and the status row
// together, wires each to the reader or the port operation it runs, and runs the start-up
// sequence.
#pragma once

#include "clock.h"
#include "livestate.h"
#include "parametergroups.h"
#include "pathchooser.h"
#include "readtimeouts.h"
#include "referenceset.h"
#include "reportdetails.h"
#include "weightreading.h"

#include <QMainWindow>
#include <functional>
#include <optional>

class BusPanel;
class DiagnosisView;
class FailureWatch;
class ReferenceMarks;
class LiveServer;
class LiveViewDialog;
class ParameterPages;
class Port;
class PortControl;
class PortFrame;
class ReadSession;
class QDockWidget;
class QToolButton;
class RequestQueue;
class StatusRow;
class TrafficMonitor;
class WeightPanel;
class WeightTrend;
struct Advice;
struct Cause;
struct DiagnosisTarget;
struct ReportData;
struct Snapshot;

class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    // The window takes the serial port (a DevicePort, or a fake in tests) as its MSComm1, and
    // the clock that times the requests, the polling and the port's reconnection.
    // Construction ends with the start-up sequence: lists filled, timers stopped, COM1 opened.
    explicit Form1(Port *port, QWidget *parent = nullptr);
    Form1(Port *port, Clock &clock, QWidget *parent = nullptr);
    ~Form1() override;

    Port *port() const { return m_port; }
    RequestQueue *queue() const { return m_queue; }
    // What the status bar says of the port: "COM1 /dev/ttyS0 9600,n,8,2 已打开" ...
    QString portStateText() const;
    // Everything the window shows now, for the record: the 35 values, the weight, the line.
    Snapshot snapshot() const;

    // What goes into the commissioning report: the snapshot, the line's counters and reply
    // times, the trend, the monitor's last frames.
    ReportData report() const;

    // Where "记录" and "报告" ask for a file: a file dialog unless set (tests give a path).
    void setPathChooser(const PathChooser &chooser);
    // How "报告" asks who the report is for: a dialog unless set (tests answer themselves).
    void setPartiesAsker(const PartiesAsker &asker) { m_askParties = asker; }

private:
    void createSession();
    void buildStatusRow();
    void buildPanels();
    void fitToPanels();
    void wireEvents();

    void noteAdapter();
    void warnBusy();
    void warnRefused(const QString &message);
    void choosePort();
    // The reads' timeouts: given to every reader and shown in the status line; the operator's
    // choice (端口…, or the advice taken) is remembered for the next start as well.
    void useTimeouts(const ReadTimeouts &timeouts);
    void chooseTimeouts(const ReadTimeouts &timeouts);
    void exportValues();
    void writeReport();
    void showLiveView();
    void openVerification();
    void saveReference();
    void loadReference();
    void clearReference();
    void markReference();
    void copyValues();
    void readInstrument(quint8 address, qint32 baud);
    // Why the reads fail: the failure watch, the 诊断 view and the cause in the status bar.
    void watchFailures();
    DiagnosisTarget diagnosisTarget() const;
    void showCause(const Cause &cause);
    void takeAdvice(const Advice &advice);
    // The search for the instrument's settings, in the bus view.
    void findSettings();
    void forgetCause();
    bool nothingRead() const;

    Port *m_port;
    Clock &m_clock;
    RequestQueue *m_queue = nullptr;
    PortControl *m_portControl = nullptr;
    PortFrame *m_portFrame = nullptr;
    WeightPanel *m_weightPanel = nullptr;
    ParameterPages *m_pages = nullptr;
    StatusRow *m_statusRow = nullptr;
    // The weight and the four pages, read with the instrument's point.
    ReadSession *m_session = nullptr;
    ReadTimeouts m_timeouts;
    TrafficMonitor *m_monitor = nullptr;
    WeightTrend *m_trend = nullptr;
    BusPanel *m_bus = nullptr;
    QDockWidget *m_monitorDock = nullptr;
    QDockWidget *m_trendDock = nullptr;
    QDockWidget *m_busDock = nullptr;
    QDockWidget *m_diagnosisDock = nullptr;
    DiagnosisView *m_diagnosisView = nullptr;
    FailureWatch *m_watch = nullptr;
    // The live page for a phone: nothing listens until the operator turns it on.
    LiveServer *m_live = nullptr;
    LiveViewDialog *m_liveView = nullptr;
    // While a verification test runs: what the live page says of it.
    LiveTest m_test;
    // The verdict of the last verification test that ran to its end, for the report.
    std::optional<ReportVerdict> m_verdict;
    // A reference parameter set loaded by the operator; the boxes that differ from it are marked.
    std::optional<ReferenceSet> m_reference;
    QString m_referencePath;
    ReferenceMarks *m_marks = nullptr;
    PathChooser m_choosePath;
    PartiesAsker m_askParties = askReportParties;
};
