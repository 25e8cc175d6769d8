// Section planes: the model cut open at a height, along a line on the plan
// or through a face, up to three planes at once.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "geometry/gm_vector.h"
#include "render/FrameFlags.h"
#include "view/StereonView.h"
#include "view/ViewMath.h"
#include "view/WindowProjector.h"

namespace korvex {

namespace {

double Side(const GMPlane& p, const GMVector& v) { return p.nx * v.x + p.ny * v.y + p.nz * v.z + p.d; }

}  // namespace

namespace {

bool ReadNumber(std::string_view text, double& out) {
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, out);
  return !text.empty() && r.ec == std::errc() && r.ptr == end && std::isfinite(out);
}

std::string Shortest(double value) {
  // Enough digits to read back the same double.
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  for (int digits = 1; digits < 17; ++digits) {
    char shorter[32];
    std::snprintf(shorter, sizeof shorter, "%.*g", digits, value);
    if (std::strtod(shorter, nullptr) == value) return shorter;
  }
  return text;
}

}  // namespace

std::optional<std::string> ParseSectionText(std::string_view text, GMPlane& plane) {
  const std::string form = "\"" + std::string(text) + "\" is not z=H, x=V, y=V or a,b,c,d";
  if (text.size() > 2 && text[1] == '=' && (text[0] == 'x' || text[0] == 'y' || text[0] == 'z')) {
    double value = 0.0;
    if (!ReadNumber(text.substr(2), value)) return form;
    plane = {text[0] == 'x' ? 1.0 : 0.0, text[0] == 'y' ? 1.0 : 0.0, text[0] == 'z' ? 1.0 : 0.0, -value};
    return std::nullopt;
  }
  double parts[4];
  for (int k = 0; k < 4; ++k) {
    const std::size_t comma = k < 3 ? text.find(',') : text.size();
    if (comma == std::string_view::npos || !ReadNumber(text.substr(0, comma), parts[k])) return form;
    text.remove_prefix(k < 3 ? comma + 1 : text.size());
  }
  GMPlane unit;
  if (!CStereon::UnitSectionPlane({parts[0], parts[1], parts[2], parts[3]}, unit))
    return "the plane has no normal: a, b and c are all 0";
  plane = {parts[0], parts[1], parts[2], parts[3]};
  return std::nullopt;
}

std::string SectionText(const GMPlane& p) {
  const char axis = p.nx == 1.0 && p.ny == 0.0 && p.nz == 0.0   ? 'x'
                    : p.nx == 0.0 && p.ny == 1.0 && p.nz == 0.0 ? 'y'
                    : p.nx == 0.0 && p.ny == 0.0 && p.nz == 1.0 ? 'z'
                                                                : 0;
  if (axis != 0) return std::string(1, axis) + "=" + Shortest(p.d == 0.0 ? 0.0 : -p.d);
  return Shortest(p.nx) + "," + Shortest(p.ny) + "," + Shortest(p.nz) + "," + Shortest(p.d);
}

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

bool CStereonView::KeptStretch(const GMSegment& segment, double& from, double& to) const {
  from = 0.0;
  to = 1.0;
  if (!state_.sectionShown) return true;
  // The kept side of every plane is convex, so what they all keep of a
  // line is one stretch of it.
  for (const GMPlane& p : state_.sectionPlanes) {
    const double sa = Side(p, segment.start), sb = Side(p, segment.end);
    if (sa > 0.0 && sb > 0.0) return false;
    if (sa > 0.0)
      from = std::max(from, sa / (sa - sb));
    else if (sb > 0.0)
      to = std::min(to, sa / (sa - sb));
  }
  return from < to;
}

ShownTest CStereonView::SectionShownTest() const {
  if (!state_.sectionShown || state_.sectionPlanes.empty()) return {};
  return [this](const GMVector& point) { return KeptBySections(point); };
}

bool CStereonView::SetSections(std::span<const GMPlane> planes) {
  if (planes.size() > static_cast<size_t>(CStereon::kMaxSectionPlanes)) return false;
  std::vector<GMPlane> unit(planes.size());
  for (size_t i = 0; i < planes.size(); ++i)
    if (!CStereon::UnitSectionPlane(planes[i], unit[i])) return false;
  // A plane added becomes the one the mouse moves.
  if (unit.size() > state_.sectionPlanes.size()) chosenSection_ = static_cast<int>(unit.size()) - 1;
  if (chosenSection_ >= static_cast<int>(unit.size())) chosenSection_ = static_cast<int>(unit.size()) - 1;
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
  MeasureScene& surfaces = MeasureSurfacesNow();
  // The first face the sections leave standing: what they removed cannot
  // be picked.
  const auto hit = surfaces.FirstHit(origin, direction, SectionShownTest());
  if (!hit) return false;
  const auto face = surfaces.FaceOf(hit->triangle);
  if (!face) return false;
  // The normal towards the viewer: what lies between the viewer and the
  // face goes.
  GMVector n = face->normal;
  if (GMDot(n, direction) > 0.0) n = n * -1.0;
  return AddSection({n.x, n.y, n.z, -GMDot(n, hit->at)});
}

