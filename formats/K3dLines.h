// The line and field level of the scene exchange file (.k3d).
//
// The host writes the file as text on Windows and the viewer has always read
// it with a 128-byte line buffer in text mode. Both are part of the format:
// a physical line longer than 127 bytes goes on as the next line, and a
// carriage return before a line feed is not part of the text. Fields are
// separated by commas, and a number is the leading numeric part of a field
// (a field without one reads as 0).
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <string_view>
#include <vector>

namespace korvex::k3d {

// Bytes of the line buffer, terminator included.
inline constexpr std::size_t kLineBuffer = 128;

// Lines of a file or a text, exactly as a 128-byte line buffer in text mode
// receives them: at most 127 bytes each, the line feed included when it fits.
class LineSource {
 public:
  // Reads the open file from where it stands; the caller keeps and closes it.
  explicit LineSource(std::FILE* file);
  // Reads the text, which must outlive the source.
  explicit LineSource(std::string_view text);
  LineSource(const LineSource&) = delete;
  LineSource& operator=(const LineSource&) = delete;

  // The next line, or false at the end of the input. Like a C string, the
  // line ends at the first zero byte, but the whole physical piece is used up.
  bool Next(std::string_view& line);
  // The last line is handed out again by the next call of Next.
  void PushBack() { pushedBack_ = true; }
  // Number of lines handed out so far (a pushed-back line counts once).
  std::size_t LineNumber() const { return lineNumber_; }

 private:
  // The next byte with "\r\n" read as "\n", or -1 at the end.
  int Get();
  int Peek();
  bool Fill();

  std::FILE* file_ = nullptr;
  std::vector<char> chunk_;
  const char* pos_ = nullptr;
  const char* end_ = nullptr;
  std::array<char, kLineBuffer> line_{};
  std::size_t length_ = 0;
  std::size_t lineNumber_ = 0;
  bool pushedBack_ = false;
  bool started_ = false;
};

// The line up to (not including) its first line feed or carriage return.
std::string_view CutAtLineEnd(std::string_view line);

// Splits off the text before the next comma; the rest after that comma stays
// in text (empty when there is no comma).
std::string_view TakeField(std::string_view& text);

// The leading decimal number of a field after blanks: sign, digits, point,
// digits, exponent. Nothing else counts (no "inf", "nan" or hexadecimal).
// A field without a number gives 0. A number too large for a double gives
// an infinity of its sign; one too small gives 0.
double ParseNumber(std::string_view field);

// The leading integer of a field after blanks, as a count is read: "2.5"
// gives 2, "x" gives 0. Values beyond the 32-bit range are held at its ends.
int ParseInteger(std::string_view field);

}  // namespace korvex::k3d
