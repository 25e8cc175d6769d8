// Scene model throughput on building-sized nodes.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "geometry/gm_mesh.h"
#include "model/InkNode.h"
#include "tests/model/scene_samples.h"

namespace {

GMMeshPtr UnitBox() { return scene_samples::Box({0, 0, 0}, {1, 1, 1}); }

// A root with one placed child holding `boxes` box meshes (8 vertices each),
// spread out so that no two share a position.
struct Scene {
  std::unique_ptr<CInkNode> root;
  CInkNode* node = nullptr;

  explicit Scene(int boxes) : root(new CInkNode) {
    root->Create(nullptr);
    InkAttributes place;
    place.origin = {10, 20, 30};
    place.scale = {2, 2, 2};
    place.rotationAngle = 0.3;
    node = new CInkNode;
    node->Create(&place);
    root->AddChild(node);
    GMMeshPtr box = UnitBox();
    for (int i = 0; i < boxes; ++i) {
      for (int v = 0; v < 8; ++v) box->Position(v).x += 2.0;
      node->AddMeshFigure(box.get(), 0);
    }
  }
};

// Ten nodes of a thousand boxes each, as a reader fills a building.
void BM_AddMeshFigures(benchmark::State& state) {
  const GMMeshPtr box = UnitBox();
  for (auto _ : state) {
    CInkNode root;
    root.Create(nullptr);
    for (int n = 0; n < 10; ++n) {
      auto* node = new CInkNode;
      node->Create(nullptr);
      root.AddChild(node);
      for (int i = 0; i < 1000; ++i) node->AddMeshFigure(box.get(), 0);
    }
    benchmark::DoNotOptimize(root.GetChild(9)->GetVertexCount());
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_AddMeshFigures)->Unit(benchmark::kMillisecond);

void BM_UpdateWorldVertices1M(benchmark::State& state) {
  Scene scene(125000);
  for (auto _ : state) {
    scene.node->UpdateWorldVertices(0);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * scene.node->GetVertexCount());
}
BENCHMARK(BM_UpdateWorldVertices1M)->Unit(benchmark::kMillisecond);

void BM_GetBounds1M(benchmark::State& state) {
  Scene scene(125000);
  GMBox box;
  for (auto _ : state) {
    scene.root->GetBounds(box, nullptr);
    benchmark::DoNotOptimize(box);
  }
  state.SetItemsProcessed(state.iterations() * scene.node->GetVertexCount());
}
BENCHMARK(BM_GetBounds1M)->Unit(benchmark::kMillisecond);

// Deleting figures from a node of a million vertices: the newest figures
// (undoing an import) and the oldest ones (the far end of the vertex list).
void BM_DeleteNewestFigures(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Scene scene(125000);
    state.ResumeTiming();
    for (int i = 0; i < 1000; ++i) scene.node->DeleteFigureAt(scene.node->GetFigureCount() - 1);
    state.PauseTiming();
    scene.root.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_DeleteNewestFigures)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DeleteOldestFigures(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Scene scene(125000);
    state.ResumeTiming();
    for (int i = 0; i < 1000; ++i) scene.node->DeleteFigureAt(0);
    state.PauseTiming();
    scene.root.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_DeleteOldestFigures)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
