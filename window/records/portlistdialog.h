// SPDX-License-Identifier: MIT
// The port list ("端口…"): the serial ports found, their stable names, a converter on the network
// by host and port, a field for any path, and how long the reads wait for a reply.
#pragma once

#include "portlist.h"
#include "readtimeouts.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

class PortListDialog : public QDialog
{
    Q_OBJECT

public:
    // current is the device behind the checked port button; it stands in the path field at first.
    // Tests give their own source; by default the ports come from QSerialPortInfo and
    // /dev/serial/by-id (on Windows from QSerialPortInfo alone: COMn and the adapter's name).
    explicit PortListDialog(const QString &current, QWidget *parent = nullptr,
                            PortSource source = defaultSource());

    // The path in the field: the row the operator picked (a stable name when that row was one),
    // the converter given by host and port (tcp://HOST:PORT or mbtcp://HOST:PORT), or whatever
    // was typed. Blanks around it are dropped. OK is enabled only while it is a path the port
    // can open.
    QString chosenPath() const;

    // The reads' timeouts: 标准 (each read its own) or at least the time chosen, for an
    // instrument that answers late.
    void setTimeouts(const ReadTimeouts &timeouts);
    ReadTimeouts chosenTimeouts() const;

    // Lists the ports again: an adapter plugged in after the dialog opened shows up.
    void refresh();

    static PortSource defaultSource();

private:
    void showPorts(const QList<PortEntry> &entries);
    void onItemChosen(QTreeWidgetItem *item);
    void onPathEdited();
    void onNetworkEdited();

    PortSource m_source;
    QTreeWidget *m_ports;
    QLabel *m_found;
    QLineEdit *m_path;
    QLabel *m_pathNote;
    QComboBox *m_netKind;
    QLineEdit *m_netHost;
    QLineEdit *m_netPort;
    QSpinBox *m_timeout;
    QPushButton *m_ok;
};

// The timeouts chosen last on this machine, and remembering them for the next start; kept in
// the user's configuration folder (scalecheck/line.ini).
ReadTimeouts rememberedReadTimeouts();
void rememberReadTimeouts(const ReadTimeouts &timeouts);
