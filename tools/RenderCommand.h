// korvex-cli render: one picture of a model, drawn headless by the view
// core exactly as the viewer would draw it.
#pragma once

#include <string_view>
#include <vector>

namespace korvex::cli {

inline constexpr const char* kRenderUsage =
    "usage: korvex-cli render MODEL -o OUT.jpg|OUT.bmp [--size WxH]\n"
    "                         [--view reset|plan|elevation|back|left|right] [--iso 0..3]\n"
    "                         [--perspective] [--flags HEX]\n"
    "  Loads MODEL as the viewer does at start-up, resets and fits the eye,\n"
    "  turns to the chosen view and writes one picture (JPEG at quality 90, or\n"
    "  a 24-bit BMP). Default size 1024x768, parallel projection.\n";

// Runs the command on its arguments (after "render"). Exit status: 0 the
// picture was written, 1 it could not be made (one line on standard error),
// 2 a wrong command line.
int RunRender(const std::vector<std::string_view>& args);

}  // namespace korvex::cli
