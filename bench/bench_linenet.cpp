// Cell extraction of line networks of about 10,000 segments, the size of the
// section lines of a large building cut in one plane.
#include <benchmark/benchmark.h>

#include <vector>

#include "geometry/gm_linenet.h"

namespace {

// A square grid of cols x cols unit cells, optionally with one diagonal per
// cell, fed row by row as a cutter would produce it.
std::vector<GMSegment> Grid(int cols, bool diagonals) {
  std::vector<GMSegment> lines;
  for (int y = 0; y <= cols; ++y)
    for (int x = 0; x <= cols; ++x) {
      const GMVector p{double(x), double(y), 0.0};
      if (x < cols) lines.push_back({p, {x + 1.0, double(y), 0.0}});
      if (y < cols) lines.push_back({p, {double(x), y + 1.0, 0.0}});
      if (diagonals && x < cols && y < cols) lines.push_back({p, {x + 1.0, y + 1.0, 0.0}});
    }
  return lines;
}

void ExtractCells(benchmark::State& state, const std::vector<GMSegment>& lines) {
  size_t cells = 0;
  for (auto _ : state) {
    CLineNet net;
    net.InitNetwork(GM_TOLERANCE);
    for (const GMSegment& s : lines) net.AddLineToNetwork(s.start, s.end);
    GMPolygonSetPtr faces = net.GetFaces(1);
    cells = faces ? faces->polygons.size() : 0;
    benchmark::DoNotOptimize(faces);
  }
  state.counters["segments"] = static_cast<double>(lines.size());
  state.counters["rings"] = static_cast<double>(cells);
}

// 70 x 70 cells: 9,940 segments, 5,041 nodes, 4,900 cells.
void BM_LineNetGrid(benchmark::State& state) { ExtractCells(state, Grid(70, false)); }
BENCHMARK(BM_LineNetGrid)->Unit(benchmark::kMillisecond);

// 58 x 58 cells split by diagonals: 10,208 segments, 6,728 triangles.
void BM_LineNetTriangles(benchmark::State& state) { ExtractCells(state, Grid(58, true)); }
BENCHMARK(BM_LineNetTriangles)->Unit(benchmark::kMillisecond);

}  // namespace
