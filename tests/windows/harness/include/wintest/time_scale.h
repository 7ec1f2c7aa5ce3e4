// Waits of the tests on a slow machine: inside the x86 machine every
// instruction is emulated, and a program runs many times slower than here.
#pragma once

#include <windows.h>

namespace wintest {

// MS times the whole number in TMRX_TEST_TIME_SCALE (1 when that is unset or
// not a number above 0).
DWORD ScaledMs(DWORD ms);

}  // namespace wintest
