#include "analysis/ShadowStudy.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>
#include <system_error>

#include <nlohmann/json.hpp>

#include "analysis/SiteCrs.h"
#include "common/atomic_file.h"
#include "common/number_text.h"

namespace korvex::analysis {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kHoursName = "hours.csv";
constexpr const char* kTileName = "tile.json";
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The plan's footprint leaves out faces lower than this above the ground:
// the ground's own surface and kerbs.
constexpr double kAboveGround = 0.05;

// A coordinate or a value as a person writes it: six decimals at most, no
// trailing zeros, no "-0".
std::string Num(double value) { return TrimmedDecimal(value, 6); }

double Rounded(double value) { return std::strtod(Num(value).c_str(), nullptr); }

std::string HoursText(double hours) {
  if (std::isnan(hours)) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", hours);
  return text;
}

bool Write(const std::filesystem::path& path, const std::string& text, std::string* error) {
  if (ReplaceFileContents(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()})) return true;
  if (error) *error = "cannot write " + path.string();
  return false;
}

bool MakeFolder(const std::filesystem::path& folder, std::string* error) {
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (std::filesystem::is_directory(folder, code)) return true;
  if (error) *error = "cannot make the folder " + folder.string();
  return false;
}

std::string Date(const SolarInput& site) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", site.year, site.month, site.day);
  return text;
}

// ---- the resolved plan ------------------------------------------------------

struct Box {
  GMVector low{INFINITY, INFINITY, INFINITY}, high{-INFINITY, -INFINITY, -INFINITY};
};

Box Bounds(const TriangleSoup& faces) {
  Box box;
  for (const GMVector& p : faces.points) {
    box.low = {std::min(box.low.x, p.x), std::min(box.low.y, p.y), std::min(box.low.z, p.z)};
    box.high = {std::max(box.high.x, p.x), std::max(box.high.y, p.y), std::max(box.high.z, p.z)};
  }
  return box;
}

double GroundOf(const StudyPlan& plan, const TriangleSoup& faces) {
  if (plan.ground) return *plan.ground;
  return faces.Empty() ? 0.0 : Bounds(faces).low.z;
}

std::optional<Area> AreaOf(const StudyPlan& plan, const TriangleSoup& faces) {
  if (plan.area) return plan.area;
  if (faces.Empty()) return std::nullopt;
  const Box box = Bounds(faces);
  return Area{box.low.x - kDefaultMargin, box.low.y - kDefaultMargin, box.high.x + kDefaultMargin,
              box.high.y + kDefaultMargin};
}

// ---- files ------------------------------------------------------------------

std::string HoursCsv(const Grid& grid, RowRange rows, const std::vector<double>& hours) {
  std::string text = "x,y,hours\n";
  text.reserve(hours.size() * 24 + 16);
  std::vector<std::string> xs;
  for (int i = 0; i < grid.nx; ++i) xs.push_back(Num(grid.X(i)));
  for (int j = rows.first; j < rows.last; ++j) {
    const std::string y = Num(grid.Y(j));
    const double* row = hours.data() + static_cast<std::size_t>(j - rows.first) * grid.nx;
    for (int i = 0; i < grid.nx; ++i) {
      text += xs[i];
      text += ',';
      text += y;
      text += ',';
      text += HoursText(row[i]);
      text += '\n';
    }
  }
  return text;
}

void AppendRing(std::string& text, const Polyline& ring) {
  text += '[';
  for (std::size_t i = 0; i < ring.size(); ++i) {
    if (i) text += ',';
    text += '[' + Num(ring[i].x) + ',' + Num(ring[i].y) + ']';
  }
  text += ']';
}

std::string ContoursGeoJson(const StudyPlan& plan, const std::vector<std::vector<Polyline>>& levels) {
  std::string text = "{\"type\":\"FeatureCollection\",\"features\":[";
  for (std::size_t k = 0; k < levels.size(); ++k) {
    if (k) text += ',';
    text += "\n{\"type\":\"Feature\",\"properties\":{\"hours\":" + Num(plan.contours[k]) + "},\"geometry\":";
    const auto& lines = levels[k];
    if (lines.size() == 1) {
      text += "{\"type\":\"LineString\",\"coordinates\":";
      AppendRing(text, lines.front());
    } else {
      text += "{\"type\":\"MultiLineString\",\"coordinates\":[";
      for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += ',';
        AppendRing(text, lines[i]);
      }
      text += ']';
    }
    text += "}}";
  }
  text += "\n]}\n";
  return text;
}

