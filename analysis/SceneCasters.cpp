#include "analysis/SceneCasters.h"

#include "geometry/gm_triangulate.h"
#include "model/FigureTessellationWorld.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "view/StereonView.h"

namespace korvex::analysis {

namespace {

// The tessellation the display and the shadow command use.
constexpr int kLevel = 4;
constexpr double kArc = 1.0;
constexpr double kTolerance = 1e-7;

void AddPolygon(const GMPolygon& polygon, TriangleSoup& out) {
  if (polygon.Count() < 3) return;
  if (polygon.Count() == 3) {
    out.Add(polygon[0], polygon[1], polygon[2]);
    return;
  }
  GMPolygonSetPtr triangles = GMTriangulate(polygon, kTolerance);
  if (triangles && triangles->Count() > 0) {
    for (const GMPolygon& t : triangles->polygons)
      if (t.Count() == 3) out.Add(t[0], t[1], t[2]);
    return;
  }
  // A ring the triangulation refuses (folded, or not flat) still casts:
  // as a fan, which covers a convex ring exactly.
  for (int i = 1; i + 1 < polygon.Count(); ++i) out.Add(polygon[0], polygon[i], polygon[i + 1]);
}

void Collect(CInkNode& node, const CasterChoice& choice, TriangleSoup& out) {
  if (IsAuxiliaryNodeName(node.GetName(nullptr, 0))) return;
  if (NodeCastsShadow(node, choice.transparentCast, choice.hiddenCast)) {
    for (int i = 0; i < node.GetFigureCount(); ++i) {
      const InkFigure* figure = node.GetFigure(i);
      if (figure == nullptr) continue;
      GMPolygonSetPtr set = FigureWorldPolygons(figure, kLevel, kArc, kTolerance);
      if (!set) continue;
      // Every face casts, whichever way it is turned: a ray meets the sun's
      // side and the far side of a body alike.
      for (const GMPolygon& polygon : set->polygons) AddPolygon(polygon, out);
    }
  }
  for (int i = 0; i < node.GetCount(); ++i)
    if (CInkNode* child = node.GetChild(i)) Collect(*child, choice, out);
}

}  // namespace

TriangleSoup SceneCasters(CInkSolid& scene, const CasterChoice& choice) {
  TriangleSoup out;
  if (CInkNode* root = scene.GetRoot())
    for (int i = 0; i < root->GetCount(); ++i)
      if (CInkNode* child = root->GetChild(i)) Collect(*child, choice, out);
  return out;
}

}  // namespace korvex::analysis
