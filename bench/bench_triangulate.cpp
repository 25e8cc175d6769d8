// Triangulation of building faces, as run for every face when display lists
// and shadow volumes are built.
#include <benchmark/benchmark.h>

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

}  // namespace

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
