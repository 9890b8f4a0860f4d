// SPDX-License-Identifier: MIT
// What stands under the instrument's window: the latest read's outcome, the line's note, the
// port's state; the request counters; the buttons of the panels and the records.
#include "statusrow.h"

#include "counterbar.h"
#include "statuslabel.h"
#include "weightlogbutton.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

StatusRow::StatusRow(RequestQueue *queue, QWidget *parent) : QWidget(parent)
{
    // The captions are the window's own, translated in its context.
    // The outcome of the latest read and the port's state; below them the request counters, and
    // the reply times with the tool's panels and records.
    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(1);
    auto *first = new QHBoxLayout;
    first->setSpacing(6);
    // The latest read's outcome takes what room is left; a sentence too long for it is cut at
    // its end and stands whole in the tooltip.
    m_readStatus = new StatusLabel(this);
    m_readStatus->setObjectName(QStringLiteral("readStatus"));
    m_readStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_readStatus->setMinimumCharacters(12);
    connect(m_readStatus, &StatusLabel::linkClicked, this,
            [](const QUrl &folder) { QDesktopServices::openUrl(folder); });
    connect(m_readStatus, &StatusLabel::clicked, this, [this] {
        if (!m_confirming && !m_causeHint.isEmpty())
            emit causeClicked();
    });
    // What was found out about the line since the port opened: the adapter and its latency, an
    // echo, stray bytes, a stream nobody asked for. It stays until the port closes.
    m_lineNote = new StatusLabel(this);
    m_lineNote->setObjectName(QStringLiteral("lineNote"));
    m_lineNote->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // The port's state keeps its place at the right end: it is shown whole where the bar has
    // room, and a long device name (/dev/serial/by-id/...) is cut in its middle, so that the
    // port button's name and the state ("已打开") both stay.
    m_portState = new StatusLabel(this);
    m_portState->setObjectName(QStringLiteral("portState"));
    m_portState->setElideMode(Qt::ElideMiddle);
    m_portState->setMinimumCharacters(24);
    m_portState->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const auto separator = [this] {
        auto *line = new QFrame(this);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        return line;
    };
    // The line note and its separator come and go together.
    m_noteBox = new QWidget(this);
    m_noteBox->setObjectName(QStringLiteral("lineNoteBox"));
    m_noteBox->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto *noteRow = new QHBoxLayout(m_noteBox);
    noteRow->setContentsMargins(0, 0, 0, 0);
    noteRow->setSpacing(6);
    noteRow->addWidget(separator());
    noteRow->addWidget(m_lineNote, 1);
    m_noteBox->hide();
    first->addWidget(m_readStatus, 3);
    first->addWidget(m_noteBox, 2);
    first->addWidget(separator());
    first->addWidget(m_portState);
    auto *second = new QHBoxLayout;
    m_counters = new CounterBar(queue, this);
    second->addWidget(m_counters, 1);
    // Beside the reply times, what opens beside the window and the port list; under them, what
    // writes or shows a record: two short rows fit the window's own width in either language.
    QHBoxLayout *third = m_counters->timesRow();
    auto *fourth = new QHBoxLayout;
    fourth->setSpacing(4);
    fourth->addStretch(1);
    QHBoxLayout *row = third;
    const auto button = [&](const char *name, const QString &text) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setAutoRaise(true);
        row->addWidget(b);
        return b;
    };
    m_monitorButton = button("monitorButton", QCoreApplication::translate("Form1", "通讯监视"));
    m_diagnosisButton = button("diagnosisButton", QCoreApplication::translate("Form1", "诊断"));
    m_trendButton = button("trendButton", QCoreApplication::translate("Form1", "趋势图"));
    m_busButton = button("busButton", QCoreApplication::translate("Form1", "总线"));
    connect(button("portListButton", QCoreApplication::translate("Form1", "端口…")),
            &QToolButton::clicked, this, &StatusRow::portListRequested);
    row = fourth;
    connect(button("exportButton", QCoreApplication::translate("Form1", "导出")),
            &QToolButton::clicked, this, &StatusRow::exportRequested);
    // A reference parameter set: saved from the values read, loaded to mark what differs.
    QToolButton *reference = button("referenceButton", QCoreApplication::translate("Form1", "参考"));
    reference->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(reference);
    const auto item = [&](const char *name, const QString &text, void (StatusRow::*said)()) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, said);
    };
    item("saveReference", QCoreApplication::translate("Form1", "保存为参考…"),
         &StatusRow::referenceSaveRequested);
    item("loadReference", QCoreApplication::translate("Form1", "载入参考并比较…"),
         &StatusRow::referenceLoadRequested);
    item("clearReference", QCoreApplication::translate("Form1", "清除参考"),
         &StatusRow::referenceClearRequested);
    reference->setMenu(menu);
    m_logButton = new WeightLogButton(this);
    fourth->addWidget(m_logButton);
    connect(button("reportButton", QCoreApplication::translate("Form1", "报告")),
            &QToolButton::clicked, this, &StatusRow::reportRequested);
    connect(button("verifyButton", QCoreApplication::translate("Form1", "检定测试")),
            &QToolButton::clicked, this, &StatusRow::verificationRequested);
    connect(button("liveButton", QCoreApplication::translate("Form1", "手机查看")),
            &QToolButton::clicked, this, &StatusRow::liveViewRequested);
    connect(m_logButton, &WeightLogButton::status, this, &StatusRow::showReadStatus);
    connect(m_logButton, &WeightLogButton::confirmed, this, &StatusRow::confirm);
    rows->addLayout(first);
    rows->addLayout(second);
    rows->addLayout(fourth);
    qApp->installEventFilter(this);
}

