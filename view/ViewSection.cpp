// Section planes: the model cut open at a height, along a line on the plan
// or through a face, up to three planes at once.
#include <cmath>

#include "geometry/gm_vector.h"
#include "render/FrameFlags.h"
#include "view/StereonView.h"
#include "view/ViewMath.h"
#include "view/WindowProjector.h"

namespace korvex {

namespace {

double Side(const GMPlane& p, const GMVector& v) { return p.nx * v.x + p.ny * v.y + p.nz * v.z + p.d; }

// Passes beyond the face first met when that face lies in what a section
// removed; a model never stacks more faces than this along one ray.
constexpr int kMaxHiddenHits = 256;

}  // namespace

void ClipToSections(GMPolygon& polygon, std::span<const GMPlane> planes) {
  // Each plane in turn keeps the part of the ring on its kept side; the
  // ring stays counter-clockwise about its normal.
  for (const GMPlane& plane : planes) {
    if (polygon.points.empty()) return;
    std::vector<GMVector> kept;
    const size_t n = polygon.points.size();
    for (size_t i = 0; i < n; ++i) {
      const GMVector& a = polygon.points[i];
      const GMVector& b = polygon.points[(i + 1) % n];
      const double sa = Side(plane, a), sb = Side(plane, b);
      if (sa <= 0.0) kept.push_back(a);
      if ((sa < 0.0 && sb > 0.0) || (sa > 0.0 && sb < 0.0)) kept.push_back(a + (b - a) * (sa / (sa - sb)));
    }
    polygon.points = kept.size() >= 3 ? std::move(kept) : std::vector<GMVector>{};
  }
}

bool CStereonView::KeptBySections(const GMVector& point) const {
  if (!state_.sectionShown) return true;
  for (const GMPlane& p : state_.sectionPlanes)
    if (Side(p, point) > 0.0) return false;
  return true;
}

bool CStereonView::SetSections(std::span<const GMPlane> planes) {
  if (planes.size() > static_cast<size_t>(CStereon::kMaxSectionPlanes)) return false;
  std::vector<GMPlane> unit(planes.size());
  for (size_t i = 0; i < planes.size(); ++i)
    if (!CStereon::UnitSectionPlane(planes[i], unit[i])) return false;
  state_.sectionPlanes = std::move(unit);
  SectionsChanged();
  return true;
}

bool CStereonView::AddSection(const GMPlane& plane) {
  std::vector<GMPlane> planes = state_.sectionPlanes;
  planes.push_back(plane);
  return SetSections(planes);
}

bool CStereonView::AddHorizontalSection(double height) { return AddSection({0.0, 0.0, 1.0, -height}); }

bool CStereonView::AddVerticalSection(const GMVector& from, const GMVector& to) {
  // The normal points to the right of the line on the plan: the right side
  // goes, the left stays.
  const double dx = to.x - from.x, dy = to.y - from.y;
  return AddSection({dy, -dx, 0.0, -(dy * from.x - dx * from.y)});
}

bool CStereonView::AddSectionThroughFace(int x, int y) {
  const int w = ClientWidth(), h = ClientHeight();
  if (!engine_ || w <= 0 || h <= 0) return false;
  const WindowProjector projector = MakeProjector(*engine_, state_, w, h);
  GMVector origin, direction;
  if (!projector.Ray(x, y, origin, direction)) return false;
  MeasureScene& surfaces = MeasureSurfaces();
  // The first face the sections leave standing: what they removed cannot
  // be picked.
  const double step = 1e-6 * std::max(1.0, GMLength(direction));
  for (int pass = 0; pass < kMaxHiddenHits; ++pass) {
    const auto hit = surfaces.FirstHit(origin, direction);
    if (!hit) return false;
    if (!KeptBySections(hit->at)) {
      origin = hit->at + direction * (step / std::max(GMLength(direction), 1e-300));
      continue;
    }
    const auto face = surfaces.FaceOf(hit->triangle);
    if (!face) return false;
    // The normal towards the viewer: what lies between the viewer and the
    // face goes.
    GMVector n = face->normal;
    if (GMDot(n, direction) > 0.0) n = n * -1.0;
    return AddSection({n.x, n.y, n.z, -GMDot(n, hit->at)});
  }
  return false;
}

void CStereonView::RemoveSection(int index) {
  if (index < 0 || index >= static_cast<int>(state_.sectionPlanes.size())) return;
  state_.sectionPlanes.erase(state_.sectionPlanes.begin() + index);
  SectionsChanged();
}

bool CStereonView::MoveSection(int index, double distance) {
  if (index < 0 || index >= static_cast<int>(state_.sectionPlanes.size()) || !std::isfinite(distance)) return false;
  // The normals are unit: the constant moves the plane by that distance.
  state_.sectionPlanes[index].d -= distance;
  SectionsChanged();
  return true;
}

void CStereonView::ShowSections(bool shown) {
  state_.sectionShown = shown;
  SectionsChanged();
}

void CStereonView::SectionsChanged() {
  ApplyEngineState();
  // Shadows come from what the sections leave: shown shadows are made
  // again from the casters as cut now.
  if ((state_.displayFlags & frame::kShadows) && engine_ && scene_ && engine_->MakeCurrent())
    BuildShadowsOn(*engine_, shadowLight_, engine_->billboards);
  Redraw();
}

}  // namespace korvex
