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
  // A twentieth of the viewer's cutting budget: a shell that may cost the
  // viewer seconds would run past the fuzzer's time per input under its
  // sanitizers, while the cutting code is reached all the same.
  const korvex::K3dCutBudget budget{1e6, 5e6};
  korvex::ReadK3dText(root, view, std::string_view(reinterpret_cast<const char*>(data), size), budget);
  return 0;
}
