// The shadow-hours study against an independent reference: a box tower on
// flat ground, whose shadow at any moment is known by intersecting the ray
// towards the sun with the box, sampled every two seconds of the window.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/ShadowHours.h"
#include "analysis/ShadowLines.h"
#include "analysis/ShadowStudy.h"
#include "../support/scratch_folder.h"

namespace fs = std::filesystem;
using namespace korvex;
using namespace korvex::analysis;

namespace {

// The tower: 20 × 20 m, 40 m tall, on the ground at z = 0; walls and roof
// only, as buildings are often drawn.
constexpr double kSide = 20, kTall = 40;
constexpr double kLatitude = 35.68;  // Tokyo
constexpr double kPlane = 4.0;

TriangleSoup Tower(double x0 = 0, double y0 = 0) {
  const double x1 = x0 + kSide, y1 = y0 + kSide;
  const GMVector p[8] = {{x0, y0, 0},     {x1, y0, 0},     {x1, y1, 0},     {x0, y1, 0},
                         {x0, y0, kTall}, {x1, y0, kTall}, {x1, y1, kTall}, {x0, y1, kTall}};
  TriangleSoup soup;
  auto quad = [&](int a, int b, int c, int d) {
    soup.Add(p[a], p[b], p[c]);
    soup.Add(p[a], p[c], p[d]);
  };
  quad(0, 1, 5, 4);
  quad(1, 2, 6, 5);
  quad(2, 3, 7, 6);
  quad(3, 0, 4, 7);
  quad(4, 5, 6, 7);
  return soup;
}

SunWindow Solstice() {
  SunWindow window;
  window.site.year = 2026;
  window.site.month = 12;
  window.site.day = 22;
  window.site.latitude = kLatitude;
  window.site.longitude = 139.77;
  window.site.utcOffsetHours = 9;
  return window;
}

// The reference: the sun from the textbook formulas of true solar time,
// the shadow from the ray's passage through the box's three slabs.
struct Reference {
  double declination;  // degrees
  double x0 = 0, y0 = 0;

