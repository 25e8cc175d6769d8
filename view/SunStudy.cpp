#include "view/SunStudy.h"

#include <cmath>
#include <cstdio>
#include <system_error>

#include "common/atomic_file.h"
#include "output/OutputTexts.h"
#include "output/PictureMemory.h"
#include "view/StereonView.h"
#include "view/SunTimes.h"
#include "view/ViewCommands.h"
#include "view/ViewMath.h"

namespace korvex {

namespace {

constexpr int kMinutesPerDay = 24 * 60;
constexpr int kMaxSide = 16384;

// The study borrows the view's sun and shadows for its pictures; the
// user's own come back when it ends, however it ends.
class BorrowedSun {
 public:
  explicit BorrowedSun(CStereonView& view)
      : view_(view), light_(view.State().lightPosition), flags_(view.State().displayFlags) {
    const CStereon* engine = view.Engine();
    hadShadows_ = engine != nullptr && (engine->shadowList || !engine->shadowArrays.empty());
  }
  ~BorrowedSun() {
    view_.State().lightPosition = light_;
    if (hadShadows_)
      view_.MakeShadows();
    else
      view_.OnCommand(cmd::kDeleteShadows);
    view_.State().displayFlags = flags_;
  }
  BorrowedSun(const BorrowedSun&) = delete;
  BorrowedSun& operator=(const BorrowedSun&) = delete;

 private:
  CStereonView& view_;
  GMVector light_;
  int flags_;
  bool hadShadows_ = false;
};

void SetClock(SolarInput& input, int minutes) {
  input.hour = minutes / 60;
  input.minute = minutes % 60;
  input.second = 0;
}

bool WriteCsv(const std::filesystem::path& folder, std::span<const SunStudyFrame> frames) {
  const std::string text = SunStudyCsv(frames);
  return ReplaceFileContents(folder / kSunStudyCsvName,
                             {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

}  // namespace

std::optional<SunSample> SampleSun(const SolarInput& input, double northRadians, std::string* problem) {
  if (!std::isfinite(northRadians)) {
    if (problem) *problem = "the north angle must be a finite number of radians";
    return std::nullopt;
  }
  const std::optional<SolarPosition> position = ComputeSolarPosition(input, problem);
  if (!position) return std::nullopt;
  SunSample sample;
  sample.position = *position;
  sample.viewer = ToViewerSun(*position);
  sample.vector = SunVectorFromAngles(sample.viewer.azimuthFromSouth, sample.viewer.altitude, northRadians);
  return sample;
}

std::string SunStudyPlanProblem(const SunStudyPlan& plan) {
  SolarInput noon = plan.site;
  SetClock(noon, 12 * 60);
  std::string problem = SolarInputProblem(noon);
  if (!problem.empty()) return problem;
  if (!std::isfinite(plan.north)) return "the north angle must be a finite number of radians";
  if (plan.fromMinutes < 0 || plan.fromMinutes > kMinutesPerDay || plan.toMinutes < 0 ||
      plan.toMinutes > kMinutesPerDay)
    return "the times must lie from 00:00 to 24:00";
  if (plan.toMinutes < plan.fromMinutes) return "the study must end no earlier than it starts";
  if (plan.stepMinutes < 1) return "the step must be at least one minute";
  if (plan.width < 1 || plan.width > kMaxSide || plan.height < 1 || plan.height > kMaxSide)
    return "the picture size must be 1 to 16384 pixels each way";
  if (!output::PictureFitsInMemory(plan.width, plan.height)) return output::kBitmapTooLarge;
  if (plan.folder.empty()) return "the study needs an output folder";
  // The longest name the study writes in its folder ("sheet.jpg").
  if (PathTooLong((plan.folder / "sheet.jpg").string())) return "path too long";
  return {};
}

std::vector<int> SunStudyTimes(const SunStudyPlan& plan) {
  std::vector<int> times;
  if (plan.stepMinutes < 1) return times;
  // In a wide type: a step as long as an int allows must not wrap round.
  for (long long t = plan.fromMinutes; t <= plan.toMinutes; t += plan.stepMinutes) times.push_back(static_cast<int>(t));
  return times;
}

std::string SunStudyClock(int minutes) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d%02d", minutes / 60, minutes % 60);
  return text;
}

SunStudyResult RunSunStudy(CStereonView& view, const SunStudyPlan& plan, const SunStudyProgress& progress) {
  SunStudyResult result;
  result.error = SunStudyPlanProblem(plan);
  if (!result.error.empty()) return result;
  std::error_code error;
  std::filesystem::create_directories(plan.folder, error);
  if (!std::filesystem::is_directory(plan.folder, error)) {
    result.error = "cannot make the folder " + plan.folder.string();
    return result;
  }

  const std::vector<int> times = SunStudyTimes(plan);
  const int steps = static_cast<int>(times.size());
  const BorrowedSun borrowed(view);
  for (int i = 0; i < steps; ++i) {
    SolarInput input = plan.site;
    SetClock(input, times[i]);
    std::optional<SunSample> sun = SampleSun(input, plan.north, &result.error);
    if (!sun) return result;
    const SunStudyFrame* drawn = nullptr;
    if (sun->viewer.altitude > 0) {
      SunStudyFrame frame{times[i], *sun, SunStudyClock(times[i]) + ".jpg"};
      // The time dialog's OK with "影を作製する": the light goes to the sun,
      // then the shadow command builds the volumes for it.
      view.State().lightPosition = vm::Unit(sun->vector);
      view.OnCommand(cmd::kMakeShadows);
      const std::filesystem::path path = plan.folder / frame.fileName;
      if (!view.SaveImage(path.string(), plan.width, plan.height, view.ExportSettings().lineWidth)) {
        result.error = "cannot write " + path.string();
        return result;
      }
      result.frames.push_back(std::move(frame));
      if (!WriteCsv(plan.folder, result.frames)) {
        result.error = "cannot write " + (plan.folder / kSunStudyCsvName).string();
        return result;
      }
      drawn = &result.frames.back();
    } else {
      ++result.stepsInDark;
    }
    if (progress && !progress(i + 1, steps, drawn)) {
      result.cancelled = i + 1 < steps;
      break;
    }
  }
  // A study with no frame still leaves its (empty) table, so the folder
  // says what was done.
  if (result.frames.empty() && !WriteCsv(plan.folder, result.frames))
    result.error = "cannot write " + (plan.folder / kSunStudyCsvName).string();
  return result;
}

std::string SunStudyCsv(std::span<const SunStudyFrame> frames) {
  std::string text = "time,zenith,azimuth,altitude,azimuthFromSouth,sunX,sunY,sunZ,file\n";
  char line[256];
  for (const SunStudyFrame& frame : frames) {
    const SunSample& s = frame.sun;
    std::snprintf(line, sizeof line, "%02d:%02d,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%s\n", frame.minutes / 60,
                  frame.minutes % 60, s.position.zenith, s.position.azimuth, s.viewer.altitude,
                  s.viewer.azimuthFromSouth, s.vector.x, s.vector.y, s.vector.z, frame.fileName.c_str());
    text += line;
  }
  return text;
}

}  // namespace korvex
