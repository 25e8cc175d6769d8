// Mesh building and repair on meshes of about 100,000 faces: finalising the
// edge table, orienting, cleaning (closed, holed and with loose fins),
// sharing vertices between polygons and merging coplanar faces.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "geometry/gm_mesh_build.h"
#include "geometry/gm_mesh_make.h"
#include "geometry/gm_mesh_merge.h"
#include "geometry/gm_mesh_repair.h"

namespace {

// The sides of the box [0,40]x[0,30]x[0,20], each split into n by n quads:
// 6 n² faces, 101,400 for n = 130.
std::vector<GMPolygon> SplitBox(int n) {
  struct Side {
    GMVector o, u, v;  // u x v points outwards
  };
  const Side sides[6] = {
      {{0, 0, 0}, {0, 30, 0}, {40, 0, 0}},   {{0, 0, 20}, {40, 0, 0}, {0, 30, 0}},
      {{0, 0, 0}, {40, 0, 0}, {0, 0, 20}},   {{0, 30, 0}, {0, 0, 20}, {40, 0, 0}},
      {{0, 0, 0}, {0, 0, 20}, {0, 30, 0}},   {{40, 0, 0}, {0, 30, 0}, {0, 0, 20}},
  };
  std::vector<GMPolygon> out;
  out.reserve(static_cast<size_t>(6 * n * n));
  for (const Side& s : sides) {
    auto at = [&](int i, int j) {
      const double a = static_cast<double>(i) / n, b = static_cast<double>(j) / n;
      return GMVector{s.o.x + a * s.u.x + b * s.v.x, s.o.y + a * s.u.y + b * s.v.y, s.o.z + a * s.u.z + b * s.v.z};
    };
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j)
        out.push_back(GMPolygon{{at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)}});
  }
  return out;
}

constexpr int kSplit = 130;

const GMMesh& FlatBox() {
  static const GMMeshPtr mesh = GMMakeMeshFromPolygons(SplitBox(kSplit), GM_TOLERANCE);
  return *mesh;
}

// The same surface with every vertex moved a little: no two faces coplanar,
// so every edge stays in the table.
const GMMesh& BumpyBox() {
  static const GMMeshPtr mesh = [] {
    GMMeshPtr m = GMCopyMesh(&FlatBox());
    std::mt19937 random(3);
    std::uniform_real_distribution<double> delta(-0.02, 0.02);
    for (int v = 0; v < m->vertexCount; ++v) {
      GMVector& p = m->Position(v);
      p = {p.x + delta(random), p.y + delta(random), p.z + delta(random)};
    }
    return m;
  }();
  return *mesh;
}

void RunOnCopies(benchmark::State& state, const GMMesh& source, int (*operation)(GMMesh&)) {
  for (auto _ : state) {
    state.PauseTiming();
    GMMeshPtr mesh = GMCopyMesh(&source);
    state.ResumeTiming();
    benchmark::DoNotOptimize(operation(*mesh));
    state.PauseTiming();
    mesh.reset();
    state.ResumeTiming();
  }
  state.counters["faces"] = source.faceCount;
}

void BM_FinaliseMeshEdges_Flat(benchmark::State& state) {
  RunOnCopies(state, FlatBox(), [](GMMesh& m) { return FinaliseMeshEdges(m, 0.0, GM_TOLERANCE); });
}
BENCHMARK(BM_FinaliseMeshEdges_Flat)->Unit(benchmark::kMillisecond);

void BM_FinaliseMeshEdges_Bumpy(benchmark::State& state) {
  RunOnCopies(state, BumpyBox(), [](GMMesh& m) { return FinaliseMeshEdges(m, 0.0, GM_TOLERANCE); });
}
BENCHMARK(BM_FinaliseMeshEdges_Bumpy)->Unit(benchmark::kMillisecond);

void BM_CleanMesh_Closed(benchmark::State& state) {
  RunOnCopies(state, BumpyBox(), [](GMMesh& m) { return CleanMesh(m, 0.0, GM_TOLERANCE); });
}
BENCHMARK(BM_CleanMesh_Closed)->Unit(benchmark::kMillisecond);

// 200 faces missing all over the surface: every stage up to the caps runs.
void BM_CleanMesh_Holes(benchmark::State& state) {
  static const GMMeshPtr holed = [] {
    std::vector<int> drop;
    for (int f = 0; f < BumpyBox().faceCount; f += 503) drop.push_back(f);
    return RemoveMeshFaces(BumpyBox(), drop);
  }();
  RunOnCopies(state, *holed, [](GMMesh& m) { return CleanMesh(m, 0.0, GM_TOLERANCE); });
}
BENCHMARK(BM_CleanMesh_Holes)->Unit(benchmark::kMillisecond);

// Fins that no cap can close: the mesh is peeled down to the box.
void BM_CleanMesh_Peel(benchmark::State& state) {
  static const GMMeshPtr finned = [] {
    std::vector<GMPolygon> polygons = SplitBox(kSplit);
    for (int k = 0; k < 100; ++k) {
      const double x = 40.0 * k / kSplit, w = 40.0 / kSplit;
      for (int level = 0; level < 3; ++level)
        polygons.push_back(GMPolygon{{{x, -level * 1.0, 20.0 + level}, {x + w, -level * 1.0, 20.0 + level},
                                      {x + w, -level - 1.0, 21.0 + level}, {x, -level - 1.0, 21.0 + level}}});
    }
    return GMMakeMeshFromPolygons(polygons, GM_TOLERANCE);
  }();
  RunOnCopies(state, *finned, [](GMMesh& m) { return CleanMesh(m, 0.0, GM_TOLERANCE); });
}
BENCHMARK(BM_CleanMesh_Peel)->Unit(benchmark::kMillisecond);

void BM_OrientMeshFaces(benchmark::State& state) {
  static const GMMeshPtr scrambled = [] {
    GMMeshPtr m = GMCopyMesh(&BumpyBox());
    for (int f = 0; f < m->faceCount; f += 3) ReverseMeshFace(*m, f);
    return m;
  }();
  RunOnCopies(state, *scrambled, [](GMMesh& m) { return OrientMeshFaces(m, 1); });
}
BENCHMARK(BM_OrientMeshFaces)->Unit(benchmark::kMillisecond);

void BM_MakeMeshFromPolygons(benchmark::State& state) {
  const std::vector<GMPolygon> polygons = SplitBox(kSplit);
  for (auto _ : state) benchmark::DoNotOptimize(GMMakeMeshFromPolygons(polygons, GM_TOLERANCE));
  state.counters["faces"] = static_cast<double>(polygons.size());
}
BENCHMARK(BM_MakeMeshFromPolygons)->Unit(benchmark::kMillisecond);

// Every side of the box merges back into one face; the pieces grow to the
// whole side, so this is measured on smaller splits.
void BM_MergeCoplanarFaces(benchmark::State& state) {
  const GMMeshPtr mesh = GMMakeMeshFromPolygons(SplitBox(static_cast<int>(state.range(0))), GM_TOLERANCE);
  for (auto _ : state) benchmark::DoNotOptimize(MergeCoplanarFaces(*mesh, GM_TOLERANCE));
  state.counters["faces"] = mesh->faceCount;
}
BENCHMARK(BM_MergeCoplanarFaces)->Arg(10)->Arg(20)->Arg(40)->Unit(benchmark::kMillisecond);

}  // namespace
