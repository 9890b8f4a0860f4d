// SPDX-License-Identifier: MIT
// Ctrl-C and Ctrl-Break on Windows: the console calls its control handler on a thread of its
// own, which hands the request to the event loop.
#include "stopsignals.h"

#include <QMetaObject>
#include <QMutex>

#include <windows.h>

namespace {

// The catcher the handler reaches, and how many requests came: the first asks for a clean
// stop, a later one is left to the next handler, the system's, which ends the program.
QMutex g_mutex;
StopSignals *g_catching = nullptr;
int g_requests = 0;

BOOL WINAPI onConsoleControl(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT)
        return FALSE;
    QMutexLocker lock(&g_mutex);
    if (!g_catching || g_requests++ > 0)
        return FALSE;
    // Queued to the object's own thread, as a signal's byte in the pipe is on Linux.
    QMetaObject::invokeMethod(g_catching, "onSignal", Qt::QueuedConnection);
    return TRUE;
}

} // namespace

struct StopSignals::Catcher
{
    ~Catcher()
    {
        ::SetConsoleCtrlHandler(onConsoleControl, FALSE);
        QMutexLocker lock(&g_mutex);
        g_catching = nullptr;
    }
};

StopSignals::StopSignals(QObject *parent) : QObject(parent)
{
    {
        QMutexLocker lock(&g_mutex);
        g_catching = this;
        g_requests = 0;
    }
    if (!::SetConsoleCtrlHandler(onConsoleControl, TRUE)) {
        QMutexLocker lock(&g_mutex);
        g_catching = nullptr;
        return; // no handler, no clean stop: Ctrl-C keeps its default action
    }
    m_catcher = std::make_unique<Catcher>();
}

StopSignals::~StopSignals() = default;
