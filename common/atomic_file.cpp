#include "common/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <system_error>

namespace korvex {

namespace {

// The longest single name the usual Linux file systems store.
constexpr std::size_t kMaxName = 255;
constexpr std::string_view kTemporarySuffix = ".tmp-XXXXXX";

std::filesystem::path FolderOf(const std::filesystem::path& target) {
  std::filesystem::path folder = target.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

// The pattern mkstemp fills in: hidden, beside the target. A long file name
// is shortened (at a character's start) so the temporary name still fits.
std::string TemporaryPattern(const std::filesystem::path& target) {
  std::string name = target.filename().string();
  const std::size_t room = kMaxName - 1 - kTemporarySuffix.size();
  if (name.size() > room) {
    std::size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  return (FolderOf(target) / ("." + name + std::string(kTemporarySuffix))).string();
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
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

// The new file takes the permissions and owner of the one it replaces; a new
// name gets the usual permissions (mkstemp makes the file private).
void TakeOverAccess(int fd, const std::filesystem::path& target) {
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    // The owner first: changing it clears set-id bits, which the mode restores.
    // Only the superuser may give a file away; anyone else keeps it as theirs.
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
    }
    ::fchmod(fd, old.st_mode & 07777);
    return;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
}

// A second name for the file at target, so its old contents survive the
// rename of its replacement: a hard link where the file system has them,
// else the file moved aside. Empty when neither can be made.
std::filesystem::path KeepOldFile(const std::filesystem::path& target) {
  std::string backup = TemporaryPattern(target);
  const int fd = ::mkostemp(backup.data(), O_CLOEXEC);
  if (fd < 0) return {};
  ::close(fd);
  ::unlink(backup.c_str());
  if (::link(target.c_str(), backup.c_str()) == 0 || std::rename(target.c_str(), backup.c_str()) == 0)
    return backup;
  return {};
}

// One file of a set that was renamed into place.
struct Replaced {
  std::filesystem::path target;
  std::filesystem::path backup;  // empty: there was no file before
};

// Undoes one rename of a set: the old file comes back, or a file that did
// not exist before goes again.
void PutBack(const Replaced& replaced) {
  if (replaced.backup.empty())
    ::unlink(replaced.target.c_str());
  else
    std::rename(replaced.backup.c_str(), replaced.target.c_str());
  SyncFolder(FolderOf(replaced.target));
}

}  // namespace

std::filesystem::path SaveTarget(const std::filesystem::path& path) {
  std::filesystem::path target = path;
  // As the system itself does, a chain of more than 40 links is a loop.
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(target, ec)) return target;
    const std::filesystem::path link = std::filesystem::read_symlink(target, ec);
    if (ec) return {};
    target = link.is_absolute() ? link : target.parent_path() / link;
  }
  return {};
}

bool PathTooLong(std::string_view path) {
  if (path.size() >= PATH_MAX) return true;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = path.find('/', start);
    const std::size_t end = slash == std::string_view::npos ? path.size() : slash;
    if (end - start > kMaxName) return true;
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  return false;
}

StagedFiles::~StagedFiles() {
  for (const auto& [temporary, target] : staged_) {
    std::error_code ec;
    std::filesystem::remove(temporary, ec);
  }
}

bool StagedFiles::Stage(const std::filesystem::path& requested, std::span<const uint8_t> bytes) {
  const std::filesystem::path target = SaveTarget(requested);
  if (failed_ || target.empty() || target.filename().empty() || PathTooLong(target.string())) {
    failed_ = true;
    return false;
  }
  std::string pattern = TemporaryPattern(target);
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    failed_ = true;
    return false;
  }
  staged_.emplace_back(std::filesystem::path(pattern), target);
  TakeOverAccess(fd, target);
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok) failed_ = true;
  return ok;
}

bool StagedFiles::Commit() {
  if (failed_ || staged_.empty()) return false;
  if (staged_.size() == 1) {
    const auto& [temporary, target] = staged_.front();
    if (!RenameOver(temporary, target)) return false;
    staged_.clear();
    return true;
  }
  // Several files: each old file is kept under a second name until every new
  // one is in place, so that a rename failing half-way (the model's name
  // taken by a folder, a file system gone read-only) puts back the files that
  // were already replaced, and a failed export never leaves a new material
  // library beside the old model.
  std::vector<Replaced> replaced;
  bool ok = true;
  while (ok && !staged_.empty()) {
    const auto& [temporary, target] = staged_.front();
    Replaced done{target, {}};
    struct stat old {};
    if (::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
      done.backup = KeepOldFile(target);
      ok = !done.backup.empty();
    }
    ok = ok && RenameOver(temporary, target);
    if (ok) {
      replaced.push_back(std::move(done));
      staged_.erase(staged_.begin());
    } else if (!done.backup.empty()) {
      PutBack(done);
    }
  }
  for (auto it = replaced.rbegin(); it != replaced.rend(); ++it) {
    if (!ok)
      PutBack(*it);
    else if (!it->backup.empty())
      ::unlink(it->backup.c_str());
  }
  return ok;
}

bool ReplaceFileContents(const std::filesystem::path& target, std::span<const uint8_t> bytes) {
  StagedFiles file;
  return file.Stage(target, bytes) && file.Commit();
}

bool RenameOver(const std::filesystem::path& source, const std::filesystem::path& target) {
  if (std::rename(source.c_str(), target.c_str()) != 0) return false;
  SyncFolder(FolderOf(target));
  return true;
}

}  // namespace korvex
