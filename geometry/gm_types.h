// Value records and constants of the geometry kernel.
//
// Everything here is plain double precision data passed by value. Matrices are
// row-major for row vectors: a point is the row [x y z 1] multiplied on the
// left, and the translation sits in row 3. That memory order is the one the
// fixed-function pipeline loads directly.
#pragma once

#include <cfloat>
#include <cstdint>

// "No result": a vector whose components are all this value, or such a scalar.
// Callers test only the x component (or the scalar) for exact equality.
inline constexpr double GM_UNDEFINED = DBL_MAX;

// The tolerance every caller in the program passes to the geometric tests.
inline constexpr double GM_TOLERANCE = 1e-7;

// No coordinate of a real site comes near this, in any unit: a point beyond
// it is a fault of the file it came from.
inline constexpr double GM_GARBAGE_COORDINATE = 1e12;

struct GMVector {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
  friend bool operator==(const GMVector&, const GMVector&) = default;
};

struct GMSegment {
  GMVector start;
  GMVector end;
  friend bool operator==(const GMSegment&, const GMSegment&) = default;
};

struct GMBox {
  double minX = 0.0, minY = 0.0, minZ = 0.0;
  double maxX = 0.0, maxY = 0.0, maxZ = 0.0;
  // Grows the box to take in p; a coordinate that is no number leaves its
  // axis as it was.
  void Extend(const GMVector& p) {
    if (p.x < minX) minX = p.x;
    if (p.y < minY) minY = p.y;
    if (p.z < minZ) minZ = p.z;
    if (maxX < p.x) maxX = p.x;
    if (maxY < p.y) maxY = p.y;
    if (maxZ < p.z) maxZ = p.z;
  }
  friend bool operator==(const GMBox&, const GMBox&) = default;
};

// The plane nx·x + ny·y + nz·z + d = 0.
struct GMPlane {
  double nx = 0.0, ny = 0.0, nz = 0.0, d = 0.0;
  friend bool operator==(const GMPlane&, const GMPlane&) = default;
};

// Homogeneous transform for row vectors, element m[row][column].
struct GMMatrix {
  double m[4][4] = {};
  friend bool operator==(const GMMatrix&, const GMMatrix&) = default;
};

// Which two coordinates form the 2D image of a 3D point (0..5):
// 0 (y,z)  1 (z,y)  2 (z,x)  3 (x,z)  4 (x,y)  5 (y,x).
using GMProjectionAxis = int;

static_assert(sizeof(GMVector) == 24);
static_assert(sizeof(GMSegment) == 48);
static_assert(sizeof(GMMatrix) == 128);

// The undefined vector, and the test callers use for it.
inline constexpr GMVector GMUndefinedVector() { return {GM_UNDEFINED, GM_UNDEFINED, GM_UNDEFINED}; }
inline void GMSetUndefined(GMVector& v) { v = GMUndefinedVector(); }
inline constexpr bool GMIsUndefined(const GMVector& v) { return v.x == GM_UNDEFINED; }
