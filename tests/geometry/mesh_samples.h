// Meshes to test the mesh operations on, and the properties a closed,
// outward surface must have, measured independently of the code under test.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "geometry/gm_mesh.h"
#include "geometry/gm_mesh_make.h"
#include "geometry/gm_polygon.h"
#include "tests/support/mesh_invariants.h"

namespace meshtest {

using meshcheck::EulerCharacteristic;
using meshcheck::SurfaceFault;
using meshcheck::Volume;

inline std::vector<int> Loop(const GMMesh& mesh, int face) {
  const auto indices = mesh.faces[face].Indices();
  return {indices.begin(), indices.end()};
}

inline GMPolygon Ring(std::initializer_list<GMVector> points) { return GMPolygon{std::vector<GMVector>(points)}; }

// The sides of the box [0,sx]x[0,sy]x[0,sz], each split into n by n quads
// (or two triangles each), counter-clockwise seen from outside.
inline std::vector<GMPolygon> SplitBoxPolygons(double sx, double sy, double sz, int n, bool triangles = false) {
  struct Side {
    GMVector o, u, v;  // u x v points outwards
  };
  const Side sides[6] = {
      {{0, 0, 0}, {0, sy, 0}, {sx, 0, 0}},   {{0, 0, sz}, {sx, 0, 0}, {0, sy, 0}},
      {{0, 0, 0}, {sx, 0, 0}, {0, 0, sz}},   {{0, sy, 0}, {0, 0, sz}, {sx, 0, 0}},
      {{0, 0, 0}, {0, 0, sz}, {0, sy, 0}},   {{sx, 0, 0}, {0, sy, 0}, {0, 0, sz}},
  };
  std::vector<GMPolygon> out;
  for (const Side& s : sides) {
    auto at = [&](int i, int j) {
      const double a = static_cast<double>(i) / n, b = static_cast<double>(j) / n;
      return GMVector{s.o.x + a * s.u.x + b * s.v.x, s.o.y + a * s.u.y + b * s.v.y, s.o.z + a * s.u.z + b * s.v.z};
    };
    for (int i = 0; i < n; ++i) {
      for (int j = 0; j < n; ++j) {
        if (triangles) {
          out.push_back(Ring({at(i, j), at(i + 1, j), at(i + 1, j + 1)}));
          out.push_back(Ring({at(i, j), at(i + 1, j + 1), at(i, j + 1)}));
        } else {
          out.push_back(Ring({at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)}));
        }
      }
    }
  }
  return out;
}

inline GMMeshPtr SplitBox(double sx, double sy, double sz, int n, bool triangles = false) {
  return GMMakeMeshFromPolygons(SplitBoxPolygons(sx, sy, sz, n, triangles), GM_TOLERANCE);
}

// Moves every vertex by up to `amount` on each axis, so that no two faces
// stay coplanar and every face angle differs.
inline void Jitter(GMMesh& mesh, double amount, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> delta(-amount, amount);
  for (int v = 0; v < mesh.vertexCount; ++v) {
    GMVector& p = mesh.Position(v);
    p = {p.x + delta(random), p.y + delta(random), p.z + delta(random)};
  }
}

}  // namespace meshtest
