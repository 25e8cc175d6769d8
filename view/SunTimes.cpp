// The sun of the time dialog: reading the project and plan files, the
// built-in table and the sun vector.
#include "view/SunTimes.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>

#include "common/file_util.h"

namespace korvex {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Hands every line of a text file to `onLine`, the way the data files have
// always been read: at most 1023 characters at a time (a longer line comes
// in pieces), cut at the first CR and at the first LF. False when the file
// cannot be opened.
bool ForEachLine(const std::filesystem::path& path, const std::function<void(const char*)>& onLine) {
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  char buffer[1024];
  while (std::fgets(buffer, sizeof buffer, file.get()) != nullptr) {
    buffer[std::strcspn(buffer, "\r")] = '\0';
    buffer[std::strcspn(buffer, "\n")] = '\0';
    onLine(buffer);
  }
  return true;
}

// The first whitespace-separated token of a line.
std::string_view FirstToken(const char* line) {
  std::string_view text(line);
  const auto begin = text.find_first_not_of(" \t\v\f");
  if (begin == std::string_view::npos) return {};
  text.remove_prefix(begin);
  return text.substr(0, text.find_first_of(" \t\v\f"));
}

// Reads the lines between `header` and "[END]" (both exact lines).
bool ForEachSectionLine(const std::filesystem::path& path, std::string_view header,
                        const std::function<void(const char*)>& onLine) {
  bool inside = false;
  return ForEachLine(path, [&](const char* line) {
    if (header == line) {
      inside = true;
    } else if (std::string_view(line) == "[END]") {
      inside = false;
    } else if (inside) {
      onLine(line);
    }
  });
}

// The .tmp file when it exists, else the saved one.
std::filesystem::path WorkingOrSaved(const std::filesystem::path& folder, const char* stem) {
  const std::filesystem::path working = folder / (std::string(stem) + ".tmp");
  return FileExists(working.string()) ? working : std::filesystem::path();
}

// Turns the pair (a, b) by theta: a' = a cos + b sin, b' = b cos - a sin.
void TurnPair(double& a, double& b, double theta) {
  const double c = std::cos(theta), s = std::sin(theta);
  const double na = a * c + b * s;
  const double nb = b * c - a * s;
  a = na;
  b = nb;
}

}  // namespace

std::string SunTimeLine(long hhmm) {
  char text[64];
  std::snprintf(text, sizeof text, "%02ld時 %02ld分", hhmm / 100, hhmm % 100);
  return text;
}

int FindSunTime(const SunTimeList& list, std::string_view clock) {
  const auto colon = clock.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 2 || clock.size() - colon != 3) return -1;
  long hours = 0, minutes = 0;
  for (std::size_t i = 0; i < clock.size(); ++i) {
    if (i == colon) continue;
    if (clock[i] < '0' || clock[i] > '9') return -1;
    long& part = i < colon ? hours : minutes;
    part = part * 10 + (clock[i] - '0');
  }
  if (minutes > 59) return -1;
  for (std::size_t i = 0; i < list.times.size(); ++i)
    if (list.times[i] == hours * 100 + minutes) return static_cast<int>(i);
  return -1;
}

SunTimeList DefaultSunTimes() {
  // One summer day, symmetric about noon, every half hour from 08:00.
  static constexpr SunEntry kTable[17] = {
      {-53.32942, 7.88533},  {-48.22358, 12.58651}, {-42.68979, 16.91216}, {-36.68197, 20.78837},
      {-30.17443, 24.13289}, {-23.17431, 26.85882}, {-15.73395, 28.88154}, {-7.95817, 30.12846},
      {0.0, 30.55},          {7.95817, 30.12846},   {15.73395, 28.88154},  {23.17431, 26.85882},
      {30.17443, 24.13289},  {36.68197, 20.78837},  {42.68979, 16.91216},  {48.22358, 12.58651},
      {53.32942, 7.88533},
  };
  SunTimeList list;
  for (int i = 0; i < 17; ++i) {
    list.entries.push_back(kTable[i]);
    list.times.push_back(800 + (i / 2) * 100 + (i % 2) * 30);
    list.lines.push_back(SunTimeLine(list.times.back()));
  }
  return list;
}

SunTimeList ReadSunTimes(const std::filesystem::path& currentFolder) {
  std::filesystem::path path = WorkingOrSaved(currentFolder, "Plan");
  if (path.empty()) path = currentFolder / "Plan.land";
  SunTimeList list;
  const bool read = ForEachSectionLine(path, "[PLANDATA_TIMEDIRECTION]", [&](const char* line) {
    if (FirstToken(line) != "point") return;
    char key[1024];
    long time = 0;
    SunEntry entry;
    // A line without all three numbers has no time to offer: skipped.
    if (std::sscanf(line, "%1023s %ld %lf %lf", key, &time, &entry.azimuth, &entry.altitude) != 4) return;
    list.entries.push_back(entry);
    list.times.push_back(time);
    list.lines.push_back(SunTimeLine(time));
  });
  return read ? list : DefaultSunTimes();
}

double ReadProjectNorth(const std::filesystem::path& currentFolder) {
  const std::filesystem::path parent = currentFolder / "..";
  std::filesystem::path path = WorkingOrSaved(parent, "Project");
  if (path.empty()) path = parent / "Project.data";
  double north = 0.0;
  ForEachSectionLine(path, "[PROJECTDATA_FRE]", [&](const char* line) {
    if (FirstToken(line) != "north") return;
    char key[1024];
    double value = 0.0;
    if (std::sscanf(line, "%1023s %lf", key, &value) == 2) north = value;
  });
  return north;
}

GMVector SunVectorFromAngles(double azimuthFromSouthDegrees, double altitudeDegrees, double northRadians) {
  const double azimuth = azimuthFromSouthDegrees * M_PI / 180.0;
  const double altitude = altitudeDegrees * M_PI / 180.0;
  GMVector v{0.0, -100.0, 0.0};
  TurnPair(v.y, v.z, altitude);
  TurnPair(v.x, v.y, northRadians);
  TurnPair(v.x, v.y, azimuth);
  return v;
}

void LoadTimeDialog(TimeDialogValues& values, const std::filesystem::path& currentFolder) {
  values.north = ReadProjectNorth(currentFolder);
  values.times = ReadSunTimes(currentFolder);
}

bool AcceptTimeDialog(TimeDialogValues& values, int selectedLine) {
  const int count = static_cast<int>(values.times.entries.size());
  if (count == 0) return false;
  const int selection = selectedLine >= 0 && selectedLine < count ? selectedLine : 0;
  const double north = values.north + (values.flipNorth ? M_PI : 0.0);
  const SunEntry& entry = values.times.entries[static_cast<std::size_t>(selection)];
  values.selection = selection;
  values.sunVector = SunVectorFromAngles(entry.azimuth, entry.altitude, north);
  const double length = std::sqrt(values.sunVector.x * values.sunVector.x + values.sunVector.y * values.sunVector.y +
                                  values.sunVector.z * values.sunVector.z);
  values.sunDirection = {values.sunVector.x / length, values.sunVector.y / length, values.sunVector.z / length};
  return true;
}

}  // namespace korvex
