#include "tools/SunCommand.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "common/file_util.h"
#include "tools/BatchView.h"
#include "tools/CommandLine.h"
#include "sheet/ContactSheet.h"
#include "view/StereonView.h"
#include "view/SunStudy.h"

namespace korvex::cli {

namespace {

// "HH:MM" or "HH:MM:SS" as minutes and seconds of the day.
bool ParseClock(std::string_view text, int& hour, int& minute, double* second) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  std::string_view rest = text.substr(colon + 1);
  const std::size_t colon2 = rest.find(':');
  double s = 0;
  if (colon2 != std::string_view::npos) {
    if (second == nullptr || !ParseNumber(rest.substr(colon2 + 1), s)) return false;
    rest = rest.substr(0, colon2);
  }
  if (!ParseNumber(text.substr(0, colon), hour) || !ParseNumber(rest, minute)) return false;
  if (second) *second = s;
  return true;
}

// The options of the place and the atmosphere, shared by both commands.
// Returns 1 when args[i] was one (i then at its value), 0 when it is not,
// -1 when its value is missing or not a number.
int SiteOption(const std::vector<std::string_view>& args, std::size_t& i, SolarInput& in, double& north,
               bool& sawLat, bool& sawLon, bool& sawOffset, bool& sawDate) {
  const std::string_view arg = args[i];
  double* number = nullptr;
  if (arg == "--lat") number = &in.latitude, sawLat = true;
  else if (arg == "--lon") number = &in.longitude, sawLon = true;
  else if (arg == "--utc-offset") number = &in.utcOffsetHours, sawOffset = true;
  else if (arg == "--elevation") number = &in.elevation;
  else if (arg == "--pressure") number = &in.pressure;
  else if (arg == "--temperature") number = &in.temperature;
  else if (arg == "--delta-t") number = &in.deltaT;
  else if (arg == "--north") number = &north;
  if (number != nullptr) {
    if (i + 1 >= args.size() || !ParseNumber(args[i + 1], *number)) return -1;
    ++i;
    return 1;
  }
  if (arg == "--date") {
    sawDate = true;
    if (i + 1 >= args.size() || !ParseDate(args[i + 1], in)) return -1;
    ++i;
    return 1;
  }
  return 0;
}

std::string MissingSite(bool lat, bool lon, bool offset, bool date) {
  if (!lat) return "--lat is needed";
  if (!lon) return "--lon is needed";
  if (!offset) return "--utc-offset is needed";
  if (!date) return "--date is needed";
  return {};
}

nlohmann::json ClockOrNull(const std::optional<double>& hours) {
  return hours ? nlohmann::json(FormatClockTime(*hours)) : nlohmann::json(nullptr);
}

volatile std::sig_atomic_t interrupted = 0;
extern "C" void OnInterrupt(int) { interrupted = 1; }

}  // namespace

