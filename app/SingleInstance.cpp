#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <utility>

namespace korvex {

SingleInstanceLock::~SingleInstanceLock() { Release(); }

SingleInstanceLock::SingleInstanceLock(SingleInstanceLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

SingleInstanceLock& SingleInstanceLock::operator=(SingleInstanceLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

bool SingleInstanceLock::Acquire(const std::filesystem::path& folder) {
  Release();
  const std::string path = (folder / kSingleInstanceLockName).string();
  // Close-on-exec: a program the viewer starts must not keep the lock alive
  // after the viewer has ended. No-follow: in a shared temporary folder a
  // planted link must not make us create or lock someone else's file.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
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

bool SingleInstanceAllows(bool singleInstance, SingleInstanceLock& lock, const std::filesystem::path& folder) {
  if (!singleInstance) return true;
  return lock.Acquire(folder);
}

}  // namespace korvex
