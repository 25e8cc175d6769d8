#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "view/SolarPosition.h"

namespace {

using korvex::ComputeSolarPosition;
using korvex::FormatClockTime;
using korvex::SolarInput;
using korvex::SolarPosition;

// The worked example of the algorithm's report: Golden, Colorado.
SolarInput GoldenExample() {
  SolarInput in;
  in.year = 2003;
  in.month = 10;
  in.day = 17;
  in.hour = 12;
  in.minute = 30;
  in.second = 30;
  in.utcOffsetHours = -7;
  in.latitude = 39.742476;
  in.longitude = -105.1786;
  in.elevation = 1830.14;
  in.pressure = 820;
  in.temperature = 11;
  in.deltaT = 67;
  return in;
}

SolarInput At(int month, int day, double latitude, double longitude, double utcOffset, double hours) {
  SolarInput in;
  in.year = 2024;
  in.month = month;
  in.day = day;
  in.latitude = latitude;
  in.longitude = longitude;
  in.utcOffsetHours = utcOffset;
  const long seconds = std::lround(hours * 3600);
  in.hour = static_cast<int>(seconds / 3600);
  in.minute = static_cast<int>(seconds / 60 % 60);
  in.second = static_cast<double>(seconds % 60);
  return in;
}

TEST(SolarPosition, ReproducesTheWorkedExample) {
  const auto sun = ComputeSolarPosition(GoldenExample());
  ASSERT_TRUE(sun);
  EXPECT_NEAR(sun->zenith, 50.111622, 1e-4);
  EXPECT_NEAR(sun->azimuth, 194.340241, 1e-4);
  ASSERT_TRUE(sun->day.sunrise && sun->day.sunset);
  EXPECT_EQ(FormatClockTime(*sun->day.sunrise), "06:12:43");
  EXPECT_NEAR(sun->day.transit, 11.768045, 2e-5);
  // The report's sunset, 17:20:19, is the evening before: its day is taken
  // in UT, and west of Greenwich the local evening falls in the next UT day.
  // The sunset of the 17th itself comes about a minute and a half earlier.
  EXPECT_EQ(FormatClockTime(*sun->day.sunset), "17:18:52");
  SolarInput dayBefore = GoldenExample();
  dayBefore.day = 16;
  const auto before = ComputeSolarPosition(dayBefore);
  ASSERT_TRUE(before && before->day.sunset);
  EXPECT_EQ(FormatClockTime(*before->day.sunset), "17:20:19");

  const korvex::ViewerSun viewer = korvex::ToViewerSun(*sun);
  EXPECT_NEAR(viewer.azimuthFromSouth, 14.340241, 1e-4);  // a little west of south
  EXPECT_NEAR(viewer.altitude, 90 - 50.111622, 1e-4);
}

TEST(SolarPosition, NoonAltitudesAtTheSolsticesAtLatitude35) {
  // Near Kobe (135° E, UTC+9), at the day's own transit.
  for (const auto& [month, day, expected] : {std::tuple{6, 21, 78.4}, std::tuple{12, 21, 31.6}}) {
    const auto morning = ComputeSolarPosition(At(month, day, 35, 135, 9, 9));
    ASSERT_TRUE(morning);
    const auto noon = ComputeSolarPosition(At(month, day, 35, 135, 9, morning->day.transit));
    ASSERT_TRUE(noon);
    const korvex::ViewerSun viewer = korvex::ToViewerSun(*noon);
    EXPECT_NEAR(viewer.altitude, expected, 0.2) << month << "-" << day;
    EXPECT_NEAR(viewer.azimuthFromSouth, 0, 0.1) << "due south at transit";
    EXPECT_NEAR(morning->day.transit, 12, 0.25);
  }
}

TEST(SolarPosition, EquinoxSunRisesInTheEastAndSetsInTheWest) {
  // Tokyo, UTC+9: rise, transit and set all belong to the local day asked
  // for, in that order, although the sunrise falls in the UT day before.
  const SolarInput probe = At(3, 20, 35.68, 139.77, 9, 12);
  const auto sun = ComputeSolarPosition(probe);
  ASSERT_TRUE(sun && sun->day.sunrise && sun->day.sunset);
  EXPECT_NEAR(*sun->day.sunrise, 5.75, 0.25);
  EXPECT_LT(*sun->day.sunrise, sun->day.transit);
  EXPECT_LT(sun->day.transit, *sun->day.sunset);
  EXPECT_NEAR(*sun->day.sunset - *sun->day.sunrise, 12.1, 0.2);

  const auto rising = ComputeSolarPosition(At(3, 20, 35.68, 139.77, 9, *sun->day.sunrise));
  ASSERT_TRUE(rising);
  EXPECT_NEAR(rising->azimuth, 90, 1.5);
  EXPECT_NEAR(rising->zenith, 90.83, 0.05) << "upper limb on the refracted horizon";
  EXPECT_NEAR(korvex::ToViewerSun(*rising).azimuthFromSouth, -90, 1.5) << "east is negative";

  const auto setting = ComputeSolarPosition(At(3, 20, 35.68, 139.77, 9, *sun->day.sunset));
  ASSERT_TRUE(setting);
  EXPECT_NEAR(korvex::ToViewerSun(*setting).azimuthFromSouth, 90, 1.5);
}

TEST(SolarPosition, PolarDayAndNightHaveNoSunriseOrSunset) {
  const auto summer = ComputeSolarPosition(At(6, 21, 80, 15, 1, 0));
  ASSERT_TRUE(summer);
  EXPECT_FALSE(summer->day.sunrise || summer->day.sunset);
  EXPECT_LT(summer->zenith, 90) << "the midnight sun is up";
  const auto winter = ComputeSolarPosition(At(12, 21, 80, 15, 1, 12));
  ASSERT_TRUE(winter);
  EXPECT_FALSE(winter->day.sunrise || winter->day.sunset);
  EXPECT_GT(winter->zenith, 90);
}

TEST(SolarPosition, RefusesImpossibleInputsNamingTheField) {
  struct Case {
    const char* name;
    void (*spoil)(SolarInput&);
    const char* field;
  };
  const Case cases[] = {
      {"month 13", [](SolarInput& in) { in.month = 13; }, "month"},
      {"latitude 95", [](SolarInput& in) { in.latitude = 95; }, "latitude"},
      {"30 February", [](SolarInput& in) { in.month = 2, in.day = 30; }, "day"},
      {"29 February 2003", [](SolarInput& in) { in.month = 2, in.day = 29; }, "day"},
      {"longitude NaN", [](SolarInput& in) { in.longitude = std::numeric_limits<double>::quiet_NaN(); }, "longitude"},
      {"second 60", [](SolarInput& in) { in.second = 60; }, "second"},
      {"24:30", [](SolarInput& in) { in.hour = 24; }, "24:00:00"},
      {"offset 20 h", [](SolarInput& in) { in.utcOffsetHours = 20; }, "UTC offset"},
      {"pressure -1", [](SolarInput& in) { in.pressure = -1; }, "pressure"},
  };
  for (const Case& c : cases) {
    SolarInput in = GoldenExample();
    c.spoil(in);
    std::string problem;
    EXPECT_FALSE(ComputeSolarPosition(in, &problem)) << c.name;
    EXPECT_NE(problem.find(c.field), std::string::npos) << c.name << ": " << problem;
  }
  SolarInput leap = GoldenExample();
  leap.year = 2024, leap.month = 2, leap.day = 29;
  EXPECT_TRUE(ComputeSolarPosition(leap));
}

TEST(SolarPosition, ClockTimesRoundToTheSecondWithinOneDay) {
  EXPECT_EQ(FormatClockTime(6.212067), "06:12:43");
  EXPECT_EQ(FormatClockTime(23.99999), "00:00:00");
  EXPECT_EQ(FormatClockTime(-0.5), "23:30:00");
}

}  // namespace
