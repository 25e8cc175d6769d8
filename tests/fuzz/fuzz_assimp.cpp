// One everyday exchange format (KORVEX_ASSIMP_FORMAT) read through Assimp
// and converted as its file plug-in does, then handed back as ".ink" bytes,
// as the import helper hands a scene to the viewer. Assimp itself is not
// instrumented: its own crashes, hangs and run-away allocations are contained
// by the helper process and are kept by the long runs (fork mode) only to be
// checked against the helper's limits; what this harness guards is the
// conversion and the hand-back.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "plugins/assimp/AssimpScene.h"
#include "plugins/ink/InkFormat.h"

namespace {

// Whether the tree holds a coordinate or a placement that is not a number
// or infinite: Assimp passes such values through from the file, and the
// ".ink" writer refuses them on purpose (the helper then says the scene
// could not be handed back, and the viewer keeps its scene).
bool HoldsNonFinite(CInkNode& node) {
  GMMatrix local;
  node.GetLocalMatrix(local);
  for (const auto& row : local.m)
    for (const double value : row)
      if (!std::isfinite(value)) return true;
  for (int i = 0; i < node.GetVertexCount(); ++i) {
    const GMVector& p = node.GetVertex(i)->position;
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return true;
  }
  for (int i = 0; i < node.GetCount(); ++i)
    if (CInkNode* child = node.GetChild(i); child != nullptr && HoldsNonFinite(*child)) return true;
  return false;
}

}  // namespace

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
  // A converted tree travels unless the file gave it values that are not
  // numbers: its depth is bounded by the conversion.
  if (!korvex::ink::WriteScene(*tree, settings, bytes)) {
    korvex_fuzz::Require(HoldsNonFinite(*tree));
    return 0;
  }
  InkSceneSettings back{};
  korvex_fuzz::Require(korvex::ink::ReadScene(bytes, back) != nullptr);
  return 0;
}
