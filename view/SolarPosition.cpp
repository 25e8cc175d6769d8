#include "view/SolarPosition.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <numbers>
#include <span>

namespace korvex {

namespace {

// --- the periodic terms of the Earth's heliocentric position -----------------
// Each term is A·cos(B + C·τ) with τ in Julian millennia from J2000.0; the
// sums are in units of 1e-8 radian (or astronomical unit for the radius).
struct PeriodicTerm {
  double a, b, c;
};

constexpr PeriodicTerm kL0[] = {
    {175347046, 0, 0},          {3341656, 4.6692568, 6283.07585}, {34894, 4.6261, 12566.1517},
    {3497, 2.7441, 5753.3849},  {3418, 2.8289, 3.5231},           {3136, 3.6277, 77713.7715},
    {2676, 4.4181, 7860.4194},  {2343, 6.1352, 3930.2097},        {1324, 0.7425, 11506.7698},
    {1273, 2.0371, 529.691},    {1199, 1.1096, 1577.3435},        {990, 5.233, 5884.927},
    {902, 2.045, 26.298},       {857, 3.508, 398.149},            {780, 1.179, 5223.694},
    {753, 2.533, 5507.553},     {505, 4.583, 18849.228},          {492, 4.205, 775.523},
    {357, 2.92, 0.067},         {317, 5.849, 11790.629},          {284, 1.899, 796.298},
    {271, 0.315, 10977.079},    {243, 0.345, 5486.778},           {206, 4.806, 2544.314},
    {205, 1.869, 5573.143},     {202, 2.458, 6069.777},           {156, 0.833, 213.299},
    {132, 3.411, 2942.463},     {126, 1.083, 20.775},             {115, 0.645, 0.98},
    {103, 0.636, 4694.003},     {102, 0.976, 15720.839},          {102, 4.267, 7.114},
    {99, 6.21, 2146.17},        {98, 0.68, 155.42},               {86, 5.98, 161000.69},
    {85, 1.3, 6275.96},         {85, 3.67, 71430.7},              {80, 1.81, 17260.15},
    {79, 3.04, 12036.46},       {75, 1.76, 5088.63},              {74, 3.5, 3154.69},
    {74, 4.68, 801.82},         {70, 0.83, 9437.76},              {62, 3.98, 8827.39},
    {61, 1.82, 7084.9},         {57, 2.78, 6286.6},               {56, 4.39, 14143.5},
    {56, 3.47, 6279.55},        {52, 0.19, 12139.55},             {52, 1.33, 1748.02},
    {51, 0.28, 5856.48},        {49, 0.49, 1194.45},              {41, 5.37, 8429.24},
    {41, 2.4, 19651.05},        {39, 6.17, 10447.39},             {37, 6.04, 10213.29},
    {37, 2.57, 1059.38},        {36, 1.71, 2352.87},              {36, 1.78, 6812.77},
    {33, 0.59, 17789.85},       {30, 0.44, 83996.85},             {30, 2.74, 1349.87},
    {25, 3.16, 4690.48},
};
constexpr PeriodicTerm kL1[] = {
    {628331966747, 0, 0}, {206059, 2.678235, 6283.07585}, {4303, 2.6351, 12566.1517},
    {425, 1.59, 3.523},   {119, 5.796, 26.298},           {109, 2.966, 1577.344},
    {93, 2.59, 18849.23}, {72, 1.14, 529.69},             {68, 1.87, 398.15},
    {67, 4.41, 5507.55},  {59, 2.89, 5223.69},            {56, 2.17, 155.42},
    {45, 0.4, 796.3},     {36, 0.47, 775.52},             {29, 2.65, 7.11},
    {21, 5.34, 0.98},     {19, 1.85, 5486.78},            {19, 4.97, 213.3},
    {17, 2.99, 6275.96},  {16, 0.03, 2544.31},            {16, 1.43, 2146.17},
    {15, 1.21, 10977.08}, {12, 2.83, 1748.02},            {12, 3.26, 5088.63},
    {12, 5.27, 1194.45},  {12, 2.08, 4694},               {11, 0.77, 553.57},
    {10, 1.3, 6286.6},    {10, 4.24, 1349.87},            {9, 2.7, 242.73},
    {9, 5.64, 951.72},    {8, 5.3, 2352.87},              {6, 2.65, 9437.76},
    {6, 4.67, 4690.48},
};
constexpr PeriodicTerm kL2[] = {
    {52919, 0, 0},       {8720, 1.0721, 6283.0758}, {309, 0.867, 12566.152}, {27, 0.05, 3.52},
    {16, 5.19, 26.3},    {16, 3.68, 155.42},        {10, 0.76, 18849.23},    {9, 2.06, 77713.77},
    {7, 0.83, 775.52},   {5, 4.66, 1577.34},        {4, 1.03, 7.11},         {4, 3.44, 5573.14},
    {3, 5.14, 796.3},    {3, 6.05, 5507.55},        {3, 1.19, 242.73},       {3, 6.12, 529.69},
    {3, 0.31, 398.15},   {3, 2.28, 553.57},         {2, 4.38, 5223.69},      {2, 3.75, 0.98},
};
constexpr PeriodicTerm kL3[] = {
    {289, 5.844, 6283.076}, {35, 0, 0},          {17, 5.49, 12566.15}, {3, 5.2, 155.42},
    {1, 4.72, 3.52},        {1, 5.3, 18849.23},  {1, 5.97, 242.73},
};
constexpr PeriodicTerm kL4[] = {{114, 3.142, 0}, {8, 4.13, 6283.08}, {1, 3.84, 12566.15}};
constexpr PeriodicTerm kL5[] = {{1, 3.14, 0}};

constexpr PeriodicTerm kB0[] = {
    {280, 3.199, 84334.662}, {102, 5.422, 5507.553}, {80, 3.88, 5223.69}, {44, 3.7, 2352.87}, {32, 4, 1577.34},
};
constexpr PeriodicTerm kB1[] = {{9, 3.9, 5507.55}, {6, 1.73, 5223.69}};

constexpr PeriodicTerm kR0[] = {
    {100013989, 0, 0},      {1670700, 3.0984635, 6283.07585}, {13956, 3.05525, 12566.1517},
    {3084, 5.1985, 77713.7715}, {1628, 1.1739, 5753.3849},    {1576, 2.8469, 7860.4194},
    {925, 5.453, 11506.77}, {542, 4.564, 3930.21},            {472, 3.661, 5884.927},
    {346, 0.964, 5507.553}, {329, 5.9, 5223.694},             {307, 0.299, 5573.143},
    {243, 4.273, 11790.629}, {212, 5.847, 1577.344},          {186, 5.022, 10977.079},
    {175, 3.012, 18849.228}, {110, 5.055, 5486.778},          {98, 0.89, 6069.78},
    {86, 5.69, 15720.84},   {86, 1.27, 161000.69},            {65, 0.27, 17260.15},
    {63, 0.92, 529.69},     {57, 2.01, 83996.85},             {56, 5.24, 71430.7},
    {49, 3.25, 2544.31},    {47, 2.58, 775.52},               {45, 5.54, 9437.76},
    {43, 6.01, 6275.96},    {39, 5.36, 4694},                 {38, 2.39, 8827.39},
    {37, 0.83, 19651.05},   {37, 4.9, 12139.55},              {36, 1.67, 12036.46},
    {35, 1.84, 2942.46},    {33, 0.24, 7084.9},               {32, 0.18, 5088.63},
    {32, 1.78, 398.15},     {28, 1.21, 6286.6},               {28, 1.9, 6279.55},
    {26, 4.59, 10447.39},
};
constexpr PeriodicTerm kR1[] = {
    {103019, 1.10749, 6283.07585}, {1721, 1.0644, 12566.1517}, {702, 3.142, 0},     {32, 1.02, 18849.23},
    {31, 2.84, 5507.55},           {25, 1.32, 5223.69},        {18, 1.42, 1577.34}, {10, 5.91, 10977.08},
    {9, 1.42, 6275.96},            {9, 0.27, 5486.78},
};
constexpr PeriodicTerm kR2[] = {
    {4359, 5.7846, 6283.0758}, {124, 5.579, 12566.152}, {12, 3.14, 0},
    {9, 3.63, 77713.77},       {6, 1.87, 5573.14},      {3, 5.47, 18849.23},
};
constexpr PeriodicTerm kR3[] = {{145, 4.273, 6283.076}, {7, 3.92, 12566.15}};
constexpr PeriodicTerm kR4[] = {{4, 2.56, 6283.08}};

static_assert(std::size(kL0) == 64 && std::size(kL1) == 34 && std::size(kL2) == 20 && std::size(kL3) == 7);
static_assert(std::size(kR0) == 40 && std::size(kR1) == 10 && std::size(kR2) == 6);

// --- nutation in longitude and obliquity --------------------------------------
// Multiples of the five lunar and solar arguments (D, M, M', F, Ω) and the
// coefficients of sin (longitude, a + b·T) and cos (obliquity, c + d·T) in
// units of 0.0001″.
struct NutationTerm {
  signed char y[5];
  double a, b, c, d;
};

constexpr NutationTerm kNutation[] = {
    {{0, 0, 0, 0, 1}, -171996, -174.2, 92025, 8.9},
    {{-2, 0, 0, 2, 2}, -13187, -1.6, 5736, -3.1},
    {{0, 0, 0, 2, 2}, -2274, -0.2, 977, -0.5},
    {{0, 0, 0, 0, 2}, 2062, 0.2, -895, 0.5},
    {{0, 1, 0, 0, 0}, 1426, -3.4, 54, -0.1},
    {{0, 0, 1, 0, 0}, 712, 0.1, -7, 0},
    {{-2, 1, 0, 2, 2}, -517, 1.2, 224, -0.6},
    {{0, 0, 0, 2, 1}, -386, -0.4, 200, 0},
    {{0, 0, 1, 2, 2}, -301, 0, 129, -0.1},
    {{-2, -1, 0, 2, 2}, 217, -0.5, -95, 0.3},
    {{-2, 0, 1, 0, 0}, -158, 0, 0, 0},
    {{-2, 0, 0, 2, 1}, 129, 0.1, -70, 0},
    {{0, 0, -1, 2, 2}, 123, 0, -53, 0},
    {{2, 0, 0, 0, 0}, 63, 0, 0, 0},
    {{0, 0, 1, 0, 1}, 63, 0.1, -33, 0},
    {{2, 0, -1, 2, 2}, -59, 0, 26, 0},
    {{0, 0, -1, 0, 1}, -58, -0.1, 32, 0},
    {{0, 0, 1, 2, 1}, -51, 0, 27, 0},
    {{-2, 0, 2, 0, 0}, 48, 0, 0, 0},
    {{0, 0, -2, 2, 1}, 46, 0, -24, 0},
    {{2, 0, 0, 2, 2}, -38, 0, 16, 0},
    {{0, 0, 2, 2, 2}, -31, 0, 13, 0},
    {{0, 0, 2, 0, 0}, 29, 0, 0, 0},
    {{-2, 0, 1, 2, 2}, 29, 0, -12, 0},
    {{0, 0, 0, 2, 0}, 26, 0, 0, 0},
    {{-2, 0, 0, 2, 0}, -22, 0, 0, 0},
    {{0, 0, -1, 2, 1}, 21, 0, -10, 0},
    {{0, 2, 0, 0, 0}, 17, -0.1, 0, 0},
    {{2, 0, -1, 0, 1}, 16, 0, -8, 0},
    {{-2, 2, 0, 2, 2}, -16, 0.1, 7, 0},
    {{0, 1, 0, 0, 1}, -15, 0, 9, 0},
    {{-2, 0, 1, 0, 1}, -13, 0, 7, 0},
    {{0, -1, 0, 0, 1}, -12, 0, 6, 0},
    {{0, 0, 2, -2, 0}, 11, 0, 0, 0},
    {{2, 0, -1, 2, 1}, -10, 0, 5, 0},
    {{2, 0, 1, 2, 2}, -8, 0, 3, 0},
    {{0, 1, 0, 2, 2}, 7, 0, -3, 0},
    {{-2, 1, 1, 0, 0}, -7, 0, 0, 0},
    {{0, -1, 0, 2, 2}, -7, 0, 3, 0},
    {{2, 0, 0, 2, 1}, -7, 0, 3, 0},
    {{2, 0, 1, 0, 0}, 6, 0, 0, 0},
    {{-2, 0, 2, 2, 2}, 6, 0, -3, 0},
    {{-2, 0, 1, 2, 1}, 6, 0, -3, 0},
    {{2, 0, -2, 0, 1}, -6, 0, 3, 0},
    {{2, 0, 0, 0, 1}, -6, 0, 3, 0},
    {{0, -1, 1, 0, 0}, 5, 0, 0, 0},
    {{-2, -1, 0, 2, 1}, -5, 0, 3, 0},
    {{-2, 0, 0, 0, 1}, -5, 0, 3, 0},
    {{0, 0, 2, 2, 1}, -5, 0, 3, 0},
    {{-2, 0, 2, 0, 1}, 4, 0, 0, 0},
    {{-2, 1, 0, 2, 1}, 4, 0, 0, 0},
    {{0, 0, 1, -2, 0}, 4, 0, 0, 0},
    {{-1, 0, 1, 0, 0}, -4, 0, 0, 0},
    {{-2, 1, 0, 0, 0}, -4, 0, 0, 0},
    {{1, 0, 0, 0, 0}, -4, 0, 0, 0},
    {{0, 0, 1, 2, 0}, 3, 0, 0, 0},
    {{0, 0, -2, 2, 2}, -3, 0, 0, 0},
    {{-1, -1, 1, 0, 0}, -3, 0, 0, 0},
    {{0, 1, 1, 0, 0}, -3, 0, 0, 0},
    {{0, -1, 1, 2, 2}, -3, 0, 0, 0},
    {{2, -1, -1, 2, 2}, -3, 0, 0, 0},
    {{0, 0, 3, 2, 2}, -3, 0, 0, 0},
    {{2, -1, 0, 2, 2}, -3, 0, 0, 0},
};
static_assert(std::size(kNutation) == 63);

constexpr double kPi = std::numbers::pi;
constexpr double kDegree = kPi / 180;
// Apparent radius of the sun's disc, degrees: sunrise and sunset are when
// its upper edge touches the refracted horizon.
constexpr double kSunRadius = 0.26667;
constexpr double kJ2000 = 2451545.0;

double Sin(double degrees) { return std::sin(degrees * kDegree); }
double Cos(double degrees) { return std::cos(degrees * kDegree); }
double Tan(double degrees) { return std::tan(degrees * kDegree); }
double Asin(double x) { return std::asin(std::clamp(x, -1.0, 1.0)) / kDegree; }
double Atan2(double y, double x) { return std::atan2(y, x) / kDegree; }

// An angle in [0, 360).
double Wrap360(double degrees) {
  double d = std::fmod(degrees, 360.0);
  if (d < 0) d += 360;
  return d >= 360 ? 0 : d;
}

// An angle in (-180, 180].
double Wrap180(double degrees) {
  const double d = Wrap360(degrees);
  return d > 180 ? d - 360 : d;
}

// Julian day of a calendar date and a day fraction in UT (Meeus): the
// Gregorian calendar from 1582-10-15, the Julian one before it.
double JulianDay(int year, int month, double day) {
  if (month < 3) {
    --year;
    month += 12;
  }
  double jd = std::floor(365.25 * (year + 4716.0)) + std::floor(30.6001 * (month + 1)) + day - 1524.5;
  if (jd > 2299160.0) {
    const double a = std::floor(year / 100.0);
    jd += 2 - a + std::floor(a / 4);
  }
  return jd;
}

bool IsLeapYear(int year) {
  // The Julian calendar before 1583, as JulianDay counts.
  if (year < 1583) return year % 4 == 0;
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

double SumTerms(std::span<const PeriodicTerm> terms, double jme) {
  double sum = 0;
  for (const PeriodicTerm& t : terms) sum += t.a * std::cos(t.b + t.c * jme);
  return sum;
}

// A polynomial in jme whose coefficients are the series sums, / 1e8.
double Series(std::initializer_list<std::span<const PeriodicTerm>> series, double jme) {
  double sum = 0;
  double power = 1;
  for (const auto& terms : series) {
    sum += SumTerms(terms, jme) * power;
    power *= jme;
  }
  return sum / 1e8;
}

// The sun seen from the centre of the Earth at one instant.
struct Geocentric {
  double rightAscension;  // degrees, [0, 360)
  double declination;     // degrees
  double radius;          // astronomical units
  double siderealTime;    // apparent at Greenwich, degrees, [0, 360)
};

Geocentric SunFromEarthCentre(double jd, double deltaT) {
  const double jde = jd + deltaT / 86400;
  const double jc = (jd - kJ2000) / 36525;
  const double jce = (jde - kJ2000) / 36525;
  const double jme = jce / 10;

  const double l = Wrap360(Series({kL0, kL1, kL2, kL3, kL4, kL5}, jme) / kDegree);
  const double b = Series({kB0, kB1}, jme) / kDegree;
  const double r = Series({kR0, kR1, kR2, kR3, kR4}, jme);

  // Geocentric longitude and latitude: the Earth seen from the sun, turned round.
  const double theta = Wrap360(l + 180);
  const double beta = -b;

  const double jce2 = jce * jce;
  const double jce3 = jce2 * jce;
  const double x[5] = {
      297.85036 + 445267.111480 * jce - 0.0019142 * jce2 + jce3 / 189474,  // D
      357.52772 + 35999.050340 * jce - 0.0001603 * jce2 - jce3 / 300000,   // M
      134.96298 + 477198.867398 * jce + 0.0086972 * jce2 + jce3 / 56250,   // M'
      93.27191 + 483202.017538 * jce - 0.0036825 * jce2 + jce3 / 327270,   // F
      125.04452 - 1934.136261 * jce + 0.0020708 * jce2 + jce3 / 450000,    // Ω
  };
  double dPsi = 0;
  double dEps = 0;
  for (const NutationTerm& t : kNutation) {
    double arg = 0;
    for (int j = 0; j < 5; ++j) arg += x[j] * t.y[j];
    dPsi += (t.a + t.b * jce) * Sin(arg);
    dEps += (t.c + t.d * jce) * Cos(arg);
  }
  dPsi /= 36000000;
  dEps /= 36000000;

  const double u = jme / 10;
  static constexpr double kObliquity[] = {84381.448, -4680.93, -1.55, 1999.25, -51.38, -249.67,
                                          -39.05,    7.12,     27.87, 5.79,    2.45};
  double eps0 = 0;
  for (int i = std::size(kObliquity) - 1; i >= 0; --i) eps0 = eps0 * u + kObliquity[i];
  const double eps = eps0 / 3600 + dEps;

  const double aberration = -20.4898 / (3600 * r);
  const double lambda = theta + dPsi + aberration;

  const double nu0 =
      Wrap360(280.46061837 + 360.98564736629 * (jd - kJ2000) + 0.000387933 * jc * jc - jc * jc * jc / 38710000);
  const double nu = nu0 + dPsi * Cos(eps);

  const double alpha = Wrap360(Atan2(Sin(lambda) * Cos(eps) - Tan(beta) * Sin(eps), Cos(lambda)));
  const double delta = Asin(Sin(beta) * Cos(eps) + Cos(beta) * Sin(eps) * Sin(lambda));
  return {alpha, delta, r, Wrap360(nu)};
}

struct Topocentric {
  double zenith;
  double azimuth;
  double declination;
};

Topocentric SunFromObserver(const Geocentric& sun, const SolarInput& in) {
  const double h = Wrap360(sun.siderealTime + in.longitude - sun.rightAscension);
  // Parallax of the sun for an observer on the Earth's surface.
  const double xi = 8.794 / (3600 * sun.radius);
  const double u = std::atan(0.99664719 * Tan(in.latitude)) / kDegree;
  const double x = Cos(u) + in.elevation / 6378140 * Cos(in.latitude);
  const double y = 0.99664719 * Sin(u) + in.elevation / 6378140 * Sin(in.latitude);
  const double dAlpha = Atan2(-x * Sin(xi) * Sin(h), Cos(sun.declination) - x * Sin(xi) * Cos(h));
  const double deltaPrime =
      Atan2((Sin(sun.declination) - y * Sin(xi)) * Cos(dAlpha), Cos(sun.declination) - x * Sin(xi) * Cos(h));
  const double hPrime = h - dAlpha;

  const double e0 = Asin(Sin(in.latitude) * Sin(deltaPrime) + Cos(in.latitude) * Cos(deltaPrime) * Cos(hPrime));
  // Refraction lifts the sun only while some of its disc is above the horizon.
  double de = 0;
  if (e0 >= -(kSunRadius + in.refractionAtHorizon))
    de = in.pressure / 1010 * 283 / (273 + in.temperature) * 1.02 / (60 * Tan(e0 + 10.3 / (e0 + 5.11)));
  const double zenith = 90 - (e0 + de);
  const double gamma =
      Atan2(Sin(hPrime), Cos(hPrime) * Sin(in.latitude) - Tan(deltaPrime) * Cos(in.latitude));
  return {zenith, Wrap360(gamma + 180), deltaPrime};
}

// Sunrise, transit and sunset for the local calendar day, by interpolating
// the sun's place between the days around it (Meeus, chapter 15, as the
// algorithm's appendix gives it). Times are fractions of the UT day that
// starts at 0h UT of the input's date.
SunDay RiseTransitSet(const SolarInput& in) {
  const double jd0 = JulianDay(in.year, in.month, in.day);
  const Geocentric today = SunFromEarthCentre(jd0, 0);
  const Geocentric before = SunFromEarthCentre(jd0 - 1, 0);
  const Geocentric after = SunFromEarthCentre(jd0 + 1, 0);
  const double nu = today.siderealTime;
  const double h0Prime = -(kSunRadius + in.refractionAtHorizon);
  const double offsetDays = in.utcOffsetHours / 24;

  // The local day runs from -offset to 1 - offset in this UT day's fractions.
  auto intoLocalDay = [&](double m) { return m - std::floor(m + offsetDays); };
  const double m0 = intoLocalDay((today.rightAscension - in.longitude - nu) / 360);

  // Day-to-day differences, taken across 0°/360° the short way round.
  const double aRa = Wrap180(today.rightAscension - before.rightAscension);
  const double bRa = Wrap180(after.rightAscension - today.rightAscension);
  const double aDec = today.declination - before.declination;
  const double bDec = after.declination - today.declination;
  struct Place {
    double hourAngle, declination, altitude;
  };
  auto placeAt = [&](double m) {
    const double n = m + in.deltaT / 86400;
    const double ra = today.rightAscension + n * (aRa + bRa + (bRa - aRa) * n) / 2;
    const double dec = today.declination + n * (aDec + bDec + (bDec - aDec) * n) / 2;
    const double hourAngle = Wrap180(nu + 360.985647 * m + in.longitude - ra);
    const double altitude =
        Asin(Sin(in.latitude) * Sin(dec) + Cos(in.latitude) * Cos(dec) * Cos(hourAngle));
    return Place{hourAngle, dec, altitude};
  };
  auto toLocalHours = [&](double m) { return Wrap360((m + offsetDays) * 24 * 15) / 15; };

  SunDay result;
  const Place transit = placeAt(m0);
  result.transit = toLocalHours(m0 - transit.hourAngle / 360);

  const double cosH0 = (Sin(h0Prime) - Sin(in.latitude) * Sin(today.declination)) /
                       (Cos(in.latitude) * Cos(today.declination));
  if (!(std::abs(cosH0) <= 1)) return result;  // all day up, or all day down
  const double h0 = std::acos(cosH0) / kDegree;
  auto refine = [&](double m) {
    const Place p = placeAt(m);
    const double denominator = 360 * Cos(p.declination) * Cos(in.latitude) * Sin(p.hourAngle);
    return denominator == 0 ? m : m + (p.altitude - h0Prime) / denominator;
  };
  result.sunrise = toLocalHours(refine(m0 - h0 / 360));
  result.sunset = toLocalHours(refine(m0 + h0 / 360));
  return result;
}

std::string OutOfRange(const char* field, const char* range) {
  return std::string(field) + " must be " + range;
}

}  // namespace

std::string SolarInputProblem(const SolarInput& in) {
  if (in.year < -2000 || in.year > 6000) return OutOfRange("the year", "from -2000 to 6000");
  if (in.month < 1 || in.month > 12) return OutOfRange("the month", "from 1 to 12");
  if (in.day < 1 || in.day > DaysInMonth(in.year, in.month))
    return OutOfRange("the day", ("from 1 to " + std::to_string(DaysInMonth(in.year, in.month)) +
                                  " in that month").c_str());
  if (in.hour < 0 || in.hour > 24) return OutOfRange("the hour", "from 0 to 24");
  if (in.minute < 0 || in.minute > 59) return OutOfRange("the minute", "from 0 to 59");
  if (!(in.second >= 0 && in.second < 60)) return OutOfRange("the second", "from 0 to under 60");
  if (in.hour == 24 && (in.minute != 0 || in.second != 0)) return "the time cannot be after 24:00:00";
  if (!(std::abs(in.utcOffsetHours) <= 18)) return OutOfRange("the UTC offset", "from -18 to 18 hours");
  if (!(std::abs(in.latitude) <= 90)) return OutOfRange("the latitude", "from -90 to 90 degrees");
  if (!(std::abs(in.longitude) <= 180)) return OutOfRange("the longitude", "from -180 to 180 degrees");
  if (!(in.elevation >= -6500000 && std::isfinite(in.elevation)))
    return OutOfRange("the elevation", "at least -6500000 metres");
  if (!(in.pressure >= 0 && in.pressure <= 5000)) return OutOfRange("the pressure", "from 0 to 5000 millibars");
  if (!(in.temperature >= -273 && in.temperature <= 6000))
    return OutOfRange("the temperature", "from -273 to 6000 °C");
  if (!(std::abs(in.deltaT) <= 8000)) return OutOfRange("delta T", "from -8000 to 8000 seconds");
  if (!(std::abs(in.refractionAtHorizon) <= 5))
    return OutOfRange("the refraction at the horizon", "from -5 to 5 degrees");
  return {};
}

std::optional<SolarPosition> ComputeSolarPosition(const SolarInput& input, std::string* problem) {
  std::string why = SolarInputProblem(input);
  if (!why.empty()) {
    if (problem) *problem = std::move(why);
    return std::nullopt;
  }
  const double dayFraction =
      (input.hour - input.utcOffsetHours + (input.minute + input.second / 60) / 60) / 24;
  const double jd = JulianDay(input.year, input.month, input.day + dayFraction);
  const Topocentric seen = SunFromObserver(SunFromEarthCentre(jd, input.deltaT), input);
  SolarPosition result;
  result.zenith = seen.zenith;
  result.azimuth = seen.azimuth;
  result.declination = seen.declination;
  result.day = RiseTransitSet(input);
  return result;
}

ViewerSun ToViewerSun(const SolarPosition& position) {
  return {Wrap180(position.azimuth - 180), 90 - position.zenith};
}

std::string FormatClockTime(double hours) {
  long seconds = std::lround(hours * 3600);
  seconds %= 86400;
  if (seconds < 0) seconds += 86400;
  char text[16];
  std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return text;
}

}  // namespace korvex
