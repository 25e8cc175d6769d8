// A site drawn in a map projection: the model's x and y are easting and
// northing of a projected coordinate system (a Japanese plane rectangular
// zone, EPSG:6669 to 6687, or any other PROJ knows). Its latitude and
// longitude, and the angle between grid north and true north (真北), which
// the sun must be turned by.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvex::analysis {

struct CrsPlace {
  double latitude = 0;   // degrees
  double longitude = 0;  // degrees, east positive
  // Radians, as the viewer's north angle: true north is the model's +y
  // turned this far clockwise (towards +x).
  double north = 0;
};

// The place of the point (x, y) of the system `code` ("EPSG:6677"); nothing,
// with the reason in `problem`, for a code PROJ does not know, a system that
// is no map projection, or a point outside it.
std::optional<CrsPlace> PlaceInCrs(std::string_view code, double x, double y, std::string* problem);

}  // namespace korvex::analysis
