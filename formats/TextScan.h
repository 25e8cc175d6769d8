// Reading the viewer's small companion text files (texture assignments,
// billboard placements): lines as a 1023-byte line buffer holds them, and
// the blank-separated words and numbers of a line.
//
// Numbers are read the same in every locale: the GUI toolkit sets the
// user's locale, and a decimal comma must not change what a file means.
#pragma once

#include <cstddef>
#include <string_view>

namespace korvex::text_scan {

// Longest line the files hold, without the terminator.
inline constexpr std::size_t kMaxLine = 1022;

// The lines of a text: each cut at its first line feed, then at its first
// carriage return, at its first zero byte, and after kMaxLine bytes (the
// rest of a longer line is dropped rather than read as a line of its own,
// which would shift every pair of lines after it).
class TextLines {
 public:
  // The text must outlive the reader.
  explicit TextLines(std::string_view text) : rest_(text) {}
  // False at the end of the text.
  bool Next(std::string_view& line);

 private:
  std::string_view rest_;
  bool done_ = false;
};

// An empty line or one that begins with "#": skipped where the files expect
// a line of their own.
bool IsSkipped(std::string_view line);

// The next blank-separated word (blanks are spaces and tabs); empty when
// only blanks remain. The word and the blanks before it are taken off text.
std::string_view TakeWord(std::string_view& text);

// The next number after blanks, taken off text; false (text unchanged) when
// none stands there or it is not finite.
bool TakeDouble(std::string_view& text, double& value);
// The next integer after blanks; values beyond the range of long are held
// at its ends. False (text unchanged) when none stands there.
bool TakeLong(std::string_view& text, long& value);

}  // namespace korvex::text_scan
