// korvex-cli sun and sunstudy: where the sun stands for a date, a time and a
// place, and the shadows of a model at every step of a day.
#pragma once

#include <string_view>
#include <vector>

namespace korvex::cli {

inline constexpr const char* kSunUsage =
    "usage: korvex-cli sun --lat DEG --lon DEG --date YYYY-MM-DD --time HH:MM[:SS] --utc-offset H\n"
    "                      [--elevation M] [--pressure MBAR] [--temperature C] [--delta-t S]\n"
    "                      [--north RADIANS] [--json]\n"
    "  Prints the sun's zenith and azimuth (from north, eastward), its altitude and\n"
    "  azimuth from south (negative towards east, as the time dialog lists them),\n"
    "  the viewer's sun vector (length 100, with the site's north angle) and the\n"
    "  local sunrise, transit and sunset. Longitude east positive; the time is the\n"
    "  local clock at the UTC offset. Defaults: 0 m, 1013.25 mbar, 15 C, 69 s.\n";

inline constexpr const char* kSunStudyUsage =
    "usage: korvex-cli sunstudy MODEL -o DIR --lat DEG --lon DEG --utc-offset H --date YYYY-MM-DD\n"
    "                           [--from HH:MM] [--to HH:MM] [--step MINUTES] [--north RADIANS]\n"
    "                           [--size WxH] [--view reset|plan|elevation|back|left|right]\n"
    "                           [--txi FILE] [--bil FILE] [--elevation M] [--pressure MBAR]\n"
    "                           [--temperature C] [--delta-t S] [--section z=H|x=V|y=V|a,b,c,d]...\n"
    "  For every step from --from to --to (default 08:00 to 16:00 hourly) with the\n"
    "  sun above the horizon, makes the shadows as the viewer's shadow command does\n"
    "  and writes DIR/HHMM.jpg; then DIR/sun.csv with the suns of the pictures and\n"
    "  DIR/sheet.jpg with every picture labelled. Ctrl+C stops after the picture\n"
    "  being drawn, keeping the pictures and the table written so far.\n"
    "  --section cuts the model open as for render, up to three times; what a\n"
    "  plane removes casts no shadow.\n";

// Exit status: 0 done, 1 failed (one line on standard error), 2 a wrong
// command line; sunstudy 130 when stopped by Ctrl+C.
int RunSun(const std::vector<std::string_view>& args);
int RunSunStudy(const std::vector<std::string_view>& args);

}  // namespace korvex::cli
