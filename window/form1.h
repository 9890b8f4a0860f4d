// SPDX-License-Identifier: MIT
// The main window: puts the port frame, the weight panel, the parameter pages and the status row
// together, wires each to the reader or the port operation it runs, and runs the start-up
// sequence.
#pragma once

#include "clock.h"
#include "parametergroups.h"
#include "pathchooser.h"
#include "reportdetails.h"
#include "weightreading.h"

#include <QMainWindow>
#include <functional>
#include <optional>

class BusPanel;
class GroupReader;
class ParameterPages;
class Port;
class PortControl;
class PortFrame;
class QDockWidget;
class QToolButton;
class RequestQueue;
class StatusRow;
class TrafficMonitor;
class WeightPanel;
class WeightReader;
class WeightTrend;
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
    void createReaders();
    void buildStatusRow();
    void buildPanels();
    void fitToPanels();
    void wireEvents();

    void noteAdapter();
    void warnBusy();
    void warnRefused(const QString &message);
    void choosePort();
    void exportValues();
    void writeReport();
    void copyValues();
    void readInstrument(quint8 address, qint32 baud);
    bool nothingRead() const;

    Port *m_port;
    Clock &m_clock;
    RequestQueue *m_queue = nullptr;
    PortControl *m_portControl = nullptr;
    PortFrame *m_portFrame = nullptr;
    WeightPanel *m_weightPanel = nullptr;
    ParameterPages *m_pages = nullptr;
    StatusRow *m_statusRow = nullptr;
    WeightReader *m_weight = nullptr;
    QList<GroupReader *> m_groups;
    TrafficMonitor *m_monitor = nullptr;
    WeightTrend *m_trend = nullptr;
    BusPanel *m_bus = nullptr;
    QDockWidget *m_monitorDock = nullptr;
    QDockWidget *m_trendDock = nullptr;
    QDockWidget *m_busDock = nullptr;
    PathChooser m_choosePath;
    PartiesAsker m_askParties = askReportParties;
};