std::string OutlinesGeoJson(const std::vector<HourlyOutline>& outlines) {
  std::string text = "{\"type\":\"FeatureCollection\",\"features\":[";
  for (std::size_t k = 0; k < outlines.size(); ++k) {
    if (k) text += ',';
    text += "\n{\"type\":\"Feature\",\"properties\":{\"time\":\"" + ClockText(outlines[k].minutes / 60.0) +
            "\"},\"geometry\":";
    const auto& polygons = outlines[k].polygons;
    auto appendPolygon = [&](const Ring2Set& polygon) {
      text += '[';
      for (std::size_t r = 0; r < polygon.rings.size(); ++r) {
        if (r) text += ',';
        AppendRing(text, polygon.rings[r]);
      }
      text += ']';
    };
    if (polygons.size() == 1) {
      text += "{\"type\":\"Polygon\",\"coordinates\":";
      appendPolygon(polygons.front());
    } else {
      text += "{\"type\":\"MultiPolygon\",\"coordinates\":[";
      for (std::size_t i = 0; i < polygons.size(); ++i) {
        if (i) text += ',';
        appendPolygon(polygons[i]);
      }
      text += ']';
    }
    text += "}}";
  }
  text += "\n]}\n";
  return text;
}

// An R12 DXF: every CAD program reads it. Lines are 2D polylines lying at
// the plane's height, one layer per value.
class Dxf {
 public:
  void Layer(const std::string& name) {
    layers_ += "0\nLAYER\n2\n" + name + "\n70\n0\n62\n" + std::to_string(1 + count_ % 6) + "\n6\nCONTINUOUS\n";
    ++count_;
  }
  void Line(const std::string& layer, const Polyline& line, double z) {
    const bool closed = line.size() > 2 && line.front() == line.back();
    const std::size_t n = closed ? line.size() - 1 : line.size();
    entities_ += "0\nPOLYLINE\n8\n" + layer + "\n66\n1\n70\n" + (closed ? "1" : "0") + "\n10\n0\n20\n0\n30\n" +
                 Num(z) + "\n";
    for (std::size_t i = 0; i < n; ++i)
      entities_ += "0\nVERTEX\n8\n" + layer + "\n10\n" + Num(line[i].x) + "\n20\n" + Num(line[i].y) + "\n30\n" +
                   Num(z) + "\n";
    entities_ += "0\nSEQEND\n8\n" + layer + "\n";
  }
  std::string Text() const {
    return "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n0\nENDSEC\n0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n" +
           std::to_string(count_) + "\n" + layers_ + "0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n" + entities_ +
           "0\nENDSEC\n0\nEOF\n";
  }

 private:
  std::string layers_, entities_;
  int count_ = 0;
};

// Layer names of R12 take letters, digits, "_", "-" and "$".
std::string HoursLayer(double hours) {
  std::string name = "HOURS_" + Num(hours);
  std::replace(name.begin(), name.end(), '.', '_');
  return name;
}

std::string ContoursDxf(const StudyResult& result, const std::vector<std::vector<Polyline>>& levels) {
  Dxf dxf;
  for (const double level : result.plan.contours) dxf.Layer(HoursLayer(level));
  for (std::size_t k = 0; k < levels.size(); ++k)
    for (const Polyline& line : levels[k]) dxf.Line(HoursLayer(result.plan.contours[k]), line, result.grid.z);
  return dxf.Text();
}

std::string OutlinesDxf(const StudyResult& result) {
  Dxf dxf;
  auto layer = [](int minutes) {
    char name[32];
    std::snprintf(name, sizeof name, "TIME_%02d%02d", minutes / 60, minutes % 60);
    return std::string(name);
  };
  for (const HourlyOutline& outline : result.outlines) dxf.Layer(layer(outline.minutes));
  for (const HourlyOutline& outline : result.outlines)
    for (const Ring2Set& polygon : outline.polygons)
      for (const Polyline& ring : polygon.rings) dxf.Line(layer(outline.minutes), ring, result.grid.z);
  return dxf.Text();
}

// ---- the run a tile belongs to ---------------------------------------------

