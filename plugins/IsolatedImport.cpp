#include "plugins/IsolatedImport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <span>
#include <thread>
#include <vector>

#include "common/file_util.h"
#include "model/InkNode.h"
#include "plugins/ink/InkFormat.h"

#if defined(__SANITIZE_ADDRESS__)
#define KORVEX_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVEX_ADDRESS_SANITIZER 1
#endif
#endif

extern char** environ;

namespace korvex {

ImportIsolation& ImportIsolationSettings() {
  static ImportIsolation settings;
  return settings;
}

uint64_t DefaultImportAddressSpace() {
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  const uint64_t physical = pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : (4ull << 30);
  return std::max<uint64_t>(physical / 2, 512ull << 20);
}

namespace {

// A file descriptor closed when it goes.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

bool WriteAll(int fd, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= size_t(n);
  }
  return true;
}

std::string MiB(uint64_t bytes) { return std::to_string(bytes >> 20) + " MiB"; }

std::string SignalName(int signal) {
  const char* name = ::sigabbrev_np(signal);
  return name ? std::string("SIG") + name : std::to_string(signal);
}

// Waits for the child until the deadline; false when it is still running.
bool WaitUntil(pid_t pid, std::chrono::steady_clock::time_point deadline, int& status) {
  const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
  Fd guard(pidfd);
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return true;
    if (done < 0 && errno != EINTR) return true;  // not ours any more; nothing to wait for
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    if (pidfd >= 0) {
      pollfd p{pidfd, POLLIN, 0};
      ::poll(&p, 1, int(std::min<long long>(left.count(), 1000)));
    } else {
      // Kernels without process descriptors: look again shortly.
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(left.count(), 5)));
    }
  }
}

std::string ExitReason(int status, const ImportLimits& limits, uint64_t addressSpace) {
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    if (signal == SIGXCPU) return "制限時間 (" + std::to_string(limits.seconds) + " 秒) を超えました";
    return "プラグインが異常終了しました (" + SignalName(signal) + ")";
  }
  if (!WIFEXITED(status)) return "プラグインが異常終了しました";
  switch (WEXITSTATUS(status)) {
    case kHelperNoScene: return "プラグインがファイルを読めませんでした";
    case kHelperOutOfMemory: return "メモリの上限 (" + MiB(addressSpace) + ") を超えました";
    case kHelperNotLoadable: return "プラグインを読み込めませんでした";
    case kHelperNotWritable: return "読み込んだ場面を受け渡せませんでした";
    case 127: return "読み込み用の補助プログラムを起動できませんでした";
    default: return "プラグインが異常終了しました (終了コード " + std::to_string(WEXITSTATUS(status)) + ")";
  }
}

}  // namespace

