#include "tools/MeasureCommand.h"

#include <array>
#include <cmath>
#include <iostream>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "model/InkSolid.h"
#include "tools/BatchView.h"
#include "tools/CommandLine.h"
#include "view/Measure.h"

namespace korvex::cli {

namespace {

int Usage(std::string_view problem) { return cli::Usage(kMeasureUsage, problem); }

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
  for (OptionReader in(args); in.Next();) {
    if (in.Is("--json")) {
      json = true;
    } else if (in.Is("--points")) {
      if (!points.empty()) return Usage("--points is given twice");
      for (int k = 0; k < 2; ++k) {
        const auto point = in.HasValue() ? ParsePoint(in.TakeValue()) : std::nullopt;
        if (!point) return Usage("--points needs two points X,Y,Z X,Y,Z of three numbers each");
        points.push_back(*point);
      }
    } else if (in.Is("--face-at")) {
      if (faceAt) return Usage("--face-at is given twice");
      faceAt = in.HasValue() ? ParsePoint(in.TakeValue()) : std::nullopt;
      if (!faceAt) return Usage("--face-at needs a point X,Y,Z of three numbers");
    } else if (in.Is("--tolerance")) {
      if (!in.HasValue() || !ParseNumber(in.TakeValue(), tolerance) || !std::isfinite(tolerance) ||
          tolerance <= 0)
        return Usage("--tolerance needs a length above 0");
    } else if (in.IsOption()) {
      return Usage("unknown option " + std::string(in.Arg()));
    } else {
      if (model) return Usage("measure takes one MODEL");
      model = in.Arg();
    }
  }
  if (!model) return Usage("measure needs a MODEL");
  if (points.empty() == !faceAt) return Usage("measure needs either --points or --face-at");

  CommandModel loaded;
  if (!loaded.Load(*model)) return kExitFailed;
  CInkSolid& scene = loaded.scene;
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
  return std::cout ? kExitDone : kExitFailed;
}

}  // namespace korvex::cli
