// SPDX-License-Identifier: MIT
// A Windows error code in words, for the simulator's messages.
#pragma once

#include <string>

namespace scalecheck::sim {

// "The system cannot find the file specified (2)": the system's text and the code.
std::string windowsErrorText(unsigned long code);

} // namespace scalecheck::sim
