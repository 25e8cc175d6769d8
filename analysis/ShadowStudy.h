// A whole daylight regulation study: the hours grid, the equal-time lines,
// the hourly outlines and the check of the regulated lines at 5 m and 10 m
// outside the site, and the folder of files it leaves (hours.csv,
// contours.geojson/.dxf, outlines.geojson/.dxf, report.json). A study can
// be cut into strips (tiles) that separate processes compute; their merge
// writes exactly the files of one run.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analysis/ShadowHours.h"
#include "analysis/ShadowLines.h"

namespace korvex::analysis {

struct StudyPlan {
  SunWindow window;
  bool longitudeGiven = false;
  double height = 4.0;  // the plane above the ground
  std::optional<double> ground;  // default: the lowest point of the faces
  double grid = 1.0;
  std::optional<Area> area;  // default: the faces' footprint grown by 60
  std::vector<double> contours{1, 2, 2.5, 3, 4, 5};
  int outlineStepMinutes = 60;
  std::vector<Point2> site;  // empty: no regulated lines
  std::optional<std::array<double, 2>> limits;  // hours beyond 5 m and 10 m
  std::string crs;  // "EPSG:…" when the north came from a coordinate system
  int tile = 1, tiles = 1;
};

// The regulated lines lie this far outside the site.
inline constexpr std::array<double, 2> kRegulatedOffsets{5.0, 10.0};
// The footprint is grown by this much for the default area.
inline constexpr double kDefaultMargin = 60.0;

// Why the plan cannot run with these faces (see SunWindowProblem, MakeGrid,
// CheckSite, and a tile outside 1 … N, an outline step under a minute,
// contour hours that are not positive, limits that are negative). Empty
// when it can.
std::string StudyPlanProblem(const StudyPlan& plan, const TriangleSoup& faces);

// The worst point of a regulated line.
struct LineCheck {
  double offset = 0;
  Polyline line;
  std::optional<double> maxHours;  // none when every point is inside a solid
  Point2 at;
  std::size_t index = 0;  // of the worst sample along the line; ties go to the first
};

struct HourlyOutline {
  int minutes = 0;  // after midnight, in the window's time
  std::vector<Ring2Set> polygons;
};

struct StudyResult {
  StudyPlan plan;
  Grid grid;
  double ground = 0;
  RowRange rows;               // the rows computed (all of them without tiles)
  std::vector<double> hours;   // rows × nx, quantised; NaN inside solids
  std::vector<HourlyOutline> outlines;  // only in a single run and in tile 1
  std::vector<Ring2Set> footprint;      // the model seen from above, clipped to the area; likewise
  std::vector<LineCheck> lines;         // only with a site
  bool cancelled = false;
};

// With a coordinate system in the plan: the latitude, longitude and north of
// the faces' centre (the area's, for a model without faces) go into its
// window. False, with PROJ's reason in `problem`, when the system cannot
// place it.
bool ApplyCrs(StudyPlan& plan, const TriangleSoup& faces, std::string* problem);

// Runs the plan (a strip of it for a tile) on the faces. The plan must have
// passed StudyPlanProblem.
StudyResult RunStudy(const StudyPlan& plan, const TriangleSoup& faces, const Progress& progress = {});

// The study's lines after its hours: the equal-time lines of one contour
// level each, in the plan's order.
std::vector<std::vector<Polyline>> StudyContours(const StudyResult& result);

// Writes the folder of a whole study (a single run or a merge): every file
// is replaced whole. The error in `error`.
bool WriteStudy(const StudyResult& result, const std::filesystem::path& folder, std::string* error);

// Writes a tile's folder: its rows, its share of the regulated lines and the
// run it belongs to (tile.json), the outlines from tile 1.
bool WriteTile(const StudyResult& result, const std::filesystem::path& folder, std::string* error);

// Joins the tile folders of one run into the study a single run gives.
// `usage` is set when the tiles cannot go together (of different runs,
// missing or repeated), as opposed to a file that cannot be read.
std::optional<StudyResult> MergeTiles(const std::vector<std::filesystem::path>& tiles, std::string* error,
                                      bool* usage);

// report.json of a study, as text.
std::string StudyReport(const StudyResult& result);

// "HH:MM" of hours.
std::string ClockText(double hours);

}  // namespace korvex::analysis
