// A section plane moved through a site of about 1,000,000 triangles: the
// frame drawn with the plane (faces cut, the cut of every building filled)
// against the same frame without a section, at full-HD size.
//
// The site is 48 × 48 closed buildings, each a box whose six sides are
// split into 6 × 6 quads (432 triangles). The plane is horizontal at a
// height that cuts every building, and moves a little before each frame, as
// it does under the mouse.
//
// The software renderer rasterises on worker threads: the cases count the
// CPU time of the whole process.
#include <benchmark/benchmark.h>

#include <vector>

#include "headless_engine.h"
#include "render/Stereon.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kGrid = 48;    // buildings along each side of the site
constexpr int kSplit = 6;    // quads along each edge of a building's side
constexpr double kPitch = 20.0;
constexpr double kSide = 12.0;
constexpr double kHeightOf = 30.0;

// The sides of one building, each split into quads. Every corner comes from
// one lattice of the box, so neighbouring sides share their edges exactly
// and the building is closed.
std::vector<GMPolygon> Building(int gx, int gy) {
  const double x0 = gx * kPitch, y0 = gy * kPitch;
  auto at = [&](int i, int j, int k) {
    return GMVector{x0 + kSide * i / kSplit, y0 + kSide * j / kSplit, kHeightOf * k / kSplit};
  };
  std::vector<GMPolygon> faces;
  auto quad = [&](GMVector a, GMVector b, GMVector c, GMVector d) {
    GMPolygon p;
    p.points = {a, b, c, d};
    faces.push_back(std::move(p));
  };
  const int n = kSplit;
  for (int a = 0; a < n; ++a)
    for (int b = 0; b < n; ++b) {
      quad(at(a, b, 0), at(a, b + 1, 0), at(a + 1, b + 1, 0), at(a + 1, b, 0));          // floor, facing down
      quad(at(a, b, n), at(a + 1, b, n), at(a + 1, b + 1, n), at(a, b + 1, n));          // roof
      quad(at(a, 0, b), at(a + 1, 0, b), at(a + 1, 0, b + 1), at(a, 0, b + 1));          // south
      quad(at(a, n, b), at(a, n, b + 1), at(a + 1, n, b + 1), at(a + 1, n, b));          // north
      quad(at(0, a, b), at(0, a, b + 1), at(0, a + 1, b + 1), at(0, a + 1, b));          // west
      quad(at(n, a, b), at(n, a + 1, b), at(n, a + 1, b + 1), at(n, a, b + 1));          // east
    }
  return faces;
}

struct Fixture {
  korvex_bench::HeadlessEngine headless;
  CStereon* engine = nullptr;
  std::vector<std::vector<GMPolygon>> buildings;
  int closed = 0;
  bool ok = false;
  Fixture() {
    if (!headless.Open(kWidth, kHeight)) return;
    engine = headless.engine.get();
    const double middle = kGrid * kPitch * 0.5;
    engine->SetCamera({middle, -middle * 0.6, middle * 1.2}, {middle, middle, 0.0}, {0.0, 0.0, 1.0});
    engine->SetPlanes(1.0, 10000.0, 45.0);
    engine->SetLightAmbient(0xFF808080u);
    engine->SetLightDiffuse(0xFFFFFFFFu);
    engine->SetLightDirection(0.3, -0.4, 1.0);
    engine->MakeCurrent();
    COGLDispTree* root = engine->GetDispTree();
    for (int gy = 0; gy < kGrid; ++gy)
      for (int gx = 0; gx < kGrid; ++gx) buildings.push_back(Building(gx, gy));
    for (size_t i = 0; i < buildings.size(); ++i)
      closed += korvex_bench::AddBuilding(*root, i, buildings[i]).GetLists()->closed ? 1 : 0;
    ok = true;
  }
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

void Report(benchmark::State& state, const Fixture& f) {
  state.counters["triangles"] = f.engine->GetPickCapacity();
  state.counters["closed_buildings"] = f.closed;
}

void BM_FrameWithoutSection(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (!f.ok) {
    state.SkipWithError("no headless OpenGL context");
    return;
  }
  f.engine->SetSectionPlanes({});
  f.engine->Render(frame::kViewDefault);
  for (auto _ : state) f.engine->Render(frame::kViewDefault);
  Report(state, f);
}
BENCHMARK(BM_FrameWithoutSection)->Unit(benchmark::kMillisecond)->Iterations(5)->MeasureProcessCPUTime();

void BM_FrameMovingSection(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (!f.ok) {
    state.SkipWithError("no headless OpenGL context");
    return;
  }
  double height = 12.0;
  auto moveAndDraw = [&] {
    // Between two lattice rows, so that every building is cut.
    height = height > 17.0 ? 12.0 : height + 0.7;
    const GMPlane plane{0.0, 0.0, 1.0, -height};
    f.engine->SetSectionPlanes({&plane, 1});
    f.engine->Render(frame::kViewDefault);
  };
  moveAndDraw();
  for (auto _ : state) moveAndDraw();
  Report(state, f);
  f.engine->SetSectionPlanes({});
}
BENCHMARK(BM_FrameMovingSection)->Unit(benchmark::kMillisecond)->Iterations(5)->MeasureProcessCPUTime();

void BM_FrameThreeSections(benchmark::State& state) {
  Fixture& f = TheFixture();
  if (!f.ok) {
    state.SkipWithError("no headless OpenGL context");
    return;
  }
  const double middle = kGrid * kPitch * 0.5;
  const GMPlane planes[3] = {{0, 0, 1, -15.5}, {1, 0, 0, -(middle + 5.0)}, {0, -1, 0, middle * 0.5 - 3.0}};
  f.engine->SetSectionPlanes(planes);
  f.engine->Render(frame::kViewDefault);
  for (auto _ : state) f.engine->Render(frame::kViewDefault);
  Report(state, f);
  f.engine->SetSectionPlanes({});
}
BENCHMARK(BM_FrameThreeSections)->Unit(benchmark::kMillisecond)->Iterations(5)->MeasureProcessCPUTime();

}  // namespace
