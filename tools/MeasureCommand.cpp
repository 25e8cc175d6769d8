#include "tools/MeasureCommand.h"

#include <array>
#include <cmath>
#include <iostream>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "formats/ModelLoader.h"
#include "model/InkSolid.h"
#include "plugins/ScenePlugins.h"
#include "tools/BatchView.h"
#include "view/Measure.h"

namespace korvex::cli {

namespace {

constexpr int kExitMeasured = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Usage(std::string_view problem) {
  std::cerr << "korvex-cli: " << problem << "\n" << kMeasureUsage;
  return kExitUsage;
}

// "X,Y,Z" as a point; three finite numbers or nothing.
std::optional<GMVector> ParsePoint(std::string_view text) {
  std::array<double, 3> xyz{};
  for (std::size_t k = 0; k < 3; ++k) {
    const std::size_t comma = text.find(',');
    if ((k < 2) == (comma == std::string_view::npos)) return std::nullopt;
    if (!ParseNumber(text.substr(0, comma), xyz[k]) || !std::isfinite(xyz[k])) return std::nullopt;
    text = k < 2 ? text.substr(comma + 1) : std::string_view{};
  }
  return GMVector{xyz[0], xyz[1], xyz[2]};
}

std::string WithUnit(double value, const std::string& unit, const char* power = "") {
  return FormatMeasure(value) + (unit.empty() ? "" : " " + unit + power);
}

}  // namespace

int RunMeasure(const std::vector<std::string_view>& args) {
  std::optional<std::string_view> model;
  std::vector<GMVector> points;
  std::optional<GMVector> faceAt;
  bool json = false;
  double tolerance = 1e-3;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg == "--json") {
      json = true;
    } else if (!optionsEnded && arg == "--points") {
      if (!points.empty()) return Usage("--points is given twice");
      for (int k = 0; k < 2; ++k) {
        const auto point = i + 1 < args.size() ? ParsePoint(args[i + 1]) : std::nullopt;
        if (!point) return Usage("--points needs two points X,Y,Z X,Y,Z of three numbers each");
        points.push_back(*point);
        ++i;
      }
    } else if (!optionsEnded && arg == "--face-at") {
      if (faceAt) return Usage("--face-at is given twice");
      faceAt = i + 1 < args.size() ? ParsePoint(args[i + 1]) : std::nullopt;
      if (!faceAt) return Usage("--face-at needs a point X,Y,Z of three numbers");
      ++i;
    } else if (!optionsEnded && arg == "--tolerance") {
      if (i + 1 >= args.size() || !ParseNumber(args[i + 1], tolerance) || !std::isfinite(tolerance) ||
          tolerance <= 0)
        return Usage("--tolerance needs a length above 0");
      ++i;
    } else if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
      return Usage("unknown option " + std::string(arg));
    } else {
      if (model) return Usage("measure takes one MODEL");
      model = arg;
    }
  }
  if (!model) return Usage("measure needs a MODEL");
  if (points.empty() == !faceAt) return Usage("measure needs either --points or --face-at");

  CInkSolid scene;
  InitializeWithPlugins(scene);
  K3dViewState view;
  const ModelLoadResult loaded = LoadModel(scene, *model, view);
  if (loaded != ModelLoadResult::kLoaded) {
    std::cerr << "korvex-cli: cannot read " << *model << ": " << LoadFailureText(loaded, scene) << "\n";
    return kExitFailed;
  }
  if (const std::string left = LoadWarningText(view); !left.empty())
    std::cerr << "korvex-cli: " << *model << ": " << left << "\n";
  const std::string unit = MeasureUnitFor(*model);

  if (!points.empty()) {
    const MeasureDistance d = MeasureBetween(points[0], points[1]);
    if (json) {
      std::cout << nlohmann::ordered_json{{"distance", d.distance}, {"horizontal", d.horizontal},
                                          {"vertical", d.vertical}}
                       .dump()
                << "\n";
    } else {
      std::cout << "distance " << WithUnit(d.distance, unit) << "\nhorizontal " << WithUnit(d.horizontal, unit)
                << "\nvertical " << WithUnit(d.vertical, unit) << "\n";
    }
  } else {
    MeasureScene surfaces;
    surfaces.Build(scene.GetRoot());
    const std::optional<PlanarFace> face = surfaces.FaceAt(*faceAt, tolerance);
    if (!face) {
      std::cerr << "korvex-cli: " << FormatMeasure(faceAt->x) << "," << FormatMeasure(faceAt->y) << ","
                << FormatMeasure(faceAt->z) << " lies on no face of " << *model << "\n";
      return kExitFailed;
    }
    if (json) {
      std::cout << nlohmann::ordered_json{{"area", face->area},
                                          {"perimeter", face->perimeter},
                                          {"normal", {face->normal.x, face->normal.y, face->normal.z}}}
                       .dump()
                << "\n";
    } else {
      std::cout << "area " << WithUnit(face->area, unit, "²") << "\nperimeter " << WithUnit(face->perimeter, unit)
                << "\nnormal " << FormatMeasure(face->normal.x) << "," << FormatMeasure(face->normal.y) << ","
                << FormatMeasure(face->normal.z) << "\n";
    }
  }
  std::cout.flush();
  return std::cout ? kExitMeasured : kExitFailed;
}

}  // namespace korvex::cli