void StatusRow::showReadStatus(const QString &text)
{
    if (m_confirming || !m_cause.isEmpty()) {
        m_heldStatus = text;
        return;
    }
    m_readStatus->setText(text);
}

void StatusRow::confirm(const QString &text, const QString &path)
{
    if (!m_confirming && m_cause.isEmpty())
        m_heldStatus = m_readStatus->text();
    m_confirming = true;
    m_readStatus->setClickHint({});
    m_readStatus->setText(text);
    m_readStatus->setLink(path.isEmpty() ? QUrl()
                                         : QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

void StatusRow::releaseConfirmation()
{
    if (!m_confirming)
        return;
    m_confirming = false;
    m_readStatus->setLink({});
    showBehind();
}

void StatusRow::showCause(const QString &text, const QString &clickHint)
{
    if (!m_confirming && m_cause.isEmpty())
        m_heldStatus = m_readStatus->text();
    m_cause = text;
    m_causeHint = clickHint;
    if (!m_confirming)
        showBehind();
}

void StatusRow::clearCause()
{
    if (m_cause.isEmpty())
        return;
    m_cause.clear();
    m_causeHint.clear();
    if (!m_confirming)
        showBehind();
}

void StatusRow::showBehind()
{
    // What stands once no confirmation does: the cause of the failing reads, else the latest
    // read's outcome.
    if (!m_cause.isEmpty()) {
        m_readStatus->setText(m_cause);
        m_readStatus->setClickHint(m_causeHint);
        return;
    }
    m_readStatus->setClickHint({});
    m_readStatus->setText(m_heldStatus);
    m_heldStatus.clear();
}

bool StatusRow::eventFilter(QObject *watched, QEvent *event)
{
    // A confirmation stands until the operator presses a key or a mouse button anywhere in the
    // window, the confirmation itself (whose click opens the folder) excepted.
    if (m_confirming &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)) {
        auto *w = qobject_cast<QWidget *>(watched);
        if (w && w->window() == window() && w != m_readStatus)
            releaseConfirmation();
    }
    return QWidget::eventFilter(watched, event);
}

void StatusRow::showLineNote(const QString &text)
{
    // The newest stands in the bar; the tooltip keeps all of them since the port opened.
    const QString all = m_lineNote->toolTip();
    m_lineNote->setToolTip(all.isEmpty() ? text : all + QLatin1Char('\n') + text);
    m_lineNote->setText(text);
    m_noteBox->show();
    showReadStatus(text);
}

void StatusRow::clearLineNote()
{
    m_lineNote->clear();
    m_lineNote->setToolTip({});
    m_noteBox->hide();
}

void StatusRow::showPortState(const QString &text)
{
    m_portState->setText(text);
}
