// The checks of the in-process Wine tests: each failed check prints its
// line; main ends with `return winecheck::Summary();` ("N passed, N failed").
#pragma once

#include <cstdio>

namespace winecheck {

inline int passed = 0;
inline int failed = 0;

inline void Check(bool ok, const char *what, int line) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAILED line %d: %s\n", line, what);
  }
}

inline int Summary() {
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

}  // namespace winecheck

#define CHECK(cond) winecheck::Check((cond), #cond, __LINE__)
