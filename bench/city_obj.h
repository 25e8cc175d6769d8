// A city of 2,000,000 triangles as OBJ: 166,667 boxes (blocks of buildings
// of varying height on a street grid), twelve triangles each, every box its
// own object. Written once per program to the temporary folder and removed
// when the program ends.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace korvex_bench {

class CityObjFile {
 public:
  CityObjFile()
      : path_(std::filesystem::temp_directory_path() / ("korvex_bench_city_" + std::to_string(::getpid()) + ".obj")) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path_.c_str(), "w"), std::fclose);
    if (!f) return;
    constexpr int kBoxes = 166'667;
    constexpr int kRow = 409;  // boxes per street
    static const int faces[12][3] = {{1, 3, 2}, {1, 4, 3}, {5, 6, 7}, {5, 7, 8}, {1, 2, 6}, {1, 6, 5},
                                     {2, 3, 7}, {2, 7, 6}, {3, 4, 8}, {3, 8, 7}, {4, 1, 5}, {4, 5, 8}};
    for (int b = 0; b < kBoxes; ++b) {
      const double x = (b % kRow) * 12.0, y = (b / kRow) * 12.0;
      const double h = 6.0 + (b * 7919 % 40);
      std::fprintf(f.get(), "o b%d\n", b);
      for (int level = 0; level < 2; ++level) {
        const double z = level ? h : 0.0;
        std::fprintf(f.get(), "v %.1f %.1f %.1f\nv %.1f %.1f %.1f\nv %.1f %.1f %.1f\nv %.1f %.1f %.1f\n", x, y, z,
                     x + 10, y, z, x + 10, y + 10, z, x, y + 10, z);
      }
      const int base = b * 8;
      for (const auto& t : faces) std::fprintf(f.get(), "f %d %d %d\n", base + t[0], base + t[1], base + t[2]);
    }
  }
  ~CityObjFile() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  CityObjFile(const CityObjFile&) = delete;
  CityObjFile& operator=(const CityObjFile&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline const std::filesystem::path& CityObj() {
  static const CityObjFile file;
  return file.Path();
}

}  // namespace korvex_bench