IsolatedImportResult RunIsolatedImport(const std::filesystem::path& plugin, const char* path,
                                       InkSceneSettings& settings, const ImportIsolation& isolation) {
  IsolatedImportResult result;
  const ImportLimits& limits = isolation.limits;
  const std::filesystem::path helper = isolation.helper.empty() ? ProgramFolder() / "korvex-import" : isolation.helper;
  if (::access(helper.c_str(), X_OK) != 0) {
    result.failure = "読み込み用の補助プログラムがありません";
    return result;
  }
  // A pipe, a device or a folder is no model: a plug-in would wait on it or
  // read it for ever.
  struct stat model {};
  if (::stat(path, &model) != 0 || !S_ISREG(model.st_mode)) {
    result.failure = "ファイルを開けません (通常のファイルではありません)";
    return result;
  }
  const uint64_t addressSpace = limits.addressSpace ? limits.addressSpace : DefaultImportAddressSpace();

  // The settings block goes in and the scene comes out through memory files:
  // no pipe to keep drained, and the scene is read where it lies.
  Fd in(::memfd_create("korvex-import-settings", MFD_CLOEXEC));
  Fd out(::memfd_create("korvex-import-scene", MFD_CLOEXEC));
  if (in.get() < 0 || out.get() < 0 || !WriteAll(in.get(), &settings, sizeof settings) ||
      ::lseek(in.get(), 0, SEEK_SET) != 0) {
    result.failure = "読み込み用の一時領域を作れませんでした";
    return result;
  }

  // Everything the child needs is made before the fork: after it, only
  // calls that are safe in a copy of a threaded process.
  std::string pluginArg = plugin.string();
  std::string pathArg = path;
  std::string helperArg = helper.string();
  char* argv[] = {helperArg.data(), pluginArg.data(), pathArg.data(), nullptr};
  std::vector<std::string> envText;
  for (char** e = environ; e && *e; ++e)
    if (std::strncmp(*e, "ASAN_OPTIONS=", 13) != 0) envText.emplace_back(*e);
#ifdef KORVEX_ADDRESS_SANITIZER
  // The sanitizer reserves terabytes of address space, so the limit becomes
  // its own: allocations fail past it, and the process dies past it.
  // A parser that crashes must end the helper with its own signal, as it does
  // without the sanitizer, so the user reads the same reason either way. The
  // sanitizer cannot let operator new throw when it runs out of room; it ends
  // the helper instead, with the helper's own out-of-memory status.
  envText.push_back("ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1:handle_segv=0:handle_sigbus=0:"
                    "handle_sigfpe=0:handle_sigill=0:handle_abort=0:exitcode=" +
                    std::to_string(kHelperOutOfMemory) + ":max_allocation_size_mb=" +
                    std::to_string(addressSpace >> 20) + ":hard_rss_limit_mb=" + std::to_string(addressSpace >> 20));
  const bool limitAddressSpace = false;
#else
  const bool limitAddressSpace = true;
#endif
  std::vector<char*> envp;
  for (std::string& e : envText) envp.push_back(e.data());
  envp.push_back(nullptr);
  const rlimit as{addressSpace, addressSpace};
  const rlimit stack{limits.stack, limits.stack};
  const rlim_t cpu = rlim_t(std::max(1, limits.seconds));
  const rlimit cpuLimit{cpu, cpu + 1};
  const rlimit noCore{0, 0};
  const rlimit fileSize{addressSpace, addressSpace};  // the scene's memory file counts against it
  const int inFd = in.get();
  const int outFd = out.get();

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::max(1, limits.seconds));
  const pid_t pid = ::fork();
  if (pid < 0) {
    result.failure = "読み込み用の補助プログラムを起動できませんでした";
    return result;
  }
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives the viewer
    if (limitAddressSpace) ::setrlimit(RLIMIT_AS, &as);
    ::setrlimit(RLIMIT_STACK, &stack);
    ::setrlimit(RLIMIT_CPU, &cpuLimit);
    ::setrlimit(RLIMIT_CORE, &noCore);
    ::setrlimit(RLIMIT_FSIZE, &fileSize);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &dfl, nullptr);
    if (::dup2(inFd, 0) < 0 || ::dup2(outFd, 1) < 0) ::_exit(127);
    ::syscall(SYS_close_range, 3u, ~0u, 0u);
    ::execve(argv[0], argv, envp.data());
    ::_exit(127);
  }

  int status = 0;
  if (!WaitUntil(pid, deadline, status)) {
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.failure = "制限時間 (" + std::to_string(limits.seconds) + " 秒) を超えました";
    return result;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    result.failure = ExitReason(status, limits, addressSpace);
    return result;
  }

  struct stat info {};
  if (::fstat(outFd, &info) != 0 || info.st_size <= 0) {
    result.failure = "読み込んだ場面を受け取れませんでした";
    return result;
  }
  const size_t size = size_t(info.st_size);
  void* image = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, outFd, 0);
  if (image == MAP_FAILED) {
    result.failure = "読み込んだ場面を受け取れませんでした";
    return result;
  }
  InkSceneSettings read = settings;
  try {
    result.tree = ink::ReadScene(std::span(static_cast<const uint8_t*>(image), size), read);
  } catch (const std::bad_alloc&) {
    result.tree.reset();
  }
  ::munmap(image, size);
  if (!result.tree) {
    result.failure = "読み込んだ場面が壊れています";
    return result;
  }
  settings = read;
  return result;
}

}  // namespace korvex
