// The 10,000-block sample site of the view benchmarks: blocks of 10 x 8 on a
// 20-unit grid, 3 to 30 high, in 20 zones, as one scene exchange file in the
// program's scratch folder.
#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/scratch_folder.h"

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
    const std::filesystem::path file = korvex_test::ProgramScratchFolder() / "view_site.k3d";
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }();
  return path;
}

// A district of box buildings of about `triangles` triangles on a ground
// slab, as tools/make-district writes it: footprints of 6 to 10 units on a
// 12-unit grid of streets, 6 to 60 high. Written once per size into the
// program's scratch folder.
inline std::filesystem::path District(int triangles) {
  const int buildings = std::max(1, triangles / 12 - 1);
  int row = 1;
  while (row * row < buildings) ++row;
  const std::filesystem::path file =
      korvex_test::ProgramScratchFolder() / ("district_" + std::to_string(triangles) + ".k3d");
  if (std::filesystem::exists(file)) return file;
  std::string text = "HEADER\n0,19\n";
  char line[512];
  const double span = row * 12.0;
  std::snprintf(line, sizeof line,
                "SOLIDV,Z0,0,Ground,0.55,0.6,0.5,0,4,1,GROUND\n-10,-10,-1\n%g,-10,-1\n%g,%g,-1\n-10,%g,-1\n0,0,1\n",
                span + 10, span + 10, span + 10, span + 10);
  text += line;
  unsigned long long seed = 12345;
  for (int i = 0; i < buildings; ++i) {
    seed = (seed * 1103515245ull + 12345ull) % 2147483648ull;
    const int w = 6 + static_cast<int>((seed >> 8) % 5), d = 6 + static_cast<int>((seed >> 12) % 5);
    const int h = 6 + static_cast<int>((seed >> 16) % 55);
    const double x = (i % row) * 12.0, y = (i / row) * 12.0;
    std::snprintf(line, sizeof line,
                  "SOLIDV,Z%d,0,G%d,0.8,0.7,0.6,0,4,1,B%06d\n%g,%g,0\n%g,%g,0\n%g,%g,0\n%g,%g,0\n0,0,%d\n", i % 20,
                  i / row, i, x, y, x + w, y, x + w, y + d, x, y + d, h);
    text += line;
  }
  const std::filesystem::path partial = file.string() + ".part";
  std::ofstream(partial, std::ios::binary) << text;
  std::filesystem::rename(partial, file);
  return file;
}

}  // namespace korvex_bench
