#include "analysis/ShadowHours.h"

#include <embree3/rtcore.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <mutex>
#include <thread>

#include "view/SunStudy.h"
#include "view/SunTimes.h"

namespace korvex::analysis {

namespace {

constexpr double kDegrees = M_PI / 180.0;
// Rays start this far along from the plane, so that a face lying exactly in
// the plane does not shade the points on it.
constexpr float kRayStart = 1e-3f;
// Bisections of a minute between a lit and a shaded sample: 1/32 minute.
constexpr int kRefinements = 5;

SolarInput AtClock(SolarInput input, double hours) {
  double seconds = std::round(hours * 3600.0 * 1000.0) / 1000.0;
  const int whole = static_cast<int>(std::floor(seconds / 60.0));
  input.hour = whole / 60;
  input.minute = whole % 60;
  input.second = std::clamp(seconds - whole * 60.0, 0.0, 59.999);
  return input;
}

std::string Clock(double hours) {
  const int minutes = static_cast<int>(std::lround(hours * 60.0));
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60, minutes % 60);
  return text;
}

int WorkerCount() { return std::max(1u, std::thread::hardware_concurrency()); }

// Runs work(index) for indices 0 … count-1 on every core; the calling thread
// takes part and reports progress after each of its items.
bool Parallel(std::size_t count, const std::function<void(std::size_t)>& work,
              const std::function<bool(std::size_t)>& report) {
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> done{0};
  std::atomic<bool> stop{false};
  auto loop = [&](bool reporting) {
    for (;;) {
      if (stop.load()) return;
      const std::size_t item = next.fetch_add(1);
      if (item >= count) return;
      work(item);
      const std::size_t finished = done.fetch_add(1) + 1;
      if (reporting && report && !report(finished)) stop = true;
    }
  };
  std::vector<std::thread> helpers;
  for (int i = 1; i < WorkerCount(); ++i) helpers.emplace_back(loop, false);
  loop(true);
  for (std::thread& helper : helpers) helper.join();
  return !stop.load();
}

}  // namespace

std::string SunWindowProblem(const SunWindow& window) {
  SolarInput noon = window.site;
  noon.hour = 12;
  noon.minute = 0;
  noon.second = 0;
  std::string problem = SolarInputProblem(noon);
  if (!problem.empty()) return problem;
  if (!std::isfinite(window.north)) return "the north angle must be a finite number of radians";
  if (!std::isfinite(window.fromHours) || !std::isfinite(window.toHours) || window.fromHours < 0 ||
      window.toHours > 24)
    return "the time window must lie within 00:00 and 24:00";
  if (window.toHours <= window.fromHours) return "the time window is empty: it must end after it starts";
  const SunPath path(window);
  // The sun's height is greatest at noon; a sun that is down then never rises.
  double noonHours = 12.0;
  if (window.clockTime) {
    const auto position = ComputeSolarPosition(noon);
    if (position) noonHours = position->day.transit;
  }
  if (!path.At(noonHours)) {
    char text[160];
    std::snprintf(text, sizeof text, "the sun does not rise on %04d-%02d-%02d at latitude %.4f (polar night)",
                  window.site.year, window.site.month, window.site.day, window.site.latitude);
    return text;
  }
  for (const double end : {window.fromHours, window.toHours})
    if (!path.At(end))
      return "the time window is outside the day: the sun is below the horizon at " + Clock(end);
  return {};
}

SunPath::SunPath(const SunWindow& window) : window_(window) {
  if (window.clockTime) return;
  // The declination of that date's solar noon; it changes by at most a
  // few hundredths of a degree over the hours of one window.
  SolarInput noon = window.site;
  noon.hour = 12;
  noon.minute = 0;
  noon.second = 0;
  const auto first = ComputeSolarPosition(noon);
  if (!first) return;
  const auto atTransit = ComputeSolarPosition(AtClock(noon, first->day.transit));
  declination_ = atTransit ? atTransit->declination : first->declination;
}

