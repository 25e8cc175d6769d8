// Assertions on geometry records shared by the kernel's tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "geometry/gm_matrix.h"
#include "geometry/gm_types.h"

inline ::testing::AssertionResult VectorNear(const GMVector& got, const GMVector& want, double eps = 1e-9) {
  if (std::abs(got.x - want.x) <= eps && std::abs(got.y - want.y) <= eps && std::abs(got.z - want.z) <= eps)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got (" << got.x << ", " << got.y << ", " << got.z << "), want ("
                                       << want.x << ", " << want.y << ", " << want.z << ")";
}

inline ::testing::AssertionResult MatrixNear(const GMMatrix& got, const GMMatrix& want, double eps = 1e-9) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (!(std::abs(got.m[i][j] - want.m[i][j]) <= eps))
        return ::testing::AssertionFailure() << "element [" << i << "][" << j << "]: got " << got.m[i][j]
                                             << ", want " << want.m[i][j];
  return ::testing::AssertionSuccess();
}

// Turns v about the unit axis k by theta with Rodrigues' formula: an
// independent reference for the quaternion and matrix rotations.
inline GMVector Rodrigues(const GMVector& v, const GMVector& k, double theta) {
  const double c = std::cos(theta), s = std::sin(theta);
  const double kv = k.x * v.x + k.y * v.y + k.z * v.z;
  const GMVector kxv{k.y * v.z - k.z * v.y, k.z * v.x - k.x * v.z, k.x * v.y - k.y * v.x};
  return {v.x * c + kxv.x * s + k.x * kv * (1 - c), v.y * c + kxv.y * s + k.y * kv * (1 - c),
          v.z * c + kxv.z * s + k.z * kv * (1 - c)};
}

inline constexpr double kPi = std::numbers::pi;

// The point p carried by the matrix m.
inline GMVector Transformed(GMVector p, const GMMatrix& m) {
  GMTransformPoint(p, m);
  return p;
}
