// Loading generated scene exchange files: the user waits for this, since the
// viewer reads a model before it shows anything.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "formats/K3dReader.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

// 20 zones; each object sits in a group of up to 100 objects.
std::string RecordHead(const char* keyword, int i, const char* counts) {
  char line[512];
  std::snprintf(line, sizeof line, "%s,Z%d,0,G%d,0.8,0.7,0.6,0,%s,OBJ%05d\n", keyword, i % 20, i / 100, counts, i);
  return line;
}

// (a) blocks of 10 x 8 on a 20-unit grid, 3 to 30 high.
std::string SolidBlocks(int count) {
  std::string text = "HEADER\n0,19\n";
  char line[512];
  for (int i = 0; i < count; ++i) {
    const double x = (i % 100) * 20.0, y = (i / 100) * 20.0, h = 3.0 + (i % 10) * 3.0;
    text += RecordHead("SOLIDV", i, "4,1");
    std::snprintf(line, sizeof line, "%g,%g,0\n%g,%g,0\n%g,%g,0\n%g,%g,0\n0,0,%g\n", x, y, x + 10, y, x + 10, y + 8,
                  x, y + 8, h);
    text += line;
  }
  return text;
}

// (b) 30 x 20 courtyard blocks with two light wells each.
std::string ShellBlocks(int count) {
  std::string text = "HEADER\n0,19\n";
  char line[1024];
  for (int i = 0; i < count; ++i) {
    const double x = (i % 40) * 40.0, y = (i / 40) * 30.0;
    text += RecordHead("SHELLV", i, "4,2,1");
    std::snprintf(line, sizeof line,
                  "%g,%g,0\n%g,%g,0\n%g,%g,0\n%g,%g,0\n0,0,12\n"
                  "4\n%g,%g,0\n%g,%g,0\n%g,%g,0\n%g,%g,0\n"
                  "4\n%g,%g,0\n%g,%g,0\n%g,%g,0\n%g,%g,0\n",
                  x, y, x + 30, y, x + 30, y + 20, x, y + 20,                     // outer
                  x + 4, y + 4, x + 10, y + 4, x + 10, y + 12, x + 4, y + 12,     // well 1
                  x + 16, y + 6, x + 26, y + 6, x + 26, y + 14, x + 16, y + 14);  // well 2
    text += line;
  }
  return text;
}

// (c) pipes of 16 ring points, half of them running level, half raking.
std::string Pipes(int count) {
  std::string text = "HEADER\n0,19\n";
  char line[1024];
  for (int i = 0; i < count; ++i) {
    const double x = (i % 40) * 5.0, y = (i / 40) * 5.0;
    text += RecordHead("PIPEV", i, "16,1");
    if (i % 2 == 0)
      std::snprintf(line, sizeof line, "%g,%g,-2\n%g,%g,-2\n0.15\n0.2\n", x, y, x + 4, y);
    else
      std::snprintf(line, sizeof line, "%g,%g,-2\n%g,%g,-1\n0.15\n0.2\n", x, y, x + 3, y + 2);
    text += line;
  }
  return text;
}

fs::path Generate(const std::string& name, const std::string& text) {
  const fs::path path = korvex_test::ProgramScratchFolder() / name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

void Load(benchmark::State& state, const fs::path& path, int solids) {
  CInkSolid scene;
  int figures = 0;
  for (auto _ : state) {
    scene.NewScene();
    korvex::K3dViewState view;
    korvex::ReadK3dFile(*scene.GetRoot(), view, path.c_str());
    benchmark::DoNotOptimize(scene.GetRoot());
    state.PauseTiming();
    figures = 0;
    for (int z = 0; z < scene.GetRoot()->GetCount(); ++z)
      for (int g = 0; g < scene.GetRoot()->GetChild(z)->GetCount(); ++g)
        for (int o = 0; o < scene.GetRoot()->GetChild(z)->GetChild(g)->GetCount(); ++o)
          figures += scene.GetRoot()->GetChild(z)->GetChild(g)->GetChild(o)->GetFigureCount();
    state.ResumeTiming();
  }
  if (figures != solids) state.SkipWithError("not every solid became a mesh");
  state.counters["solids/s"] = benchmark::Counter(static_cast<double>(solids), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_LoadSolidBlocks(benchmark::State& state) {
  static const fs::path path = Generate("korvex_bench_solidv.k3d", SolidBlocks(10000));
  Load(state, path, 10000);
}
BENCHMARK(BM_LoadSolidBlocks)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_LoadShellsWithTwoHoles(benchmark::State& state) {
  static const fs::path path = Generate("korvex_bench_shellv.k3d", ShellBlocks(1000));
  Load(state, path, 1000);
}
BENCHMARK(BM_LoadShellsWithTwoHoles)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_LoadPipes(benchmark::State& state) {
  static const fs::path path = Generate("korvex_bench_pipev.k3d", Pipes(1000));
  Load(state, path, 1000);
}
BENCHMARK(BM_LoadPipes)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