std::optional<GMVector> SunPath::At(double hours) const {
  double altitude = 0, azimuthFromSouth = 0;
  if (window_.clockTime) {
    const auto sample = SampleSun(AtClock(window_.site, hours), window_.north);
    if (!sample) return std::nullopt;
    altitude = sample->viewer.altitude;
    azimuthFromSouth = sample->viewer.azimuthFromSouth;
  } else {
    // True solar time: the hour angle is 15° an hour from noon; the
    // geometric sun, without refraction.
    const double h = 15.0 * (hours - 12.0) * kDegrees;
    const double phi = window_.site.latitude * kDegrees;
    const double delta = declination_ * kDegrees;
    const double sinAltitude = std::sin(phi) * std::sin(delta) + std::cos(phi) * std::cos(delta) * std::cos(h);
    altitude = std::asin(std::clamp(sinAltitude, -1.0, 1.0)) / kDegrees;
    azimuthFromSouth = std::atan2(std::cos(delta) * std::sin(h),
                                  std::sin(phi) * std::cos(delta) * std::cos(h) - std::cos(phi) * std::sin(delta)) /
                       kDegrees;
  }
  if (!(altitude > 0)) return std::nullopt;
  const GMVector v = SunVectorFromAngles(azimuthFromSouth, altitude, window_.north);
  const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return GMVector{v.x / length, v.y / length, v.z / length};
}

std::optional<Grid> MakeGrid(const Area& area, double step, double z, std::string* problem) {
  auto fail = [&](std::string text) {
    if (problem) *problem = std::move(text);
    return std::nullopt;
  };
  if (!std::isfinite(step) || step <= 0) return fail("the grid step must be a positive number");
  if (!std::isfinite(area.x0) || !std::isfinite(area.y0) || !std::isfinite(area.x1) || !std::isfinite(area.y1) ||
      !(area.x1 > area.x0) || !(area.y1 > area.y0))
    return fail("the area is empty: it needs X0 < X1 and Y0 < Y1");
  if (!std::isfinite(z)) return fail("the plane's height must be a finite number");
  const double nx = std::floor((area.x1 - area.x0) / step + 1e-6) + 1;
  const double ny = std::floor((area.y1 - area.y0) / step + 1e-6) + 1;
  if (!(nx * ny <= kMaxGridPoints)) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "the grid would have %.0f points, more than 50 million: take a larger step or a smaller area",
                  nx * ny);
    return fail(text);
  }
  Grid grid;
  grid.area = area;
  grid.step = step;
  grid.z = z;
  grid.nx = static_cast<int>(nx);
  grid.ny = static_cast<int>(ny);
  return grid;
}

RowRange TileRows(int rows, int k, int n) {
  const auto at = [&](int i) { return static_cast<int>(static_cast<long long>(rows) * i / n); };
  return {at(k - 1), at(k)};
}

double QuantiseHours(double hours) {
  char text[64];
  std::snprintf(text, sizeof text, "%.4f", hours);
  return std::strtod(text, nullptr);
}

struct ShadowCaster::Impl {
  RTCDevice device = nullptr;
  RTCScene scene = nullptr;
  GMVector origin{0, 0, 0};  // subtracted from every point: floats keep millimetres far from 0
  ~Impl() {
    if (scene) rtcReleaseScene(scene);
    if (device) rtcReleaseDevice(device);
  }
};

