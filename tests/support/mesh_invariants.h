// Properties every closed, outward surface must have, measured independently
// of the code that built it. Shared by the mesh, Boolean and reader tests.
#pragma once

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "geometry/gm_mesh.h"

namespace meshcheck {

// Every edge of every face loop is run exactly once each way: two faces per
// edge, passing it in opposite directions. Empty when that holds, else the
// first fault, naming the edge by its vertex indices and positions.
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
  auto name = [&](int a, int b) {
    const GMVector& p = mesh.Position(a);
    const GMVector& q = mesh.Position(b);
    return "edge " + std::to_string(a) + "-" + std::to_string(b) + " (" + std::to_string(p.x) + "," +
           std::to_string(p.y) + "," + std::to_string(p.z) + ")-(" + std::to_string(q.x) + "," +
           std::to_string(q.y) + "," + std::to_string(q.z) + ")";
  };
  for (const auto& [edge, count] : runs) {
    if (count != 1) return name(edge.first, edge.second) + " run " + std::to_string(count) + " times the same way";
    if (!runs.contains({edge.second, edge.first})) return name(edge.first, edge.second) + " has one face only";
  }
  return {};
}

// Signed enclosed volume: the sum over fan triangles of the tetrahedra they
// make with the first vertex (near the solid, so large coordinates lose
// little); positive for an outward surface.
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

// V - E + F over the vertices the faces use and their distinct edges.
inline int EulerCharacteristic(const GMMesh& mesh) {
  std::set<int> vertices;
  std::set<std::pair<int, int>> edges;
  for (const GMMeshFace& face : mesh.Faces()) {
    for (int i = 0; i < face.count; ++i) {
      const int a = face.indices[i];
      const int b = face.indices[(i + 1) % face.count];
      vertices.insert(a);
      edges.insert({std::min(a, b), std::max(a, b)});
    }
  }
  return static_cast<int>(vertices.size()) - static_cast<int>(edges.size()) + mesh.faceCount;
}

}  // namespace meshcheck
