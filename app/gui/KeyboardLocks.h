// The lock keys' states for the status bar's indicator panes, where the
// platform reports them (the X server's keyboard indicators).
#pragma once

#include <optional>

namespace korvex::gui {

struct KeyboardLocks {
  bool kana = false;
  bool caps = false;
  bool num = false;
  bool scroll = false;
  friend bool operator==(const KeyboardLocks&, const KeyboardLocks&) = default;
};

// Nothing when the platform does not tell.
std::optional<KeyboardLocks> ReadKeyboardLocks();

}  // namespace korvex::gui