ShadowCaster::ShadowCaster(const TriangleSoup& triangles, const SunWindow& window)
    : impl_(std::make_unique<Impl>()), path_(window) {
  // The moments: a minute apart, or a little less so that the last is the
  // window's end.
  const double span = window.toHours - window.fromHours;
  const int steps = std::max(1, static_cast<int>(std::ceil(span * 60.0 - 1e-9)));
  for (int i = 0; i <= steps; ++i) times_.push_back(window.fromHours + span * i / steps);
  for (const double t : times_) suns_.push_back(path_.At(t));

  if (triangles.Empty()) return;
  GMVector low{INFINITY, INFINITY, INFINITY}, high{-INFINITY, -INFINITY, -INFINITY};
  for (const GMVector& p : triangles.points) {
    low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
  }
  impl_->origin = {(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2};
  impl_->device = rtcNewDevice(nullptr);
  impl_->scene = rtcNewScene(impl_->device);
  rtcSetSceneBuildQuality(impl_->scene, RTC_BUILD_QUALITY_HIGH);
  rtcSetSceneFlags(impl_->scene, RTC_SCENE_FLAG_ROBUST);
  RTCGeometry geometry = rtcNewGeometry(impl_->device, RTC_GEOMETRY_TYPE_TRIANGLE);
  const std::size_t count = triangles.points.size();
  auto* vertices = static_cast<float*>(
      rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), count));
  auto* indices = static_cast<unsigned*>(
      rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(unsigned), count / 3));
  for (std::size_t i = 0; i < count; ++i) {
    const GMVector& p = triangles.points[i];
    vertices[3 * i + 0] = static_cast<float>(p.x - impl_->origin.x);
    vertices[3 * i + 1] = static_cast<float>(p.y - impl_->origin.y);
    vertices[3 * i + 2] = static_cast<float>(p.z - impl_->origin.z);
    indices[i] = static_cast<unsigned>(i);
  }
  rtcCommitGeometry(geometry);
  rtcAttachGeometry(impl_->scene, geometry);
  rtcReleaseGeometry(geometry);
  rtcCommitScene(impl_->scene);
}

ShadowCaster::~ShadowCaster() = default;

GMVector ShadowCaster::Local(double x, double y, double z) const {
  return {x - impl_->origin.x, y - impl_->origin.y, z - impl_->origin.z};
}

bool ShadowCaster::Blocked(const GMVector& p, const GMVector& sun) const {
  if (!impl_->scene) return false;
  RTCIntersectContext context;
  rtcInitIntersectContext(&context);
  RTCRay ray{};
  ray.org_x = static_cast<float>(p.x);
  ray.org_y = static_cast<float>(p.y);
  ray.org_z = static_cast<float>(p.z);
  ray.dir_x = static_cast<float>(sun.x);
  ray.dir_y = static_cast<float>(sun.y);
  ray.dir_z = static_cast<float>(sun.z);
  ray.tnear = kRayStart;
  ray.tfar = std::numeric_limits<float>::infinity();
  ray.mask = 0xFFFFFFFFu;
  rtcOccluded1(impl_->scene, &context, &ray);
  return ray.tfar < 0;
}

bool ShadowCaster::Inside(double x, double y, double z) const {
  if (!impl_->scene) return false;
  // A point inside a closed solid meets its faces an odd number of times
  // along any ray; a point under a canopy or beside a lone wall does so
  // along some rays only. Three rays that all climb (a building may have
  // no floor) vote.
  static const GMVector kDirections[3] = {
      {0.0123, 0.0371, 0.9992}, {0.9312, 0.3107, 0.1906}, {-0.5703, -0.7911, 0.2213}};
  const GMVector p = Local(x, y, z);
  int odd = 0;
  for (const GMVector& d : kDirections) {
    float start = kRayStart;
    int crossings = 0;
    for (int guard = 0; guard < 10000; ++guard) {
      RTCIntersectContext context;
      rtcInitIntersectContext(&context);
      RTCRayHit hit{};
      hit.ray.org_x = static_cast<float>(p.x);
      hit.ray.org_y = static_cast<float>(p.y);
      hit.ray.org_z = static_cast<float>(p.z);
      hit.ray.dir_x = static_cast<float>(d.x);
      hit.ray.dir_y = static_cast<float>(d.y);
      hit.ray.dir_z = static_cast<float>(d.z);
      hit.ray.tnear = start;
      hit.ray.tfar = std::numeric_limits<float>::infinity();
      hit.ray.mask = 0xFFFFFFFFu;
      hit.hit.geomID = RTC_INVALID_GEOMETRY_ID;
      rtcIntersect1(impl_->scene, &context, &hit);
      if (hit.hit.geomID == RTC_INVALID_GEOMETRY_ID) break;
      ++crossings;
      start = std::nextafter(hit.ray.tfar, INFINITY) + 1e-5f;
    }
    odd += crossings % 2;
  }
  return odd >= 2;
}

