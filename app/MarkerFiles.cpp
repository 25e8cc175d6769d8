#include "app/MarkerFiles.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "common/encoding.h"
#include "common/file_util.h"

namespace korvex {
namespace {

// Each line is read into a buffer of this size; a longer line goes on in the
// next piece, which is then taken as a line of its own.
constexpr int kLineBuffer = 1023;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view FirstWord(std::string_view line) {
  std::size_t begin = 0;
  while (begin < line.size() && IsBlank(line[begin])) ++begin;
  std::size_t end = begin;
  while (end < line.size() && !IsBlank(line[end])) ++end;
  return line.substr(begin, end - begin);
}

// The name given by the last line whose first word is the keyword; the name
// starts one separator after the keyword's place at the start of the line.
std::string ReadKeyword(const std::string& path, std::string_view keyword) {
  std::string name;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return name;
  char buffer[kLineBuffer];
  while (std::fgets(buffer, kLineBuffer, file.get()) != nullptr) {
    std::string_view line(buffer, std::strlen(buffer));
    line = line.substr(0, line.find('\n'));
    line = line.substr(0, line.find('\r'));
    if (FirstWord(line) != keyword) continue;
    const std::size_t from = keyword.size() + 1;
    name = from < line.size() ? std::string(line.substr(from, kMaxPath - 1)) : std::string();
  }
  return name;
}

}  // namespace

MarkerNames ReadMarkerNames(const std::filesystem::path& folder) {
  MarkerNames names;
  const std::string project = (folder / ".." / "buk").string();
  const std::string plan = (folder / "buk").string();
  if (!FileExists(project) || !FileExists(plan)) return names;
  names.project = ReadKeyword(project, "[PROJECT_NAME]");
  names.plan = ReadKeyword(plan, "[PLAN_NAME]");
  return names;
}

std::optional<std::string> MarkerTitle(const MarkerNames& names) {
  if (names.project.empty()) return std::nullopt;
  return "Panorel - " + Cp932ToUtf8(names.project) + "(" + Cp932ToUtf8(names.plan) + ")";
}

}  // namespace korvex