int RunSun(const std::vector<std::string_view>& args) {
  SolarInput in;
  double north = 0;
  bool json = false, sawLat = false, sawLon = false, sawOffset = false, sawDate = false, sawTime = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const int site = SiteOption(args, i, in, north, sawLat, sawLon, sawOffset, sawDate);
    if (site < 0) return Usage(kSunUsage, std::string(args[i]) + " needs a value");
    if (site > 0) continue;
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "--time") {
      sawTime = true;
      if (i + 1 >= args.size() || !ParseClock(args[i + 1], in.hour, in.minute, &in.second))
        return Usage(kSunUsage, "--time needs HH:MM or HH:MM:SS");
      ++i;
    } else {
      const bool option = args[i].size() > 1 && args[i].front() == '-';
      return Usage(kSunUsage, (option ? "unknown option " : "unknown argument ") + std::string(args[i]));
    }
  }
  if (std::string missing = MissingSite(sawLat, sawLon, sawOffset, sawDate); !missing.empty())
    return Usage(kSunUsage, missing);
  if (!sawTime) return Usage(kSunUsage, "--time is needed");
  std::string problem;
  const std::optional<SunSample> sun = SampleSun(in, north, &problem);
  if (!sun) {
    std::cerr << "korvex-cli: " << problem << "\n";
    return kExitFailed;
  }
  const SunDay& day = sun->position.day;
  if (json) {
    nlohmann::ordered_json out;
    out["zenith"] = sun->position.zenith;
    out["azimuth"] = sun->position.azimuth;
    out["altitude"] = sun->viewer.altitude;
    out["azimuthFromSouth"] = sun->viewer.azimuthFromSouth;
    out["sunVector"] = {sun->vector.x, sun->vector.y, sun->vector.z};
    out["sunrise"] = ClockOrNull(day.sunrise);
    out["transit"] = FormatClockTime(day.transit);
    out["sunset"] = ClockOrNull(day.sunset);
    std::cout << out.dump() << "\n";
  } else {
    char text[512];
    std::snprintf(text, sizeof text,
                  "zenith %.6f  azimuth %.6f (from north, eastward)\n"
                  "altitude %.6f  azimuth from south %.6f (negative towards east)\n"
                  "sun vector %.6f %.6f %.6f\n",
                  sun->position.zenith, sun->position.azimuth, sun->viewer.altitude, sun->viewer.azimuthFromSouth,
                  sun->vector.x, sun->vector.y, sun->vector.z);
    std::cout << text << "sunrise " << (day.sunrise ? FormatClockTime(*day.sunrise) : "none") << "  transit "
              << FormatClockTime(day.transit) << "  sunset " << (day.sunset ? FormatClockTime(*day.sunset) : "none")
              << "\n";
  }
  std::cout.flush();
  return std::cout ? kExitDone : kExitFailed;
}

