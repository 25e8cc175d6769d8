// The lines of a shadow study on the measurement plane: the equal-time
// lines of the hours grid, the outline of the shadow at a moment, and the
// regulated lines at fixed distances outside the site boundary.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/ShadowHours.h"

namespace korvex::analysis {

struct Point2 {
  double x = 0, y = 0;
  friend bool operator==(const Point2&, const Point2&) = default;
};
using Polyline = std::vector<Point2>;  // a closed one repeats its first point

// The lines where the hours cross `level`, by marching squares over the
// grid's cells; a cell with a point inside a solid (NaN) has none. Lines
// are joined across cells; the order is fixed by the grid.
std::vector<Polyline> EqualTimeLines(const Grid& grid, std::span<const double> hours, double level);

// A polygon: its outer ring, then its holes; rings closed.
struct Ring2Set {
  std::vector<Polyline> rings;
};

// The shadow that the triangles throw on the plane z = grid.z with the sun
// in direction `sun` (unit, towards the sun), clipped to the grid's area:
// the union of every face's shadow, the parts of faces below the plane
// casting none. Polygons in a fixed order.
std::vector<Ring2Set> ShadowOutline(const TriangleSoup& triangles, const GMVector& sun, const Grid& grid);

// The site boundary: at least three points, a ring that does not cross
// itself. The problem in `problem` otherwise.
bool CheckSite(std::span<const Point2> site, std::string* problem);

// The line at `distance` outside the site, with rounded corners, as one
// closed ring.
Polyline OffsetLine(std::span<const Point2> site, double distance);

// Points along a closed line no farther apart than `spacing`, its corners
// among them.
std::vector<Point2> PointsAlong(const Polyline& line, double spacing);

}  // namespace korvex::analysis
