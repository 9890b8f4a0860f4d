// SPDX-License-Identifier: MIT
// The ports command: the serial ports this machine lists.
#include "portscommand.h"

#include "cliarguments.h"
#include "clitext.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QStringList portLines(const QList<PortEntry> &entries, bool json)
{
    QStringList lines;
    for (const PortEntry &e : entries) {
        if (json) {
            const QJsonObject o{
                {QStringLiteral("path"), e.path},
                {QStringLiteral("description"), e.description},
                {QStringLiteral("manufacturer"), e.manufacturer},
                {QStringLiteral("serialNumber"), e.serialNumber},
                {QStringLiteral("stableNames"), QJsonArray::fromStringList(e.stableNames)}};
            lines.append(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
            continue;
        }
        // The name to give --port first; what the system says of the adapter after it.
        QStringList fields{e.path};
        for (const QString &f : {e.description, e.manufacturer, e.serialNumber}) {
            if (!f.isEmpty())
                fields.append(f);
        }
        lines.append(fields.join(QStringLiteral("  ")));
        for (const QString &name : e.stableNames)
            lines.append(QStringLiteral("  ") + name);
    }
    return lines;
}

int runPorts(const CliOptions &options)
{
    const QList<PortEntry> entries = systemPorts();
    if (entries.isEmpty())
        printErr(said([] { return QCoreApplication::translate("Cli", "未找到串口"); }));
    for (const QString &line : portLines(entries, options.json))
        printOut(line);
    return 0;
}