  bool Blocked(double px, double py, double pz, double hours) const {
    const double r = M_PI / 180;
    const double h = 15 * (hours - 12) * r, phi = kLatitude * r, d = declination * r;
    const double altitude = std::asin(std::sin(phi) * std::sin(d) + std::cos(phi) * std::cos(d) * std::cos(h));
    if (altitude <= 0) return false;
    const double azimuth =  // from south, westward
        std::atan2(std::cos(d) * std::sin(h), std::sin(phi) * std::cos(d) * std::cos(h) - std::cos(phi) * std::sin(d));
    const double dir[3] = {-std::sin(azimuth) * std::cos(altitude), -std::cos(azimuth) * std::cos(altitude),
                           std::sin(altitude)};
    const double from[3] = {px, py, pz};
    const double low[3] = {x0, y0, 0}, high[3] = {x0 + kSide, y0 + kSide, kTall};
    double enter = 0, leave = INFINITY;
    for (int a = 0; a < 3; ++a) {
      if (std::fabs(dir[a]) < 1e-12) {
        if (from[a] < low[a] || from[a] > high[a]) return false;
        continue;
      }
      double t0 = (low[a] - from[a]) / dir[a], t1 = (high[a] - from[a]) / dir[a];
      if (t0 > t1) std::swap(t0, t1);
      enter = std::max(enter, t0);
      leave = std::min(leave, t1);
    }
    return enter < leave;
  }
  // Shaded hours, counted every two seconds at their middles.
  double Hours(double px, double py, double pz = kPlane, double from = 8, double to = 16) const {
    const int steps = static_cast<int>(std::lround((to - from) * 1800));
    int shaded = 0;
    for (int s = 0; s < steps; ++s) shaded += Blocked(px, py, pz, from + (s + 0.5) / 1800.0);
    return shaded / 1800.0;
  }
};

Reference ReferenceFor(const SunWindow& window) {
  const SunPath path(window);
  return {path.Declination()};
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

double RingArea(const Polyline& ring) {
  double twice = 0;
  for (std::size_t i = 0; i + 1 < ring.size(); ++i) twice += ring[i].x * ring[i + 1].y - ring[i + 1].x * ring[i].y;
  return std::fabs(twice) / 2;
}

StudyPlan TowerPlan() {
  StudyPlan plan;
  plan.window = Solstice();
  plan.longitudeGiven = true;
  plan.height = kPlane;
  plan.grid = 2.0;
  plan.area = Area{-40, -10, 60, 100};
  plan.site = {{-5, -5}, {25, -5}, {25, 25}, {-5, 25}};
  plan.limits = std::array<double, 2>{5, 3};
  return plan;
}

}  // namespace

TEST(ShadowHours, BoxTowerAgreesWithTheSunsPathThroughTheBoxToAMinute) {
  const SunWindow window = Solstice();
  ASSERT_EQ(SunWindowProblem(window), "");
  const Reference reference = ReferenceFor(window);
  // The winter solstice: the sun's declination is its southernmost.
  EXPECT_NEAR(reference.declination, -23.44, 0.01);

  const ShadowCaster caster(Tower(), window);
  // North of the tower (long shading), at its corners' shadows (short,
  // morning or afternoon only), far away, and south of it (none).
  const double points[][2] = {{10, 25}, {10, 45}, {-3, 30}, {23, 30}, {-15, 40}, {35, 40},
                              {10, 90}, {50, 60}, {-40, 55}, {10, -5}, {30, 10}, {-8, 10}};
  for (const auto& p : points) {
    const double expected = reference.Hours(p[0], p[1]);
    const auto hours = caster.HoursAt(p[0], p[1], kPlane);
    ASSERT_TRUE(hours.has_value()) << p[0] << "," << p[1];
    EXPECT_NEAR(*hours, expected, 1.0 / 60) << "at " << p[0] << "," << p[1];
  }
  // Some of the points must be shaded for a while and some not at all, or
  // the comparison proves little.
  EXPECT_GT(reference.Hours(10, 25), 5.0);
  EXPECT_EQ(reference.Hours(10, -5), 0.0);

  // Inside the tower there is no measurement, whether or not it has a floor.
  EXPECT_FALSE(caster.HoursAt(10, 10, kPlane).has_value());
  EXPECT_FALSE(caster.HoursAt(1, 19, kPlane).has_value());
  EXPECT_TRUE(caster.HoursAt(10, 10, kTall + 1).has_value());

  // A window of clock time with the full solar position, set to the clock
  // times of 08:00 and 16:00 true solar time that day: the same hours, but
  // for the atmosphere's refraction, which lifts a low sun a little.
  SunWindow clock = window;
  clock.clockTime = true;
  SolarInput noon = window.site;
  const double transit = ComputeSolarPosition(noon)->day.transit;
  clock.fromHours = 8 + (transit - 12);
  clock.toHours = 16 + (transit - 12);
  ASSERT_EQ(SunWindowProblem(clock), "");
  const ShadowCaster byClock(Tower(), clock);
  for (const auto& p : {std::array<double, 2>{-15, 40}, {35, 40}, {10, 45}})
    EXPECT_NEAR(*byClock.HoursAt(p[0], p[1], kPlane), reference.Hours(p[0], p[1]), 3.0 / 60) << p[0] << "," << p[1];
}

TEST(ShadowHours, WindowsAndGridsThatCannotBeUsedAreRefused) {
  SunWindow window = Solstice();
  window.site.latitude = 80;
  EXPECT_NE(SunWindowProblem(window).find("polar night"), std::string::npos);
  window.site.latitude = 62;  // the sun rises after 08:00 there at midwinter
  EXPECT_NE(SunWindowProblem(window).find("outside the day"), std::string::npos);
  window.fromHours = 10;
  window.toHours = 14;
  EXPECT_EQ(SunWindowProblem(window), "");
  window.toHours = 10;
  EXPECT_NE(SunWindowProblem(window).find("empty"), std::string::npos);
  window.site.latitude = 91;
  window.toHours = 14;
  EXPECT_NE(SunWindowProblem(window), "");

  std::string problem;
  EXPECT_FALSE(MakeGrid({0, 0, 10, 10}, 0, 0, &problem));
  EXPECT_FALSE(MakeGrid({0, 0, 10, 10}, -1, 0, &problem));
  EXPECT_FALSE(MakeGrid({0, 0, 10000, 10000}, 1, 0, &problem));  // a hundred million points
  EXPECT_NE(problem.find("50 million"), std::string::npos);
  EXPECT_FALSE(MakeGrid({0, 0, 0, 10}, 1, 0, &problem));
  const auto grid = MakeGrid({0, 0, 10, 4.5}, 0.5, 0, &problem);
  ASSERT_TRUE(grid);
  EXPECT_EQ(grid->nx, 21);
  EXPECT_EQ(grid->ny, 10);

  // Strips cover the rows once, in order.
  int next = 0;
  for (int k = 1; k <= 7; ++k) {
    const RowRange rows = TileRows(20, k, 7);
    EXPECT_EQ(rows.first, next);
    next = rows.last;
  }
  EXPECT_EQ(next, 20);

  std::vector<Point2> crossed = {{0, 0}, {10, 10}, {10, 0}, {0, 10}};
  EXPECT_FALSE(CheckSite(crossed, &problem));
  EXPECT_NE(problem.find("crosses itself"), std::string::npos);
  EXPECT_FALSE(CheckSite(std::vector<Point2>{{0, 0}, {1, 0}}, &problem));
  EXPECT_TRUE(CheckSite(std::vector<Point2>{{0, 0}, {1, 0}, {1, 1}}, &problem));
}

TEST(ShadowHours, EqualTimeLinesAndRegulatedLinesLieWhereTheReferencePutsThem) {
  StudyPlan plan = TowerPlan();
  plan.grid = 1.0;
  plan.contours = {1, 2, 3};
  const StudyResult result = RunStudy(plan, Tower());
  ASSERT_FALSE(result.cancelled);
  const Reference reference = ReferenceFor(plan.window);

  // Every point of an equal-time line lies within one grid step of where
  // the reference crosses the line's hours.
  const auto levels = StudyContours(result);
  for (std::size_t k = 0; k < levels.size(); ++k) {
    ASSERT_FALSE(levels[k].empty()) << plan.contours[k];
    int checked = 0;
    for (const Polyline& line : levels[k])
      for (std::size_t i = 0; i < line.size(); i += 3, ++checked) {
        const double x = line[i].x, y = line[i].y;
        const double around[] = {reference.Hours(x, y), reference.Hours(x - 1, y), reference.Hours(x + 1, y),
                                 reference.Hours(x, y - 1), reference.Hours(x, y + 1)};
        EXPECT_LE(*std::min_element(std::begin(around), std::end(around)), plan.contours[k]) << x << "," << y;
        EXPECT_GE(*std::max_element(std::begin(around), std::end(around)), plan.contours[k]) << x << "," << y;
      }
    EXPECT_GT(checked, 10);
  }

  // The regulated lines: the reference walks the same rounded squares
  // (the site grown by 5 m and 10 m) and finds the greatest shading.
  ASSERT_EQ(result.lines.size(), 2u);
  for (int k = 0; k < 2; ++k) {
    const double d = kRegulatedOffsets[k];
    double worst = 0;
    auto walk = [&](double x, double y) { worst = std::max(worst, reference.Hours(x, y)); };
    for (double s = -5; s <= 25; s += 0.5) {
      walk(s, 25 + d);
      walk(s, -5 - d);
      walk(-5 - d, s);
      walk(25 + d, s);
    }
    for (double a = 0; a < 2 * M_PI; a += M_PI / 180) {
      const double cx = std::cos(a) >= 0 ? 25 : -5, cy = std::sin(a) >= 0 ? 25 : -5;
      walk(cx + d * std::cos(a), cy + d * std::sin(a));
    }
    const LineCheck& check = result.lines[k];
    ASSERT_TRUE(check.maxHours.has_value());
    EXPECT_NEAR(*check.maxHours, worst, 2.0 / 60) << "offset " << d;
    // The worst point lies on the line.
    const double dx = std::max({-5 - check.at.x, check.at.x - 25, 0.0});
    const double dy = std::max({-5 - check.at.y, check.at.y - 25, 0.0});
    EXPECT_NEAR(std::hypot(dx, dy), d, 0.05);
  }
  // With limits either side of the worst times, one line passes and one fails.
  plan.limits = std::array<double, 2>{*result.lines[0].maxHours - 0.2, *result.lines[1].maxHours + 0.2};
  StudyResult judged = result;
  judged.plan.limits = plan.limits;
  const std::string report = StudyReport(judged);
  EXPECT_NE(report.find("\"pass\": false"), std::string::npos);
  EXPECT_NE(report.find("\"pass\": true"), std::string::npos);
}

TEST(ShadowHours, HourlyOutlineIsTheTowersShadowOnThePlane) {
  StudyPlan plan = TowerPlan();
  plan.area = Area{-200, -50, 200, 250};
  plan.grid = 10;
  const StudyResult result = RunStudy(plan, Tower());
  ASSERT_EQ(result.outlines.size(), 9u);  // 08:00 … 16:00
  const HourlyOutline& noon = result.outlines[4];
  EXPECT_EQ(noon.minutes, 12 * 60);
  ASSERT_EQ(noon.polygons.size(), 1u);
  // At noon the sun stands due south: the shadow is the footprint drawn
  // out northwards by the height above the plane over tan(altitude).
  const double altitude = 90 - kLatitude + ReferenceFor(plan.window).declination;
  const double length = (kTall - kPlane) / std::tan(altitude * M_PI / 180);
  EXPECT_NEAR(RingArea(noon.polygons[0].rings[0]), kSide * (kSide + length), 0.5);
  double north = -INFINITY;
  for (const Point2& p : noon.polygons[0].rings[0]) north = std::max(north, p.y);
  EXPECT_NEAR(north, kSide + length, 1e-6);
}

TEST(ShadowHours, TilesMergedEqualOneRunByteForByteAndOnlyTilesOfOneRunMerge) {
  const korvex_test::ScratchFolder scratch;
  const fs::path whole = scratch.path() / "whole", merged = scratch.path() / "merged";
  // Two towers, so that several strips hold shading and the lines' worst
  // points may fall in any of them.
  TriangleSoup faces = Tower();
  for (const GMVector& p : Tower(30, 40).points) faces.points.push_back(p);
  StudyPlan plan = TowerPlan();
  std::string error;
  ASSERT_EQ(StudyPlanProblem(plan, faces), "");
  ASSERT_TRUE(WriteStudy(RunStudy(plan, faces), whole, &error)) << error;

  std::vector<fs::path> tiles;
  for (int k = 3; k >= 1; --k) {  // in any order
    StudyPlan part = plan;
    part.tile = k;
    part.tiles = 3;
    tiles.push_back(scratch.path() / ("tile" + std::to_string(k)));
    ASSERT_TRUE(WriteTile(RunStudy(part, faces), tiles.back(), &error)) << error;
  }
  bool usage = true;
  const auto joined = MergeTiles(tiles, &error, &usage);
  ASSERT_TRUE(joined) << error;
  ASSERT_TRUE(WriteStudy(*joined, merged, &error)) << error;
  for (const char* name :
       {"hours.csv", "contours.geojson", "contours.dxf", "outlines.geojson", "outlines.dxf", "report.json"}) {
    const std::string a = Read(whole / name);
    EXPECT_FALSE(a.empty()) << name;
    EXPECT_TRUE(a == Read(merged / name)) << name << " differs";
  }
  EXPECT_NE(Read(whole / "report.json").find("\"lines\""), std::string::npos);

  // A missing tile, a tile twice, a tile of another run.
  EXPECT_FALSE(MergeTiles({tiles[0], tiles[1]}, &error, &usage));
  EXPECT_TRUE(usage);
  EXPECT_NE(error.find("missing"), std::string::npos);
  EXPECT_FALSE(MergeTiles({tiles[0], tiles[1], tiles[1]}, &error, &usage));
  EXPECT_TRUE(usage);
  StudyPlan other = plan;
  other.height = 1.5;
  other.tile = 2;
  other.tiles = 3;
  const fs::path stranger = scratch.path() / "stranger";
  ASSERT_TRUE(WriteTile(RunStudy(other, faces), stranger, &error));
  EXPECT_FALSE(MergeTiles({tiles[0], stranger, tiles[2]}, &error, &usage));
  EXPECT_TRUE(usage);
  EXPECT_NE(error.find("different runs"), std::string::npos);
}

TEST(ShadowHours, WithoutFacesEveryPointHasZeroHours) {
  StudyPlan plan = TowerPlan();
  plan.site.clear();
  plan.limits.reset();
  const TriangleSoup none;
  EXPECT_EQ(StudyPlanProblem(plan, none), "");
  const StudyResult result = RunStudy(plan, none);
  ASSERT_EQ(result.hours.size(), result.grid.Points());
  EXPECT_TRUE(std::all_of(result.hours.begin(), result.hours.end(), [](double h) { return h == 0; }));
  plan.area.reset();
  EXPECT_NE(StudyPlanProblem(plan, none).find("area is empty"), std::string::npos);
}
