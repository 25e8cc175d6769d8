// One everyday exchange format (KORVEX_ASSIMP_FORMAT) read through Assimp
// and converted as its file plug-in does, then handed back as ".ink" bytes,
// as the import helper hands a scene to the viewer. Assimp itself is not
// instrumented: its own crashes, hangs and run-away allocations are contained
// by the helper process and are kept by the long runs (fork mode) only to be
// checked against the helper's limits; what this harness guards is the
// conversion and the hand-back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "plugins/assimp/AssimpScene.h"
#include "plugins/ink/InkFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const korvex::assimp::FormatInfo* format = korvex::assimp::FindFormat(KORVEX_ASSIMP_FORMAT);
  korvex_fuzz::Require(format != nullptr);
  korvex_fuzz::Scratch scratch;
  const auto path = scratch.path() / (std::string("model.") + KORVEX_ASSIMP_FORMAT);
  korvex_fuzz::WriteFile(path, data, size);

  InkSceneSettings settings{};
  auto tree = korvex::assimp::ImportFile(path.c_str(), *format, settings);
  if (!tree) return 0;
  std::vector<uint8_t> bytes;
  // A converted tree always travels: its depth is bounded by the conversion,
  // and faces or placements that are not numbers were left out.
  korvex_fuzz::Require(korvex::ink::WriteScene(*tree, settings, bytes));
  InkSceneSettings back{};
  korvex_fuzz::Require(korvex::ink::ReadScene(bytes, back) != nullptr);
  return 0;
}
