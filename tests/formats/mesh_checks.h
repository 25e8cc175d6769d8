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
#include "tests/support/mesh_invariants.h"

namespace k3dtest {

using meshcheck::SurfaceFault;
using meshcheck::Volume;

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
