// SPDX-License-Identifier: MIT
// Before a report is written: who it is for, where, by whom, and which instrument, filled in
// from the last report's and remembered for the next.
#pragma once

#include "report.h"

#include <QDialog>
#include <functional>
#include <optional>

class QLineEdit;

class ReportDetailsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ReportDetailsDialog(const ReportParties &parties, QWidget *parent = nullptr);

    ReportParties parties() const;

private:
    QLineEdit *m_customer;
    QLineEdit *m_site;
    QLineEdit *m_technician;
    QLineEdit *m_serial;
};

// How the window asks for the report's parties: the dialog unless set (tests answer without a
// modal dialog). nullopt when the operator cancels.
using PartiesAsker =
    std::function<std::optional<ReportParties>(QWidget *parent, const ReportParties &remembered)>;

std::optional<ReportParties> askReportParties(QWidget *parent, const ReportParties &remembered);
