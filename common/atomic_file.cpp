#include "common/atomic_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

namespace korvex {

namespace {

std::filesystem::path FolderOf(const std::filesystem::path& target) {
  std::filesystem::path folder = target.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

// The pattern mkstemp and mkdtemp fill in: hidden, beside the target.
std::string TemporaryPattern(const std::filesystem::path& target) {
  return (FolderOf(target) / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes = bytes.subspan(static_cast<size_t>(n));
  }
  return true;
}

void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool ReplaceFileContents(const std::filesystem::path& target, std::span<const uint8_t> bytes) {
  if (target.empty() || target.filename().empty()) return false;
  std::string pattern = TemporaryPattern(target);
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  const std::filesystem::path temporary(name.data());
  // mkstemp makes the file private to the user; give it the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = RenameOver(temporary, target);
  if (!ok) {
    std::error_code ec;
    std::filesystem::remove(temporary, ec);
  }
  return ok;
}

std::filesystem::path MakeStagingFolder(const std::filesystem::path& target) {
  if (target.empty() || target.filename().empty()) return {};
  std::string pattern = TemporaryPattern(target);
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) return {};
  return std::filesystem::path(name.data());
}

bool RenameOver(const std::filesystem::path& source, const std::filesystem::path& target) {
  if (std::rename(source.c_str(), target.c_str()) != 0) return false;
  SyncFolder(FolderOf(target));
  return true;
}

}  // namespace korvex
