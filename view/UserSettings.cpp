#include "view/UserSettings.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace korvex {
namespace {

// Bytes of a line that count, as the suite's programs read them.
constexpr std::size_t kLineBytes = 1022;
// A settings file is a few lines; whatever lies beyond this is not read, so
// a huge or endless file cannot stall the start of the viewer.
constexpr std::size_t kMaxFileBytes = 1 << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The integer at the start of `text` as atoi reads it, held to the int range.
int DecimalValue(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (IsBlank(text[i]) || text[i] == '\n' || text[i] == '\r' || text[i] == '\v' ||
                             text[i] == '\f')) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) {
      value = static_cast<long long>(INT_MAX) + 1;
      break;
    }
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value < INT_MIN ? INT_MIN : value);
}

void ReadLine(std::string_view line, UserSettings& settings) {
  // The buffer ends a line at a zero byte as well.
  if (const auto zero = line.find('\0'); zero != std::string_view::npos) line = line.substr(0, zero);
  if (line.size() > kLineBytes) line = line.substr(0, kLineBytes);
  if (line.empty() || line.front() == '#') return;
  std::size_t blank = 0;
  while (blank < line.size() && !IsBlank(line[blank])) ++blank;
  if (blank + 1 >= line.size()) return;  // no value
  const std::string_view key = line.substr(0, blank);
  const std::string_view value = line.substr(blank + 1);
  if (key == "WheelReverse") settings.wheelReverse = DecimalValue(value);
}

}  // namespace

std::filesystem::path UserSettingsPath() {
  std::filesystem::path base;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') {
    base = config;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    base = std::filesystem::path(home) / ".config";
  } else {
    return {};
  }
  return base / kUserSettingsFolder / kUserSettingsFile;
}

UserSettings ReadUserSettings(const std::filesystem::path& path) {
  UserSettings settings;
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return settings;
  std::ifstream in(path, std::ios::binary);
  if (!in) return settings;
  // Only as much as the file holds: the settings file is a few lines.
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  std::string text(ec ? kMaxFileBytes : static_cast<std::size_t>(std::min<std::uintmax_t>(size, kMaxFileBytes)), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));

  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    ReadLine(rest.substr(0, end), settings);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return settings;
}

UserSettings ReadUserSettings() { return ReadUserSettings(UserSettingsPath()); }

}  // namespace korvex
