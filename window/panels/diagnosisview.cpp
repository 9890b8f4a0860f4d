// SPDX-License-Identifier: MIT
// The diagnosis view: the cause, its advice and its evidence.
#include "diagnosisview.h"

#include "causetext.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

DiagnosisView::DiagnosisView(QWidget *parent)
    : QWidget(parent), m_cause(new QLabel(this)), m_state(new QLabel(this)),
      m_apply(new QPushButton(tr("应用建议"), this)), m_find(new QPushButton(tr("查找设置"), this)),
      m_run(new QPushButton(tr("立即诊断"), this)),
      m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("diagnosisView"));
    m_cause->setObjectName(QStringLiteral("diagnosisCause"));
    m_cause->setWordWrap(true);
    m_cause->setTextFormat(Qt::PlainText);
    m_cause->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = m_cause->font();
    bold.setBold(true);
    m_cause->setFont(bold);
    m_state->setObjectName(QStringLiteral("diagnosisState"));
    m_state->setWordWrap(true);
    m_state->setText(tr("读取失败时，这里列出原因和依据"));
    m_apply->setObjectName(QStringLiteral("diagnosisApply"));
    m_apply->hide();
    m_find->setObjectName(QStringLiteral("diagnosisFind"));
    m_find->setToolTip(tr("在“总线”中查找仪表的地址、波特率和校验位"));
    m_find->hide();
    m_run->setObjectName(QStringLiteral("diagnosisRun"));
    m_run->setToolTip(tr("在操作员的读取之间向线路提几个简短的问题（只读，几秒内结束）"));

    // The hex of a stream is long: a row wraps in the room the dock gives rather than hiding
    // its end behind a scroll bar.
    m_list->setObjectName(QStringLiteral("diagnosisEvidence"));
    m_list->setWordWrap(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setAlternatingRowColors(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);

    auto *actions = new QHBoxLayout;
    actions->addWidget(m_state, 1);
    actions->addWidget(m_apply);
    actions->addWidget(m_find);
    actions->addWidget(m_run);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(m_cause);
    layout->addLayout(actions);
    layout->addWidget(m_list, 1);

    connect(m_run, &QPushButton::clicked, this, &DiagnosisView::diagnoseRequested);
    connect(m_find, &QPushButton::clicked, this, &DiagnosisView::findRequested);
    connect(m_apply, &QPushButton::clicked, this, [this] {
        if (m_advice)
            emit adviceTaken(*m_advice);
    });
}

void DiagnosisView::showCause(const Cause &cause)
{
    m_cause->setText(causeLine(cause, Speaker::Window));
    offerAdvice(cause.advice.appliesInWindow() || cause.advice.search
                    ? std::optional<Advice>(cause.advice)
                    : std::nullopt);
    if (m_diagnosing && !cause.asked)
        return;
    m_diagnosing = false;
    m_run->setEnabled(true);
    setRows(evidenceLines(cause.evidence));
    if (cause.asked) {
        const auto questions =
            std::count_if(cause.evidence.exchanges.cbegin(), cause.evidence.exchanges.cend(),
                          [](const Exchange &e) { return e.asked; });
        m_state->setText(tr("诊断完成：向线路提问 %1 次").arg(questions));
    } else {
        m_state->setText(tr("依据：这次读取本身"));
    }
}

void DiagnosisView::showDiagnosing()
{
    m_diagnosing = true;
    m_run->setEnabled(false);
    m_state->setText(tr("正在诊断：在读取之间向线路提问…"));
    setRows({});
}

void DiagnosisView::addExchange(const Exchange &exchange)
{
    addRow(exchangeText(exchange));
}

void DiagnosisView::showStopped(const QString &why)
{
    m_diagnosing = false;
    m_run->setEnabled(true);
    m_state->setText(why);
}

void DiagnosisView::showSettingsChanged()
{
    offerAdvice(std::nullopt);
    if (m_diagnosing) {
        m_diagnosing = false;
        m_run->setEnabled(true);
        m_state->setText(tr("端口或设置已更改，诊断已停止"));
    } else if (!m_cause->text().isEmpty()) {
        m_state->setText(tr("端口或设置已更改：以上原因是按之前的设置找到的"));
    }
}

QString DiagnosisView::causeText() const
{
    return m_cause->text();
}

QString DiagnosisView::stateText() const
{
    return m_state->text();
}

QStringList DiagnosisView::rows() const
{
    QStringList texts;
    for (int r = 0; r < m_list->count(); ++r)
        texts.append(m_list->item(r)->text());
    return texts;
}

void DiagnosisView::setRows(const QStringList &rows)
{
    m_list->clear();
    for (const QString &row : rows)
        addRow(row);
}

void DiagnosisView::addRow(const QString &text)
{
    auto *item = new QListWidgetItem(text, m_list);
    item->setToolTip(text);
    m_list->scrollToItem(item);
}

void DiagnosisView::offerAdvice(const std::optional<Advice> &advice)
{
    m_advice = advice;
    m_apply->setVisible(advice && advice->appliesInWindow());
    m_find->setVisible(advice && advice->search);
    if (advice && advice->appliesInWindow()) {
        Cause said;
        said.advice = *advice;
        m_apply->setToolTip(adviceText(said, Speaker::Window));
    }
}
