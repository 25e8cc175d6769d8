// What reading and writing through Assimp share: the limits, the default
// colour and the turn between Y-up and Z-up scenes.
#pragma once

#include <assimp/types.h>

#include <cstdint>

#include "geometry/gm_types.h"

namespace korvex::assimp {

// Assimp's node trees are shallow; a deeper one is a broken or hostile file.
inline constexpr int kMaxDepth = 1024;
inline constexpr double kTolerance = GM_TOLERANCE;
inline constexpr uint32_t kDefaultColour = 0xFFCCCCCCu;  // light grey for meshes without a material colour

// --- Y up and Z up ------------------------------------------------------------

// Column-vector matrices as Assimp keeps them: p' = M p, translation in a4, b4, c4.
using Matrix = aiMatrix4x4t<double>;

// (x, y, z) with Y up becomes (x, -z, y) with Z up.
inline Matrix YUpToZUp() {
  Matrix m;
  m.b2 = 0.0, m.b3 = -1.0;
  m.c2 = 1.0, m.c3 = 0.0;
  return m;
}

}  // namespace korvex::assimp
