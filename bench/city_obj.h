// A generated city as OBJ: upright boxes (buildings) on a 10 m grid, each of
// 8 corners and 12 triangles, 4 to 8 m across and 3 to 45 m high, grouped
// into objects of a given number of buildings (a block, or one building each).
// 166,667 buildings make the 2,000,000-triangle city of about 4 km across;
// 16,667 the 200,000-triangle district of about 1.3 km. Used by the
// benchmarks and by scripts/bench-render-city through make-city-obj; the
// files are large and are never kept in the repository.
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

inline constexpr int kCityBuildings = 166667;
inline constexpr int kDistrictBuildings = 16667;

// Writes the city; false when the file cannot be written whole.
inline bool WriteCityObj(const std::filesystem::path& path, int buildings, int perObject) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "w"), std::fclose);
  if (!f || buildings < 1 || perObject < 1) return false;
  const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(buildings))));
  std::fprintf(f.get(), "# %d buildings, %d triangles\n", buildings, buildings * 12);
  for (int b = 0; b < buildings; ++b) {
    if (b % perObject == 0) std::fprintf(f.get(), "o block_%d\n", b / perObject);
    // A cheap, repeatable scatter of sizes, so that no two neighbours match.
    const unsigned h = static_cast<unsigned>(b) * 2654435761u;
    const double x = (b % columns) * 10.0, y = (b / columns) * 10.0;
    const double w = 4.0 + (h >> 8 & 0xFF) / 64.0, d = 4.0 + (h >> 16 & 0xFF) / 64.0;
    const double z = 3.0 + (h >> 24) * 42.0 / 255.0;
    const double xs[2] = {x, x + w}, ys[2] = {y, y + d}, zs[2] = {0.0, z};
    // OBJ holds Y up: a corner (x, y, z) of the site is written (x, z, -y).
    for (int k = 0; k < 8; ++k)
      std::fprintf(f.get(), "v %.2f %.2f %.2f\n", xs[k & 1], zs[k >> 2], ys[k >> 1 & 1] == 0.0 ? 0.0 : -ys[k >> 1 & 1]);
    // Corners 1..8 of this building: bit 0 x, bit 1 y, bit 2 z; every face
    // counter-clockwise seen from outside, as two triangles.
    static constexpr int kFaces[12][3] = {{1, 3, 4}, {1, 4, 2}, {5, 6, 8}, {5, 8, 7}, {1, 2, 6}, {1, 6, 5},
                                          {3, 7, 8}, {3, 8, 4}, {1, 5, 7}, {1, 7, 3}, {2, 4, 8}, {2, 8, 6}};
    const int base = 8 * b;
    for (const auto& t : kFaces) std::fprintf(f.get(), "f %d %d %d\n", base + t[0], base + t[1], base + t[2]);
  }
  return std::fflush(f.get()) == 0 && !std::ferror(f.get());
}

// A city written once per program into the program's scratch folder and removed when
// the program ends.
class CityObjFile {
 public:
  CityObjFile(int buildings, int perObject)
      : path_(korvex_test::ProgramScratchFolder() / ("city_" + std::to_string(buildings) + ".obj")) {
    ok_ = WriteCityObj(path_, buildings, perObject);
  }
  ~CityObjFile() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  CityObjFile(const CityObjFile&) = delete;
  CityObjFile& operator=(const CityObjFile&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  bool Ok() const { return ok_; }

 private:
  std::filesystem::path path_;
  bool ok_ = false;
};

// The 2,000,000-triangle city as one object, as large sites come.
inline const std::filesystem::path& CityObj() {
  static const CityObjFile file(kCityBuildings, kCityBuildings);
  return file.Path();
}

}  // namespace korvex_bench
