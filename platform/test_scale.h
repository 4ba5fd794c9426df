// For tests: how many times over randomized and stress tests run. SORN_TEST_SCALE (a whole number) multiplies
// their step counts; unset, unreadable or below 1 it counts as 1, so a plain run stays quick.
#pragma once

#include <cstdlib>

namespace platform {

inline int testScale() {
  const char* s = std::getenv("SORN_TEST_SCALE");
  const int v = s ? std::atoi(s) : 1;
  return v > 0 ? v : 1;
}

}  // namespace platform
