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
        {QStringLiteral("portOpen"), state.portOpen},
        {QStringLiteral("address"), state.address},
        {QStringLiteral("line"), state.line},
        {QStringLiteral("lastRead"), state.lastRead},
        {QStringLiteral("step"), state.test.step},
        {QStringLiteral("nextLoad"), state.test.nextLoad},
        {QStringLiteral("lastStep"), state.test.lastStep},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
