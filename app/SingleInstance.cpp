#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace korvex {

SingleInstanceLock::~SingleInstanceLock() { Release(); }

SingleInstanceLock::SingleInstanceLock(SingleInstanceLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), problem_(std::move(other.problem_)) {}

SingleInstanceLock& SingleInstanceLock::operator=(SingleInstanceLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
    problem_ = std::move(other.problem_);
  }
  return *this;
}

bool SingleInstanceLock::Acquire(const std::filesystem::path& folder) {
  Release();
  problem_.clear();
  const std::string path = (folder / kSingleInstanceLockName).string();
  // Close-on-exec: a program the viewer starts must not keep the lock alive
  // after the viewer has ended. No-follow: a planted link must not make us
  // create or lock someone else's file. Non-blocking: a pipe put there must
  // not hold the start.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
  if (fd < 0) {
    problem_ = path + ": " + (errno == ELOOP ? std::string("a link, not a lock file") : std::strerror(errno));
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
    problem_ = path + (S_ISREG(st.st_mode) ? ": another user's file" : ": not a lock file");
    ::close(fd);
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) problem_ = path + ": " + std::strerror(errno);
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void SingleInstanceLock::Release() {
  if (fd_ < 0) return;
  ::close(fd_);  // closing the last descriptor drops the flock
  fd_ = -1;
}

bool SingleInstanceAllows(bool singleInstance, SingleInstanceLock& lock, const std::filesystem::path& folder,
                          std::string* problem) {
  if (!singleInstance) return true;
  if (folder.empty()) return true;
  if (lock.Acquire(folder)) return true;
  if (lock.Problem().empty()) return false;  // another "/one" viewer runs
  if (problem) *problem = lock.Problem();
  return true;
}

}  // namespace korvex
