// A site in a Japanese plane rectangular zone: the latitude, longitude and
// true north the study takes from the model's centre are PROJ's own.
#include <gtest/gtest.h>

#include <proj.h>

#include <cmath>

#include "analysis/SiteCrs.h"

using korvex::analysis::PlaceInCrs;

TEST(SiteCrs, PlaneRectangularZoneGivesPROJsPlaceAndConvergence) {
  PJ_CONTEXT* context = proj_context_create();
  // Zone IX (Tokyo), JGD2011; the official axes are northing first.
  PJ* toGeographic = proj_create_crs_to_crs(context, "EPSG:6677", "EPSG:6668", nullptr);
  ASSERT_NE(toGeographic, nullptr);
  PJ* normal = proj_normalize_for_visualization(context, toGeographic);
  PJ* official = proj_create(context, "EPSG:6677");
  ASSERT_NE(official, nullptr);
  // proj_factors reads the zone's derivatives in its axis order; in
  // easting, northing order its convergence is the usual one.
  PJ* zone = proj_normalize_for_visualization(context, official);
  ASSERT_NE(zone, nullptr);

  // Easting, northing of Shinjuku, of the zone's origin, and of a point
  // far to the west of the central meridian.
  const double points[][2] = {{-12000.0, -35000.0}, {0.0, 0.0}, {-80000.0, 20000.0}, {60000.0, -90000.0}};
  for (const auto& p : points) {
    std::string problem;
    const auto place = PlaceInCrs("EPSG:6677", p[0], p[1], &problem);
    ASSERT_TRUE(place) << problem;
    const PJ_COORD geographic = proj_trans(normal, PJ_FWD, proj_coord(p[0], p[1], 0, 0));
    EXPECT_NEAR(place->longitude, geographic.xy.x, 1e-9);
    EXPECT_NEAR(place->latitude, geographic.xy.y, 1e-9);
    const PJ_FACTORS factors =
        proj_factors(zone, proj_coord(geographic.xy.x * M_PI / 180, geographic.xy.y * M_PI / 180, 0, 0));
    // PROJ's convergence is the turn from true north to grid north; the
    // model's north angle is the turn from grid north to true north.
    EXPECT_NEAR(place->north, -factors.meridian_convergence, 1e-6) << p[0] << "," << p[1];
  }
  // The zone's origin lies at 36° N, 139° 50′ E, where both norths agree;
  // east of the central meridian true north leans west of grid north.
  const auto origin = PlaceInCrs("EPSG:6677", 0, 0, nullptr);
  EXPECT_NEAR(origin->latitude, 36.0, 1e-9);
  EXPECT_NEAR(origin->longitude, 139.0 + 50.0 / 60, 1e-9);
  EXPECT_NEAR(origin->north, 0.0, 1e-9);
  EXPECT_LT(PlaceInCrs("EPSG:6677", 60000, 0, nullptr)->north, 0);

  std::string problem;
  EXPECT_FALSE(PlaceInCrs("EPSG:999999", 0, 0, &problem));
  EXPECT_NE(problem.find("unknown coordinate system EPSG:999999"), std::string::npos);
  EXPECT_FALSE(PlaceInCrs("EPSG:6668", 0, 0, &problem));  // latitude and longitude, no projection
  EXPECT_NE(problem.find("no map projection"), std::string::npos);
  EXPECT_FALSE(PlaceInCrs("+proj=merc", 0, 0, &problem));

  proj_destroy(zone);
  proj_destroy(official);
  proj_destroy(normal);
  proj_destroy(toGeographic);
  proj_context_destroy(context);
}
