// korvex-cli shadowhours and shadowhours-merge: the daylight regulation
// study of a model (analysis/ShadowStudy.h) from a script, whole or in
// strips that separate processes compute and a merge joins.
#pragma once

#include <string_view>
#include <vector>

namespace korvex::cli {

inline constexpr const char* kShadowHoursUsage =
    "usage: korvex-cli shadowhours MODEL -o DIR --lat DEG [--lon DEG] --date YYYY-MM-DD\n"
    "                  [--from HH:MM] [--to HH:MM] [--clock-time --utc-offset H]\n"
    "                  [--height M] [--ground Z] [--grid M] [--area X0,Y0,X1,Y1]\n"
    "                  [--contours H,H,...] [--outline-step MINUTES] [--site X,Y,X,Y,...]\n"
    "                  [--limits H5,H10] [--north RADIANS | --crs EPSG:CODE] [--tile K/N] [--json]\n"
    "  For every point of a grid on the plane --height (default 4) above the ground\n"
    "  (default the model's lowest point), the hours it lies in the model's shadow\n"
    "  between --from and --to (default 08:00 to 16:00 true solar time; with\n"
    "  --clock-time, clock time at --utc-offset and --lon). Writes DIR/hours.csv,\n"
    "  contours.geojson/.dxf (default 1,2,2.5,3,4,5 hours), outlines.geojson/.dxf\n"
    "  (every --outline-step minutes, default 60) and report.json, with the longest\n"
    "  shading on the lines 5 m and 10 m outside --site and, with --limits, whether\n"
    "  each stays within its limit. With --crs the model's x and y are easting and\n"
    "  northing in that system: the latitude, longitude and true north come from\n"
    "  the model's centre. --tile K/N computes the K-th of N strips only.\n";

inline constexpr const char* kShadowHoursMergeUsage =
    "usage: korvex-cli shadowhours-merge -o DIR TILEDIR...\n"
    "  Joins the tiles of one run into the files a single run writes.\n";

// Exit status: 0 done, 1 failed (one line on standard error), 2 a wrong
// command line or input the study cannot take, 130 stopped by Ctrl+C.
int RunShadowHours(const std::vector<std::string_view>& args);
int RunShadowHoursMerge(const std::vector<std::string_view>& args);

}  // namespace korvex::cli
