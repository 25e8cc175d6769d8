// Boolean steps the scene file reader takes for every shell and pipe: a block
// minus its courtyards, and a round prism minus its bore, with the reader's
// options (cut along drawable edges, then repair). A file of 1,000 shells and
// 1,000 pipes takes 2,000 such steps while the user waits.
// Times are wall-clock; the CPU column is the whole process's, every thread
// that cut face planes included.
#include <benchmark/benchmark.h>

#include <set>
#include <utility>
#include <vector>

#include "geometry/gm_boolean.h"
#include "geometry/gm_mesh_build.h"
#include "geometry/gm_mesh_merge.h"
#include "tests/support/prism_samples.h"

namespace {

using korvex_test::Prism;
using korvex_test::Rect;
using korvex_test::Round;

// A 20 x 12 block, 9 high, minus two courtyards through its whole height,
// one hole at a time as the reader cuts them.
void BM_BlockMinusTwoCourtyards(benchmark::State& state) {
  const GMMeshPtr block = Prism(Rect(0, 0, 20, 12), 0, 9);
  const GMMeshPtr yard1 = Prism(Rect(2, 3, 7, 9), 0, 9);
  const GMMeshPtr yard2 = Prism(Rect(11, 3, 17, 8), 0, 9);
  int faces = 0;
  for (auto _ : state) {
    GMMeshPtr once = BooleanSolids(block.get(), yard1.get(), INK_BOOLEAN_DIFFERENCE, 3, GM_TOLERANCE);
    GMMeshPtr twice = BooleanSolids(once.get(), yard2.get(), INK_BOOLEAN_DIFFERENCE, 3, GM_TOLERANCE);
    faces = twice ? twice->faceCount : 0;
    benchmark::DoNotOptimize(twice);
  }
  state.counters["faces"] = faces;
}
BENCHMARK(BM_BlockMinusTwoCourtyards)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// A 40 x 30 block, 9 high, with a 4 x 4 grid of 5 x 4 courtyards cut one at
// a time, as the reader cuts the holes of a shell; every cut merges the
// coplanar faces of the result, as the reader does.
void BM_BlockMinusSixteenCourtyards(benchmark::State& state) {
  const GMMeshPtr block = Prism(Rect(0, 0, 40, 30), 0, 9);
  std::vector<GMMeshPtr> yards;
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i) yards.push_back(Prism(Rect(2 + 9.5 * i, 2 + 7 * j, 7 + 9.5 * i, 6 + 7 * j), 0, 9));
  int faces = 0;
  for (auto _ : state) {
    GMMeshPtr shell = GMCopyMesh(block.get());
    for (const GMMeshPtr& yard : yards) {
      GMMeshPtr cut = BooleanSolids(shell.get(), yard.get(), INK_BOOLEAN_DIFFERENCE, 3, GM_TOLERANCE);
      if (!cut) break;
      shell = MergeCoplanarFaces(*cut, GM_TOLERANCE);
    }
    faces = shell ? shell->faceCount : 0;
    benchmark::DoNotOptimize(shell);
  }
  state.counters["faces"] = faces;
}
BENCHMARK(BM_BlockMinusSixteenCourtyards)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// The same block with both courtyards cut in one step (B holds two meshes).
void BM_BlockMinusTwoCourtyardsAtOnce(benchmark::State& state) {
  const GMMeshPtr block = Prism(Rect(0, 0, 20, 12), 0, 9);
  const GMMeshPtr yard1 = Prism(Rect(2, 3, 7, 9), 0, 9);
  const GMMeshPtr yard2 = Prism(Rect(11, 3, 17, 8), 0, 9);
  const GMMesh* a[] = {block.get()};
  const GMMesh* b[] = {yard1.get(), yard2.get()};
  for (auto _ : state) {
    GMMeshPtr result = BooleanSolids(a, b, INK_BOOLEAN_DIFFERENCE, 3, GM_TOLERANCE);
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_BlockMinusTwoCourtyardsAtOnce)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// A pipe of the given number of sides: outer radius 0.5, bore 0.4, 6 long.
void BM_PipeBore(benchmark::State& state) {
  const int sides = static_cast<int>(state.range(0));
  const GMMeshPtr outer = Prism(Round(sides, 0.5), 0, 6);
  const GMMeshPtr inner = Prism(Round(sides, 0.4), 0, 6);
  int faces = 0;
  for (auto _ : state) {
    GMMeshPtr pipe = BooleanSolids(outer.get(), inner.get(), INK_BOOLEAN_DIFFERENCE, 3, GM_TOLERANCE);
    faces = pipe ? pipe->faceCount : 0;
    benchmark::DoNotOptimize(pipe);
  }
  state.counters["faces"] = faces;
}
BENCHMARK(BM_PipeBore)->Arg(8)->Arg(16)->Arg(36)->Arg(72)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// Union of two boxes overlapping on every axis, the general case.
void BM_UnionOfOffsetBoxes(benchmark::State& state) {
  const GMMeshPtr a = Prism(Rect(0, 0, 2, 2), 0, 2);
  const GMMeshPtr b = Prism(Rect(1, 1, 3, 3), 1, 3);
  for (auto _ : state) {
    GMMeshPtr result = BooleanSolids(a.get(), b.get(), INK_BOOLEAN_UNION, 3, GM_TOLERANCE);
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_UnionOfOffsetBoxes)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
