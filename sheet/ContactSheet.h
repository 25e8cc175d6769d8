// The contact sheet of a sun study: every picture of the study folder in a
// grid on one page, each labelled with its time and the sun's angles, under
// a title line. Drawn with Qt's painter in the UI's Japanese font; used by
// korvex-cli sunstudy and the viewer's "日影図..." alike.
#pragma once

#include <filesystem>
#include <span>
#include <string>

#include "view/SunStudy.h"

namespace korvex {

inline constexpr const char* kContactSheetName = "sheet.jpg";

// Writes folder/sheet.jpg from the frames' pictures in `folder`; `title` is
// UTF-8. Without a running Qt application one is made for the drawing on the
// "offscreen" platform. False (with the reason in `error`) when no picture
// could be read or the sheet could not be written; the old sheet then stays.
bool WriteContactSheet(const std::filesystem::path& folder, std::span<const SunStudyFrame> frames,
                       const std::string& title, std::string* error = nullptr);

// The title of a study: its date, place and UTC offset, in Japanese.
std::string SunStudyTitle(const SunStudyPlan& plan);

}  // namespace korvex