Json RunJson(const StudyResult& result) {
  const StudyPlan& p = result.plan;
  const SolarInput& s = p.window.site;
  Json run;
  run["date"] = Date(s);
  run["latitude"] = s.latitude;
  run["longitude"] = s.longitude;
  run["longitudeGiven"] = p.longitudeGiven;
  run["utcOffset"] = s.utcOffsetHours;
  run["elevation"] = s.elevation;
  run["pressure"] = s.pressure;
  run["temperature"] = s.temperature;
  run["deltaT"] = s.deltaT;
  run["clockTime"] = p.window.clockTime;
  run["from"] = p.window.fromHours;
  run["to"] = p.window.toHours;
  run["north"] = p.window.north;
  run["height"] = p.height;
  run["ground"] = result.ground;
  run["grid"] = p.grid;
  run["area"] = {result.grid.area.x0, result.grid.area.y0, result.grid.area.x1, result.grid.area.y1};
  run["contours"] = p.contours;
  run["outlineStep"] = p.outlineStepMinutes;
  Json site = Json::array();
  for (const Point2& q : p.site) site.push_back({q.x, q.y});
  run["site"] = site;
  run["limits"] = p.limits ? Json{(*p.limits)[0], (*p.limits)[1]} : Json(nullptr);
  run["crs"] = p.crs;
  run["tiles"] = p.tiles;
  return run;
}

StudyPlan PlanFromRun(const Json& run) {
  StudyPlan p;
  SolarInput& s = p.window.site;
  const std::string date = run.at("date").get<std::string>();
  std::sscanf(date.c_str(), "%d-%d-%d", &s.year, &s.month, &s.day);
  s.latitude = run.at("latitude").get<double>();
  s.longitude = run.at("longitude").get<double>();
  p.longitudeGiven = run.at("longitudeGiven").get<bool>();
  s.utcOffsetHours = run.at("utcOffset").get<double>();
  s.elevation = run.at("elevation").get<double>();
  s.pressure = run.at("pressure").get<double>();
  s.temperature = run.at("temperature").get<double>();
  s.deltaT = run.at("deltaT").get<double>();
  p.window.clockTime = run.at("clockTime").get<bool>();
  p.window.fromHours = run.at("from").get<double>();
  p.window.toHours = run.at("to").get<double>();
  p.window.north = run.at("north").get<double>();
  p.height = run.at("height").get<double>();
  p.ground = run.at("ground").get<double>();
  p.grid = run.at("grid").get<double>();
  const auto area = run.at("area").get<std::vector<double>>();
  if (area.size() == 4) p.area = Area{area[0], area[1], area[2], area[3]};
  p.contours = run.at("contours").get<std::vector<double>>();
  p.outlineStepMinutes = run.at("outlineStep").get<int>();
  for (const auto& q : run.at("site")) p.site.push_back({q.at(0).get<double>(), q.at(1).get<double>()});
  if (!run.at("limits").is_null()) p.limits = std::array<double, 2>{run.at("limits").at(0).get<double>(), run.at("limits").at(1).get<double>()};
  p.crs = run.at("crs").get<std::string>();
  p.tiles = run.at("tiles").get<int>();
  return p;
}

Json RingsJson(const std::vector<Ring2Set>& polygons) {
  Json out = Json::array();
  for (const Ring2Set& polygon : polygons) {
    Json rings = Json::array();
    for (const Polyline& ring : polygon.rings) {
      Json points = Json::array();
      for (const Point2& p : ring) points.push_back({p.x, p.y});
      rings.push_back(std::move(points));
    }
    out.push_back(std::move(rings));
  }
  return out;
}

std::vector<Ring2Set> RingsFromJson(const Json& json) {
  std::vector<Ring2Set> out;
  for (const Json& rings : json) {
    Ring2Set polygon;
    for (const Json& points : rings) {
      Polyline ring;
      for (const Json& p : points) ring.push_back({p.at(0).get<double>(), p.at(1).get<double>()});
      polygon.rings.push_back(std::move(ring));
    }
    out.push_back(std::move(polygon));
  }
  return out;
}

// The worst sample of a line: the greatest hours, the first of equals.
void Worse(LineCheck& check, double hours, std::size_t index, Point2 at) {
  if (std::isnan(hours)) return;
  if (!check.maxHours || hours > *check.maxHours || (hours == *check.maxHours && index < check.index)) {
    check.maxHours = hours;
    check.index = index;
    check.at = at;
  }
}

bool ReadText(const std::filesystem::path& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return static_cast<bool>(in) || in.eof();
}

}  // namespace

std::string ClockText(double hours) {
  const int minutes = static_cast<int>(std::lround(hours * 60.0));
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60, minutes % 60);
  return text;
}

