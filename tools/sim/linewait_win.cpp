// SPDX-License-Identifier: MIT
// The server's wait on Windows: MsgWaitForMultipleObjects() on the line's and the listener's
// events, the stop event that the console's control handler sets, and the main thread's message
// queue, where QProcess::terminate() posts WM_CLOSE.
#include "linewait.h"

#include "windowserror.h"

#include <windows.h>

#include <vector>

namespace scalecheck::sim {
namespace {

// After a console close, log-off or shutdown, Windows ends the process once the control handler
// returns; the handler holds it back this long so that the server can end first.
constexpr DWORD kCloseGraceMs = 4000;

HANDLE stopEvent = nullptr;

BOOL WINAPI onConsoleControl(DWORD type)
{
    SetEvent(stopEvent);
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) {
        Sleep(kCloseGraceMs);
    }
    return TRUE;
}

bool signalled(HANDLE event)
{
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

class EventWait : public LineWait
{
public:
    bool wait(const Waitable *line, bool forInput, const Waitable *knock,
              std::chrono::milliseconds timeout, Woken &woken, std::string &error) override
    {
        woken = {};
        // Windows tells of a broken line when it is read, not here.
        const Waitable *input = forInput ? line : nullptr;
        std::vector<HANDLE> events{stopEvent};
        bool ready = false;
        for (const Waitable *source : {input, knock}) {
            if (source) {
                events.push_back(static_cast<HANDLE>(source->event));
                ready = ready || source->ready;
            }
        }
        const DWORD rc = MsgWaitForMultipleObjects(
            static_cast<DWORD>(events.size()), events.data(), FALSE,
            ready ? 0 : static_cast<DWORD>(timeout.count()), QS_ALLPOSTMESSAGE);
        if (rc == WAIT_FAILED) {
            error = "waiting on the line failed: " + windowsErrorText(GetLastError());
            return false;
        }
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_CLOSE || message.message == WM_QUIT) {
                SetEvent(stopEvent);
            }
        }
        woken.stop = signalled(stopEvent);
        woken.knock = knock && (knock->ready || signalled(static_cast<HANDLE>(knock->event)));
        if (input && (input->ready || signalled(static_cast<HANDLE>(input->event)))) {
            woken.line = Line::Input;
        }
        return true;
    }
};

} // namespace

std::unique_ptr<LineWait> LineWait::create(std::string &error)
{
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!stopEvent || !SetConsoleCtrlHandler(onConsoleControl, TRUE)) {
        error = "cannot watch for stop requests: " + windowsErrorText(GetLastError());
        return nullptr;
    }
    // The thread's message queue is made by its first look at it; until then a message posted
    // to it would be lost.
    MSG message{};
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    return std::make_unique<EventWait>();
}

} // namespace scalecheck::sim
