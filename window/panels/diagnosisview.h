// SPDX-License-Identifier: MIT
// The diagnosis view ("诊断"): why the instrument does not answer, what to change, and the
// evidence the cause rests on, a row each: what was sent, what came back and when, bytes nobody
// asked for, the receiver's counters, and a diagnosis's questions as their answers come.
#pragma once

#include "cause.h"

#include <QWidget>
#include <optional>

class QLabel;
class QListWidget;
class QPushButton;

class DiagnosisView : public QWidget
{
    Q_OBJECT

public:
    explicit DiagnosisView(QWidget *parent = nullptr);

    // A cause is known: it stands at the top with its advice, its evidence in the list. While a
    // diagnosis asks the line, the cause a failed read shows by itself leaves its questions
    // listed; the diagnosis's own cause takes their place with its whole evidence.
    void showCause(const Cause &cause);
    // A diagnosis has begun: its questions follow one by one.
    void showDiagnosing();
    void addExchange(const Exchange &exchange);
    // The diagnosis ended, or could not begin, without a cause: `why` says what happened.
    void showStopped(const QString &why);
    // The port, the rate or the address changed, or the port closed: a diagnosis under way is
    // stopped; a cause shown was found with the earlier settings. Its evidence stays for
    // reading; its advice is not offered any more.
    void showSettingsChanged();

    QString causeText() const;
    QString stateText() const;
    // The rows of the evidence, top to bottom.
    QStringList rows() const;
    QPushButton *applyButton() const { return m_apply; }
    QPushButton *findButton() const { return m_find; }
    QPushButton *runButton() const { return m_run; }

signals:
    // The operator asks for a diagnosis now.
    void diagnoseRequested();
    // The operator takes the advice the window can apply (a new address or baud rate).
    void adviceTaken(const Advice &advice);
    // The operator takes the advice to search for the instrument's settings (查找设置).
    void findRequested();

private:
    void setRows(const QStringList &rows);
    void addRow(const QString &text);
    void offerAdvice(const std::optional<Advice> &advice);

    QLabel *m_cause;
    QLabel *m_state;
    QPushButton *m_apply;
    QPushButton *m_find;
    QPushButton *m_run;
    QListWidget *m_list;
    std::optional<Advice> m_advice;
    bool m_diagnosing = false;
};
