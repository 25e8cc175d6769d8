#include "formats/K3dLines.h"

#include <charconv>
#include <climits>
#include <cstring>
#include <limits>

namespace korvex::k3d {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  return i;
}

}  // namespace

LineSource::LineSource(std::FILE* file) : file_(file), chunk_(kChunk) {}

LineSource::LineSource(std::string_view text) : pos_(text.data()), end_(text.data() + text.size()) {}

bool LineSource::Fill() {
  if (!file_) return false;
  const std::size_t n = std::fread(chunk_.data(), 1, chunk_.size(), file_);
  if (n == 0) return false;
  pos_ = chunk_.data();
  end_ = pos_ + n;
  return true;
}

int LineSource::Peek() {
  if (pos_ == end_ && !Fill()) return -1;
  return static_cast<unsigned char>(*pos_);
}

int LineSource::Get() {
  if (pos_ == end_ && !Fill()) return -1;
  const int c = static_cast<unsigned char>(*pos_++);
  // Text mode on the host's side: "\r\n" is one line feed.
  if (c == '\r' && Peek() == '\n') {
    ++pos_;
    return '\n';
  }
  return c;
}

bool LineSource::Next(std::string_view& line) {
  if (pushedBack_ && started_) {
    pushedBack_ = false;
    line = std::string_view(line_.data(), ::strnlen(line_.data(), length_));
    return true;
  }
  pushedBack_ = false;
  length_ = 0;
  while (length_ < kLineBuffer - 1) {
    const int c = Get();
    if (c < 0) break;
    line_[length_++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  if (length_ == 0) return false;
  started_ = true;
  ++lineNumber_;
  line = std::string_view(line_.data(), ::strnlen(line_.data(), length_));
  return true;
}

std::string_view CutAtLineEnd(std::string_view line) {
  const std::size_t end = line.find_first_of("\r\n");
  return end == std::string_view::npos ? line : line.substr(0, end);
}

std::string_view TakeField(std::string_view& text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) {
    const std::string_view field = text;
    text = {};
    return field;
  }
  const std::string_view field = text.substr(0, comma);
  text.remove_prefix(comma + 1);
  return field;
}

double ParseNumber(std::string_view field) {
  std::size_t i = SkipBlanks(field);
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  const std::size_t start = i;
  // Decimal order of the leading significant digit, to tell an overflow
  // from an underflow when the value does not fit.
  long long order = 0;
  bool significant = false;
  std::size_t digits = 0;
  while (i < field.size() && IsDigit(field[i])) {
    if (field[i] != '0') significant = true;
    if (significant) ++order;
    ++i;
    ++digits;
  }
  if (i < field.size() && field[i] == '.') {
    ++i;
    while (i < field.size() && IsDigit(field[i])) {
      if (field[i] != '0') significant = true;
      if (!significant) --order;
      ++i;
      ++digits;
    }
  }
  if (digits == 0) return 0.0;
  std::size_t end = i;
  if (i < field.size() && (field[i] == 'e' || field[i] == 'E')) {
    std::size_t j = i + 1;
    bool negativeExponent = false;
    if (j < field.size() && (field[j] == '+' || field[j] == '-')) {
      negativeExponent = field[j] == '-';
      ++j;
    }
    if (j < field.size() && IsDigit(field[j])) {
      long long exponent = 0;
      while (j < field.size() && IsDigit(field[j])) {
        if (exponent < 1000000) exponent = exponent * 10 + (field[j] - '0');
        ++j;
      }
      order += negativeExponent ? -exponent : exponent;
      end = j;
    }
  }
  if (!significant) return negative ? -0.0 : 0.0;

  double value = 0.0;
  const auto [ptr, error] =
      std::from_chars(field.data() + start, field.data() + end, value, std::chars_format::general);
  (void)ptr;
  if (error == std::errc::result_out_of_range) {
    value = order > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (error != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

int ParseInteger(std::string_view field) {
  std::size_t i = SkipBlanks(field);
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  long long value = 0;
  while (i < field.size() && IsDigit(field[i])) {
    if (value <= static_cast<long long>(INT_MAX) + 1) value = value * 10 + (field[i] - '0');
    ++i;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace korvex::k3d
