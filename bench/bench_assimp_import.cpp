// Importing a large OBJ through the Assimp-based plug-in. Most of the time is
// Assimp's parsing; what the plug-in adds (welding, the edge table, the
// scene's figure) is compared with Assimp's raw import of the same file.
#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "model/InkNode.h"
#include "city_obj.h"
#include "plugins/InkFile.h"
#include "plugins/IsolatedImport.h"
#include "terrain_obj.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

using korvex_bench::TerrainObj;

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
  const std::string path = TerrainObj().string();
  const fs::path folder = korvex_test::ProgramScratchFolder() / "plugin";
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

// The 2,000,000-triangle city through the OBJ plug-in: read in this process
// with isolation off (argument 0); as the viewer reads it with isolation on
// (1), where the plug-in's own reader takes plain OBJ in the viewer; and
// forced through the import helper (2), which adds starting the helper, the
// ".ink" hand-back and reading it: what keeping a third-party parser out of
// the viewer costs.
void BM_CityImport(benchmark::State& state) {
  const std::string path = korvex_bench::CityObj().string();
  const fs::path folder = korvex_test::ProgramScratchFolder() / "city_plugin";
  fs::create_directories(folder / "FilePlugin");
  fs::copy_file(KORVEX_ASSIMP_OBJ_PLUGIN, folder / "FilePlugin" / "assimp_obj.so",
                fs::copy_options::overwrite_existing);
  korvex::ImportIsolation& isolation = korvex::ImportIsolationSettings();
  const korvex::ImportIsolation saved = isolation;
  isolation.enabled = state.range(0) != 0;
  isolation.inViewerReaders = state.range(0) != 2;
  {
    CInkFile host;
    host.LoadFrom(folder);
    for (auto _ : state) {
      InkSceneSettings settings;
      std::unique_ptr<CInkNode> tree(host.Import(0, path.c_str(), &settings));
      if (!tree) state.SkipWithError(("the plug-in could not read the city: " + host.LastImportFailure()).c_str());
    }
  }
  isolation = saved;
  fs::remove_all(folder);
}
BENCHMARK(BM_CityImport)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
