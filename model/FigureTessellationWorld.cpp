// World-space tessellation: the local results of FigureTessellation.cpp, each
// point multiplied by the owning node's world matrix (row vectors, with the
// homogeneous division of the kernel's point transform).

#include "model/FigureTessellationWorld.h"

#include "geometry/gm_matrix.h"
#include "model/FigureTessellation.h"
#include "model/InkNode.h"

namespace {

// The owner's world matrix; false when the figure belongs to no node, whose
// local coordinates then stand as they are.
bool WorldMatrixOf(const InkFigure* figure, GMMatrix& world) {
  if (!figure || !figure->owner) return false;
  figure->owner->GetWorldMatrix(world);
  return true;
}

std::vector<GMSegment> ToWorld(const InkFigure* figure, std::vector<GMSegment> segments) {
  GMMatrix world;
  if (!segments.empty() && WorldMatrixOf(figure, world))
    for (GMSegment& s : segments) {
      GMTransformPoint(s.start, world);
      GMTransformPoint(s.end, world);
    }
  return segments;
}

}  // namespace

GMPolygonSetPtr FigureWorldPolygons(const InkFigure* figure, int level, double arcFactor, double tol) {
  GMPolygonSetPtr set = FigurePolygons(figure, level, arcFactor, tol);
  GMMatrix world;
  if (set && WorldMatrixOf(figure, world))
    for (GMPolygon& polygon : set->polygons)
      for (GMVector& p : polygon.points) GMTransformPoint(p, world);
  return set;
}

std::vector<GMSegment> FigureWorldLineSegments(const InkFigure* figure) {
  return ToWorld(figure, FigureLineSegments(figure));
}

std::vector<GMSegment> FigureWorldOutlineSegments(const InkFigure* figure, double tol) {
  return ToWorld(figure, FigureOutlineSegments(figure, tol));
}
