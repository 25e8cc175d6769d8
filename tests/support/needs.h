// What a test needs from the machine it runs on: a headless OpenGL context,
// the sample models of a Debian package, the right to mount a small file
// system. A test whose need is not met FAILS, so that a machine without GL
// never shows a green suite that drew nothing. A developer who knows the
// machine lacks one of them says so with its switch, an environment variable
// set to 1, and the tests that need it are then skipped on purpose:
//
//   KORVEX_ALLOW_NO_GL       no headless OpenGL context (EGL on Mesa)
//   KORVEX_ALLOW_NO_SAMPLES  the assimp-testmodels package is not installed
//   KORVEX_ALLOW_NO_MOUNT    this process may not mount a file system
//   KORVEX_ALLOW_NO_X11      the GUI tests run on a display that is not X11
//   KORVEX_ALLOW_PRINTER     a printer is installed, so the print-to-PDF
//                            fallback cannot be seen
//
// scripts/test never sets any of them.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace korvex_test {

// Whether the developer allowed skipping with `variable`=1.
inline bool SkipAllowed(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && std::strcmp(value, "1") == 0;
}

}  // namespace korvex_test

// Ends the test (or its SetUp) unless `have` holds: a failure naming the
// switch, or a skip when the switch is set. `variable` is a string literal.
#define KORVEX_NEED(have, variable, what)                                                           \
  do {                                                                                              \
    if (!(have)) {                                                                                  \
      if (::korvex_test::SkipAllowed(variable)) GTEST_SKIP() << what << " (allowed by " variable "=1)"; \
      GTEST_FAIL() << what << "; set " variable "=1 to skip such tests on purpose";                \
    }                                                                                               \
  } while (false)
