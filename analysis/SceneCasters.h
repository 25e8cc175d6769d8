// The faces of a scene that cast shadows on the measurement plane, as
// triangles in world coordinates: the nodes the viewer's shadow command
// takes (opaque and shown, unless transparent or hidden bodies may cast),
// without the auxiliary nodes (auxiliary lines, the north arrow, the zoning
// areas), which are drawing aids and no buildings.
#pragma once

#include "analysis/ShadowHours.h"

class CInkSolid;

namespace korvex::analysis {

struct CasterChoice {
  bool transparentCast = false;
  bool hiddenCast = false;
};

TriangleSoup SceneCasters(CInkSolid& scene, const CasterChoice& choice = {});

}  // namespace korvex::analysis
