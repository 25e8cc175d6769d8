// Sun shadows on the 10,000-block site: building the volumes (list and
// array form), the frame with shadows beside the frame without, and the raw
// limit: the frame without shadows plus the same volumes replayed from one
// display list in the two stencil passes and one darkening quad, with no
// engine around them.
//
// The software renderer rasterises on worker threads, so the frames count
// the CPU time of the whole process.
#include <benchmark/benchmark.h>

#include <optional>
#include <string>

#include "common/user_interface.h"
#include "render/gl_api.h"
#include "site_blocks.h"
#include "quiet_ui.h"
#include "view/StereonView.h"
#include "view/SunTimes.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

using korvex_bench::QuietUi;

// The site opened headless, seen from the default corner, under the
// 10:00 sun of the built-in table.
struct Site {
  QuietUi ui;
  korvex::LaunchValues launch;
  std::optional<CStereonView> view;
  bool ok = false;
  Site() {
    launch.modelPath = korvex_bench::BlockSite().string();
    launch.useEyeFile = false;
    view.emplace(ui, launch);
    if (!view->CreateHeadless(kWidth, kHeight)) return;
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
  state.SkipWithError("no headless OpenGL context, or the site did not load");
  return false;
}

void BM_Shadow_Build(benchmark::State& state) {
  if (!Ready(state)) return;
  const bool list = state.range(0) == 1;
  for (auto _ : state) TheSite().Make(list);
  CStereon& engine = *TheSite().view->Engine();
  state.counters["casters"] = list ? 0.0 : static_cast<double>(engine.shadowArrays.size());
}
BENCHMARK(BM_Shadow_Build)->ArgName("list")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_Shadow_FrameWithout(benchmark::State& state) {
  if (!Ready(state)) return;
  TheSite().Frame(false);
  for (auto _ : state) TheSite().Frame(false);
}
BENCHMARK(BM_Shadow_FrameWithout)->Unit(benchmark::kMillisecond)->Iterations(5)->MeasureProcessCPUTime();

void BM_Shadow_FrameWith(benchmark::State& state) {
  if (!Ready(state)) return;
  TheSite().Make(state.range(0) == 1);
  TheSite().Frame(true);
  for (auto _ : state) TheSite().Frame(true);
}
BENCHMARK(BM_Shadow_FrameWith)->ArgName("list")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(5)
    ->MeasureProcessCPUTime();

// The frame without shadows, then the engine's own volume list replayed in
// the two stencil passes and one quad over the view with the bare minimum of
// state: what the shadows cannot cost less than.
void BM_Shadow_RawLimit(benchmark::State& state) {
  if (!Ready(state)) return;
  Site& site = TheSite();
  site.Make(true);
  CStereon& engine = *site.view->Engine();
  const GLuint volumes = engine.shadowList.Id();
  if (volumes == 0) {
    state.SkipWithError("no shadow list");
    return;
  }
  auto frame = [&] {
    site.Frame(false);
    engine.MakeCurrent();
    glDisable(GL_LIGHTING);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    glEnable(GL_CULL_FACE);
    glStencilFunc(GL_ALWAYS, 0, ~0u);
    glCullFace(GL_BACK);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
    glCallList(volumes);
    glCullFace(GL_FRONT);
    glStencilOp(GL_KEEP, GL_KEEP, GL_DECR);
    glCallList(volumes);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glStencilFunc(GL_NOTEQUAL, 0, ~0u);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4ub(0, 0, 0, 128);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glRectd(-1.0, -1.0, 1.0, 1.0);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_BLEND);
    glDisable(GL_STENCIL_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glFinish();
  };
  frame();
  for (auto _ : state) frame();
}
BENCHMARK(BM_Shadow_RawLimit)->Unit(benchmark::kMillisecond)->Iterations(5)->MeasureProcessCPUTime();

}  // namespace
