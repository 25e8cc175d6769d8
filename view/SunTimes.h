// The sun of the time dialog: the times of day the user can pick, each with a
// solar azimuth and altitude, the site's north angle, and the sun vector made
// of them. The times come from the plan file of the current plan folder, else
// from a built-in table of one summer day; the north angle from the project
// file one folder up. Neither file is ever written.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/gm_types.h"

namespace korvex {

// One time of the list: degrees from south (negative towards east, that is
// morning) and degrees above the horizon.
struct SunEntry {
  double azimuth = 0.0;
  double altitude = 0.0;
  friend bool operator==(const SunEntry&, const SunEntry&) = default;
};

// The list of the time dialog: one entry and one list line per time.
struct SunTimeList {
  std::vector<SunEntry> entries;
  std::vector<std::string> lines;  // "%02ld時 %02ld分", UTF-8
  std::vector<long> times;         // hhmm, as the plan file writes them
};

// The list line of a time written as hhmm (830 is 08時 30分).
std::string SunTimeLine(long hhmm);

// The index of the time "HH:MM" (or "H:MM") in the list, or -1 when the
// text is no such time or the list does not hold it.
int FindSunTime(const SunTimeList& list, std::string_view clock);

// The 17 times from 08:00 to 16:00 every half hour.
SunTimeList DefaultSunTimes();

// The list of the plan folder `currentFolder`: its "Plan.tmp", else its
// "Plan.land", section "[PLANDATA_TIMEDIRECTION]", "point" lines. Without a
// readable plan file the built-in table; a plan file without "point" lines
// gives an empty list.
SunTimeList ReadSunTimes(const std::filesystem::path& currentFolder);

// The north angle in radians from "../Project.tmp", else "../Project.data"
// (relative to `currentFolder`), section "[PROJECTDATA_FRE]", the last
// "north" line. 0 without a file or line.
double ReadProjectNorth(const std::filesystem::path& currentFolder);

// The sun vector of length 100 that points from the scene to the sun, for
// an azimuth from south and an altitude in degrees and the site's north in
// radians. The model's +Y is north and +X east when north is 0.
GMVector SunVectorFromAngles(double azimuthFromSouthDegrees, double altitudeDegrees, double northRadians);

// What the time dialog shows and gives back. The caller sets `selection`
// and `createShadow`; LoadTimeDialog fills the rest; AcceptTimeDialog is
// the dialog's OK.
struct TimeDialogValues {
  int selection = 0;          // list index, in and out
  bool createShadow = false;  // "影を作製する"
  bool flipNorth = false;     // "真北の反転"
  double north = 0.0;         // radians, from the project file
  SunTimeList times;
  GMVector sunVector;     // length 100, towards the sun
  GMVector sunDirection;  // the same, length 1
};

// Fills the north angle and the list for the plan folder `currentFolder`.
void LoadTimeDialog(TimeDialogValues& values, const std::filesystem::path& currentFolder);

// OK with list line `selectedLine` highlighted (-1 none, which counts as the
// first line). Computes the sun vector and direction and the selection.
// An empty list has no time to take: OK is refused (false) and the values
// stay as they were, so the caller's sun does not change.
bool AcceptTimeDialog(TimeDialogValues& values, int selectedLine);

}  // namespace korvex
