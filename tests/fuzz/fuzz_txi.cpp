// The texture assignment file (".txi") on any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/TxiFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  (void)korvex::ParseTxi(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
