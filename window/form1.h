// SPDX-License-Identifier: MIT
// The main window: builds the controls from their table, wires each control event to the one
// operation it runs, and runs the start-up sequence.
#pragma once

#include "parametergroups.h"
#include "pathchooser.h"
#include "reportdetails.h"
#include "weightreading.h"

#include <QMainWindow>
#include <functional>
#include <optional>

class BusPanel;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class GroupReader;
class PortControl;
class CounterBar;
class QDockWidget;
class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;
class StatusLabel;
class RequestQueue;
class Port;
class TabPanel;
class TrafficMonitor;
class WeightLabel;
class WeightLogButton;
class WeightTrend;
struct ReportData;
struct Snapshot;
class WeightReader;

class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    // The window takes the serial port (a DevicePort, or a fake in tests) as its MSComm1.
    // Construction ends with the start-up sequence: lists filled, timers stopped, COM1 opened.
    explicit Form1(Port *port, QWidget *parent = nullptr);
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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The controls the window's logic uses, found by their names once, when the window is
    // built; a name that is not there (or not of its kind) stops the program right then.
    struct Controls
    {
        QRadioButton *option1[2] = {};
        QComboBox *combo1 = nullptr;      // the instrument's address
        QComboBox *combo2 = nullptr;      // the baud rate
        QPushButton *command1 = nullptr;  // open or close the port
        QPushButton *command2 = nullptr;  // read the weight once
        QCheckBox *check1 = nullptr;      // read the weight automatically
        QGroupBox *frame3 = nullptr;      // the weight panel
        WeightLabel *label4 = nullptr;    // the weight display
        TabPanel *sstab1 = nullptr;       // the four parameter pages
        QList<QLineEdit *> text2;         // the value boxes Text2(0) to Text2(34)
        QList<QPushButton *> readButtons; // each page's 读取, in page order
        QTimer *timer1 = nullptr;         // the weight's response timer
        QTimer *autuTimer2 = nullptr;     // the automatic weight request
        QList<QTimer *> pageTimers;       // TimerBJ, Timergny, Timergne, Timertx
    };

    void buildControls();
    void buildPages(TabPanel *tabs);
    void buildTimers();
    void findControls();
    void styleControls();
    template <typename T> T *required(const QString &name) const;
    void buildStatusBar();
    void buildPanels();
    void fitToPanels();
    void createReaders();
    void mirrorResponseTimers();
    void wireEvents();
    void startUp();

    std::optional<quint8> address() const;

    void showBoxes(const QList<BoxText> &boxes);
    void showReadStatus(const QString &text);
    // A file written or a log stopped: the sentence stays in the status bar, its file's folder a
    // click away, until the operator does something else in the window.
    void confirm(const QString &text, const QString &path);
    void releaseConfirmation();
    bool nothingRead() const;
    void showPortState();
    void showLineNote(const QString &text);
    void clearLineNote();
    void noteAdapter();
    void warnBusy();
    void warnRefused(const QString &message);
    void choosePort();
    void exportValues();
    void writeReport();
    void copyValues();
    void readInstrument(quint8 address, qint32 baud);

    Port *m_port;
    RequestQueue *m_queue = nullptr;
    PortControl *m_portControl = nullptr;
    WeightReader *m_weight = nullptr;
    QList<GroupReader *> m_groups;
    StatusLabel *m_readStatus = nullptr;
    StatusLabel *m_portState = nullptr;
    StatusLabel *m_lineNote = nullptr;
    // While a confirmation stands, the latest read's outcome waits here.
    bool m_confirming = false;
    QString m_heldStatus;
    CounterBar *m_counters = nullptr;
    TrafficMonitor *m_monitor = nullptr;
    WeightTrend *m_trend = nullptr;
    BusPanel *m_bus = nullptr;
    QDockWidget *m_monitorDock = nullptr;
    QDockWidget *m_trendDock = nullptr;
    QDockWidget *m_busDock = nullptr;
    QToolButton *m_monitorButton = nullptr;
    QToolButton *m_trendButton = nullptr;
    QToolButton *m_busButton = nullptr;
    WeightLogButton *m_logButton = nullptr;
    PathChooser m_choosePath;
    PartiesAsker m_askParties = askReportParties;
    WeightReading m_lastWeight; // the latest reading, for the report's result of the weight
    // Every control and timer the tables built, by name, for findControls().
    QHash<QString, QObject *> m_built;
    Controls m_ui;
};
