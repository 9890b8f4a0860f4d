// SPDX-License-Identifier: MIT
// What the live page shows, as the page's script takes it.
#include "livestate.h"

#include <QJsonDocument>
#include <QJsonObject>

QByteArray liveStateJson(const LiveState &state, qint64 sequence)
{
    const QJsonObject object{
        {QStringLiteral("seq"), sequence},
        {QStringLiteral("weight"), state.weight},
        {QStringLiteral("valid"), state.valid},
        {QStringLiteral("stable"), state.stable},
        {QStringLiteral("address"), state.address},
        {QStringLiteral("line"), state.line},
        {QStringLiteral("lastRead"), state.lastRead},
        {QStringLiteral("nextLoad"), state.nextLoad},
        {QStringLiteral("lastStep"), state.lastStep},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
