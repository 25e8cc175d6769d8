// Measuring on a district of 1,000,000 triangles (about 83,000 box
// buildings): making the measure surfaces of the loaded scene, and snapping
// the cursor to a corner, an edge or a face at points spread over the window,
// seen from the fitted view, from above (plan, parallel), from the street
// (perspective, with most of the district behind the first buildings) and
// obliquely over the roofs. For comparison, in the same run: what a snap
// cost when it projected every corner and edge of the model (the visibility
// tests after it left out).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "model/ContentList.h"
#include "model/FigureTessellationWorld.h"
#include "model/InkNode.h"
#include "model/InkSolid.h"
#include "model/OctTree.h"
#include "model/OctTreeFill.h"
#include "site_blocks.h"
#include "view/Measure.h"
#include "view/StereonView.h"
#include "tests/support/message_log.h"
#include "view/WindowProjector.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;
constexpr int kTriangles = 1000000;

struct District {
  // Nobody is there to answer: every question is cancelled.
  korvex_test::MessageLog ui{korvex::MessageAnswer::Cancel};
  korvex::LaunchValues launch;
  std::optional<korvex::CStereonView> view;
  korvex::MeasureScene surfaces;
  bool ready = false;
};

// The district, opened headless once and its measure surfaces made once, for
// every snapping case.
District& Opened() {
  static const std::unique_ptr<District> district = [] {
    auto d = std::make_unique<District>();
    d->launch.modelPath = korvex_bench::District(kTriangles).string();
    d->launch.useEyeFile = false;
    d->view.emplace(d->ui, d->launch);
    d->ready = d->view->CreateHeadless(kWidth, kHeight) &&
               d->view->StartupResult() == korvex::ModelLoadResult::kLoaded &&
               d->surfaces.Build(d->view->Scene()->GetRoot());
    return d;
  }();
  return *district;
}

// Snaps at 12 × 9 points over the window, one a turn.
void SnapOver(benchmark::State& state, const korvex::WindowProjector& projector, korvex::MeasureScene& surfaces) {
  int i = 0;
  int caught[4] = {};
  for (auto _ : state) {
    const double x = (0.5 + i % 12) * kWidth / 12.0, y = (0.5 + (i / 12) % 9) * kHeight / 9.0;
    const korvex::MeasurePoint point = surfaces.Snap(projector, x, y);
    benchmark::DoNotOptimize(point.at);
    ++caught[static_cast<int>(point.kind)];
    ++i;
  }
  state.counters["vertex"] = caught[1];
  state.counters["edge"] = caught[2];
  state.counters["face"] = caught[3];
  state.counters["none"] = caught[0];
}

// The camera set by `place`, painted once so that the projector is the
// engine's frame.
korvex::WindowProjector Seen(District& d, void (*place)(korvex::CStereonView&)) {
  place(*d.view);
  d.view->PaintImage();
  return korvex::MakeProjector(*d.view->Engine(), d.view->State(), kWidth, kHeight);
}

bool Ready(benchmark::State& state) {
  if (Opened().ready) return true;
  state.SkipWithError("the district did not open headless (no OpenGL context, or it did not load)");
  return false;
}

