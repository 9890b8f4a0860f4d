// SPDX-License-Identifier: MIT
// A Windows error code in words, for the simulator's messages.
#include "windowserror.h"

#include <windows.h>

namespace scalecheck::sim {

std::string windowsErrorText(unsigned long code)
{
    char *text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string words = text ? text : "";
    LocalFree(text);
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == '.'))
        words.pop_back();
    return (words.empty() ? std::string("error") : words) + " (" + std::to_string(code) + ")";
}

} // namespace scalecheck::sim
