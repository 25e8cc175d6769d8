#include "model/OctTreeFill.h"

#include "geometry/gm_matrix.h"
#include "model/ContentList.h"
#include "model/FigureTessellation.h"
#include "model/InkNode.h"
#include "model/OctTree.h"

namespace {
// The refinement level, arc factor and tolerance with which picking and the
// octree flatten figures, so that both see the same surfaces.
constexpr int kSurfaceLevel = 2;
constexpr double kArcFactor = 1.0;
constexpr double kSurfaceTolerance = 1e-7;
}  // namespace

int AddContentToOctTree(COctTreeBoxel& octree, CContentList& content, OctTreeSpace space,
                        std::stop_token stop) {
  int added = 0;
  const CInkNode* placedBy = nullptr;  // the node whose world matrix is in `world`
  GMMatrix world = GMMatrixIdentity();
  const int count = content.GetCount();
  for (int i = 0; i < count; ++i) {
    if (stop.stop_requested()) break;
    InkFigure* figure = content.GetFigure(i);
    if (!figure || figure->hidden) continue;
    if (figure->kind == kInkFigurePoint || figure->kind == kInkFigurePolyline) continue;
    const CInkNode* owner = figure->owner;
    if (owner && !owner->IsShown()) continue;

    GMPolygonSetPtr polygons = FigurePolygons(figure, kSurfaceLevel, kArcFactor, kSurfaceTolerance);
    if (!polygons) continue;
    if (space == OctTreeSpace::World && owner) {
      // Consecutive figures usually share their node: reuse its matrix.
      if (owner != placedBy) {
        owner->GetWorldMatrix(world);
        placedBy = owner;
      }
      for (GMPolygon& polygon : polygons->polygons)
        for (GMVector& p : polygon.points) GMTransformPoint(p, world);
    }
    for (const GMPolygon& polygon : polygons->polygons)
      if (octree.AddPolygon(&polygon, figure) >= 0) ++added;
  }
  return added;
}

int BuildSceneOctTree(COctTreeBoxel& octree, CInkNode* root, int levels, OctTreeSpace space) {
  if (!root) return 0;
  CContentList content;
  content.AddFiguresOf(root);
  AddContentToOctTree(octree, content, space);
  return octree.Build(levels);
}
