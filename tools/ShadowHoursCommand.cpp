#include "tools/ShadowHoursCommand.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "common/atomic_file.h"
#include "analysis/SceneCasters.h"
#include "sheet/ShadowPlan.h"
#include "analysis/ShadowStudy.h"
#include "tools/BatchView.h"
#include "tools/CommandLine.h"

namespace korvex::cli {

namespace {

int Usage(std::string_view problem) { return cli::Usage(kShadowHoursUsage, problem); }
int MergeUsage(std::string_view problem) { return cli::Usage(kShadowHoursMergeUsage, problem); }

// Input the study cannot take: one line, no usage text.
int Refused(std::string_view problem) {
  std::cerr << "korvex-cli: " << problem << "\n";
  return kExitUsage;
}

bool ParseList(std::string_view text, std::vector<double>& out) {
  out.clear();
  while (true) {
    const std::size_t comma = text.find(',');
    double value = 0;
    if (!ParseNumber(text.substr(0, comma), value)) return false;
    out.push_back(value);
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

// "HH:MM" as hours, 00:00 … 24:00.
bool ParseClockHours(std::string_view text, double& hours) {
  const std::size_t colon = text.find(':');
  int h = 0, m = 0;
  if (colon == std::string_view::npos || !ParseNumber(text.substr(0, colon), h) ||
      !ParseNumber(text.substr(colon + 1), m) || h < 0 || m < 0 || m > 59 || h * 60 + m > 24 * 60)
    return false;
  hours = h + m / 60.0;
  return true;
}

bool ParseTile(std::string_view text, int& k, int& n) {
  const std::size_t slash = text.find('/');
  return slash != std::string_view::npos && ParseNumber(text.substr(0, slash), k) &&
         ParseNumber(text.substr(slash + 1), n);
}

// The files of a whole study, and its plan drawing.
bool WriteAll(const analysis::StudyResult& result, const std::filesystem::path& folder, std::string* error) {
  return analysis::WriteStudy(result, folder, error) && WriteShadowPlan(result, folder, error);
}

// Whether the study's files cannot be named in folder; said before the study
// runs, not after minutes of work. "outlines.geojson" is the longest name.
bool FolderTooLong(std::string_view folder) {
  return PathTooLong((std::filesystem::path(folder) / "outlines.geojson").string());
}

volatile std::sig_atomic_t interrupted = 0;
extern "C" void OnShadowHoursInterrupt(int) { interrupted = 1; }

}  // namespace

int RunShadowHours(const std::vector<std::string_view>& args) {
  analysis::StudyPlan plan;
  SolarInput& site = plan.window.site;
  std::optional<std::string_view> model, folder;
  bool json = false, sawLat = false, sawDate = false, sawOffset = false, sawNorth = false;
  // "--" is no end of the options here: a model named like an option is
  // refused as one.
  for (OptionReader in(args, false); in.Next();) {
    const std::string_view arg = in.Arg();
    const bool hasValue = in.HasValue();
    const std::string_view value = in.PeekValue();
    auto number = [&](double& out) {
      if (!hasValue || !ParseNumber(value, out)) return false;
      in.TakeValue();
      return true;
    };
    std::vector<double> list;
    auto numbers = [&]() {
      if (!hasValue || !ParseList(value, list)) return false;
      in.TakeValue();
      return true;
    };
    if (in.Is("-o") || in.Is("--output")) {
      if (!hasValue || value.empty()) return Usage("-o needs a folder");
      folder = in.TakeValue();
    } else if (in.Is("--lat")) {
      if (!number(site.latitude)) return Usage("--lat needs degrees");
      sawLat = true;
    } else if (in.Is("--lon")) {
      if (!number(site.longitude)) return Usage("--lon needs degrees");
      plan.longitudeGiven = true;
    } else if (in.Is("--utc-offset")) {
      if (!number(site.utcOffsetHours)) return Usage("--utc-offset needs hours");
      sawOffset = true;
    } else if (in.Is("--date")) {
      if (!hasValue || !ParseDate(value, site)) return Usage("--date needs YYYY-MM-DD");
      in.TakeValue();
      sawDate = true;
    } else if (in.Is("--from") || in.Is("--to")) {
      double& hours = arg == "--from" ? plan.window.fromHours : plan.window.toHours;
      if (!hasValue || !ParseClockHours(value, hours)) return Usage(std::string(arg) + " needs HH:MM, 00:00 to 24:00");
      in.TakeValue();
    } else if (in.Is("--clock-time")) {
      plan.window.clockTime = true;
    } else if (in.Is("--height")) {
      if (!number(plan.height)) return Usage("--height needs metres");
    } else if (in.Is("--ground")) {
      double ground = 0;
      if (!number(ground)) return Usage("--ground needs a height");
      plan.ground = ground;
    } else if (in.Is("--grid")) {
      if (!number(plan.grid)) return Usage("--grid needs a step");
    } else if (in.Is("--area")) {
      if (!numbers() || list.size() != 4) return Usage("--area needs X0,Y0,X1,Y1");
      plan.area = analysis::Area{list[0], list[1], list[2], list[3]};
    } else if (in.Is("--contours")) {
      if (!numbers()) return Usage("--contours needs hours, e.g. 1,2,2.5,3");
      plan.contours = list;
    } else if (in.Is("--outline-step")) {
      if (!hasValue || !ParseNumber(value, plan.outlineStepMinutes))
        return Usage("--outline-step needs a whole number of minutes");
      in.TakeValue();
    } else if (in.Is("--site")) {
      if (!numbers() || list.size() % 2 != 0) return Usage("--site needs X,Y pairs: X,Y,X,Y,...");
      plan.site.clear();
      for (std::size_t k = 0; k < list.size(); k += 2) plan.site.push_back({list[k], list[k + 1]});
      if (plan.site.size() < 3) return Refused("the site needs at least three points");
    } else if (in.Is("--limits")) {
      if (!numbers() || list.size() != 2) return Usage("--limits needs H5,H10");
      plan.limits = std::array<double, 2>{list[0], list[1]};
    } else if (in.Is("--north")) {
      if (!number(plan.window.north)) return Usage("--north needs radians");
      sawNorth = true;
    } else if (in.Is("--crs")) {
      if (!hasValue || value.empty()) return Usage("--crs needs EPSG:CODE");
      plan.crs = std::string(in.TakeValue());
    } else if (in.Is("--tile")) {
      if (!hasValue || !ParseTile(value, plan.tile, plan.tiles)) return Usage("--tile needs K/N");
      in.TakeValue();
    } else if (in.Is("--json")) {
      json = true;
    } else if (in.IsOption()) {
      return Usage("unknown option " + std::string(arg));
    } else if (!model) {
      model = arg;
    } else {
      return Usage("shadowhours takes one MODEL");
    }
  }
  if (!model) return Usage("shadowhours needs a MODEL");
  if (!folder) return Usage("shadowhours needs -o DIR");
  if (FolderTooLong(*folder)) {
    std::cerr << "korvex-cli: path too long\n";
    return kExitFailed;
  }
  if (!plan.crs.empty() && (sawNorth || sawLat || plan.longitudeGiven))
    return Usage("--crs gives the latitude, longitude and north: leave out --lat, --lon and --north");
  if (!sawLat && plan.crs.empty()) return Usage("--lat is needed");
  if (!sawDate) return Usage("--date is needed");
  if (plan.window.clockTime && ((!plan.longitudeGiven && plan.crs.empty()) || !sawOffset))
    return Usage("--clock-time needs --lon (or --crs) and --utc-offset");
  if (plan.limits && plan.site.empty()) return Usage("--limits needs --site");
  if (plan.tiles < 1 || plan.tile < 1 || plan.tile > plan.tiles)
    return Refused("the tile K/N needs K from 1 to N and N at least 1");

  CommandModel loaded;
  if (!loaded.Load(*model)) return kExitFailed;
  const analysis::TriangleSoup faces = analysis::SceneCasters(loaded.scene);
  // The place of a coordinate system is the model's centre.
  if (std::string problem; !analysis::ApplyCrs(plan, faces, &problem)) return Refused(problem);
  // In true solar time the clock only picks the day's noon for the
  // declination: the zone of the longitude serves.
  if (!sawOffset) site.utcOffsetHours = std::round(site.longitude / 15.0);
  if (std::string problem = analysis::StudyPlanProblem(plan, faces); !problem.empty()) return Refused(problem);

  interrupted = 0;
  const auto previous = std::signal(SIGINT, OnShadowHoursInterrupt);
  const analysis::StudyResult result =
      analysis::RunStudy(plan, faces, [](std::size_t, std::size_t) { return interrupted == 0; });
  std::signal(SIGINT, previous);
  if (result.cancelled) {
    std::fprintf(stderr, "shadowhours: stopped by the user, nothing written\n");
    return kExitInterrupted;
  }
  std::string error;
  const std::filesystem::path out(*folder);
  const bool tiled = plan.tiles > 1;
  if (!(tiled ? analysis::WriteTile(result, out, &error) : WriteAll(result, out, &error))) {
    std::cerr << "korvex-cli: " << error << "\n";
    return kExitFailed;
  }
  if (json && !tiled) std::cout << analysis::StudyReport(result);
  std::fprintf(stderr, "shadowhours: %zu triangles, %d x %d points%s, written to %s\n", faces.Count(),
               result.grid.nx, result.rows.last - result.rows.first,
               tiled ? (" (tile " + std::to_string(plan.tile) + "/" + std::to_string(plan.tiles) + ")").c_str() : "",
               out.string().c_str());
  std::cout.flush();
  return std::cout ? kExitDone : kExitFailed;
}

int RunShadowHoursMerge(const std::vector<std::string_view>& args) {
  std::optional<std::string_view> folder;
  std::vector<std::filesystem::path> tiles;
  for (OptionReader in(args, false); in.Next();) {
    if (in.Is("-o") || in.Is("--output")) {
      if (in.PeekValue().empty()) return MergeUsage("-o needs a folder");
      folder = in.TakeValue();
    } else if (in.IsOption()) {
      return MergeUsage("unknown option " + std::string(in.Arg()));
    } else {
      tiles.emplace_back(in.Arg());
    }
  }
  if (!folder) return MergeUsage("shadowhours-merge needs -o DIR");
  if (FolderTooLong(*folder)) {
    std::cerr << "korvex-cli: path too long\n";
    return kExitFailed;
  }
  if (tiles.empty()) return MergeUsage("shadowhours-merge needs the tile folders");
  std::string error;
  bool usage = false;
  const auto result = analysis::MergeTiles(tiles, &error, &usage);
  if (!result) {
    std::cerr << "korvex-cli: " << error << "\n";
    return usage ? kExitUsage : kExitFailed;
  }
  if (!WriteAll(*result, std::filesystem::path(*folder), &error)) {
    std::cerr << "korvex-cli: " << error << "\n";
    return kExitFailed;
  }
  return kExitDone;
}

}  // namespace korvex::cli
