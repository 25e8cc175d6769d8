// The command line a host passes, on any bytes: zero bytes separate the
// arguments, as they do in the process's argument block.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "common/file_util.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back().push_back(static_cast<char>(data[i]));
  }
  const korvex::LaunchOptions options = korvex::ParseCommandLine(args);
  for (const std::string* path : {&options.modelPath, &options.texturePath, &options.backgroundPath})
    korvex_fuzz::Require(path->size() < korvex::kMaxPath);
  return 0;
}
