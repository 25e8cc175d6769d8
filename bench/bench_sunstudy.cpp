// The sun study against the renders it is made of: nine hourly pictures of
// the example site on the winter solstice at 1920 × 1080, beside one plain
// picture of the same size written the same way. The study should cost
// little more than nine such pictures plus the shadows they show.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "tools/BatchView.h"
#include "view/StereonView.h"
#include "view/SunStudy.h"
#include "tests/support/scratch_folder.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct SiteView {
  korvex::cli::BatchUi ui;
  korvex::LaunchValues launch;
  std::unique_ptr<CStereonView> view;
  std::filesystem::path folder = korvex_test::ProgramScratchFolder() / "sunstudy";

  bool Open() {
    launch.modelPath = KORVEX_EXAMPLE_SITE;
    launch.useEyeFile = false;
    view = std::make_unique<CStereonView>(ui, launch);
    std::filesystem::create_directories(folder);
    return view->CreateHeadless(kWidth, kHeight) && view->StartupResult() == korvex::ModelLoadResult::kLoaded;
  }
  ~SiteView() {
    std::error_code error;
    std::filesystem::remove_all(folder, error);
  }
};

void BM_SunStudy_9Frames_1920x1080(benchmark::State& state) {
  SiteView site;
  if (!site.Open()) return state.SkipWithError("the example site could not be drawn");
  korvex::SunStudyPlan plan;
  plan.site.year = 2024, plan.site.month = 12, plan.site.day = 21;
  plan.site.latitude = 35.68, plan.site.longitude = 139.77, plan.site.utcOffsetHours = 9;
  plan.fromMinutes = 8 * 60, plan.toMinutes = 16 * 60, plan.stepMinutes = 60;
  plan.width = kWidth, plan.height = kHeight;
  plan.folder = site.folder;
  for (auto _ : state) {
    const korvex::SunStudyResult result = korvex::RunSunStudy(*site.view, plan);
    if (!result.error.empty() || result.frames.size() != 9) return state.SkipWithError("the study failed");
  }
}
BENCHMARK(BM_SunStudy_9Frames_1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainRender_1920x1080(benchmark::State& state) {
  SiteView site;
  if (!site.Open()) return state.SkipWithError("the example site could not be drawn");
  const std::string path = (site.folder / "plain.jpg").string();
  for (auto _ : state) {
    if (!site.view->SaveImage(path, kWidth, kHeight, site.view->ExportSettings().lineWidth))
      return state.SkipWithError("the picture could not be written");
  }
}
BENCHMARK(BM_PlainRender_1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

namespace {

// One picture with the shadows of one sun (10:00) already made: what each
// study frame draws, without making the shadows again.
void BM_ShadowedRender_1920x1080(benchmark::State& state) {
  SiteView site;
  if (!site.Open()) return state.SkipWithError("the example site could not be drawn");
  site.view->State().lightPosition = {0.5, -0.7, 0.5};
  site.view->OnCommand(korvex::cmd::kMakeShadows);
  const std::string path = (site.folder / "shadowed.jpg").string();
  for (auto _ : state) {
    if (!site.view->SaveImage(path, kWidth, kHeight, site.view->ExportSettings().lineWidth))
      return state.SkipWithError("the picture could not be written");
  }
}
BENCHMARK(BM_ShadowedRender_1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
