// korvex-cli convert: a model read as the viewer opens it and saved as the
// viewer saves it, for converting models in scripts.
#pragma once

#include <string_view>
#include <vector>

namespace korvex::cli {

inline constexpr const char* kConvertUsage =
    "usage: korvex-cli convert IN OUT\n"
    "  Loads IN as dump does and writes it through the first file plug-in that\n"
    "  writes files of OUT's extension (.ink when OUT has none).\n";

// Runs the command on its arguments (after "convert"). Exit status: 0 the
// file was written, 1 it could not be (one line on standard error), 2 a
// wrong command line.
int RunConvert(const std::vector<std::string_view>& args);

}  // namespace korvex::cli
