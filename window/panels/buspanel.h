// SPDX-License-Identifier: MIT
// The bus view ("总线"): scan an address range at the rates ticked, list the instruments found,
// poll their weights, and hand the one double-clicked to the instrument's window; or find an
// instrument whose address, rate and parity/stop bits are all unknown.
#pragma once

#include "busmodel.h"
#include "settingsfinder.h"

#include <QMap>
#include <QWidget>
#include <functional>

class QCheckBox;
class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class QTableWidget;

class BusPanel : public QWidget
{
    Q_OBJECT

public:
    BusPanel(RequestQueue *queue, Port *port, QWidget *parent = nullptr);
    BusPanel(RequestQueue *queue, Port *port, Clock &clock, QWidget *parent = nullptr);

    BusModel *model() const { return m_model; }
    QTableView *view() const { return m_view; }
    // The scan the controls describe now.
    BusScan::Plan plan() const;
    // The search for line settings "查找设置" starts: the window's own settings first, then the
    // addresses listed.
    SettingsFinder::Plan findPlan() const;
    // The address the window reads, which the search tries first; 1 unless set.
    void setWindowAddress(std::function<std::optional<quint8>()> address);
    SettingsFinder *finder() const { return m_finder; }
    // What the search found last; none before it found anything.
    const std::optional<FoundSettings> &found() const { return m_found; }
    // Starts the search "查找设置", as its button does.
    void startFind();

    // The reference "与参考比较" compares with: the window's own, once it has loaded one.
    // Without it the button asks for a reference file.
    void setReference(const ReferenceSet &reference);
    // Loads the reference file and compares every instrument listed; a file refused is said
    // under the table, and nothing is compared.
    bool compareWithFile(const QString &path);

signals:
    // An instrument was double-clicked: the window is to read it from now on. A baud of 0 is
    // a converter's own rate, which the window does not set.
    void instrumentChosen(quint8 address, qint32 baud);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void startScan();
    void stopClicked();
    void showFinding(bool finding);
    void showFound(const FoundSettings &found);
    void takeFound();
    void showScanning(bool scanning);
    void showProgress(int done, int total);
    void showLine();
    void showFigures();
    void choose(const QModelIndex &index);
    void compareClicked();
    void showDifferences(int row);

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
    QPushButton *m_compare;
    std::optional<ReferenceSet> m_reference;
    QProgressBar *m_progress;
    QLabel *m_state;
    QLabel *m_scanFigures;
    QLabel *m_pollFigures;
    QTableView *m_view;
    SettingsFinder *m_finder;
    QPushButton *m_find;
    QLabel *m_foundText;
    QPushButton *m_take;
    std::optional<FoundSettings> m_found;
    std::function<std::optional<quint8>()> m_windowAddress;
    // The differences of the instrument last asked for, one window at a time.
    QDialog *m_differences = nullptr;
    QTableWidget *m_differencesTable = nullptr;
};
