#include "analysis/ShadowLines.h"

#define GEOS_USE_ONLY_R_API
#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <unordered_map>

namespace korvex::analysis {

namespace {

// ---- equal-time lines -------------------------------------------------------

// A point where a line crosses a cell edge, named by the edge: the edge
// from grid point (i, j) to the right is 2·(j·nx + i), upwards 2·(j·nx + i) + 1.
using EdgeKey = std::uint64_t;

struct Segment {
  EdgeKey a, b;
};

// ---- GEOS -------------------------------------------------------------------

class Geos {
 public:
  Geos() : context_(GEOS_init_r()) {}
  ~Geos() { GEOS_finish_r(context_); }
  Geos(const Geos&) = delete;
  Geos& operator=(const Geos&) = delete;
  GEOSContextHandle_t operator*() const { return context_; }

 private:
  GEOSContextHandle_t context_;
};

struct GeometryDeleter {
  GEOSContextHandle_t context;
  void operator()(GEOSGeometry* g) const {
    if (g) GEOSGeom_destroy_r(context, g);
  }
};
using Geometry = std::unique_ptr<GEOSGeometry, GeometryDeleter>;

Geometry Own(const Geos& geos, GEOSGeometry* g) { return Geometry(g, GeometryDeleter{*geos}); }

// A closed polygon of the ring's points (the first point is repeated).
GEOSGeometry* MakePolygon(const Geos& geos, std::span<const Point2> ring) {
  const auto n = static_cast<unsigned>(ring.size());
  GEOSCoordSequence* sequence = GEOSCoordSeq_create_r(*geos, n + 1, 2);
  for (unsigned i = 0; i <= n; ++i) GEOSCoordSeq_setXY_r(*geos, sequence, i, ring[i % n].x, ring[i % n].y);
  GEOSGeometry* shell = GEOSGeom_createLinearRing_r(*geos, sequence);
  if (!shell) return nullptr;
  return GEOSGeom_createPolygon_r(*geos, shell, nullptr, 0);
}

Polyline RingPoints(const Geos& geos, const GEOSGeometry* ring) {
  Polyline out;
  const GEOSCoordSequence* sequence = GEOSGeom_getCoordSeq_r(*geos, ring);
  unsigned size = 0;
  if (!sequence || !GEOSCoordSeq_getSize_r(*geos, sequence, &size)) return out;
  for (unsigned i = 0; i < size; ++i) {
    Point2 p;
    GEOSCoordSeq_getXY_r(*geos, sequence, i, &p.x, &p.y);
    out.push_back(p);
  }
  return out;
}

void CollectPolygons(const Geos& geos, const GEOSGeometry* g, std::vector<Ring2Set>& out) {
  const int type = GEOSGeomTypeId_r(*geos, g);
  if (type == GEOS_POLYGON) {
    if (GEOSisEmpty_r(*geos, g)) return;
    Ring2Set polygon;
    polygon.rings.push_back(RingPoints(geos, GEOSGetExteriorRing_r(*geos, g)));
    const int holes = GEOSGetNumInteriorRings_r(*geos, g);
    for (int i = 0; i < holes; ++i) polygon.rings.push_back(RingPoints(geos, GEOSGetInteriorRingN_r(*geos, g, i)));
    out.push_back(std::move(polygon));
  } else if (type == GEOS_MULTIPOLYGON || type == GEOS_GEOMETRYCOLLECTION) {
    const int count = GEOSGetNumGeometries_r(*geos, g);
    for (int i = 0; i < count; ++i) CollectPolygons(geos, GEOSGetGeometryN_r(*geos, g, i), out);
  }
}

}  // namespace

std::vector<Polyline> EqualTimeLines(const Grid& grid, std::span<const double> hours, double level) {
  const int nx = grid.nx, ny = grid.ny;
  std::vector<Polyline> lines;
  if (nx < 2 || ny < 2 || hours.size() < grid.Points()) return lines;
  auto value = [&](int i, int j) { return hours[static_cast<std::size_t>(j) * nx + i]; };
  auto horizontal = [&](int i, int j) -> EdgeKey { return 2 * (static_cast<EdgeKey>(j) * nx + i); };
  auto vertical = [&](int i, int j) -> EdgeKey { return 2 * (static_cast<EdgeKey>(j) * nx + i) + 1; };
  // Where the level crosses an edge, by linear interpolation.
  auto where = [&](EdgeKey key) {
    const auto index = static_cast<std::size_t>(key / 2);
    const int i = static_cast<int>(index % nx), j = static_cast<int>(index / nx);
    const bool up = key % 2 == 1;
    const int i2 = up ? i : i + 1, j2 = up ? j + 1 : j;
    const double a = value(i, j), b = value(i2, j2);
    const double t = std::clamp((level - a) / (b - a), 0.0, 1.0);
    return Point2{grid.X(i) + t * (grid.X(i2) - grid.X(i)), grid.Y(j) + t * (grid.Y(j2) - grid.Y(j))};
  };

  std::vector<Segment> segments;
  for (int j = 0; j + 1 < ny; ++j) {
    for (int i = 0; i + 1 < nx; ++i) {
      const double v00 = value(i, j), v10 = value(i + 1, j), v11 = value(i + 1, j + 1), v01 = value(i, j + 1);
      if (std::isnan(v00) || std::isnan(v10) || std::isnan(v11) || std::isnan(v01)) continue;
      const int index = (v00 >= level) | (v10 >= level) << 1 | (v11 >= level) << 2 | (v01 >= level) << 3;
      const EdgeKey bottom = horizontal(i, j), top = horizontal(i, j + 1);
      const EdgeKey left = vertical(i, j), right = vertical(i + 1, j);
      const bool centre = (v00 + v10 + v11 + v01) / 4 >= level;
      auto add = [&](EdgeKey a, EdgeKey b) { segments.push_back({a, b}); };
      switch (index) {
        case 1: case 14: add(left, bottom); break;
        case 2: case 13: add(bottom, right); break;
        case 3: case 12: add(left, right); break;
        case 4: case 11: add(right, top); break;
        case 6: case 9: add(bottom, top); break;
        case 7: case 8: add(left, top); break;
        case 5:  // the corners above are (i, j) and (i+1, j+1)
          if (centre) add(bottom, right), add(top, left);
          else add(left, bottom), add(right, top);
          break;
        case 10:  // the corners above are (i+1, j) and (i, j+1)
          if (centre) add(left, bottom), add(right, top);
          else add(bottom, right), add(top, left);
          break;
        default: break;
      }
    }
  }

  // Join the pieces: each edge point belongs to at most two of them.
  std::unordered_map<EdgeKey, std::vector<std::size_t>> at;
  at.reserve(segments.size() * 2);
  for (std::size_t s = 0; s < segments.size(); ++s) {
    at[segments[s].a].push_back(s);
    at[segments[s].b].push_back(s);
  }
  std::vector<bool> used(segments.size(), false);
  auto follow = [&](std::size_t first, EdgeKey start) {
    std::vector<EdgeKey> keys{start};
    std::size_t s = first;
    EdgeKey end = start;
    for (;;) {
      used[s] = true;
      end = segments[s].a == end ? segments[s].b : segments[s].a;
      keys.push_back(end);
      std::size_t next = segments.size();
      for (const std::size_t candidate : at[end])
        if (!used[candidate]) next = candidate;
      if (next == segments.size()) break;
      s = next;
    }
    Polyline line;
    for (const EdgeKey key : keys) line.push_back(where(key));
    lines.push_back(std::move(line));
  };
  // Open lines from their ends first (the ends lie on the area's border or
  // beside a solid), then the closed loops.
  for (std::size_t s = 0; s < segments.size(); ++s) {
    if (used[s]) continue;
    if (at[segments[s].a].size() == 1) follow(s, segments[s].a);
    else if (at[segments[s].b].size() == 1) follow(s, segments[s].b);
  }
  for (std::size_t s = 0; s < segments.size(); ++s)
    if (!used[s]) follow(s, segments[s].a);
  return lines;
}

std::vector<Ring2Set> ShadowOutline(const TriangleSoup& triangles, const GMVector& sun, const Grid& grid) {
  std::vector<Ring2Set> out;
  if (!(sun.z > 0)) return out;
  const Geos geos;
  std::vector<GEOSGeometry*> pieces;
  const double z = grid.z;
  auto onPlane = [&](const GMVector& p) {
    const double t = (p.z - z) / sun.z;
    return Point2{p.x - sun.x * t, p.y - sun.y * t};
  };
  for (std::size_t k = 0; k < triangles.Count(); ++k) {
    const GMVector* t = &triangles.points[3 * k];
    // The part of the face on or above the plane: only it throws a shadow
    // onto the plane.
    std::vector<GMVector> clipped;
    for (int i = 0; i < 3; ++i) {
      const GMVector& a = t[i];
      const GMVector& b = t[(i + 1) % 3];
      const bool aIn = a.z >= z, bIn = b.z >= z;
      if (aIn) clipped.push_back(a);
      if (aIn != bIn) {
        const double s = (z - a.z) / (b.z - a.z);
        clipped.push_back({a.x + s * (b.x - a.x), a.y + s * (b.y - a.y), z});
      }
    }
    if (clipped.size() < 3) continue;
    std::vector<Point2> ring;
    for (const GMVector& p : clipped) ring.push_back(onPlane(p));
    double twiceArea = 0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
      const Point2& a = ring[i];
      const Point2& b = ring[(i + 1) % ring.size()];
      twiceArea += a.x * b.y - b.x * a.y;
    }
    // A face edge-on to the sun throws a line, no area.
    if (std::fabs(twiceArea) < 1e-9) continue;
    if (GEOSGeometry* polygon = MakePolygon(geos, ring)) pieces.push_back(polygon);
  }
  if (pieces.empty()) return out;
  Geometry collection = Own(geos, GEOSGeom_createCollection_r(*geos, GEOS_GEOMETRYCOLLECTION, pieces.data(),
                                                              static_cast<unsigned>(pieces.size())));
  if (!collection) return out;
  Geometry merged = Own(geos, GEOSUnaryUnion_r(*geos, collection.get()));
  if (!merged) return out;
  Geometry box = Own(geos, GEOSGeom_createRectangle_r(*geos, grid.area.x0, grid.area.y0, grid.area.x1, grid.area.y1));
  Geometry clippedShadow = Own(geos, GEOSIntersection_r(*geos, merged.get(), box.get()));
  if (!clippedShadow) return out;
  GEOSNormalize_r(*geos, clippedShadow.get());
  CollectPolygons(geos, clippedShadow.get(), out);
  return out;
}

