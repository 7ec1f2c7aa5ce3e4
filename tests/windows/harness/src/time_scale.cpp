#include "wintest/time_scale.h"

#include <cstdlib>

namespace wintest {

DWORD ScaledMs(DWORD ms)
{
  const char* text = std::getenv("TMRX_TEST_TIME_SCALE");
  const long scale = text ? std::strtol(text, nullptr, 10) : 1;
  return scale > 0 && scale < 1000 ? ms * static_cast<DWORD>(scale) : ms;
}

}  // namespace wintest
