// Polygon and polygon-set records.
//
// A polygon is a ring of vertices, implicitly closed (the last vertex joins
// vertex 0, which is not repeated), counter-clockwise about its normal. The
// kernel hands out new records through std::unique_ptr: a null pointer means
// "none", and the caller owns what it gets.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "geometry/gm_types.h"

struct GMPolygon {
  std::vector<GMVector> points;

  int Count() const { return static_cast<int>(points.size()); }
  GMVector& operator[](int i) { return points[static_cast<size_t>(i)]; }
  const GMVector& operator[](int i) const { return points[static_cast<size_t>(i)]; }
};

struct GMPolygonSet {
  std::vector<GMPolygon> polygons;

  int Count() const { return static_cast<int>(polygons.size()); }
  GMPolygon& operator[](int i) { return polygons[static_cast<size_t>(i)]; }
  const GMPolygon& operator[](int i) const { return polygons[static_cast<size_t>(i)]; }
};

using GMPolygonPtr = std::unique_ptr<GMPolygon>;
using GMPolygonSetPtr = std::unique_ptr<GMPolygonSet>;

// Null for fewer than 3 points; else a polygon holding a copy of them.
GMPolygonPtr GMNewPolygon(std::span<const GMVector> points);
GMPolygonPtr GMCopyPolygon(const GMPolygon* polygon);
GMPolygonSetPtr GMCopyPolygonSet(const GMPolygonSet* set);
inline void GMFreePolygon(GMPolygonPtr& polygon) { polygon.reset(); }
inline void GMFreePolygonSet(GMPolygonSetPtr& set) { set.reset(); }

// --- comparisons and searches ---------------------------------------------
int GMFindVertex(const GMVector& p, const GMPolygon& polygon, double tol);
int GMIsSamePolygon(const GMPolygon& a, const GMPolygon& b, double tol);
int GMIsSamePolygonEitherWay(const GMPolygon& a, const GMPolygon& b, double tol);
