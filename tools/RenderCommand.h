// korvex-cli render: one picture of a model, drawn headless by the view
// core exactly as the viewer would draw it.
#pragma once

#include <string_view>
#include <vector>

namespace korvex::cli {

inline constexpr const char* kRenderUsage =
    "usage: korvex-cli render MODEL (-o OUT.jpg|OUT.bmp | --layout BASE) [--old]\n"
    "                         [--size WxH] [--view reset|plan|elevation|back|left|right]\n"
    "                         [--iso 0..3] [--perspective] [--flags HEX]\n"
"                         [--sun HH:MM [--north-flip]] [--shadows]\n"
    "                         [--bil FILE] [--txi FILE] [--background FILE]\n"
    "                         [--section z=H|x=V|y=V|a,b,c,d]...\n"
    "  Loads MODEL as the viewer does at start-up, resets and fits the eye,\n"
    "  turns to the chosen view and writes one picture (JPEG at quality 90, or\n"
    "  a 24-bit BMP) as the viewer's file output does: the width is rounded\n"
    "  down to a multiple of 4. --layout writes BASE.jpg (BASE.bmp with --old)\n"
    "  and the drawing layout BASE.tdo in the current folder. --old draws with a\n"
    "  second engine and writes BMP only. Default size 1024x768, parallel\n"
    "  projection. --bil and --txi read a billboard or texture assignment file\n"
    "  after the model's own, as the viewer's commands do; --background shows\n"
    "  a 24-bit BMP behind the scene.\n"
    "  --sun lights the scene with the sun of that time in the time dialog's\n"
    "  list (Plan.tmp or Plan.land of the current folder, else the built-in\n"
    "  08:00 to 16:00), under the north of ../Project.tmp or ../Project.data;\n"
    "  --north-flip turns that north round. --shadows makes and shows the\n"
    "  shadows as the viewer's shadow command does.\n"
    "  --section cuts the model open, up to three times: z=H keeps what lies\n"
    "  below the height H, x=V and y=V what lies on the lower side of that\n"
    "  value, a,b,c,d the side of the plane a*x + b*y + c*z + d = 0 where the\n"
    "  sum is at most 0. Cuts through closed solids are filled.\n";

// Runs the command on its arguments (after "render"). Exit status: 0 the
// picture was written, 1 it could not be made (one line on standard error),
// 2 a wrong command line.
int RunRender(const std::vector<std::string_view>& args);

}  // namespace korvex::cli
