// Upright prisms over rings, built as the extrusion of the scene file reader
// builds them (every edge in the edge table): the blocks, courtyards and
// pipes the Boolean tests and benchmarks cut.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "geometry/gm_mesh_build.h"

namespace korvex_test {

// The upright prism over a counter-clockwise ring, from z0 to z1, outward.
inline GMMeshPtr Prism(const std::vector<GMVector>& ring, double z0, double z1) {
  const int n = static_cast<int>(ring.size());
  std::vector<GMVector> points;
  for (const GMVector& p : ring) points.push_back({p.x, p.y, z0});
  for (const GMVector& p : ring) points.push_back({p.x, p.y, z1});
  std::vector<std::vector<int32_t>> faces;
  std::vector<int32_t> bottom, top;
  for (int i = n - 1; i >= 0; --i) bottom.push_back(i);
  for (int i = 0; i < n; ++i) top.push_back(n + i);
  faces.push_back(bottom);
  faces.push_back(top);
  std::vector<GMMeshEdge> edges;
  for (int i = 0; i < n; ++i) {
    const int j = (i + 1) % n;
    faces.push_back({i, j, n + j, n + i});
    edges.push_back({i, j, -1});
    edges.push_back({n + i, n + j, -1});
    edges.push_back({i, n + i, -1});
  }
  return GMNewMesh(points, edges, faces);
}

inline std::vector<GMVector> Rect(double x0, double y0, double x1, double y1) {
  return {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}};
}

// A regular ring of `sides` corners and radius r about (cx, cy), turned by
// phase radians, counter-clockwise.
inline std::vector<GMVector> Round(int sides, double r, double cx = 0, double cy = 0, double phase = 0) {
  constexpr double kPi = 3.14159265358979323846;
  std::vector<GMVector> ring;
  for (int i = 0; i < sides; ++i) {
    const double t = phase + 2 * kPi * i / sides;
    ring.push_back({cx + r * std::cos(t), cy + r * std::sin(t), 0});
  }
  return ring;
}

}  // namespace korvex_test
