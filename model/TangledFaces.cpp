#include "model/TangledFaces.h"

#include "geometry/gm_mesh.h"
#include "geometry/gm_polygon.h"
#include "geometry/gm_triangulate.h"
#include "model/FigureTessellation.h"
#include "model/InkFigAdmin.h"
#include "model/InkNode.h"

namespace {

// The tolerance the display lists triangulate with.
constexpr double kTolerance = GM_TOLERANCE;

bool GivesUp(const GMPolygon& face) {
  if (!GMTriangulationMayGiveUp(face.Count())) return false;
  GMTriangulateStatus status;
  GMTriangulateWithStatus(face, kTolerance, status);
  return status == GMTriangulateStatus::kGaveUp;
}

int CountInFigure(const InkFigure& figure) {
  int count = 0;
  if (figure.kind == kInkFigureMesh && figure.geometry != nullptr) {
    const auto& mesh = *static_cast<const GMMesh*>(figure.geometry);
    GMPolygon face;
    for (const GMMeshFace& f : mesh.Faces()) {
      // Most faces of a real model are triangles and quads: skip them
      // before copying anything.
      if (!GMTriangulationMayGiveUp(f.count)) continue;
      face.points.clear();
      for (const int32_t i : f.Indices())
        if (i >= 0 && i < mesh.vertexCount) face.points.push_back(mesh.Position(i));
      if (GivesUp(face)) ++count;
    }
  } else if (figure.kind == kInkFigurePolygon && figure.geometry != nullptr) {
    // Arc points add points of their own, so the polygon is flattened first.
    if (GMPolygonSetPtr polygons = FigurePolygons(&figure, 0, 1.0, kTolerance))
      for (const GMPolygon& polygon : polygons->polygons)
        if (GivesUp(polygon)) ++count;
  }
  return count;
}

}  // namespace

int CountTangledFaces(CInkNode& root) {
  int count = 0;
  for (int i = 0; i < root.GetFigureCount(); ++i)
    if (const InkFigure* figure = root.GetFigure(i)) count += CountInFigure(*figure);
  for (int i = 0; i < root.GetCount(); ++i)
    if (CInkNode* child = root.GetChild(i)) count += CountTangledFaces(*child);
  return count;
}
