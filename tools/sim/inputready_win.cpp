// SPDX-License-Identifier: MIT
// Whether standard input can be read without waiting, on Windows: a pipe is asked how much it
// holds, a file always can, and a console once a line has been ended with Enter (it is read a
// line at a time).
#include "inputready.h"

#include <windows.h>

#include <array>

namespace scalecheck::sim {

bool standardInputReady()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    switch (GetFileType(input)) {
    case FILE_TYPE_DISK:
        return true;
    case FILE_TYPE_PIPE: {
        DWORD available = 0;
        // A pipe whose writer has gone cannot be peeked: reading it tells its end.
        return !PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr) || available > 0;
    }
    case FILE_TYPE_CHAR: {
        std::array<INPUT_RECORD, 128> records{};
        DWORD count = 0;
        if (!PeekConsoleInputW(input, records.data(), DWORD(records.size()), &count)) {
            return false;
        }
        for (DWORD i = 0; i < count; ++i) {
            const KEY_EVENT_RECORD &key = records[i].Event.KeyEvent;
            if (records[i].EventType == KEY_EVENT && key.bKeyDown &&
                key.wVirtualKeyCode == VK_RETURN) {
                return true;
            }
        }
        return false;
    }
    default:
        return false;
    }
}

} // namespace scalecheck::sim
