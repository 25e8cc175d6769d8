// Surface polygons of polygon and mesh figures. Arc points, subdivision
// surfaces, instances and segment sets are not tessellated here yet.

#include "model/FigureTessellation.h"

GMPolygonSetPtr FigurePolygons(const InkFigure* figure, int, double, double) {
  if (!figure || !figure->geometry) return nullptr;
  auto set = std::make_unique<GMPolygonSet>();
  if (figure->kind == kInkFigurePolygon) {
    GMPolygon polygon;
    for (const InkVertex* v : static_cast<const InkPolyRecord*>(figure->geometry)->Vertices())
      polygon.points.push_back(v->position);
    set->polygons.push_back(std::move(polygon));
  } else if (figure->kind == kInkFigureMesh) {
    const auto* mesh = static_cast<const GMMesh*>(figure->geometry);
    for (const GMMeshFace& face : mesh->Faces()) {
      GMPolygon polygon;
      for (int32_t i : face.Indices()) polygon.points.push_back(mesh->Position(i));
      set->polygons.push_back(std::move(polygon));
    }
  } else {
    return nullptr;
  }
  return set;
}
