// The project and plan names that a planning application leaves in marker
// files: "../buk" names the project, "buk" in the plan's own folder names the
// plan. The names are Shift-JIS (CP932) bytes, as the host wrote them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace korvex {

struct MarkerNames {
  std::string project;  // CP932, at most kMaxPath - 1 bytes; empty: none
  std::string plan;     // CP932, at most kMaxPath - 1 bytes

  friend bool operator==(const MarkerNames&, const MarkerNames&) = default;
};

// Reads "[PROJECT_NAME] name" from <folder>/../buk and "[PLAN_NAME] name" from
// <folder>/buk; an empty folder means the current folder. Both files must
// exist, or neither is read. Lines are read in 1023-byte pieces and cut at
// the first line feed and carriage return; the name is the rest of the line
// after the keyword and one separator, and a later line overrides an earlier.
MarkerNames ReadMarkerNames(const std::filesystem::path& folder = {});

// The main window's title "Panorel - project(plan)" in UTF-8; nothing when
// the project name is empty, so that the window keeps its usual title.
std::optional<std::string> MarkerTitle(const MarkerNames& names);

}  // namespace korvex
