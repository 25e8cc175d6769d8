// The single-instance rule of "/one": a viewer started with it runs only
// while no other "/one" viewer of the user runs. The lock is an exclusive
// flock on the file "StereonMutex" in the runtime folder; the system drops it
// whenever the holding process ends, however it ends.
#pragma once

#include <filesystem>

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
  // process, or when the file cannot be opened.
  bool Acquire(const std::filesystem::path& folder);
  bool Held() const { return fd_ >= 0; }
  // The program never calls this: the lock lasts as long as the process.
  void Release();

 private:
  int fd_ = -1;
};

// The "/one" decision of start-up: true when start-up goes on. Without the
// switch the lock is never looked at; with it, start-up goes on only when the
// lock is taken, and the lock then stays held in `lock`.
bool SingleInstanceAllows(bool singleInstance, SingleInstanceLock& lock, const std::filesystem::path& folder);

}  // namespace korvex
