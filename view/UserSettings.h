// The per-user settings file "KQ.ini", shared with the other programs of the
// planning suite: <per-user configuration folder>/Tallis Group/KQ.ini, where
// the folder is $XDG_CONFIG_HOME, or ~/.config when that is unset, empty or
// not an absolute path.
//
// The viewer only reads it — another program or the user maintains it — and
// reads it once, when the view window is about to be created. The only key
// it uses is "WheelReverse": non-zero reverses the mouse wheel.
//
// Format: text lines, of which the first 1022 bytes count (the rest of a
// longer line is ignored). Lines beginning with "#" and empty lines are
// skipped. A line is cut at its first line feed; a carriage return stays in
// the value. The key is the text before the first blank (space or tab), the
// value the text after that blank; lines without a value are skipped, so
// "WheelReverse=1" is not recognised. The value is read as a decimal integer
// as C's atoi would, leading blanks and sign included. A later line wins
// over an earlier one. Other keys are ignored.
//
// Every failure is silent: a missing file, folder or key means 0.
#pragma once

#include <filesystem>

namespace korvex {

inline constexpr const char* kUserSettingsFolder = "Tallis Group";
inline constexpr const char* kUserSettingsFile = "KQ.ini";

// The path of KQ.ini for this user; empty when no configuration folder can
// be found (no $XDG_CONFIG_HOME and no $HOME).
std::filesystem::path UserSettingsPath();

// The settings the viewer reads, with their values when the file lacks them.
struct UserSettings {
  int wheelReverse = 0;
};

// Reads `path`; defaults for whatever is missing.
UserSettings ReadUserSettings(const std::filesystem::path& path);
// Reads this user's KQ.ini.
UserSettings ReadUserSettings();

}  // namespace korvex