int RunSunStudy(const std::vector<std::string_view>& args) {
  SunStudyPlan plan;
  std::optional<std::string_view> model;
  std::optional<std::string_view> folder;
  std::optional<std::string_view> billboards, textures;
  std::vector<GMPlane> sections;
  int viewCommand = cmd::kResetEye;
  bool sawLat = false, sawLon = false, sawOffset = false, sawDate = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const int site = SiteOption(args, i, plan.site, plan.north, sawLat, sawLon, sawOffset, sawDate);
    if (site < 0) return Usage(kSunStudyUsage, std::string(arg) + " needs a value");
    if (site > 0) continue;
    const bool hasValue = i + 1 < args.size();
    if (arg == "-o" || arg == "--output") {
      if (!hasValue || args[i + 1].empty()) return Usage(kSunStudyUsage, "-o needs a folder");
      folder = args[++i];
    } else if (arg == "--from" || arg == "--to") {
      int hour = 0, minute = 0;
      if (!hasValue || !ParseClock(args[++i], hour, minute, nullptr) || hour < 0 || minute < 0 || minute > 59)
        return Usage(kSunStudyUsage, std::string(arg) + " needs HH:MM");
      (arg == "--from" ? plan.fromMinutes : plan.toMinutes) = hour * 60 + minute;
    } else if (arg == "--step") {
      if (!hasValue || !ParseNumber(args[++i], plan.stepMinutes) || plan.stepMinutes < 1)
        return Usage(kSunStudyUsage, "--step needs a whole number of minutes, at least 1");
    } else if (arg == "--size") {
      if (!hasValue || !ParseSize(args[++i], plan.width, plan.height))
        return Usage(kSunStudyUsage, "--size needs WxH, e.g. 1024x768");
    } else if (arg == "--view") {
      const auto command = hasValue ? ViewCommand(args[++i]) : std::nullopt;
      if (!command) return Usage(kSunStudyUsage, "--view needs reset, plan, elevation, back, left or right");
      viewCommand = *command;
    } else if (arg == "--txi" || arg == "--bil") {
      if (!hasValue) return Usage(kSunStudyUsage, std::string(arg) + " needs a file");
      (arg == "--bil" ? billboards : textures) = args[++i];
    } else if (arg == "--section") {
      const auto value = hasValue ? std::optional(args[++i]) : std::nullopt;
      if (const auto problem = ReadSectionOption(value, sections)) return Usage(kSunStudyUsage, *problem);
    } else if (arg.size() > 1 && arg.front() == '-') {
      return Usage(kSunStudyUsage, "unknown option " + std::string(arg));
    } else if (!model) {
      model = arg;
    } else {
      return Usage(kSunStudyUsage, "sunstudy takes one MODEL");
    }
  }
  if (!model) return Usage(kSunStudyUsage, "sunstudy needs a MODEL");
  if (!folder) return Usage(kSunStudyUsage, "sunstudy needs -o DIR");
  if (std::string missing = MissingSite(sawLat, sawLon, sawOffset, sawDate); !missing.empty())
    return Usage(kSunStudyUsage, missing);
  plan.folder = std::filesystem::path(*folder);
  if (std::string problem = SunStudyPlanProblem(plan); !problem.empty()) {
    std::cerr << "korvex-cli: " << problem << "\n";
    return kExitFailed;
  }

  BatchUi ui;
  LaunchValues launch;
  launch.modelPath = korvex::NormalizeSeparators(*model);
  launch.useEyeFile = false;
  BackgroundImageShell shell;
  CStereonView view(ui, launch, &shell);
  if (!view.CreateHeadless(plan.width, plan.height)) {
    std::cerr << "korvex-cli: cannot draw " << *model << ": "
              << (ui.lastMessage.empty() ? "no OpenGL context" : ui.lastMessage) << "\n";
    return kExitFailed;
  }
  if (view.StartupResult() != ModelLoadResult::kLoaded) {
    std::cerr << "korvex-cli: cannot read " << *model << ": " << LoadFailureText(view.StartupResult(), *view.Scene()) << "\n";
    return kExitFailed;
  }
  for (const std::string& left : LoadWarningTexts(view.StartupK3dState()))
    std::cerr << "korvex-cli: " << *model << ": " << left << "\n";
  // Read after the model's own companions, as the commands would.
  const std::pair<const std::optional<std::string_view>&, int> companions[] = {
      {billboards, cmd::kOpenBillboards}, {textures, cmd::kOpenTextureAssignment}};
  for (const auto& [path, command] : companions)
    if (path)
      if (const auto problem = RunFileCommand(view, ui, command, *path)) {
        std::cerr << "korvex-cli: cannot draw " << *model << ": " << *problem << "\n";
        return kExitFailed;
      }
  if (viewCommand != cmd::kResetEye) view.StandardView(viewCommand);
  // Cut before the first shadows are made: what the planes remove casts none.
  if (!sections.empty() && !view.SetSections(sections)) {
    std::cerr << "korvex-cli: cannot draw " << *model << ": the section planes were refused\n";
    return kExitFailed;
  }

  // Ctrl+C is noted and answered between pictures, so no picture or table
  // is left half-written.
  interrupted = 0;
  const auto previous = std::signal(SIGINT, OnInterrupt);
  const SunStudyResult result = RunSunStudy(view, plan, [](int step, int steps, const SunStudyFrame* frame) {
    if (frame != nullptr)
      std::fprintf(stderr, "sunstudy: %d/%d %02d:%02d azimuth %.2f altitude %.2f -> %s\n", step, steps,
                   frame->minutes / 60, frame->minutes % 60, frame->sun.viewer.azimuthFromSouth,
                   frame->sun.viewer.altitude, frame->fileName.c_str());
    else
      std::fprintf(stderr, "sunstudy: %d/%d the sun is down, no picture\n", step, steps);
    return interrupted == 0;
  });
  std::signal(SIGINT, previous);

  if (!result.error.empty()) {
    std::cerr << "korvex-cli: " << result.error << "\n";
    return kExitFailed;
  }
  if (!result.frames.empty()) {
    std::string error;
    if (!WriteContactSheet(plan.folder, result.frames, SunStudyTitle(plan), &error)) {
      std::cerr << "korvex-cli: " << error << "\n";
      return kExitFailed;
    }
  }
  std::fprintf(stderr, "sunstudy: %zu picture(s) in %s%s\n", result.frames.size(), plan.folder.string().c_str(),
               result.cancelled ? ", stopped by the user" : "");
  return result.cancelled ? kExitInterrupted : kExitDone;
}

}  // namespace korvex::cli
