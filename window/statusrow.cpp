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
    QHBoxLayout *third = m_counters->timesRow();
    const auto button = [&](const char *name, const QString &text) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setAutoRaise(true);
        third->addWidget(b);
        return b;
    };
    m_monitorButton = button("monitorButton", QCoreApplication::translate("Form1", "通讯监视"));
    m_trendButton = button("trendButton", QCoreApplication::translate("Form1", "趋势图"));
    m_busButton = button("busButton", QCoreApplication::translate("Form1", "总线"));
    connect(button("portListButton", QCoreApplication::translate("Form1", "端口…")),
            &QToolButton::clicked, this, &StatusRow::portListRequested);
    connect(button("exportButton", QCoreApplication::translate("Form1", "导出")),
            &QToolButton::clicked, this, &StatusRow::exportRequested);
    m_logButton = new WeightLogButton(this);
    third->addWidget(m_logButton);
    connect(button("reportButton", QCoreApplication::translate("Form1", "报告")),
            &QToolButton::clicked, this, &StatusRow::reportRequested);
    connect(m_logButton, &WeightLogButton::status, this, &StatusRow::showReadStatus);
    connect(m_logButton, &WeightLogButton::confirmed, this, &StatusRow::confirm);
    rows->addLayout(first);
    rows->addLayout(second);
    qApp->installEventFilter(this);
}

void StatusRow::showReadStatus(const QString &text)
{
    if (m_confirming) {
        m_heldStatus = text;
        return;
    }
    m_readStatus->setText(text);
}

void StatusRow::confirm(const QString &text, const QString &path)
{
    m_heldStatus = m_confirming ? m_heldStatus : m_readStatus->text();
    m_confirming = true;
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
