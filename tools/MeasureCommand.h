// korvex-cli measure: a distance between two points of a model, or the area
// and perimeter of the planar face of the model at a point.
#pragma once

#include <string_view>
#include <vector>

namespace korvex::cli {

inline constexpr const char* kMeasureUsage =
    "usage: korvex-cli measure MODEL --points X,Y,Z X,Y,Z [--json]\n"
    "       korvex-cli measure MODEL --face-at X,Y,Z [--tolerance T] [--json]\n"
    "  --points prints the distance between the two points and its horizontal\n"
    "  (ΔXY) and vertical (ΔZ, positive upwards) parts. --face-at prints the area\n"
    "  and perimeter of the whole planar face of MODEL that holds the point\n"
    "  (every triangle in its plane joined to it) and its normal; the point may\n"
    "  lie T off the face (default 0.001). Lengths in model units with up to 3\n"
    "  decimals, \"m\" for a .k3d model; --json prints one object,\n"
    "  {\"distance\", \"horizontal\", \"vertical\"} or {\"area\", \"perimeter\", \"normal\"}.\n"
    "  Exit status 1 when MODEL cannot be read or the point lies on no face.\n";

// Exit status: 0 measured, 1 the model could not be read or the point lies
// on no face (one line on standard error), 2 a wrong command line.
int RunMeasure(const std::vector<std::string_view>& args);

}  // namespace korvex::cli
