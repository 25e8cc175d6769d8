// The 10,000-block sample site of the view benchmarks: blocks of 10 x 8 on a
// 20-unit grid, 3 to 30 high, in 20 zones, as one scene exchange file in the
// temporary folder.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace korvex_bench {

inline const std::filesystem::path& BlockSite() {
  static const std::filesystem::path path = [] {
    std::string text = "HEADER\n0,19\n";
    char line[512];
    for (int i = 0; i < 10000; ++i) {
      const double x = (i % 100) * 20.0, y = (i / 100) * 20.0, h = 3.0 + (i % 10) * 3.0;
      std::snprintf(line, sizeof line,
                    "SOLIDV,Z%d,0,G%d,0.8,0.7,0.6,0,4,1,OBJ%05d\n%g,%g,0\n%g,%g,0\n%g,%g,0\n%g,%g,0\n0,0,%g\n", i % 20,
                    i / 100, i, x, y, x + 10, y, x + 10, y + 8, x, y + 8, h);
      text += line;
    }
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "korvex_bench_view_site.k3d";
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }();
  return path;
}

}  // namespace korvex_bench
