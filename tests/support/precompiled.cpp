// SPDX-License-Identifier: MIT
// Nothing of its own: the library around this file only precompiles the headers that the tests
// then take from it (see scalecheck_add_test).
