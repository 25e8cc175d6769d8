#include "common/file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <memory>
#include <system_error>

namespace korvex {

bool FileExists(std::string_view path) {
  if (path.empty() || path.size() >= kMaxPath) return false;
  const std::string p = NormalizeSeparators(path);
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return false;
  return S_ISREG(st.st_mode);
}

std::FILE* OpenRegularFile(const std::string& path) {
  // Non-blocking, so that opening a pipe does not wait for a writer; the
  // descriptor is checked, not the name, so nothing can be swapped in between.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return nullptr;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) ::close(fd);
  return file;
}

std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t limit) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenRegularFile(path), &std::fclose);
  if (!file) return std::nullopt;
  struct stat st {};
  if (::fstat(::fileno(file.get()), &st) != 0 || static_cast<std::size_t>(st.st_size) > limit) return std::nullopt;
  std::string text;
  char buffer[65536];
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
    // A file that grows while it is read is held to the same limit.
    if (text.size() + n > limit) return std::nullopt;
    text.append(buffer, n);
    if (n < sizeof buffer) break;
  }
  if (std::ferror(file.get())) return std::nullopt;
  return text;
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
