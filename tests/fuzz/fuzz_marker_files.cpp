// The project and plan marker files on any bytes: the input up to its first
// zero byte is the project's "../buk", the rest the plan's "buk".
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "app/MarkerFiles.h"
#include "common/file_util.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const korvex_fuzz::Scratch scratch;
  const auto plan = scratch.path() / "plan";
  std::filesystem::create_directory(plan);
  const uint8_t* split = std::find(data, data + size, 0);
  korvex_fuzz::WriteFile(scratch.path() / "buk", data, static_cast<std::size_t>(split - data));
  const uint8_t* rest = split == data + size ? split : split + 1;
  korvex_fuzz::WriteFile(plan / "buk", rest, static_cast<std::size_t>(data + size - rest));

  const korvex::MarkerNames names = korvex::ReadMarkerNames(plan);
  korvex_fuzz::Require(names.project.size() < korvex::kMaxPath && names.plan.size() < korvex::kMaxPath);
  // The title converts the Shift-JIS names: a second reader of the same bytes.
  (void)korvex::MarkerTitle(names);
  return 0;
}
