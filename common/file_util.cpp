#include "common/file_util.h"

#include <sys/stat.h>

#include <algorithm>
#include <system_error>

namespace korvex {

bool FileExists(std::string_view path) {
  if (path.empty() || path.size() >= kMaxPath) return false;
  const std::string p = NormalizeSeparators(path);
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return false;
  return !S_ISDIR(st.st_mode);
}

std::string NormalizeSeparators(std::string_view path) {
  std::string out(path);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::filesystem::path ProgramFolder() {
  std::error_code ec;
  const auto exe = std::filesystem::canonical("/proc/self/exe", ec);
  if (ec) return {};
  return exe.parent_path();
}

}  // namespace korvex
