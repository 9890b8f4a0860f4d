// SPDX-License-Identifier: MIT
// The report's parties, asked for before the report is written.
#include "reportdetails.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

ReportDetailsDialog::ReportDetailsDialog(const ReportParties &parties, QWidget *parent)
    : QDialog(parent), m_customer(new QLineEdit(parties.customer, this)),
      m_site(new QLineEdit(parties.site, this)),
      m_technician(new QLineEdit(parties.technician, this)),
      m_serial(new QLineEdit(parties.serial, this))
{
    setObjectName(QStringLiteral("reportDetails"));
    setWindowTitle(tr("报告信息"));
    m_customer->setObjectName(QStringLiteral("customer"));
    m_site->setObjectName(QStringLiteral("site"));
    m_technician->setObjectName(QStringLiteral("technician"));
    m_serial->setObjectName(QStringLiteral("serial"));
    auto *form = new QFormLayout;
    form->addRow(tr("客户："), m_customer);
    form->addRow(tr("地点："), m_site);
    form->addRow(tr("技术员："), m_technician);
    form->addRow(tr("仪表序列号："), m_serial);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

ReportParties ReportDetailsDialog::parties() const
{
    return {m_customer->text().trimmed(), m_site->text().trimmed(),
            m_technician->text().trimmed(), m_serial->text().trimmed()};
}

std::optional<ReportParties> askReportParties(QWidget *parent, const ReportParties &remembered)
{
    ReportDetailsDialog dialog(remembered, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.parties();
}
