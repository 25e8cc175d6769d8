// The daylight regulation study at city scale: a 200 m × 200 m measurement
// plane at 0.5 m (160,801 points), 08:00 to 16:00 true solar time on the
// winter solstice, amid a district of 100,000 triangles. Beside it, the raw
// figure it is measured by: the same scene casting one Embree occlusion ray
// per point per sampled minute and nothing else.
//
// Both run on every core: the time is wall-clock time, the CPU time that of
// every thread of the process (on a busy machine, half of it is what two
// idle cores would take).
#include <benchmark/benchmark.h>

#include <cmath>

#include "analysis/ShadowHours.h"

namespace {

using namespace korvex;
using namespace korvex::analysis;

constexpr std::size_t kTriangles = 100000;

// Blocks of buildings on a 28 m street grid, 6 to 57 m tall, their walls
// drawn as 3 m panels (as facade models come), until the district holds
// 100,000 triangles. The middle 200 m square is the measurement area.
TriangleSoup District() {
  TriangleSoup soup;
  auto panel = [&](GMVector a, GMVector b, double z0, double z1) {
    soup.Add({a.x, a.y, z0}, {b.x, b.y, z0}, {b.x, b.y, z1});
    soup.Add({a.x, a.y, z0}, {b.x, b.y, z1}, {a.x, a.y, z1});
  };
  for (int n = 0; soup.Count() < kTriangles; ++n) {
    // Spiral outwards from the centre so the district surrounds the area.
    const int ring = static_cast<int>(std::floor((std::sqrt(n) + 1) / 2));
    const int side = 2 * ring + 1;
    const int k = n - (side - 2) * (side - 2);
    int gx = 0, gy = 0;
    if (ring > 0) {
      const int edge = k / (side - 1), along = k % (side - 1);
      switch (edge) {
        case 0: gx = ring; gy = -ring + 1 + along; break;
        case 1: gx = ring - 1 - along; gy = ring; break;
        case 2: gx = -ring; gy = ring - 1 - along; break;
        default: gx = -ring + 1 + along; gy = -ring; break;
      }
    }
    const double x0 = gx * 28.0 - 8, y0 = gy * 28.0 - 6, w = 16, d = 12;
    const double tall = 6 + (n * 37 % 18) * 3;
    const GMVector c[4] = {{x0, y0, 0}, {x0 + w, y0, 0}, {x0 + w, y0 + d, 0}, {x0, y0 + d, 0}};
    for (int e = 0; e < 4; ++e) {
      const GMVector a = c[e], b = c[(e + 1) % 4];
      const int parts = static_cast<int>(std::hypot(b.x - a.x, b.y - a.y) / 3);
      for (int p = 0; p < parts; ++p) {
        const GMVector pa{a.x + (b.x - a.x) * p / parts, a.y + (b.y - a.y) * p / parts, 0};
        const GMVector pb{a.x + (b.x - a.x) * (p + 1) / parts, a.y + (b.y - a.y) * (p + 1) / parts, 0};
        for (double z = 0; z < tall; z += 3) panel(pa, pb, z, z + 3);
      }
    }
    soup.Add({x0, y0, tall}, {x0 + w, y0, tall}, {x0 + w, y0 + d, tall});
    soup.Add({x0, y0, tall}, {x0 + w, y0 + d, tall}, {x0, y0 + d, tall});
  }
  soup.points.resize(kTriangles * 3);
  return soup;
}

SunWindow Solstice() {
  SunWindow window;
  window.site.year = 2026;
  window.site.month = 12;
  window.site.day = 22;
  window.site.latitude = 35.68;
  window.site.longitude = 139.77;
  window.site.utcOffsetHours = 9;
  return window;
}

const TriangleSoup& Scene() {
  static const TriangleSoup scene = District();
  return scene;
}

Grid Plane() { return *MakeGrid({-100, -100, 100, 100}, 0.5, 4.0, nullptr); }

// The whole analysis: the ray structure built, every point's hours to the
// minute, points inside buildings found and left without a value.
void BM_ShadowHoursGrid(benchmark::State& state) {
  const Grid grid = Plane();
  std::size_t inside = 0;
  std::uint64_t rays = 0;
  for (auto _ : state) {
    const ShadowCaster caster(Scene(), Solstice());
    const auto hours = caster.Rows(grid, {0, grid.ny});
    inside = static_cast<std::size_t>(std::count_if(hours->begin(), hours->end(), [](double h) { return std::isnan(h); }));
    rays = caster.RaysCast();
    benchmark::DoNotOptimize(hours->data());
  }
  state.counters["points"] = static_cast<double>(grid.Points());
  state.counters["inside"] = static_cast<double>(inside);
  state.counters["triangles"] = static_cast<double>(Scene().Count());
  state.counters["sunRays"] = static_cast<double>(rays);
}
BENCHMARK(BM_ShadowHoursGrid)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();

// The raw figure: one occlusion ray per point per sampled minute on the same
// scene, built beforehand.
void BM_RawOcclusionRays(benchmark::State& state) {
  const Grid grid = Plane();
  std::vector<GMVector> points;
  points.reserve(grid.Points());
  for (int j = 0; j < grid.ny; ++j)
    for (int i = 0; i < grid.nx; ++i) points.push_back({grid.X(i), grid.Y(j), grid.z});
  const ShadowCaster caster(Scene(), Solstice());
  std::uint64_t blocked = 0;
  for (auto _ : state) blocked = caster.RawRays(points);
  benchmark::DoNotOptimize(blocked);
  state.counters["rays"] = static_cast<double>(points.size() * caster.Times().size());
  state.counters["blocked"] = static_cast<double>(blocked);
}
BENCHMARK(BM_RawOcclusionRays)->Unit(benchmark::kSecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
