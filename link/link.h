// SPDX-License-Identifier: MIT
// The byte pipe behind the port: a serial device or a TCP connection to a converter. It only
// carries bytes; framing and checking are the request engine's business.
#pragma once

#include "lineaddress.h"
#include "linesettings.h"
#include "port.h"

#include <QByteArray>
#include <QObject>

class Link : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Opens the line at `address`; a network line answers Connecting and then says opened() or
    // openFailed(). An open line is closed first.
    virtual OpenResult open(const LineAddress &address, const LineSettings &settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool isConnecting() const { return false; }
    virtual void clearInput() = 0;
    virtual bool write(const QByteArray &bytes) = 0;
    virtual QByteArray takeInput() = 0;
    // New settings for an open line. A network line carries none: the converter keeps its own.
    virtual void applySettings(const LineSettings &settings) { Q_UNUSED(settings); }
    virtual QString adapterNote() const { return {}; }
    virtual QString adapterDescription() const { return {}; }

signals:
    void bytesArrived();
    void opened();
    void openFailed(const OpenResult &result);
    void closed();
    void lost(const QString &reason);
};
