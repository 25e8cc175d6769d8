// The view core, headless: from opening the model to the first picture, fit
// all, and one orbit step with its frame, on a generated site of 10,000 blocks
// and on the 1,000,000-triangle terrain OBJ. The OBJ comes in through the
// Assimp OBJ plug-in, which the view finds in "FilePlugin" beside this
// program (the build puts both in bin/).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "common/user_interface.h"
#include "site_blocks.h"
#include "terrain_obj.h"
#include "quiet_ui.h"
#include "view/StereonView.h"

namespace {
namespace fs = std::filesystem;

using korvex_bench::QuietUi;

const fs::path& Site() { return korvex_bench::BlockSite(); }

struct OpenView {
  QuietUi ui;
  korvex::LaunchValues launch;
  std::optional<CStereonView> view;
  bool Open(int width, int height, const fs::path& model = Site()) {
    launch.modelPath = model.string();
    launch.useEyeFile = false;
    view.emplace(ui, launch);
    return view->CreateHeadless(width, height);
  }
};

// One drag step of the orbit and the frame it asks for, each iteration.
void OrbitSteps(OpenView& open, benchmark::State& state) {
  int x = 500;
  for (auto _ : state) {
    open.view->OnLeftDown(x, 300);
    x = x == 500 ? 510 : 500;
    open.view->OnMouseMove(x, 300);
    open.view->OnLeftUp(x, 300);
    const StereonImage picture = open.view->PaintImage();
    benchmark::DoNotOptimize(picture.pixels.data());
  }
}

// Opens the terrain, or says why it could not.
bool OpenTerrain(OpenView& open, benchmark::State& state) {
  if (!open.Open(1024, 768, korvex_bench::TerrainObj())) {
    state.SkipWithError("no headless OpenGL context");
    return false;
  }
  if (open.view->StartupResult() != korvex::ModelLoadResult::kLoaded) {
    state.SkipWithError("the terrain did not load: is the OBJ plug-in in FilePlugin beside this program?");
    return false;
  }
  return true;
}

void BM_View_OpenToFirstPicture_10000Blocks(benchmark::State& state) {
  Site();
  for (auto _ : state) {
    OpenView open;
    if (!open.Open(1024, 768)) {
      state.SkipWithError("no headless OpenGL context");
      return;
    }
    const StereonImage picture = open.view->PaintImage();
    benchmark::DoNotOptimize(picture.pixels.data());
  }
}
BENCHMARK(BM_View_OpenToFirstPicture_10000Blocks)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_View_FitAll_10000Blocks(benchmark::State& state) {
  OpenView open;
  if (!open.Open(1024, 768)) {
    state.SkipWithError("no headless OpenGL context");
    return;
  }
  for (auto _ : state) open.view->FitAll();
}
BENCHMARK(BM_View_FitAll_10000Blocks)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_View_OrbitStepAndFrame_10000Blocks(benchmark::State& state) {
  OpenView open;
  if (!open.Open(1024, 768)) {
    state.SkipWithError("no headless OpenGL context");
    return;
  }
  OrbitSteps(open, state);
}
BENCHMARK(BM_View_OrbitStepAndFrame_10000Blocks)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_View_OpenToFirstPicture_TerrainObj1MTriangles(benchmark::State& state) {
  korvex_bench::TerrainObj();
  for (auto _ : state) {
    OpenView open;
    if (!OpenTerrain(open, state)) return;
    const StereonImage picture = open.view->PaintImage();
    benchmark::DoNotOptimize(picture.pixels.data());
  }
}
BENCHMARK(BM_View_OpenToFirstPicture_TerrainObj1MTriangles)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

void BM_View_FitAll_TerrainObj1MTriangles(benchmark::State& state) {
  OpenView open;
  if (!OpenTerrain(open, state)) return;
  for (auto _ : state) open.view->FitAll();
}
BENCHMARK(BM_View_FitAll_TerrainObj1MTriangles)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_View_OrbitStepAndFrame_TerrainObj1MTriangles(benchmark::State& state) {
  OpenView open;
  if (!OpenTerrain(open, state)) return;
  OrbitSteps(open, state);
}
BENCHMARK(BM_View_OrbitStepAndFrame_TerrainObj1MTriangles)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
