// The billboard placement file (".bil"): upright pictures such as trees and
// people, placed by "ADD" lines:
//
//   ADD x y z width height name
//
// where name is a picture of the program's "BillboardTex" folder without its
// ".bmp". Other lines are skipped. There is no writer: the host planning
// application writes these files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/gm_types.h"

namespace korvex {

struct BilPlacement {
  GMVector position{};  // foot point, model units
  double width = 0.0;
  double height = 0.0;
  std::string name;     // picture name without ".bmp", as the file holds it
};

// The "ADD" lines of a file in order. The keyword is exact ("add" is
// skipped), and so is a line whose numbers or name are missing or whose
// numbers are not finite.
std::vector<BilPlacement> ParseBil(std::string_view bytes);

// The picture of a placement: "<folder>/<name>.bmp", "\" in the name read as
// a separator.
std::string BilPicturePath(const std::filesystem::path& billboardFolder, std::string_view name);

}  // namespace korvex