std::string StudyPlanProblem(const StudyPlan& plan, const TriangleSoup& faces) {
  if (plan.tiles < 1 || plan.tile < 1 || plan.tile > plan.tiles)
    return "the tile K/N needs K from 1 to N and N at least 1";
  if (std::string problem = SunWindowProblem(plan.window); !problem.empty()) return problem;
  if (!std::isfinite(plan.height)) return "the plane's height must be a finite number";
  if (plan.ground && !std::isfinite(*plan.ground)) return "the ground level must be a finite number";
  if (plan.outlineStepMinutes < 1) return "the outline step must be at least one minute";
  for (const double level : plan.contours)
    if (!std::isfinite(level) || level <= 0) return "the contour hours must be positive numbers";
  if (plan.limits)
    for (const double limit : *plan.limits)
      if (!std::isfinite(limit) || limit < 0) return "the limits must be hours, zero or more";
  std::string problem;
  if (!plan.site.empty() && !CheckSite(plan.site, &problem)) return problem;
  const std::optional<Area> area = AreaOf(plan, faces);
  if (!area) return "the area is empty: the model has no faces, so give --area";
  if (!MakeGrid(*area, plan.grid, GroundOf(plan, faces) + plan.height, &problem)) return problem;
  return {};
}

bool ApplyCrs(StudyPlan& plan, const TriangleSoup& faces, std::string* problem) {
  if (plan.crs.empty()) return true;
  double x = 0, y = 0;
  if (!faces.Empty()) {
    const Box box = Bounds(faces);
    x = (box.low.x + box.high.x) / 2, y = (box.low.y + box.high.y) / 2;
  } else if (plan.area) {
    x = (plan.area->x0 + plan.area->x1) / 2, y = (plan.area->y0 + plan.area->y1) / 2;
  }
  const auto place = PlaceInCrs(plan.crs, x, y, problem);
  if (!place) return false;
  plan.window.site.latitude = place->latitude;
  plan.window.site.longitude = place->longitude;
  plan.window.north = place->north;
  plan.longitudeGiven = true;
  return true;
}

StudyResult RunStudy(const StudyPlan& plan, const TriangleSoup& faces, const Progress& progress) {
  StudyResult result;
  result.plan = plan;
  result.ground = GroundOf(plan, faces);
  result.plan.ground = result.ground;
  result.plan.area = AreaOf(plan, faces);
  result.grid = *MakeGrid(*result.plan.area, plan.grid, result.ground + plan.height, nullptr);
  result.rows = TileRows(result.grid.ny, plan.tile, plan.tiles);

  const ShadowCaster caster(faces, plan.window);
  auto hours = caster.Rows(result.grid, result.rows, progress);
  if (!hours) {
    result.cancelled = true;
    return result;
  }
  result.hours = std::move(*hours);
  for (double& h : result.hours)
    if (!std::isnan(h)) h = QuantiseHours(h);

  // The regulated lines: each sample belongs to the tile of its nearest row.
  const Grid& grid = result.grid;
  const double spacing = std::min(0.25, grid.step / 2);
  if (!plan.site.empty()) {
    for (const double offset : kRegulatedOffsets) {
      LineCheck check;
      check.offset = offset;
      check.line = OffsetLine(plan.site, offset);
      const std::vector<Point2> along = PointsAlong(check.line, spacing);
      std::vector<GMVector> mine;
      std::vector<std::size_t> index;
      for (std::size_t i = 0; i < along.size(); ++i) {
        const int row = std::clamp(static_cast<int>(std::lround((along[i].y - grid.area.y0) / grid.step)), 0,
                                   grid.ny - 1);
        if (row < result.rows.first || row >= result.rows.last) continue;
        mine.push_back({along[i].x, along[i].y, grid.z});
        index.push_back(i);
      }
      const std::vector<double> values = caster.AtPoints(mine);
      for (std::size_t k = 0; k < values.size(); ++k)
        Worse(check, std::isnan(values[k]) ? values[k] : QuantiseHours(values[k]), index[k],
              {Rounded(mine[k].x), Rounded(mine[k].y)});
      result.lines.push_back(std::move(check));
    }
  }

  // The hourly outlines once: in a single run, or in the first tile.
  if (plan.tile == 1) {
    const SunPath path(plan.window);
    const int from = static_cast<int>(std::lround(plan.window.fromHours * 60));
    const int to = static_cast<int>(std::lround(plan.window.toHours * 60));
    for (int minutes = from; minutes <= to; minutes += plan.outlineStepMinutes) {
      HourlyOutline outline;
      outline.minutes = minutes;
      if (const auto sun = path.At(minutes / 60.0)) outline.polygons = ShadowOutline(faces, *sun, grid);
      result.outlines.push_back(std::move(outline));
    }
    // The model from straight above: what stands on the ground, not the
    // ground itself.
    Grid ground = grid;
    ground.z = result.ground + kAboveGround;
    result.footprint = ShadowOutline(faces, {0, 0, 1}, ground);
  }
  return result;
}

