// SPDX-License-Identifier: MIT
// The bus view ("总线"): scan an address range at the rates ticked, list the instruments found,
// poll their weights, and hand the one double-clicked to the instrument's window.
#pragma once

#include "busmodel.h"

#include <QMap>
#include <QWidget>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;

class BusPanel : public QWidget
{
    Q_OBJECT

public:
    BusPanel(RequestQueue *queue, Port *port, QWidget *parent = nullptr);

    BusModel *model() const { return m_model; }
    QTableView *view() const { return m_view; }
    // The scan the controls describe now.
    BusScan::Plan plan() const;

signals:
    // An instrument was double-clicked: the window is to read it from now on. A baud of 0 is
    // a converter's own rate, which the window does not set.
    void instrumentChosen(quint8 address, qint32 baud);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void startScan();
    void showScanning(bool scanning);
    void showProgress(int done, int total);
    void showLine();
    void showFigures();
    void choose(const QModelIndex &index);

    Port *m_port;
    BusModel *m_model;
    QSpinBox *m_from;
    QSpinBox *m_to;
    QSpinBox *m_turnaround;
    QMap<qint32, QCheckBox *> m_rates;
    QLabel *m_lineNote;
    QPushButton *m_scan;
    QPushButton *m_stop;
    QCheckBox *m_poll;
    QProgressBar *m_progress;
    QLabel *m_state;
    QLabel *m_scanFigures;
    QLabel *m_pollFigures;
    QTableView *m_view;
};
