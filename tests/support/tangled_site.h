// A site with a solid whose ends are badly tangled: a prism between two
// copies of a ring of random points, so that both end faces cross
// themselves everywhere and their triangulation gives up. A plain house
// stands beside it.
#pragma once

#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace korvex_test {

inline std::string TangledSiteK3d(int points = 1000) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> coordinate(0.0, 10.0);
  std::vector<std::pair<double, double>> ring(static_cast<std::size_t>(points));
  for (auto& [x, y] : ring) x = coordinate(rng), y = coordinate(rng);
  std::string text = "HEADER\n0,0\nSOLIDV,Z0,0,g,1,1,1,0,4,1,house\n0,0,0\n4,0,0\n4,3,0\n0,3,0\n0,0,3\n"
                     "SOLIDF,Z0,0,g,1,1,1,0," + std::to_string(points) + ",1,knot\n0\n";
  for (const double z : {0.0, 3.0})
    for (const auto& [x, y] : ring) {
      char line[96];
      std::snprintf(line, sizeof line, "%.4f,%.4f,%g\n", x, y, z);
      text += line;
    }
  return text;
}

}  // namespace korvex_test
