// SPDX-License-Identifier: MIT
// Saving the commissioning report where the operator chooses.
#include "reportexport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>

namespace {

QString title()
{
    return QCoreApplication::translate("ReportExport", "报告");
}

QString suggestedPath(const ReportData &data)
{
    // One report per instrument and moment, as the export names its files.
    const Snapshot &s = data.snapshot;
    const QDateTime time = s.time.isValid() ? s.time : QDateTime::currentDateTime();
    QString name = QStringLiteral("scalecheck-report-%1")
                       .arg(time.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    if (const std::optional<quint8> address = s.busAddress())
        name += QStringLiteral("-addr%1").arg(*address);
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return QDir(folder).filePath(name + QStringLiteral(".pdf"));
}

QString askPath(QWidget *parent, const QString &suggested)
{
    QFileDialog dialog(parent, title(), suggested,
                       QCoreApplication::translate("ReportExport", "PDF 文件 (*.pdf)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

bool saveReport(QWidget *parent, const QString &path, const ReportData &data)
{
    QString error;
    if (writeReport(path, data, &error))
        return true;
    QMessageBox::warning(parent, title(), error);
    return false;
}

QString exportReport(QWidget *parent, const ReportData &data, const PathChooser &choose)
{
    const QString path = (choose ? choose : askPath)(parent, suggestedPath(data));
    if (path.isEmpty())
        return {};
    return saveReport(parent, path, data) ? path : QString();
}
