// The per-user settings file "KQ.ini" on any bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "view/UserSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const korvex_fuzz::Scratch scratch;
  const auto path = scratch.path() / "KQ.ini";
  korvex_fuzz::WriteFile(path, data, size);
  (void)korvex::ReadUserSettings(path);
  return 0;
}
