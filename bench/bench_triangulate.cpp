// Triangulation of building faces, as run for every face when display lists
// and shadow volumes are built.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "../tests/geometry/polygon_samples.h"
#include "../tests/geometry/triangulate_reference.h"
#include "geometry/gm_triangulate.h"

namespace {

const std::vector<GMPolygon>& Faces() {
  static const std::vector<GMPolygon> faces = [] {
    std::mt19937 rng(11);
    return samples::BuildingFaces(rng, 10000, 40);
  }();
  return faces;
}

const GMPolygon& LargeRing() {
  static const GMPolygon ring = [] {
    std::mt19937 rng(13);
    return samples::StarRing(rng, 1000, true, 50.0);
  }();
  return ring;
}

template <GMPolygonSetPtr (*Triangulate)(const GMPolygon&, double)>
void BM_BuildingFaces(benchmark::State& state) {
  const std::vector<GMPolygon>& faces = Faces();
  const size_t count = static_cast<size_t>(state.range(0));
  size_t triangles = 0;
  for (auto _ : state) {
    triangles = 0;
    for (size_t i = 0; i < count; ++i) {
      GMPolygonSetPtr set = Triangulate(faces[i], GM_TOLERANCE);
      triangles += set ? set->polygons.size() : 0;
      benchmark::DoNotOptimize(set);
    }
  }
  state.counters["faces"] = static_cast<double>(count);
  state.counters["triangles"] = static_cast<double>(triangles);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count));
}

template <GMPolygonSetPtr (*Triangulate)(const GMPolygon&, double)>
void BM_ConcaveRing1000(benchmark::State& state) {
  const GMPolygon& ring = LargeRing();
  size_t triangles = 0;
  for (auto _ : state) {
    GMPolygonSetPtr set = Triangulate(ring, GM_TOLERANCE);
    triangles = set ? set->polygons.size() : 0;
    benchmark::DoNotOptimize(set);
  }
  state.counters["triangles"] = static_cast<double>(triangles);
}

template <GMPolygonSetPtr (*Triangulate)(const GMPolygon&, double)>
void BM_SurveyedOutline(benchmark::State& state) {
  const GMPolygon ring = samples::SurveyedOutline(static_cast<int>(state.range(0)));
  size_t triangles = 0;
  for (auto _ : state) {
    GMPolygonSetPtr set = Triangulate(ring, GM_TOLERANCE);
    triangles = set ? set->polygons.size() : 0;
    benchmark::DoNotOptimize(set);
  }
  state.counters["vertices"] = static_cast<double>(ring.Count());
  state.counters["triangles"] = static_cast<double>(triangles);
}

// Faces the clipper cannot finish within its budget: a surveyed outline made
// untidy by one vertex a hair beside another (not plain, so no local test
// from the start), and random points, a tangled self-crossing ring.
GMPolygon UntidyOutline(int n) {
  GMPolygon ring = samples::SurveyedOutline(n);
  GMVector twin = ring.points[5];
  twin.x += 3e-7;
  ring.points.insert(ring.points.begin() + 6, twin);
  return ring;
}

GMPolygon Tangled(int n) {
  std::mt19937 rng(5);
  return samples::TangledRing(rng, n);
}

template <GMPolygon (*Make)(int)>
void BM_Face(benchmark::State& state) {
  const GMPolygon ring = Make(static_cast<int>(state.range(0)));
  size_t triangles = 0;
  for (auto _ : state) {
    GMPolygonSetPtr set = GMTriangulate(ring, GM_TOLERANCE);
    triangles = set ? set->polygons.size() : 0;
    benchmark::DoNotOptimize(set);
  }
  state.counters["vertices"] = static_cast<double>(ring.Count());
  state.counters["triangles"] = static_cast<double>(triangles);
}

}  // namespace

// A tangled face took cubic time (2,000 points a minute); bounded, one of
// 100,000 points must also stay under a second.
BENCHMARK(BM_Face<Tangled>)->Name("Triangulate/TangledFace")->Arg(2000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Face<UntidyOutline>)
    ->Name("Triangulate/UntidyOutline")
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
// One face of 100,000 vertices, a 3 MB OBJ, must take well under a second.
BENCHMARK(BM_SurveyedOutline<GMTriangulate>)
    ->Name("Triangulate/SurveyedOutline")
    ->Arg(2000)
    ->Arg(5000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
// The ring-by-ring clipper for comparison, on an outline small enough that
// it finishes within its budget of work.
BENCHMARK(BM_SurveyedOutline<gm_detail::TriangulateRingByRing>)
    ->Name("TriangulateRingByRing/SurveyedOutline")
    ->Arg(2000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildingFaces<GMTriangulate>)->Name("Triangulate/BuildingFaces")->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConcaveRing1000<GMTriangulate>)->Name("Triangulate/ConcaveRing1000")->Unit(benchmark::kMillisecond);
// The point-list version for comparison, on a tenth of the faces.
BENCHMARK(BM_BuildingFaces<gm_detail::TriangulateByPointList>)
    ->Name("TriangulateByPointList/BuildingFaces")
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConcaveRing1000<gm_detail::TriangulateByPointList>)
    ->Name("TriangulateByPointList/ConcaveRing1000")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