std::vector<std::vector<Polyline>> StudyContours(const StudyResult& result) {
  std::vector<std::vector<Polyline>> levels;
  for (const double level : result.plan.contours) levels.push_back(EqualTimeLines(result.grid, result.hours, level));
  return levels;
}

std::string StudyReport(const StudyResult& result) {
  const StudyPlan& plan = result.plan;
  Json report;
  report["date"] = Date(plan.window.site);
  report["latitude"] = plan.window.site.latitude;
  report["longitude"] = plan.longitudeGiven ? Json(plan.window.site.longitude) : Json(nullptr);
  report["north"] = plan.window.north;
  if (!plan.crs.empty()) report["crs"] = plan.crs;
  report["height"] = plan.height;
  report["ground"] = result.ground;
  report["grid"] = plan.grid;
  report["from"] = ClockText(plan.window.fromHours);
  report["to"] = ClockText(plan.window.toHours);
  report["trueSolarTime"] = !plan.window.clockTime;
  report["points"] = result.grid.Points();
  std::optional<double> most;
  for (const double h : result.hours)
    if (!std::isnan(h) && (!most || h > *most)) most = h;
  report["maxHours"] = most ? Json(*most) : Json(nullptr);
  if (!plan.site.empty()) {
    bool pass = true;
    Json lines = Json::array();
    for (std::size_t k = 0; k < result.lines.size(); ++k) {
      const LineCheck& check = result.lines[k];
      Json line;
      line["offset"] = check.offset;
      line["maxHours"] = check.maxHours ? Json(*check.maxHours) : Json(nullptr);
      line["at"] = check.maxHours ? Json{check.at.x, check.at.y} : Json(nullptr);
      if (plan.limits) {
        const double limit = (*plan.limits)[k];
        const bool ok = !check.maxHours || *check.maxHours <= limit;
        line["limit"] = limit;
        line["pass"] = ok;
        pass = pass && ok;
      }
      lines.push_back(std::move(line));
    }
    report["lines"] = std::move(lines);
    if (plan.limits) report["pass"] = pass;
  }
  return report.dump(2) + "\n";
}

bool WriteStudy(const StudyResult& result, const std::filesystem::path& folder, std::string* error) {
  if (!MakeFolder(folder, error)) return false;
  const auto levels = StudyContours(result);
  return Write(folder / kHoursName, HoursCsv(result.grid, result.rows, result.hours), error) &&
         Write(folder / "contours.geojson", ContoursGeoJson(result.plan, levels), error) &&
         Write(folder / "contours.dxf", ContoursDxf(result, levels), error) &&
         Write(folder / "outlines.geojson", OutlinesGeoJson(result.outlines), error) &&
         Write(folder / "outlines.dxf", OutlinesDxf(result), error) &&
         Write(folder / "report.json", StudyReport(result), error);
}

bool WriteTile(const StudyResult& result, const std::filesystem::path& folder, std::string* error) {
  if (!MakeFolder(folder, error)) return false;
  Json tile;
  tile["run"] = RunJson(result);
  tile["tile"] = result.plan.tile;
  tile["rows"] = {result.rows.first, result.rows.last};
  Json lines = Json::array();
  for (const LineCheck& check : result.lines) {
    Json line;
    line["offset"] = check.offset;
    line["maxHours"] = check.maxHours ? Json(*check.maxHours) : Json(nullptr);
    line["index"] = check.index;
    line["at"] = {check.at.x, check.at.y};
    lines.push_back(std::move(line));
  }
  tile["lines"] = std::move(lines);
  if (result.plan.tile == 1) {
    Json outlines = Json::array();
    for (const HourlyOutline& outline : result.outlines)
      outlines.push_back({{"minutes", outline.minutes}, {"polygons", RingsJson(outline.polygons)}});
    tile["outlines"] = std::move(outlines);
    tile["footprint"] = RingsJson(result.footprint);
  }
  if (!Write(folder / kHoursName, HoursCsv(result.grid, result.rows, result.hours), error)) return false;
  // Last: a folder with tile.json is a finished tile.
  return Write(folder / kTileName, tile.dump(1) + "\n", error);
}

