// Duplicate rejection in point lists: mesh building pushes millions of vertices
// through lists that refuse a point equal (within the tolerance) to a listed one.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "geometry/gm_lists.h"

namespace {

// n points of a site model's extent, 30 % of them repeats of earlier points
// moved by less than the tolerance on each axis.
std::vector<GMVector> SiteVertices(int n) {
  std::mt19937_64 rng(42);
  std::uniform_real_distribution<double> coord(-500.0, 500.0);
  std::uniform_real_distribution<double> jitter(-0.5 * GM_TOLERANCE, 0.5 * GM_TOLERANCE);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<GMVector> points;
  points.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    if (i > 0 && unit(rng) < 0.3) {
      GMVector p = points[std::uniform_int_distribution<size_t>(0, points.size() - 1)(rng)];
      p.x += jitter(rng);
      p.y += jitter(rng);
      p.z += jitter(rng);
      points.push_back(p);
    } else {
      points.push_back({coord(rng), coord(rng), coord(rng) * 0.1});
    }
  }
  return points;
}

void BM_PointListUniqueInsert(benchmark::State& state) {
  const std::vector<GMVector> points = SiteVertices(static_cast<int>(state.range(0)));
  int kept = 0;
  for (auto _ : state) {
    CGMPointList list;
    list.SetTolerance(GM_LIST_UNIQUE, GM_TOLERANCE);
    for (const GMVector& p : points) list.AddPoint(p);
    kept = list.GetCount();
    benchmark::DoNotOptimize(kept);
  }
  state.counters["kept"] = kept;
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PointListUniqueInsert)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_PlainListSequentialWalk(benchmark::State& state) {
  std::vector<int> values(static_cast<size_t>(state.range(0)));
  CPlainList list;
  for (auto& v : values) list.Add(&v);
  for (auto _ : state) {
    for (int i = 0; i < list.GetCount(); ++i) benchmark::DoNotOptimize(list.GetAt(i));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PlainListSequentialWalk)->Arg(100000);

}  // namespace
