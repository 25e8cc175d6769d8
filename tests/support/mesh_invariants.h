// Properties every closed, outward surface must have, measured independently
// of the code that built it. Shared by the mesh, Boolean and reader tests.
#pragma once

#include <algorithm>
#include <cmath>
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

// The area vector of a face (Newell's sum, measured from its first corner so
// that a site far from the origin loses no digits): its length is the face's
// area and it points the way the face faces.
inline GMVector FaceAreaVector(const GMMesh& mesh, const GMMeshFace& face) {
  GMVector sum{0.0, 0.0, 0.0};
  if (face.count < 3) return sum;
  const GMVector o = mesh.Position(face.indices[0]);
  for (int i = 1; i + 1 < face.count; ++i) {
    const GMVector& q = mesh.Position(face.indices[i]);
    const GMVector& r = mesh.Position(face.indices[i + 1]);
    const double bx = q.x - o.x, by = q.y - o.y, bz = q.z - o.z;
    const double cx = r.x - o.x, cy = r.y - o.y, cz = r.z - o.z;
    sum.x += (by * cz - bz * cy) / 2.0;
    sum.y += (bz * cx - bx * cz) / 2.0;
    sum.z += (bx * cy - by * cx) / 2.0;
  }
  return sum;
}

// The faces of a mesh summed by the way they face: up, down, and sideways
// (every other way), each as a total of absolute areas, with the heights at
// which the up and down faces lie. A roof laid twice over a courtyard, once
// each way, leaves the volume and the closedness as they were, but shows
// here as area facing down above the ground.
struct DirectionAreas {
  double up = 0.0, down = 0.0, side = 0.0;
  double upLow = 1e300, upHigh = -1e300;      // heights of the corners of the up faces
  double downLow = 1e300, downHigh = -1e300;  // ... of the down faces
};

inline DirectionAreas AreasByDirection(const GMMesh& mesh) {
  DirectionAreas out;
  for (const GMMeshFace& face : mesh.Faces()) {
    const GMVector a = FaceAreaVector(mesh, face);
    const double area = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    if (area == 0.0) continue;
    double& low = a.z > 0 ? out.upLow : out.downLow;
    double& high = a.z > 0 ? out.upHigh : out.downHigh;
    if (std::fabs(a.z) >= area * (1.0 - 1e-9)) {
      (a.z > 0 ? out.up : out.down) += area;
      for (int i = 0; i < face.count; ++i) {
        low = std::min(low, mesh.Position(face.indices[i]).z);
        high = std::max(high, mesh.Position(face.indices[i]).z);
      }
    } else {
      out.side += area;
    }
  }
  return out;
}

}  // namespace meshcheck
