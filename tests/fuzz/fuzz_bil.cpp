// The billboard placement file (".bil") on any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/BilFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  (void)korvex::ParseBil(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
