// The scene exchange file (.k3d) reader on any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/K3dReader.h"
#include "model/InkNode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  CInkNode root;
  root.Create(nullptr);
  korvex::K3dViewState view;
  korvex::ReadK3dText(root, view, std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
