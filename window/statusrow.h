// SPDX-License-Identifier: MIT
// What stands under the instrument's window: the latest read's outcome, the line's note, the
// port's state; the request counters; the buttons of the panels and the records.
#pragma once

#include <QWidget>

class CounterBar;
class RequestQueue;
class StatusLabel;
class QToolButton;
class WeightLogButton;

class StatusRow : public QWidget
{
    Q_OBJECT

public:
    explicit StatusRow(RequestQueue *queue, QWidget *parent = nullptr);

    // The buttons that open the panels beside the window.
    QToolButton *monitorButton() const { return m_monitorButton; }
    QToolButton *trendButton() const { return m_trendButton; }
    QToolButton *busButton() const { return m_busButton; }
    QToolButton *diagnosisButton() const { return m_diagnosisButton; }
    WeightLogButton *logButton() const { return m_logButton; }

    // The outcome of the latest read; while a confirmation or a cause stands it waits behind.
    void showReadStatus(const QString &text);
    // A file written or a log stopped: the sentence stays, its file's folder a click away, until
    // the operator presses a key or a mouse button anywhere else in the window.
    void confirm(const QString &text, const QString &path);
    // What was found out about the line since the port opened; it also stands as the outcome.
    void showLineNote(const QString &text);
    void clearLineNote();
    void showPortState(const QString &text);
    // Why the reads fail, with what to change: it stands in front of the reads' outcomes until
    // cleared. While `clickHint` is set, a click on it is to apply the advice (causeClicked()).
    void showCause(const QString &text, const QString &clickHint);
    void clearCause();

signals:
    void portListRequested();
    void exportRequested();
    void reportRequested();
    void causeClicked();
    void liveViewRequested();
    void verificationRequested();
    void referenceSaveRequested();
    void referenceLoadRequested();
    void referenceClearRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void releaseConfirmation();
    void showBehind();

    StatusLabel *m_readStatus = nullptr;
    StatusLabel *m_portState = nullptr;
    StatusLabel *m_lineNote = nullptr;
    QWidget *m_noteBox = nullptr;
    // While a confirmation or a cause stands, the latest read's outcome waits here.
    bool m_confirming = false;
    QString m_heldStatus;
    // The cause of the failing reads and the hint of its click; empty while none stands.
    QString m_cause;
    QString m_causeHint;
    CounterBar *m_counters = nullptr;
    QToolButton *m_monitorButton = nullptr;
    QToolButton *m_trendButton = nullptr;
    QToolButton *m_busButton = nullptr;
    QToolButton *m_diagnosisButton = nullptr;
    WeightLogButton *m_logButton = nullptr;
};
