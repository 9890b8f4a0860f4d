// SPDX-License-Identifier: MIT
// Saving a snapshot where the operator chooses, as CSV or JSON, and saying so when it fails.
#include "snapshotexport.h"

#include "atomicwrite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

namespace {

QString title()
{
    return QCoreApplication::translate("SnapshotExport", "导出");
}
const QString kCsvSuffix = QStringLiteral("csv");
const QString kJsonSuffix = QStringLiteral("json");
QString csvFilter()
{
    return QCoreApplication::translate("SnapshotExport", "CSV 文件 (*.csv)");
}

QString jsonFilter()
{
    return QCoreApplication::translate("SnapshotExport", "JSON 文件 (*.json)");
}

QString suggestedPath(const Snapshot &snapshot)
{
    // One file per instrument and moment, so records of a day's commissioning do not overwrite
    // each other.
    const QDateTime time = snapshot.time.isValid() ? snapshot.time : QDateTime::currentDateTime();
    QString name =
        QStringLiteral("scalecheck-%1").arg(time.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    if (const std::optional<quint8> address = snapshot.busAddress())
        name += QStringLiteral("-addr%1").arg(*address);
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return QDir(folder).filePath(name + QLatin1Char('.') + kCsvSuffix);
}

} // namespace

SnapshotFormat formatOfPath(const QString &path)
{
    return QFileInfo(path).suffix().compare(kJsonSuffix, Qt::CaseInsensitive) == 0
               ? SnapshotFormat::Json
               : SnapshotFormat::Csv;
}

bool saveSnapshot(QWidget *parent, const QString &path, const Snapshot &snapshot)
{
    const QByteArray data =
        formatOfPath(path) == SnapshotFormat::Json ? toJson(snapshot) : toCsv(snapshot);
    QString error;
    if (writeFileAtomically(path, data, &error))
        return true;
    QMessageBox::warning(parent, title(), error);
    return false;
}

QString exportSnapshot(QWidget *parent, const Snapshot &snapshot)
{
    QFileDialog dialog(parent, title(), suggestedPath(snapshot));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The patterns are for the dialog; the operator reads only the names.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters({csvFilter(), jsonFilter()});
    // The dialog adds the suffix before it asks whether to replace a file, so the question is
    // about the file that will really be written.
    dialog.setDefaultSuffix(kCsvSuffix);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString &filter) {
                         dialog.setDefaultSuffix(filter == jsonFilter() ? kJsonSuffix : kCsvSuffix);
                     });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString path = dialog.selectedFiles().constFirst();
    return saveSnapshot(parent, path, snapshot) ? path : QString();
}
