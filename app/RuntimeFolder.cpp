#include "app/RuntimeFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace korvex {

std::filesystem::path RuntimeFolder() {
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg != nullptr && *xdg != '\0') return xdg;
  std::error_code ec;
  std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
  return ec ? std::filesystem::path("/tmp") : temp;
}

bool IsPrivateFolder(const std::filesystem::path& path, std::string& why) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    why = path.string() + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    why = path.string() + (S_ISLNK(st.st_mode) ? ": a link, not a folder" : ": not a folder");
    return false;
  }
  if (st.st_uid != ::geteuid()) {
    why = path.string() + ": another user's folder";
    return false;
  }
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    why = path.string() + ": others may write in it";
    return false;
  }
  return true;
}

std::filesystem::path PrivateRuntimeFolder(std::string& why) {
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg != nullptr && *xdg != '\0') {
    std::string ignored;
    if (IsPrivateFolder(xdg, ignored)) return xdg;
  }
  std::error_code ec;
  std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
  if (ec) temp = "/tmp";
  const std::filesystem::path own = temp / ("korvex-" + std::to_string(::geteuid()));
  // Made private from the start; an existing one is checked, never repaired:
  // whoever made it could still change it.
  if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) {
    why = own.string() + ": " + std::strerror(errno);
    return {};
  }
  if (!IsPrivateFolder(own, why)) return {};
  return own;
}

}  // namespace korvex
