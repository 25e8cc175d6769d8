#include "formats/TextScan.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <system_error>

namespace korvex::text_scan {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void SkipBlanks(std::string_view& text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  text.remove_prefix(i);
}

// from_chars takes no "+"; a C reader does.
std::size_t SignLength(std::string_view text) {
  return !text.empty() && text[0] == '+' && text.size() > 1 && text[1] != '-' && text[1] != '+' ? 1 : 0;
}

}  // namespace

bool TextLines::Next(std::string_view& line) {
  if (done_ || rest_.empty()) return false;
  const std::size_t feed = rest_.find('\n');
  line = rest_.substr(0, feed);
  if (feed == std::string_view::npos) {
    done_ = true;
  } else {
    rest_.remove_prefix(feed + 1);
  }
  line = line.substr(0, line.find('\r'));
  line = line.substr(0, line.find('\0'));
  if (line.size() > kMaxLine) line = line.substr(0, kMaxLine);
  return true;
}

bool IsSkipped(std::string_view line) { return line.empty() || line.front() == '#'; }

std::string_view TakeWord(std::string_view& text) {
  SkipBlanks(text);
  std::size_t end = 0;
  while (end < text.size() && !IsBlank(text[end])) ++end;
  const std::string_view word = text.substr(0, end);
  text.remove_prefix(end);
  return word;
}

bool TakeDouble(std::string_view& text, double& value) {
  std::string_view rest = text;
  SkipBlanks(rest);
  const std::size_t sign = SignLength(rest);
  double parsed = 0.0;
  const auto [end, error] =
      std::from_chars(rest.data() + sign, rest.data() + rest.size(), parsed, std::chars_format::general);
  if (error != std::errc() || !std::isfinite(parsed)) return false;
  value = parsed;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  return true;
}

bool TakeLong(std::string_view& text, long& value) {
  std::string_view rest = text;
  SkipBlanks(rest);
  const std::size_t sign = SignLength(rest);
  long parsed = 0;
  auto [end, error] = std::from_chars(rest.data() + sign, rest.data() + rest.size(), parsed);
  if (error == std::errc::result_out_of_range) {
    // Held at the end of the range, as strtol does; skip the digits.
    parsed = rest[sign] == '-' ? LONG_MIN : LONG_MAX;
    end = rest.data() + sign + (rest[sign] == '-' ? 1 : 0);
    while (end < rest.data() + rest.size() && *end >= '0' && *end <= '9') ++end;
  } else if (error != std::errc()) {
    return false;
  }
  value = parsed;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  return true;
}

}  // namespace korvex::text_scan
