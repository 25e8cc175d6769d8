// The single-instance rule of "/one": a viewer started with it runs only
// while no other "/one" viewer of the user runs. The lock is an exclusive
// flock on the file "StereonMutex" in the runtime folder; the system drops it
// whenever the holding process ends, however it ends.
#pragma once

#include <filesystem>
#include <string>

namespace korvex {

inline constexpr char kSingleInstanceLockName[] = "StereonMutex";

class SingleInstanceLock {
 public:
  SingleInstanceLock() = default;
  ~SingleInstanceLock();
  SingleInstanceLock(SingleInstanceLock&& other) noexcept;
  SingleInstanceLock& operator=(SingleInstanceLock&& other) noexcept;
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // Takes the lock on <folder>/StereonMutex, creating the file when needed.
  // False when another holder has it, also another open of it in this very
  // process, or when the file cannot be used (then Problem() says why).
  bool Acquire(const std::filesystem::path& folder);
  bool Held() const { return fd_ >= 0; }
  // Why the last Acquire could not use the lock file: something else at its
  // path (a folder, a link, a pipe, another user's file) or a folder that
  // cannot be written. Empty when it was taken or another viewer holds it.
  const std::string& Problem() const { return problem_; }
  // The program never calls this: the lock lasts as long as the process.
  void Release();

 private:
  int fd_ = -1;
  std::string problem_;
};

// The "/one" decision of start-up: true when start-up goes on. Without the
// switch the lock is never looked at; with it, start-up goes on when the
// lock is taken (it then stays held in `lock`) and ends when another viewer
// holds it. A lock that cannot be used is no sign of another viewer: start-up
// goes on without it, and `problem` says why. An empty folder is one that
// could not be had (its problem already in `problem`).
bool SingleInstanceAllows(bool singleInstance, SingleInstanceLock& lock, const std::filesystem::path& folder,
                          std::string* problem = nullptr);

}  // namespace korvex
