// Shadow hours on a measurement plane: for every point of a grid, how long
// between two moments of one day the sun is hidden from it by the model.
// This is what a planner draws for a building permit in Japan: the
// equal-time shadow map (等時間日影図) of the winter solstice, and the
// longest shading beyond 5 m and 10 m from the site boundary.
//
// Rays go to Embree; the sun comes from the solar-position code; the faces
// that cast follow the viewer's shadow rules (analysis/SceneCasters.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "geometry/gm_types.h"
#include "view/SolarPosition.h"

namespace korvex::analysis {

// Triangles in model coordinates, three points each.
struct TriangleSoup {
  std::vector<GMVector> points;  // 3 × triangle count
  std::size_t Count() const { return points.size() / 3; }
  bool Empty() const { return points.empty(); }
  void Add(const GMVector& a, const GMVector& b, const GMVector& c) {
    points.push_back(a);
    points.push_back(b);
    points.push_back(c);
  }
};

struct Area {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// The day, the place and the time window.
struct SunWindow {
  SolarInput site;              // date, latitude, longitude, UTC offset
  bool clockTime = false;       // false: true solar time with the geometric sun
  double fromHours = 8.0;       // 0 … 24
  double toHours = 16.0;        // 0 … 24, after fromHours
  double north = 0.0;           // radians, as the viewer's north angle
};

// Why a window cannot be used: a bad date or place, an empty window or one
// outside 00:00 … 24:00, a polar night, a sun that is down at either end of
// the window. Empty when it can.
std::string SunWindowProblem(const SunWindow& window);

// The sun through a window: unit vectors from the ground towards the sun in
// model coordinates (+y north when north is 0), or nothing when the sun is
// at or below the horizon at that moment.
class SunPath {
 public:
  explicit SunPath(const SunWindow& window);
  std::optional<GMVector> At(double hours) const;
  // The declination used in true solar time, degrees.
  double Declination() const { return declination_; }

 private:
  SunWindow window_;
  double declination_ = 0.0;
};

// The grid of the measurement plane: points x0 + i·step, y0 + j·step up to
// and including x1, y1 (within a millionth of a step).
struct Grid {
  Area area;
  double step = 1.0;
  double z = 0.0;  // the plane's height in model coordinates
  int nx = 0, ny = 0;
  std::size_t Points() const { return static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny); }
  double X(int i) const { return area.x0 + i * step; }
  double Y(int j) const { return area.y0 + j * step; }
};

// Most grid points one run takes.
inline constexpr double kMaxGridPoints = 50e6;

// The grid of an area at a step; the problem (a step that is not positive,
// an empty area, too many points) in `problem`.
std::optional<Grid> MakeGrid(const Area& area, double step, double z, std::string* problem);

// Rows [first, last) of the K-th of N strips (K from 1).
struct RowRange {
  int first = 0, last = 0;
};
RowRange TileRows(int rows, int k, int n);

// Cancels or reports progress: called now and then from the calling thread
// with the points done so far; returning false stops the work.
using Progress = std::function<bool(std::size_t done, std::size_t total)>;

// The model's faces ready for rays, with the sun's path through the window.
class ShadowCaster {
 public:
  ShadowCaster(const TriangleSoup& triangles, const SunWindow& window);
  ~ShadowCaster();
  ShadowCaster(const ShadowCaster&) = delete;
  ShadowCaster& operator=(const ShadowCaster&) = delete;

  // Hours the point is shaded within the window, to better than a minute;
  // nothing for a point inside a closed solid.
  std::optional<double> HoursAt(double x, double y, double z) const;
  bool Inside(double x, double y, double z) const;

  // Hours at every point of rows [rows.first, rows.last) of the grid, row by
  // row, on every core; NaN for points inside solids. Nothing when stopped.
  std::optional<std::vector<double>> Rows(const Grid& grid, RowRange rows, const Progress& progress = {}) const;

  // Hours at any points, in order (NaN inside solids), on every core.
  std::vector<double> AtPoints(std::span<const GMVector> points) const;

  // The moments sampled: one a minute (or a little less, so the last lands
  // on the window's end).
  const std::vector<double>& Times() const { return times_; }
  // Occlusion rays cast so far, for the benchmarks.
  std::uint64_t RaysCast() const { return rays_.load(); }
  // The raw cost the analysis is compared with: one occlusion ray per point
  // per sampled moment, nothing else.
  std::uint64_t RawRays(std::span<const GMVector> points) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::vector<double> times_;
  std::vector<std::optional<GMVector>> suns_;  // unit, model frame, per time
  SunPath path_;
  mutable std::atomic<std::uint64_t> rays_{0};

  bool Blocked(const GMVector& localPoint, const GMVector& sun) const;
  GMVector Local(double x, double y, double z) const;
};

// The hours written to files keep four decimals (a third of a second); the
// single run and the merge of tiles use exactly the written values.
double QuantiseHours(double hours);

}  // namespace korvex::analysis
