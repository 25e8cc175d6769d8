// Tessellation of large figures: what display-list building, picking and the
// octree pay per figure.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "geometry/gm_mesh.h"
#include "model/FigureTessellation.h"
#include "model/InkNode.h"

namespace {

// A rows x columns grid of quadrilaterals in the xy plane, gently waved in z,
// with its edge table.
GMMeshPtr Grid(int rows, int columns) {
  std::vector<GMVector> points;
  for (int r = 0; r <= rows; ++r)
    for (int c = 0; c <= columns; ++c) points.push_back({double(c), double(r), 0.01 * ((r * 7 + c * 3) % 11)});
  auto at = [columns](int r, int c) { return r * (columns + 1) + c; };
  std::vector<std::vector<int32_t>> faces;
  std::vector<GMMeshEdge> edges;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) faces.push_back({at(r, c), at(r, c + 1), at(r + 1, c + 1), at(r + 1, c)});
  for (int r = 0; r <= rows; ++r)
    for (int c = 0; c <= columns; ++c) {
      if (c < columns) edges.push_back({at(r, c), at(r, c + 1), -1});
      if (r < rows) edges.push_back({at(r, c), at(r + 1, c), -1});
    }
  return GMNewMesh(points, edges, faces);
}

struct Scene {
  std::unique_ptr<CInkNode> node = std::make_unique<CInkNode>();
  const InkFigure* mesh = nullptr;
  const InkFigure* surface = nullptr;

  Scene() {
    node->Create(nullptr);
    const GMMeshPtr grid = Grid(250, 400);  // 100,000 faces
    mesh = node->GetFigure(node->AddMeshFigure(grid.get(), 0));

    // The same kind of grid as a subdivision control mesh of 10,000 faces.
    const GMMeshPtr cage = Grid(100, 100);
    std::vector<InkIndexList> lists(static_cast<size_t>(cage->faceCount));
    std::vector<InkSubdivFace> faces(lists.size());
    for (size_t f = 0; f < lists.size(); ++f) {
      lists[f] = {cage->faces[f].count, cage->faces[f].indices};
      faces[f].vertices = &lists[f];
    }
    InkSubdivRecord record;
    record.vertexCount = cage->vertexCount;
    record.vertices = cage->vertices;
    record.faceCount = static_cast<int32_t>(faces.size());
    record.faces = faces.data();
    surface = node->GetFigure(node->AddSubdivisionFigure(&record, 0));
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void BM_MeshPolygons100k(benchmark::State& state) {
  const InkFigure* mesh = TheScene().mesh;
  for (auto _ : state) {
    GMPolygonSetPtr set = FigurePolygons(mesh, 2, 1.0, GM_TOLERANCE);
    benchmark::DoNotOptimize(set);
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_MeshPolygons100k)->Unit(benchmark::kMillisecond);

void BM_MeshPolygonsWithPlanes100k(benchmark::State& state) {
  const InkFigure* mesh = TheScene().mesh;
  std::vector<GMPlane> planes;
  for (auto _ : state) {
    GMPolygonSetPtr set = FigurePolygonsWithPlanes(mesh, 2, planes, 1.0, GM_TOLERANCE);
    benchmark::DoNotOptimize(set);
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_MeshPolygonsWithPlanes100k)->Unit(benchmark::kMillisecond);

void BM_MeshOutline100k(benchmark::State& state) {
  const InkFigure* mesh = TheScene().mesh;
  for (auto _ : state) benchmark::DoNotOptimize(FigureOutlineSegments(mesh, GM_TOLERANCE));
}
BENCHMARK(BM_MeshOutline100k)->Unit(benchmark::kMillisecond);

// Catmull-Clark of a 10,000-face cage: level 2 refines once (40,000 quads),
// level 3 twice (160,000).
void BM_SubdivisionPolygons10k(benchmark::State& state) {
  const InkFigure* surface = TheScene().surface;
  const int level = static_cast<int>(state.range(0));
  for (auto _ : state) {
    GMPolygonSetPtr set = FigurePolygons(surface, level, 1.0, GM_TOLERANCE);
    benchmark::DoNotOptimize(set);
  }
}
BENCHMARK(BM_SubdivisionPolygons10k)->Arg(2)->Arg(3)->ArgName("level")->Unit(benchmark::kMillisecond);

}  // namespace
