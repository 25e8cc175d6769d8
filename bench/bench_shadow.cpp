// Sun shadows on a district of 100,000 triangles (8,332 box buildings on a
// ground slab) at 1920 × 1080, as `korvex-cli render --shadows` draws it:
// building the volumes in both forms, and the frame with shadows beside the
// same frame without. The targets: a shadowed frame at most three times the
// plain one, the volumes built in at most 100 ms.
//
// The software renderer rasterises on worker threads, so the frames count
// the CPU time of the whole process as well as the wall time.
#include <benchmark/benchmark.h>

#include <optional>
#include <string>

#include "open_view.h"
#include "render/gl_api.h"
#include "site_blocks.h"
#include "view/StereonView.h"
#include "view/SunTimes.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kTriangles = 100000;


// The district opened headless, fitted from the default corner, under the
// 10:00 sun of the built-in table.
struct Site : korvex_bench::OpenView {
  bool ok = false;
  Site() {
    if (!Open(kWidth, kHeight, korvex_bench::District(kTriangles))) return;
    korvex::TimeDialogValues sun;
    sun.times = korvex::DefaultSunTimes();
    korvex::AcceptTimeDialog(sun, 4);
    view->State().lightPosition = sun.sunDirection;
    ok = view->StartupResult() == korvex::ModelLoadResult::kLoaded;
  }
  // Shadows in list form (fast drawing on) or array form.
  void Make(bool list) {
    view->State().fastShadowsOff = list ? 0 : 1;
    view->MakeShadows();
  }
  void Frame(bool shadows) {
    int& flags = view->State().displayFlags;
    flags = shadows ? flags | frame::kShadows : flags & ~frame::kShadows;
    view->Paint();
    view->Engine()->MakeCurrent();
    glFinish();
  }
};

Site& TheSite() {
  static Site site;
  return site;
}

bool Ready(benchmark::State& state) {
  if (TheSite().ok) return true;
  state.SkipWithError("no headless OpenGL context, or the district did not load");
  return false;
}

void BM_Shadow_Build(benchmark::State& state) {
  if (!Ready(state)) return;
  const bool list = state.range(0) == 1;
  for (auto _ : state) TheSite().Make(list);
  CStereon& engine = *TheSite().view->Engine();
  state.counters["volume_triangles"] =
      engine.shadowArrays.empty() ? 0.0 : static_cast<double>(engine.shadowArrays[0].TriangleCount());
}
BENCHMARK(BM_Shadow_Build)->ArgName("list")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Shadow_FrameWithout(benchmark::State& state) {
  if (!Ready(state)) return;
  TheSite().Frame(false);
  for (auto _ : state) TheSite().Frame(false);
}
BENCHMARK(BM_Shadow_FrameWithout)->Unit(benchmark::kMillisecond)->Iterations(5)->MeasureProcessCPUTime()->UseRealTime();

void BM_Shadow_FrameWith(benchmark::State& state) {
  if (!Ready(state)) return;
  TheSite().Make(state.range(0) == 1);
  TheSite().Frame(true);
  for (auto _ : state) TheSite().Frame(true);
}
BENCHMARK(BM_Shadow_FrameWith)->ArgName("list")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(5)
    ->MeasureProcessCPUTime()->UseRealTime();

// The plain frame once more after the shadowed ones, so that a drift of the
// machine's load between the two shows.
BENCHMARK(BM_Shadow_FrameWithout)->Name("BM_Shadow_FrameWithout/again")->Unit(benchmark::kMillisecond)
    ->Iterations(5)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
