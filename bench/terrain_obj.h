// The 1,000,000-triangle OBJ shared by the benchmarks that import it: a
// rolling terrain of 500 x 1000 quads, two triangles each, over 501,501
// shared vertices. The rolling keeps neighbouring triangles out of one plane,
// so nearly every edge is a feature edge. Written once per program to the
// scratch folder and removed when the program ends.
#pragma once

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "tests/support/scratch_folder.h"

namespace korvex_bench {

class TerrainObjFile {
 public:
  TerrainObjFile()
      : path_(korvex_test::ProgramScratchFolder() / "terrain.obj") {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path_.c_str(), "w"), std::fclose);
    if (!f) return;
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
  }
  ~TerrainObjFile() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  TerrainObjFile(const TerrainObjFile&) = delete;
  TerrainObjFile& operator=(const TerrainObjFile&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline const std::filesystem::path& TerrainObj() {
  static const TerrainObjFile file;
  return file.Path();
}

}  // namespace korvex_bench
