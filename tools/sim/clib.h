// SPDX-License-Identifier: MIT
// The C library calls the simulator makes that POSIX systems and Windows spell differently.
#pragma once

#include <ctime>

namespace scalecheck::sim {

// The local time of t (localtime_r; on Windows localtime_s).
inline std::tm localTime(std::time_t t)
{
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return local;
}

// fopen()'s mode for a file written afresh that child processes do not inherit. On Windows the
// simulator starts none, and not every C library there knows the letter for it ('N').
#ifdef _WIN32
inline constexpr const char *kWriteNotInherited = "w";
#else
inline constexpr const char *kWriteNotInherited = "we";
#endif

} // namespace scalecheck::sim
