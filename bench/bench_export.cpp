// File output of the bundled example site at the default export size,
// 3900 x 2420, as JPEG: the whole export, and its two parts alone, the
// render with read-back and the JPEG encoding with its write. The export
// should stay within 1.2 times the sum of the two parts.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "open_view.h"
#include "output/PictureFile.h"
#include "view/StereonView.h"
#include "tests/support/scratch_folder.h"

namespace {

constexpr int kWidth = 3900;
constexpr int kHeight = 2420;


// The site on a headless view of 800 x 496 (the sheet's aspect), opened once.
struct Site : korvex_bench::OpenView {
  std::string output = (korvex_test::ProgramScratchFolder() / "export.jpg").string();
  Site() {
    if (!Open(800, 496, KORVEX_EXAMPLE_SITE)) view.reset();
  }
};

Site& TheSite() {
  static Site site;
  return site;
}

void BM_Export(benchmark::State& state) {
  Site& site = TheSite();
  if (!site.view) return state.SkipWithError("no headless OpenGL context");
  for (auto _ : state)
    if (!site.view->SaveImage(site.output, kWidth, kHeight, 1.0)) return state.SkipWithError("export failed");
}

void BM_RenderAlone(benchmark::State& state) {
  Site& site = TheSite();
  if (!site.view) return state.SkipWithError("no headless OpenGL context");
  StereonImage picture;
  for (auto _ : state) {
    if (!site.view->RenderToBitmap(kWidth, kHeight, site.view->State().displayFlags, picture))
      return state.SkipWithError("render failed");
    benchmark::DoNotOptimize(picture.pixels.data());
  }
}

void BM_JpegAlone(benchmark::State& state) {
  Site& site = TheSite();
  if (!site.view) return state.SkipWithError("no headless OpenGL context");
  StereonImage picture;
  if (!site.view->RenderToBitmap(kWidth, kHeight, site.view->State().displayFlags, picture))
    return state.SkipWithError("render failed");
  for (auto _ : state)
    if (!korvex::output::WritePicture(site.output, picture.pixels, picture.width, picture.height, &site.ui))
      return state.SkipWithError("write failed");
}

BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RenderAlone)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_JpegAlone)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