std::optional<double> ShadowCaster::HoursAt(double x, double y, double z) const {
  if (Inside(x, y, z)) return std::nullopt;
  const GMVector p = Local(x, y, z);
  std::uint64_t rays = 0;
  auto shadedAt = [&](std::size_t i) { return suns_[i] && (++rays, Blocked(p, *suns_[i])); };
  auto shadedWhen = [&](double t) {
    const auto sun = path_.At(t);
    return sun && (++rays, Blocked(p, *sun));
  };
  double total = 0;
  bool before = shadedAt(0);
  for (std::size_t i = 1; i < times_.size(); ++i) {
    const bool now = shadedAt(i);
    const double t0 = times_[i - 1], t1 = times_[i];
    if (before && now) {
      total += t1 - t0;
    } else if (before != now) {
      // The shadow's edge passed the point within this minute: halve the
      // minute until the moment is known to two seconds.
      double lo = t0, hi = t1;
      for (int k = 0; k < kRefinements; ++k) {
        const double mid = (lo + hi) / 2;
        (shadedWhen(mid) == before ? lo : hi) = mid;
      }
      const double edge = (lo + hi) / 2;
      total += before ? edge - t0 : t1 - edge;
    }
    before = now;
  }
  rays_.fetch_add(rays, std::memory_order_relaxed);
  return total;
}

std::optional<std::vector<double>> ShadowCaster::Rows(const Grid& grid, RowRange rows,
                                                      const Progress& progress) const {
  const int count = std::max(0, rows.last - rows.first);
  std::vector<double> hours(static_cast<std::size_t>(count) * static_cast<std::size_t>(grid.nx));
  const std::size_t total = hours.size();
  const bool finished = Parallel(
      static_cast<std::size_t>(count),
      [&](std::size_t r) {
        const int j = rows.first + static_cast<int>(r);
        double* out = hours.data() + r * static_cast<std::size_t>(grid.nx);
        for (int i = 0; i < grid.nx; ++i) {
          const auto h = HoursAt(grid.X(i), grid.Y(j), grid.z);
          out[i] = h ? *h : std::numeric_limits<double>::quiet_NaN();
        }
      },
      [&](std::size_t rowsDone) { return !progress || progress(rowsDone * static_cast<std::size_t>(grid.nx), total); });
  if (!finished) return std::nullopt;
  return hours;
}

std::vector<double> ShadowCaster::AtPoints(std::span<const GMVector> points) const {
  std::vector<double> hours(points.size());
  Parallel(
      points.size(),
      [&](std::size_t i) {
        const auto h = HoursAt(points[i].x, points[i].y, points[i].z);
        hours[i] = h ? *h : std::numeric_limits<double>::quiet_NaN();
      },
      {});
  return hours;
}

std::uint64_t ShadowCaster::RawRays(std::span<const GMVector> points) const {
  std::atomic<std::uint64_t> blocked{0};
  const std::size_t chunk = 256;
  Parallel(
      (points.size() + chunk - 1) / chunk,
      [&](std::size_t c) {
        std::uint64_t mine = 0;
        const std::size_t end = std::min(points.size(), (c + 1) * chunk);
        for (std::size_t i = c * chunk; i < end; ++i) {
          const GMVector p = Local(points[i].x, points[i].y, points[i].z);
          for (const auto& sun : suns_)
            if (sun && Blocked(p, *sun)) ++mine;
        }
        blocked += mine;
      },
      {});
  return blocked.load();
}

}  // namespace korvex::analysis
