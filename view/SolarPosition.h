// Where the sun stands for a date, a time and a place: the Solar Position
// Algorithm of Reda and Andreas (NREL/TP-560-34302, 2003, revised 2008),
// good to about 0.0003° from the year -2000 to 6000.
//
// Angles are degrees. The azimuth here is the astronomers' and surveyors'
// one, from north towards east; the viewer's time list measures from south,
// negative towards east, and ToViewerSun converts.
#pragma once

#include <optional>
#include <string>

namespace korvex {

// The observer and the moment. The clock time is local civil time at the
// given offset from UTC (Japan +9, Colorado in summer -6), so the same
// instant is written the same way whatever the computer's own zone.
struct SolarInput {
  int year = 2000;  // -2000 … 6000
  int month = 1;    // 1 … 12
  int day = 1;      // 1 … the length of the month
  int hour = 12;    // 0 … 24 (24:00:00 is the next midnight)
  int minute = 0;   // 0 … 59
  double second = 0.0;        // 0 … < 60
  double utcOffsetHours = 0;  // -18 … 18
  double latitude = 0;        // -90 … 90, north positive
  double longitude = 0;       // -180 … 180, east positive
  double elevation = 0;       // metres above sea level, >= -6 500 000
  double pressure = 1013.25;  // millibars (hPa), 0 … 5000
  double temperature = 15;    // °C, -273 … 6000
  // TT − UT in seconds: about 64 in 2000 and 69 in 2020; -8000 … 8000.
  double deltaT = 69;
  // The refraction of the atmosphere at sunrise and sunset, degrees (-5 … 5).
  double refractionAtHorizon = 0.5667;
};

// Rising, culmination and setting, as local clock hours (0 … < 24) of the
// local calendar day of the input. A sun that never sets or never rises
// that day has no sunrise and sunset; the transit is always there.
struct SunDay {
  std::optional<double> sunrise;
  double transit = 12;
  std::optional<double> sunset;
};

struct SolarPosition {
  double zenith = 0;   // topocentric, with refraction when the sun is up
  double azimuth = 0;  // from north, eastward, 0 … < 360
  double declination = 0;  // topocentric
  SunDay day;
};

// Why an input is refused, as a sentence naming the field and its range;
// empty when the input is usable. Every number must also be finite.
std::string SolarInputProblem(const SolarInput& input);

// The sun for `input`, or nothing (with the reason in `problem`, when given)
// for an input that SolarInputProblem refuses.
std::optional<SolarPosition> ComputeSolarPosition(const SolarInput& input, std::string* problem = nullptr);

// The viewer's convention: degrees from south, negative towards east
// (morning), positive towards west, in (-180, 180]; and degrees above the
// horizon, 90 − zenith.
struct ViewerSun {
  double azimuthFromSouth = 0;
  double altitude = 0;
};
ViewerSun ToViewerSun(const SolarPosition& position);

// "HH:MM:SS" of a clock time in hours, to the nearest second, wrapped into
// one day.
std::string FormatClockTime(double hours);

}  // namespace korvex