bool CheckSite(std::span<const Point2> site, std::string* problem) {
  auto fail = [&](const char* text) {
    if (problem) *problem = text;
    return false;
  };
  for (const Point2& p : site)
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return fail("the site's points must be finite numbers");
  std::vector<Point2> ring(site.begin(), site.end());
  if (ring.size() > 1 && ring.front() == ring.back()) ring.pop_back();
  if (ring.size() < 3) return fail("the site needs at least three points");
  const Geos geos;
  Geometry polygon = Own(geos, MakePolygon(geos, ring));
  double area = 0;
  if (!polygon || !GEOSArea_r(*geos, polygon.get(), &area) || !(area > 0) ||
      GEOSisValid_r(*geos, polygon.get()) != 1)
    return fail("the site's outline crosses itself");
  return true;
}

Polyline OffsetLine(std::span<const Point2> site, double distance) {
  std::vector<Point2> ring(site.begin(), site.end());
  if (ring.size() > 1 && ring.front() == ring.back()) ring.pop_back();
  const Geos geos;
  Geometry polygon = Own(geos, MakePolygon(geos, ring));
  if (!polygon) return {};
  // Sixteen segments a quarter circle: the rounded corners stay within a
  // centimetre of the true circle at 10 m.
  Geometry grown = Own(geos, GEOSBufferWithStyle_r(*geos, polygon.get(), distance, 16, GEOSBUF_CAP_ROUND,
                                                    GEOSBUF_JOIN_ROUND, 5.0));
  if (!grown) return {};
  GEOSNormalize_r(*geos, grown.get());
  std::vector<Ring2Set> parts;
  CollectPolygons(geos, grown.get(), parts);
  if (parts.empty() || parts.front().rings.empty()) return {};
  return parts.front().rings.front();
}

std::vector<Point2> PointsAlong(const Polyline& line, double spacing) {
  std::vector<Point2> out;
  if (line.empty()) return out;
  for (std::size_t i = 0; i + 1 < line.size(); ++i) {
    const Point2 a = line[i], b = line[i + 1];
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    const int parts = std::max(1, static_cast<int>(std::ceil(length / spacing)));
    for (int k = 0; k < parts; ++k)
      out.push_back({a.x + (b.x - a.x) * k / parts, a.y + (b.y - a.y) * k / parts});
  }
  if (line.size() == 1 || !(line.front() == line.back())) out.push_back(line.back());
  return out;
}

}  // namespace korvex::analysis
