// Importing a large OBJ through the Assimp-based plug-in. Most of the time is
// Assimp's parsing; what the plug-in adds (welding, the edge table, the
// scene's figure) is compared with Assimp's raw import of the same file.
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "model/InkNode.h"
#include "plugins/InkFile.h"

namespace {

namespace fs = std::filesystem;

// A rolling terrain of 500 x 1000 quads, two triangles each: 1,000,000
// triangles over 501,501 shared vertices. The rolling keeps neighbouring
// triangles out of one plane, so nearly every edge is a feature edge.
const fs::path& TerrainObj() {
  static const fs::path path = [] {
    fs::path p = fs::temp_directory_path() / ("korvex_bench_terrain_" + std::to_string(::getpid()) + ".obj");
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(p.c_str(), "w"), std::fclose);
    const int n = 500, m = 1000;
    std::fputs("o terrain\n", f.get());
    for (int j = 0; j <= m; ++j)
      for (int i = 0; i <= n; ++i)
        std::fprintf(f.get(), "v %.4f %.4f %.4f\n", i * 1.0, std::sin(i * 0.1) * std::cos(j * 0.07) * 3.0, j * 1.0);
    for (int j = 0; j < m; ++j)
      for (int i = 0; i < n; ++i) {
        const int a = j * (n + 1) + i + 1, b = a + 1, c = a + n + 1, d = c + 1;
        std::fprintf(f.get(), "f %d %d %d\nf %d %d %d\n", a, b, d, a, d, c);
      }
    return p;
  }();
  return path;
}

struct RemoveTerrain {
  ~RemoveTerrain() {
    std::error_code ec;
    fs::remove(TerrainObj(), ec);
  }
};

void BM_AssimpRawImport(benchmark::State& state) {
  const std::string path = TerrainObj().string();
  for (auto _ : state) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, 0);
    if (!scene) state.SkipWithError("Assimp could not read the terrain");
    benchmark::DoNotOptimize(scene);
  }
}
BENCHMARK(BM_AssimpRawImport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_PluginImport(benchmark::State& state) {
  static RemoveTerrain cleanup;
  const std::string path = TerrainObj().string();
  const fs::path folder = fs::temp_directory_path() / ("korvex_bench_plugin_" + std::to_string(::getpid()));
  fs::create_directories(folder / "FilePlugin");
  fs::copy_file(KORVEX_ASSIMP_OBJ_PLUGIN, folder / "FilePlugin" / "assimp_obj.so",
                fs::copy_options::overwrite_existing);
  {
    CInkFile host;
    host.LoadFrom(folder);
    for (auto _ : state) {
      InkSceneSettings settings;
      std::unique_ptr<CInkNode> tree(host.Import(0, path.c_str(), &settings));
      if (!tree) state.SkipWithError("the plug-in could not read the terrain");
    }
  }
  fs::remove_all(folder);
}
BENCHMARK(BM_PluginImport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