std::optional<StudyResult> MergeTiles(const std::vector<std::filesystem::path>& tiles, std::string* error,
                                      bool* usage) {
  *usage = false;
  auto fail = [&](std::string text, bool isUsage) -> std::optional<StudyResult> {
    *error = std::move(text);
    *usage = isUsage;
    return std::nullopt;
  };
  if (tiles.empty()) return fail("the merge needs the folders of the tiles", true);
  struct Piece {
    Json tile;
    std::filesystem::path folder;
  };
  std::vector<Piece> pieces;
  for (const auto& path : tiles) {
    std::string text;
    if (!ReadText(path / kTileName, text)) return fail("cannot read " + (path / kTileName).string(), false);
    Json tile = Json::parse(text, nullptr, false);
    if (tile.is_discarded() || !tile.is_object() || !tile.contains("run") || !tile.contains("tile"))
      return fail((path / kTileName).string() + " is no tile of a shadow study", true);
    pieces.push_back({std::move(tile), path});
  }
  const Json& run = pieces.front().tile["run"];
  for (const Piece& piece : pieces)
    if (piece.tile["run"] != run) return fail("the tiles are of different runs", true);
  StudyResult result;
  try {
    result.plan = PlanFromRun(run);
  } catch (const nlohmann::json::exception&) {
    return fail((pieces.front().folder / kTileName).string() + " is no tile of a shadow study", true);
  }
  const int n = result.plan.tiles;
  std::set<int> seen;
  for (const Piece& piece : pieces) {
    const int k = piece.tile["tile"].is_number_integer() ? piece.tile["tile"].get<int>() : 0;
    if (k < 1 || k > n) return fail("a tile's number is outside 1 … " + std::to_string(n), true);
    if (!seen.insert(k).second) return fail("tile " + std::to_string(k) + " is given twice", true);
  }
  for (int k = 1; k <= n; ++k)
    if (!seen.count(k)) return fail("tile " + std::to_string(k) + " of " + std::to_string(n) + " is missing", true);
  std::sort(pieces.begin(), pieces.end(),
            [](const Piece& a, const Piece& b) { return a.tile["tile"].get<int>() < b.tile["tile"].get<int>(); });

  result.ground = *result.plan.ground;
  std::string problem;
  const auto grid = MakeGrid(*result.plan.area, result.plan.grid, result.ground + result.plan.height, &problem);
  if (!grid) return fail("the tiles' run is not usable: " + problem, true);
  result.grid = *grid;
  result.rows = {0, grid->ny};
  result.hours.reserve(grid->Points());
  for (std::size_t k = 0; k < kRegulatedOffsets.size() && !result.plan.site.empty(); ++k) {
    LineCheck check;
    check.offset = kRegulatedOffsets[k];
    check.line = OffsetLine(result.plan.site, check.offset);
    result.lines.push_back(std::move(check));
  }
  for (const Piece& piece : pieces) {
    const int k = piece.tile["tile"].get<int>();
    const RowRange rows = TileRows(grid->ny, k, n);
    std::string text;
    const auto csv = piece.folder / kHoursName;
    if (!ReadText(csv, text)) return fail("cannot read " + csv.string(), false);
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    std::size_t count = 0;
    while (std::getline(in, line)) {
      const auto comma = line.rfind(',');
      if (comma == std::string::npos) return fail(csv.string() + " is damaged", false);
      const std::string value = line.substr(comma + 1);
      result.hours.push_back(value.empty() ? kNaN : std::strtod(value.c_str(), nullptr));
      ++count;
    }
    if (count != static_cast<std::size_t>(rows.last - rows.first) * grid->nx)
      return fail(csv.string() + " does not hold the rows of tile " + std::to_string(k), false);
    const Json& lines = piece.tile["lines"];
    for (std::size_t l = 0; l < result.lines.size() && l < lines.size(); ++l) {
      const Json& share = lines[l];
      if (share["maxHours"].is_null()) continue;
      Worse(result.lines[l], share["maxHours"].get<double>(), share["index"].get<std::size_t>(),
            {share["at"][0].get<double>(), share["at"][1].get<double>()});
    }
  }
  try {
    const Json& first = pieces.front().tile;
    for (const Json& outline : first.at("outlines"))
      result.outlines.push_back({outline.at("minutes").get<int>(), RingsFromJson(outline.at("polygons"))});
    result.footprint = RingsFromJson(first.at("footprint"));
  } catch (const nlohmann::json::exception&) {
    return fail((pieces.front().folder / kTileName).string() + " is damaged", false);
  }
  return result;
}

}  // namespace korvex::analysis
