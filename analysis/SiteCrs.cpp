#include "analysis/SiteCrs.h"

#include <proj.h>

#include <cmath>
#include <memory>

namespace korvex::analysis {

namespace {

struct ContextDeleter {
  void operator()(PJ_CONTEXT* c) const { proj_context_destroy(c); }
};
struct ObjectDeleter {
  void operator()(PJ* p) const { proj_destroy(p); }
};
using Context = std::unique_ptr<PJ_CONTEXT, ContextDeleter>;
using Object = std::unique_ptr<PJ, ObjectDeleter>;

// A step north small enough to stay on one meridian's tangent, large enough
// to be far above the rounding of metre coordinates.
constexpr double kStepDegrees = 1e-5;

}  // namespace

std::optional<CrsPlace> PlaceInCrs(std::string_view code, double x, double y, std::string* problem) {
  auto fail = [&](std::string text) -> std::optional<CrsPlace> {
    if (problem) *problem = std::move(text);
    return std::nullopt;
  };
  const std::string name(code);
  const Context context(proj_context_create());
  if (!context) return fail("cannot start PROJ for " + name);
  proj_log_level(context.get(), PJ_LOG_NONE);
  // Only authority codes: a PROJ string or WKT could name anything.
  if (name.rfind("EPSG:", 0) != 0 || name.size() == 5 ||
      name.find_first_not_of("0123456789", 5) != std::string::npos)
    return fail("the coordinate system must be given as EPSG:CODE, not " + name);
  const Object crs(proj_create(context.get(), name.c_str()));
  if (!crs) return fail("unknown coordinate system " + name);
  if (proj_get_type(crs.get()) != PJ_TYPE_PROJECTED_CRS)
    return fail(name + " is no map projection: the model needs easting and northing");
  const Object geographic(proj_crs_get_geodetic_crs(context.get(), crs.get()));
  if (!geographic) return fail("PROJ finds no latitude and longitude for " + name);
  const Object operation(
      proj_create_crs_to_crs_from_pj(context.get(), crs.get(), geographic.get(), nullptr, nullptr));
  if (!operation) return fail("PROJ finds no latitude and longitude for " + name);
  // Easting, northing in; longitude, latitude out, whatever the official
  // axis order of either system.
  const Object normal(proj_normalize_for_visualization(context.get(), operation.get()));
  if (!normal) return fail("PROJ finds no latitude and longitude for " + name);

  const PJ_COORD place = proj_trans(normal.get(), PJ_FWD, proj_coord(x, y, 0, 0));
  const double longitude = place.xy.x, latitude = place.xy.y;
  if (!std::isfinite(longitude) || !std::isfinite(latitude) || std::fabs(latitude) > 90)
    return fail("the model's centre lies outside " + name);
  // True north on the grid: where a step north along the meridian lands.
  const double step = latitude + kStepDegrees <= 90 ? kStepDegrees : -kStepDegrees;
  const PJ_COORD ahead = proj_trans(normal.get(), PJ_INV, proj_coord(longitude, latitude + step, 0, 0));
  const double dx = (ahead.xy.x - x) * (step > 0 ? 1 : -1), dy = (ahead.xy.y - y) * (step > 0 ? 1 : -1);
  if (!std::isfinite(dx) || !std::isfinite(dy) || (dx == 0 && dy == 0))
    return fail("the model's centre lies outside " + name);
  return CrsPlace{latitude, longitude, std::atan2(dx, dy)};
}

}  // namespace korvex::analysis
