// SPDX-License-Identifier: MIT
// The verification test ("检定测试"): the plan and the test conditions, the load to put on next
// with a button to go on, the live weight with its stable flag, the table of steps, the verdict,
// and the test record written as PDF, HTML and JSON.
#pragma once

#include "certificate.h"
#include "livestate.h"
#include "verificationsession.h"
#include "weightreading.h"

#include <QDialog>
#include <QPointer>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class ReadSession;

class VerificationDialog : public QDialog
{
    Q_OBJECT

public:
    // reader gives the weights (the window's own read session; the test asks it for one weight
    // after another while a load settles, and the dialog sets its stability interval to the
    // plan's e); instrument is the port's description and what was read of the instrument so
    // far; clock times the settling (the window's).
    VerificationDialog(ReadSession *reader, const CertificateInstrument &instrument, Clock &clock,
                       QWidget *parent = nullptr);
    ~VerificationDialog() override;

    // Where the record goes: asked of the operator unless a test sets its own chooser.
    using PathChooser = std::function<QString(QWidget *parent, const QString &suggested)>;
    void setPathChooser(PathChooser chooser) { m_choosePath = std::move(chooser); }

    const VerificationRun *run() const { return m_session.run(); }

    // The buttons' actions, for the window's shortcuts and for tests.
    bool start();
    void goOn();
    bool writeRecord();

signals:
    // For a viewer away from the laptop (the live page): the step as the dialog shows it, the
    // load to place next and how the last step went, each time one of them changes; empty
    // when there is none.
    void testChanged(const LiveTest &test);
    // The test ran to its end: its verdict, and the plan as the operator gave it.
    void verdictGiven(bool pass, const QString &plan);

private:
    void showReading(const WeightReading &reading);
    void showPrompt(const VerificationPrompt &prompt);
    void showStep(int index, const StepResult &r);
    void showVerdict(bool pass);
    void showRefusal(const PlanError &error);
    void setMessage(const QString &text, bool error = false);
    PlanInput planInput() const;

    QPointer<ReadSession> m_reader;
    CertificateInstrument m_instrument;
    PathChooser m_choosePath;
    VerificationSession m_session;
    QDateTime m_started;

    QComboBox *m_class;
    QComboBox *m_regime;
    QLineEdit *m_max;
    QLineEdit *m_min;
    QLineEdit *m_e;
    QLineEdit *m_loads;
    QLineEdit *m_eccentricity;
    QLineEdit *m_repeat;
    QLineEdit *m_weights;
    QLineEdit *m_technician;
    QLineEdit *m_place;
    QLineEdit *m_temperature;
    QLabel *m_prompt;
    QLabel *m_weight;
    QLabel *m_stable;
    QLabel *m_message;
    QLabel *m_verdict;
    QTableWidget *m_table;
    QPushButton *m_startButton;
    QPushButton *m_goOnButton;
    QPushButton *m_recordButton;
    LiveTest m_live; // what the live page shows of the test
};
