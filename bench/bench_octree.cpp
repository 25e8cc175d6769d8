// The ray-cast picture: building the octree of a scene with 200,000 triangles
// and shooting 100,000 viewing rays into it.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "model/OctTree.h"

namespace {

constexpr int kRays = 100000;

// A district of box-shaped buildings on a grid, six quadrilateral faces
// each: 130 × 130 buildings, 202,800 triangles once triangulated.
void AddDistrict(COctTreeBoxel& tree) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> height(3.0, 40.0);
  constexpr int kSide = 130;
  constexpr double kPitch = 20.0;
  constexpr double kWidth = 14.0;
  for (int i = 0; i < kSide; ++i)
    for (int j = 0; j < kSide; ++j) {
      const double x0 = i * kPitch, y0 = j * kPitch, x1 = x0 + kWidth, y1 = y0 + kWidth;
      const double z0 = 0.0, z1 = height(rng);
      const GMPolygon faces[6] = {
          {{{x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}}},
          {{{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}}},
          {{{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}}},
          {{{x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}}},
          {{{x1, y1, z0}, {x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}}},
          {{{x0, y1, z0}, {x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}}},
      };
      for (const GMPolygon& face : faces) tree.AddPolygon(&face, nullptr);
    }
}

// 200,000 small triangles scattered through a 1000 m cube: no structure to
// help, every ray crosses empty and full cells alike.
void AddSoup(COctTreeBoxel& tree) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> where(0.0, 1000.0);
  std::uniform_real_distribution<double> offset(-3.0, 3.0);
  for (int i = 0; i < 200000; ++i) {
    const GMVector c{where(rng), where(rng), where(rng)};
    const GMPolygon triangle{{{c.x + offset(rng), c.y + offset(rng), c.z + offset(rng)},
                              {c.x + offset(rng), c.y + offset(rng), c.z + offset(rng)},
                              {c.x + offset(rng), c.y + offset(rng), c.z + offset(rng)}}};
    tree.AddPolygon(&triangle, nullptr);
  }
}

std::unique_ptr<COctTreeBoxel> Scene(bool district) {
  auto tree = std::make_unique<COctTreeBoxel>();
  if (district)
    AddDistrict(*tree);
  else
    AddSoup(*tree);
  return tree;
}

void BM_OctTreeBuild(benchmark::State& state) {
  const auto tree = Scene(state.range(0) == 0);
  for (auto _ : state) benchmark::DoNotOptimize(tree->Build(4));
  state.counters["triangles"] = tree->GetTriangleCount();
}
BENCHMARK(BM_OctTreeBuild)->Arg(0)->Arg(1)->ArgName("soup")->Unit(benchmark::kMillisecond);

// One picture of 100,000 pixels: rays from an eye above and beside the scene
// through a grid on the ground (the district) or through the cube (the soup).
void BM_OctTreeFindFirstHit(benchmark::State& state) {
  const bool district = state.range(0) == 0;
  const auto tree = Scene(district);
  tree->Build(4);
  const GMVector eye = district ? GMVector{-300.0, -300.0, 400.0} : GMVector{-500.0, -500.0, 1500.0};
  std::vector<GMVector> targets;
  targets.reserve(kRays);
  const double extent = district ? 2600.0 : 1000.0;
  for (int i = 0; i < 316; ++i)
    for (int j = 0; j < 316 && static_cast<int>(targets.size()) < kRays; ++j)
      targets.push_back({extent * i / 316.0, extent * j / 316.0, district ? 0.0 : 500.0});
  while (static_cast<int>(targets.size()) < kRays) targets.push_back(targets.back());

  int hits = 0;
  for (auto _ : state) {
    hits = 0;
    for (const GMVector& target : targets) hits += tree->FindFirstHit(eye, target, nullptr, 0, -1) >= 0;
    benchmark::DoNotOptimize(hits);
  }
  state.counters["hits"] = hits;
  state.counters["rays/s"] = benchmark::Counter(static_cast<double>(kRays) * static_cast<double>(state.iterations()),
                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OctTreeFindFirstHit)->Arg(0)->Arg(1)->ArgName("soup")->Unit(benchmark::kMillisecond);

}  // namespace
