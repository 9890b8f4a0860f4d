// SPDX-License-Identifier: MIT
// Whether standard input can be read without waiting.
#pragma once

namespace scalecheck::sim {

// True when standard input has bytes to read now, or has ended, so that a read returns at once.
bool standardInputReady();

} // namespace scalecheck::sim