void BM_Measure_Build_District1M(benchmark::State& state) {
  if (!Ready(state)) return;
  CInkNode* root = Opened().view->Scene()->GetRoot();
  for (auto _ : state) {
    korvex::MeasureScene surfaces;
    benchmark::DoNotOptimize(surfaces.Build(root));
    state.counters["triangles"] = surfaces.TriangleCount();
  }
}
BENCHMARK(BM_Measure_Build_District1M)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// The octree of the district's surfaces alone, the share of making the
// measure surfaces that files triangles: the faces are handed over once, each
// turn triangulates and files them anew.
void BM_Measure_OctTreeBuild_District1M(benchmark::State& state) {
  if (!Ready(state)) return;
  CContentList content;
  content.AddFiguresOf(Opened().view->Scene()->GetRoot());
  COctTreeBoxel octree;
  AddContentToOctTree(octree, content, OctTreeSpace::World);
  const int levels = korvex::MeasureOctTreeLevels(octree.GetInputCount());
  for (auto _ : state) benchmark::DoNotOptimize(octree.Build(levels));
  state.counters["triangles"] = octree.GetTriangleCount();
  state.counters["levels"] = levels;
  // How often a triangle is filed: once in every leaf it touches.
  double leaves = 0, entries = 0;
  std::vector<const COctTreeCell*> stack{octree.GetTree()};
  while (!stack.empty()) {
    const COctTreeCell* cell = stack.back();
    stack.pop_back();
    if (!cell) continue;
    if (cell->IsLeaf()) ++leaves, entries += cell->IndexCount();
    for (const auto& child : cell->children) stack.push_back(child.get());
  }
  state.counters["leaves"] = leaves;
  state.counters["entries"] = entries;
}
BENCHMARK(BM_Measure_OctTreeBuild_District1M)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_Measure_Snap_District1M_FitAll(benchmark::State& state) {
  if (!Ready(state)) return;
  District& d = Opened();
  const korvex::WindowProjector projector = Seen(d, [](korvex::CStereonView& v) {
    v.OnCommand(korvex::cmd::kResetEye);
    v.FitAll();
  });
  SnapOver(state, projector, d.surfaces);
}
BENCHMARK(BM_Measure_Snap_District1M_FitAll)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_Measure_Snap_District1M_Plan(benchmark::State& state) {
  if (!Ready(state)) return;
  District& d = Opened();
  const korvex::WindowProjector projector = Seen(d, [](korvex::CStereonView& v) {
    v.OnCommand(korvex::cmd::kPlanView);
    v.FitAll();
  });
  SnapOver(state, projector, d.surfaces);
}
BENCHMARK(BM_Measure_Snap_District1M_Plan)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_Measure_Snap_District1M_Street(benchmark::State& state) {
  if (!Ready(state)) return;
  District& d = Opened();
  const korvex::WindowProjector projector = Seen(d, [](korvex::CStereonView& v) {
    korvex::ViewState& s = v.State();
    if (s.displayFlags & frame::kParallel) v.OnCommand(korvex::cmd::kParallel);
    // At a corner of the district, 1.5 above the street, looking across it.
    s.camera.eye = {-5.0, -5.0, 1.5};
    s.camera.target = {1000.0, 1000.0, 10.0};
    s.camera.nearPlane = 0.5;
    s.camera.farPlane = 5000.0;
  });
  SnapOver(state, projector, d.surfaces);
}
BENCHMARK(BM_Measure_Snap_District1M_Street)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_Measure_Snap_District1M_Oblique(benchmark::State& state) {
  if (!Ready(state)) return;
  District& d = Opened();
  const korvex::WindowProjector projector = Seen(d, [](korvex::CStereonView& v) {
    korvex::ViewState& s = v.State();
    if (s.displayFlags & frame::kParallel) v.OnCommand(korvex::cmd::kParallel);
    // From above a corner of the district, over the roofs towards its far
    // side: the far blocks crowd their corners together, most of them
    // hidden behind the near ones.
    s.camera.eye = {-60.0, -60.0, 90.0};
    s.camera.target = {1500.0, 1500.0, 0.0};
    s.camera.nearPlane = 1.0;
    s.camera.farPlane = 5000.0;
  });
  SnapOver(state, projector, d.surfaces);
}
BENCHMARK(BM_Measure_Snap_District1M_Oblique)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Every corner and edge of the district projected and measured against one
// cursor point a turn, as each snap did before they were filed in a tree.
void BM_Measure_ProjectEveryCornerAndEdge_District1M(benchmark::State& state) {
  if (!Ready(state)) return;
  District& d = Opened();
  CContentList content;
  content.AddFiguresOf(d.view->Scene()->GetRoot());
  std::vector<GMSegment> edges;
  for (int i = 0; i < content.GetCount(); ++i)
    for (const GMSegment& s : FigureWorldOutlineSegments(content.GetFigure(i), GM_TOLERANCE)) edges.push_back(s);
  std::vector<GMVector> corners;
  for (const GMSegment& e : edges) {
    corners.push_back(e.start);
    corners.push_back(e.end);
  }
  std::sort(corners.begin(), corners.end(),
            [](const GMVector& a, const GMVector& b) { return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z); });
  corners.erase(std::unique(corners.begin(), corners.end(),
                            [](const GMVector& a, const GMVector& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }),
                corners.end());
  const korvex::WindowProjector projector = Seen(d, [](korvex::CStereonView& v) {
    v.OnCommand(korvex::cmd::kResetEye);
    v.FitAll();
  });
  int i = 0;
  for (auto _ : state) {
    const double x = (0.5 + i % 12) * kWidth / 12.0, y = (0.5 + (i / 12) % 9) * kHeight / 9.0;
    int near = 0;
    for (const GMVector& c : corners) {
      double wx = 0, wy = 0;
      if (projector.Project(c, wx, wy) && std::hypot(wx - x, wy - y) <= korvex::kSnapVertexPixels) ++near;
    }
    for (const GMSegment& e : edges) {
      GMSegment w;
      if (!projector.Segment(e, projector.nearPlane, w)) continue;
      const double dx = w.end.x - w.start.x, dy = w.end.y - w.start.y, len2 = dx * dx + dy * dy;
      const double t = len2 > 0 ? std::clamp(((x - w.start.x) * dx + (y - w.start.y) * dy) / len2, 0.0, 1.0) : 0.0;
      if (std::hypot(w.start.x + dx * t - x, w.start.y + dy * t - y) <= korvex::kSnapEdgePixels) ++near;
    }
    benchmark::DoNotOptimize(near);
    ++i;
  }
  state.counters["corners"] = static_cast<double>(corners.size());
  state.counters["edges"] = static_cast<double>(edges.size());
}
BENCHMARK(BM_Measure_ProjectEveryCornerAndEdge_District1M)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
