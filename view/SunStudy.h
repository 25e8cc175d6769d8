// The sun study: the model's shadows at every step of a day, one picture a
// step, for the permit drawings that show where shadows fall. The same loop
// serves korvex-cli sunstudy and the viewer's "日影図..." dialog.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "geometry/gm_types.h"
#include "view/SolarPosition.h"

namespace korvex {

class CStereonView;

// The sun of one moment in both conventions, and the viewer's sun vector
// made of the viewer's angles exactly as the time dialog makes it.
struct SunSample {
  SolarPosition position;  // zenith, azimuth from north
  ViewerSun viewer;        // azimuth from south, altitude
  GMVector vector;         // length 100, from the scene towards the sun
};

// The sun for `input` with the site's north angle in radians; nothing (and
// the reason in `problem`) for an input the solar position refuses.
std::optional<SunSample> SampleSun(const SolarInput& input, double northRadians, std::string* problem = nullptr);

// What a study is asked for.
struct SunStudyPlan {
  // Date, place, UTC offset, atmosphere and ΔT; the clock fields are set for
  // each step.
  SolarInput site;
  int fromMinutes = 8 * 60;  // local clock, minutes after midnight
  int toMinutes = 16 * 60;   // the last step, when the step lands on it
  int stepMinutes = 60;
  double north = 0;  // radians, as the project file gives it
  std::filesystem::path folder;
  int width = 1024;
  int height = 768;
};

// Why a plan cannot run (bad date or place, a time range that is empty or
// leaves the day, a step under one minute, a picture size out of 1 … 16384,
// no folder); empty when it can.
std::string SunStudyPlanProblem(const SunStudyPlan& plan);

// The local clock times of the steps, in minutes: from, from + step, … up
// to and including `to`.
std::vector<int> SunStudyTimes(const SunStudyPlan& plan);

// One step that was drawn.
struct SunStudyFrame {
  int minutes = 0;  // local clock
  SunSample sun;
  std::string fileName;  // "HHMM.jpg" in the study folder
};

// "HHMM" of a clock time in minutes (480 → "0800").
std::string SunStudyClock(int minutes);

struct SunStudyResult {
  std::vector<SunStudyFrame> frames;  // every picture written, in order
  int stepsInDark = 0;                // steps skipped with the sun down
  bool cancelled = false;             // stopped by the progress callback
  std::string error;                  // empty when nothing failed
};

// Told after each step: the step's index from 1, the number of steps, and
// the frame drawn (null when the sun was down). Returning false stops the
// study after this step.
using SunStudyProgress = std::function<bool(int step, int steps, const SunStudyFrame* frame)>;

// The name of the table of the study's suns in its folder.
inline constexpr const char* kSunStudyCsvName = "sun.csv";

// For every step with the sun above the horizon: the view's light goes to
// the sun, the shadows are made as "影作製" makes them, and the picture is
// written as the viewer's file output writes it, to folder/HHMM.jpg. After
// each picture folder/sun.csv is written anew, so a study stopped at any
// point leaves a table of exactly the pictures it wrote. The view keeps the
// last step's sun and shadows.
SunStudyResult RunSunStudy(CStereonView& view, const SunStudyPlan& plan, const SunStudyProgress& progress = {});

// The table: a header line, then one line per frame with the time, the
// angles in both conventions and the sun vector.
std::string SunStudyCsv(std::span<const SunStudyFrame> frames);

}  // namespace korvex
