// The project and plan files of the time dialog on any bytes: the input up
// to its first zero byte is the plan's "Plan.land", the rest the project's
// "../Project.data".
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "fuzz_support.h"
#include "view/SunTimes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const korvex_fuzz::Scratch scratch;
  const auto plan = scratch.path() / "plan";
  std::filesystem::create_directory(plan);
  const uint8_t* split = std::find(data, data + size, 0);
  korvex_fuzz::WriteFile(plan / "Plan.land", data, static_cast<std::size_t>(split - data));
  const uint8_t* rest = split == data + size ? split : split + 1;
  korvex_fuzz::WriteFile(scratch.path() / "Project.data", rest, static_cast<std::size_t>(data + size - rest));

  const korvex::SunTimeList times = korvex::ReadSunTimes(plan);
  korvex_fuzz::Require(times.lines.size() == times.entries.size() && times.times.size() == times.entries.size());
  (void)korvex::ReadProjectNorth(plan);
  return 0;
}
