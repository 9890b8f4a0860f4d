// SPDX-License-Identifier: MIT
// The port list ("端口…"): the serial ports found, their stable names, and a field for any path.
#pragma once

#include "portlist.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class PortListDialog : public QDialog
{
    Q_OBJECT

public:
    // current is the device behind the checked port button; it stands in the path field at first.
    // Tests give their own source; by default the ports come from QSerialPortInfo and
    // /dev/serial/by-id.
    explicit PortListDialog(const QString &current, QWidget *parent = nullptr,
                            PortSource source = defaultSource());

    // The path in the field: the row the operator picked (a stable name when that row was one),
    // or whatever was typed. Blanks around it are dropped.
    QString chosenPath() const;

    // Lists the ports again: an adapter plugged in after the dialog opened shows up.
    void refresh();

    static PortSource defaultSource();

private:
    void showPorts(const QList<PortEntry> &entries);
    void onItemChosen(QTreeWidgetItem *item);
    void onPathEdited();

    PortSource m_source;
    QTreeWidget *m_ports;
    QLabel *m_found;
    QLineEdit *m_path;
    QPushButton *m_ok;
};
