// The leak check of a sanitizer build, made once every case has run rather
// than at exit. At exit, the threads of the software GL driver and of the
// toolkit are ending at the same moment as the checker stops the world to
// scan their stacks; that race now and then crashed the checker ("Tracer
// caught signal 11") or showed objects of a thread half torn down as leaks.
// Once the cases are over those threads wait idle, and what the cases
// leaked is already unreachable.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace korvex_test {

// Ends the process with the checker's report and exit code if anything
// leaked; without a sanitizer it does nothing. The check at exit is then
// not made again.
inline void CheckLeaksNow() {
#if defined(__SANITIZE_ADDRESS__)
  __lsan_do_leak_check();
#endif
}

}  // namespace korvex_test
