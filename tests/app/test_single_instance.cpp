#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "app/SingleInstance.h"
#include "app_fixture.h"

namespace fs = std::filesystem;
using korvex::SingleInstanceLock;

namespace {

// Whether a separate process can take the lock in the folder.
bool OtherProcessAcquires(const fs::path& folder) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    SingleInstanceLock lock;
    ::_exit(lock.Acquire(folder) ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(SingleInstance, HeldLockRefusesOthersUntilReleased) {
  const app_test::ScratchFolder scratch;
  SingleInstanceLock first;
  ASSERT_TRUE(first.Acquire(scratch.path()));
  EXPECT_TRUE(fs::exists(scratch.path() / "StereonMutex"));

  SingleInstanceLock second;
  EXPECT_FALSE(second.Acquire(scratch.path()));
  EXPECT_FALSE(second.Held());
  EXPECT_FALSE(OtherProcessAcquires(scratch.path()));

  // Moving the lock keeps it held.
  SingleInstanceLock moved = std::move(first);
  EXPECT_FALSE(OtherProcessAcquires(scratch.path()));

  moved.Release();
  EXPECT_TRUE(OtherProcessAcquires(scratch.path()));
  EXPECT_TRUE(second.Acquire(scratch.path()));
}

TEST(SingleInstance, RuleLooksAtTheLockOnlyWithTheSwitch) {
  const app_test::ScratchFolder scratch;
  SingleInstanceLock holder;
  ASSERT_TRUE(holder.Acquire(scratch.path()));

  SingleInstanceLock lock;
  EXPECT_TRUE(korvex::SingleInstanceAllows(false, lock, scratch.path()));
  EXPECT_FALSE(lock.Held());
  EXPECT_FALSE(korvex::SingleInstanceAllows(true, lock, scratch.path()));

  holder.Release();
  EXPECT_TRUE(korvex::SingleInstanceAllows(true, lock, scratch.path()));
  EXPECT_TRUE(lock.Held());
}

TEST(SingleInstance, UnusableFolderRefuses) {
  SingleInstanceLock lock;
  EXPECT_FALSE(lock.Acquire("/nonexistent-korvex-folder"));
  EXPECT_FALSE(lock.Held());
}

}  // namespace