void CStereonView::RemoveSection(int index) {
  if (index < 0 || index >= static_cast<int>(state_.sectionPlanes.size())) return;
  state_.sectionPlanes.erase(state_.sectionPlanes.begin() + index);
  if (chosenSection_ >= static_cast<int>(state_.sectionPlanes.size()))
    chosenSection_ = static_cast<int>(state_.sectionPlanes.size()) - 1;
  // Without planes there is nothing for the mouse to move.
  if (state_.sectionPlanes.empty() && state_.mouseMode == MouseMode::SectionMove) SetMode(MouseMode::Select);
  SectionsChanged();
}

void CStereonView::ChooseSection(int index) {
  if (index >= 0 && index < static_cast<int>(state_.sectionPlanes.size())) chosenSection_ = index;
}

void CStereonView::DragSection(int dx, int dy) {
  const int count = static_cast<int>(state_.sectionPlanes.size());
  const int w = ClientWidth(), h = ClientHeight();
  if (count == 0 || !engine_ || w <= 0 || h <= 0) return;
  const int index = chosenSection_ >= 0 && chosenSection_ < count ? chosenSection_ : count - 1;
  const GMPlane& p = state_.sectionPlanes[index];
  const GMVector n{p.nx, p.ny, p.nz};
  const WindowProjector projector = MakeProjector(*engine_, state_, w, h);
  // Measured where the plane passes nearest the target: how many pixels a
  // model unit across the screen takes there, and where the normal points
  // on the screen.
  const GMVector centre = state_.camera.target - n * (GMDot(n, state_.camera.target) + p.d);
  double cx, cy, ax, ay, nx, ny;
  if (!projector.Project(centre, cx, cy) || !projector.Project(centre + projector.s, ax, ay) ||
      !projector.Project(centre + n, nx, ny))
    return;
  const double perUnit = std::hypot(ax - cx, ay - cy);
  if (!(perUnit > 0.0)) return;
  const double sx = nx - cx, sy = ny - cy;
  const double along = std::hypot(sx, sy);
  double distance;
  if (along > 0.2 * perUnit) {
    // The plane follows the cursor along its normal as drawn.
    distance = (dx * sx + dy * sy) / (along * along);
  } else {
    // A plane seen face on (a floor cut in the plan): up the screen lifts
    // it towards the viewer's side.
    distance = -dy / perUnit * (GMDot(n, projector.f) < 0.0 ? 1.0 : -1.0);
  }
  MoveSection(index, distance);
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

void CStereonView::OutlineSections() {
  // Where each plane meets the faces of the model: the outline of the cut.
  if (!engine_ || !state_.sectionShown || state_.sectionPlanes.empty()) return;
  MeasureScene& surfaces = MeasureSurfacesNow();
  const int count = surfaces.TriangleCount();
  for (size_t i = 0; i < state_.sectionPlanes.size(); ++i) {
    const GMPlane& plane = state_.sectionPlanes[i];
    std::vector<GMSegment> segments;
    for (int t = 0; t < count; ++t) {
      const GMVector* v = surfaces.Triangle(t).vertices;
      const double s[3] = {Side(plane, v[0]), Side(plane, v[1]), Side(plane, v[2])};
      // A triangle in the plane, or touching it at one corner, draws no line.
      GMVector ends[2];
      int found = 0;
      for (int k = 0; k < 3 && found < 2; ++k) {
        const int n = (k + 1) % 3;
        if (s[k] == 0.0 && s[n] != 0.0) {
          ends[found++] = v[k];
        } else if ((s[k] < 0.0 && s[n] > 0.0) || (s[k] > 0.0 && s[n] < 0.0)) {
          ends[found++] = v[k] + (v[n] - v[k]) * (s[k] / (s[k] - s[n]));
        }
      }
      if (found == 2) segments.push_back({ends[0], ends[1]});
    }
    engine_->SetSectionOutline(i, std::move(segments));
  }
}

void CStereonView::SectionsChanged() {
  ApplyEngineState();
  OutlineSections();
  // Shadows come from what the sections leave: shown shadows are made
  // again from the casters as cut now.
  if ((state_.displayFlags & frame::kShadows) && engine_ && scene_ && engine_->MakeCurrent())
    BuildShadowsOn(*engine_, shadowLight_, engine_->billboards);
  Redraw();
}

}  // namespace korvex
