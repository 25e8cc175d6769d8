// Properties every solid of the scene exchange file must have, checked on a
// node's mesh figures independently of how they were built.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "geometry/gm_mesh.h"
#include "model/InkNode.h"

namespace k3dtest {

// Closed and consistently oriented: every edge of every face loop is run
// exactly once in each direction, so each edge has exactly two faces and
// they pass along it opposite ways. Empty when it holds, else the first
// fault found.
inline std::string SurfaceFault(const GMMesh& mesh) {
  if (mesh.faceCount == 0) return "no faces";
  std::map<std::pair<int, int>, int> runs;
  for (const GMMeshFace& face : mesh.Faces()) {
    if (face.count < 3) return "a face with fewer than three corners";
    for (int i = 0; i < face.count; ++i) {
      const int a = face.indices[i];
      const int b = face.indices[(i + 1) % face.count];
      if (a < 0 || a >= mesh.vertexCount || b < 0 || b >= mesh.vertexCount) return "an index beyond the vertices";
      if (a == b) return "a zero-length edge";
      ++runs[{a, b}];
    }
  }
  for (const auto& [edge, count] : runs) {
    if (count != 1) return "edge " + std::to_string(edge.first) + "-" + std::to_string(edge.second) + " run " +
                           std::to_string(count) + " times the same way";
    if (!runs.contains({edge.second, edge.first}))
      return "edge " + std::to_string(edge.first) + "-" + std::to_string(edge.second) + " has one face only";
  }
  return {};
}

// Signed enclosed volume: the sum over fan triangles of the tetrahedra
// they make with the first vertex; positive for an outward surface.
inline double Volume(const GMMesh& mesh) {
  if (mesh.vertexCount == 0) return 0.0;
  const GMVector o = mesh.Position(0);
  double six = 0.0;
  for (const GMMeshFace& face : mesh.Faces()) {
    for (int i = 1; i + 1 < face.count; ++i) {
      const GMVector& p = mesh.Position(face.indices[0]);
      const GMVector& q = mesh.Position(face.indices[i]);
      const GMVector& r = mesh.Position(face.indices[i + 1]);
      const double ax = p.x - o.x, ay = p.y - o.y, az = p.z - o.z;
      const double bx = q.x - o.x, by = q.y - o.y, bz = q.z - o.z;
      const double cx = r.x - o.x, cy = r.y - o.y, cz = r.z - o.z;
      six += ax * (by * cz - bz * cy) - ay * (bx * cz - bz * cx) + az * (bx * cy - by * cx);
    }
  }
  return six / 6.0;
}

inline const GMMesh* MeshOf(CInkNode* node, int figure) {
  if (!node) return nullptr;
  const InkFigure* f = node->GetFigure(figure);
  if (!f || f->kind != kInkFigureMesh) return nullptr;
  return static_cast<const GMMesh*>(f->geometry);
}

// Area of a regular ring of n points at radius r stepping 360/n whole degrees
// (a full polygon when n divides 360).
inline double RingArea(int n, double r) {
  const int step = 360 / n;
  double twice = 0.0;
  for (int k = 0; k < n; ++k) {
    const double t0 = k * step * M_PI / 180.0;
    const double t1 = ((k + 1) % n) * step * M_PI / 180.0;
    twice += r * std::cos(t0) * r * std::sin(t1) - r * std::cos(t1) * r * std::sin(t0);
  }
  return twice / 2.0;
}

}  // namespace k3dtest

// A mesh that is closed, outward and of the expected volume.
#define EXPECT_SOLID(mesh, volume)                                    \
  do {                                                                \
    const GMMesh* m_ = (mesh);                                        \
    ASSERT_NE(m_, nullptr);                                           \
    EXPECT_EQ(k3dtest::SurfaceFault(*m_), "");                        \
    EXPECT_NEAR(k3dtest::Volume(*m_), (volume), 1e-6 * (1.0 + std::fabs(volume))); \
  } while (0)
