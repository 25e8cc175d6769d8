// A billboard's ".poly" outline is a scene file read by a file plug-in, whose
// first figure is then turned into polygons. This harness reads ".ink" bytes
// (the plug-in that comes with the viewer) and turns every figure of the
// tree into polygons, as the outline and the display tree do.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ink_checksum.h"
#include "model/FigureTessellation.h"
#include "model/InkNode.h"
#include "plugins/ink/InkFormat.h"

namespace {

void TessellateAll(CInkNode& node) {
  for (int i = 0; i < node.GetFigureCount(); ++i) (void)FigurePolygons(node.GetFigure(i), 2, 1.0, 1e-7);
  for (int i = 0; i < node.GetCount(); ++i) TessellateAll(*node.GetChild(i));
}

void ReadAndTessellate(std::span<const uint8_t> file) {
  InkSceneSettings settings{};
  if (auto tree = korvex::ink::ReadScene(file, settings)) TessellateAll(*tree);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::vector<uint8_t> fixed = korvex_fuzz::WithInkChecksum(data, size);
  if (!fixed.empty()) ReadAndTessellate(fixed);
  return 0;
}
