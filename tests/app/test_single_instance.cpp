#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "app/RuntimeFolder.h"
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

// Whatever else lies at the lock's path is reported, and start-up goes on;
// only a lock another viewer holds ends a "/one" start.
TEST(SingleInstance, SomethingElseAtTheLocksPathIsReportedNotTakenForAViewer) {
  const app_test::ScratchFolder scratch;
  const fs::path lockPath = scratch.path() / "StereonMutex";
  auto expectReported = [&](const char* what) {
    SCOPED_TRACE(what);
    SingleInstanceLock lock;
    EXPECT_FALSE(lock.Acquire(scratch.path()));
    EXPECT_NE(lock.Problem().find(lockPath.string()), std::string::npos) << lock.Problem();
    std::string problem;
    EXPECT_TRUE(korvex::SingleInstanceAllows(true, lock, scratch.path(), &problem));
    EXPECT_FALSE(problem.empty());
  };
  fs::create_directory(lockPath);
  expectReported("a folder");
  fs::remove(lockPath);
  fs::create_symlink("/etc/passwd", lockPath);
  expectReported("a link");
  fs::remove(lockPath);
  ASSERT_EQ(::mkfifo(lockPath.c_str(), 0600), 0);
  expectReported("a pipe, which must not hold the start");
  fs::remove(lockPath);

  // A lock another viewer holds is no problem, and ends the start.
  SingleInstanceLock holder;
  ASSERT_TRUE(holder.Acquire(scratch.path()));
  SingleInstanceLock lock;
  std::string problem;
  EXPECT_FALSE(korvex::SingleInstanceAllows(true, lock, scratch.path(), &problem));
  EXPECT_TRUE(lock.Problem().empty());
  EXPECT_TRUE(problem.empty());
}

// Sets an environment variable for one scope.
class Environment {
 public:
  Environment(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) ::setenv(name, value->c_str(), 1); else ::unsetenv(name);
  }
  ~Environment() {
    if (old_) ::setenv(name_, old_->c_str(), 1); else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(SingleInstance, TheLockFolderIsTheUsersOwnPrivateFolder) {
  const app_test::ScratchFolder scratch;
  const Environment noRuntime("XDG_RUNTIME_DIR", std::nullopt);
  const Environment temp("TMPDIR", scratch.path().string());
  const fs::path own = scratch.path() / ("korvex-" + std::to_string(::geteuid()));

  // Made private where it is missing.
  std::string why;
  EXPECT_EQ(korvex::PrivateRuntimeFolder(why), own) << why;
  struct stat st {};
  ASSERT_EQ(::lstat(own.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // One that others may write in, or a link, is not used and not repaired.
  ASSERT_EQ(::chmod(own.c_str(), 0777), 0);
  EXPECT_TRUE(korvex::PrivateRuntimeFolder(why).empty());
  EXPECT_NE(why.find("others may write"), std::string::npos) << why;
  fs::remove(own);
  fs::create_directory(scratch.path() / "elsewhere");
  fs::create_symlink(scratch.path() / "elsewhere", own);
  EXPECT_TRUE(korvex::PrivateRuntimeFolder(why).empty());
  EXPECT_NE(why.find("link"), std::string::npos) << why;
  fs::remove(own);

  // The runtime folder is used when it is private, and passed over when not.
  const fs::path runtime = scratch.path() / "runtime";
  fs::create_directory(runtime);
  ASSERT_EQ(::chmod(runtime.c_str(), 0700), 0);
  {
    const Environment set("XDG_RUNTIME_DIR", runtime.string());
    EXPECT_EQ(korvex::PrivateRuntimeFolder(why), runtime);
    ASSERT_EQ(::chmod(runtime.c_str(), 0777), 0);
    EXPECT_EQ(korvex::PrivateRuntimeFolder(why), own);
  }
  if (::geteuid() == 0) {
    // Another user's folder, as only the superuser can make one here.
    ASSERT_EQ(::chown(own.c_str(), 65534, 65534), 0);
    EXPECT_TRUE(korvex::PrivateRuntimeFolder(why).empty());
    EXPECT_NE(why.find("another user"), std::string::npos) << why;
  }
}

}  // namespace
