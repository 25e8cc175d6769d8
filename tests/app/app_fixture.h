// Shared helpers of the application tests: a scratch folder short enough for
// socket names, and the example host run as a child process.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "tests/support/scratch_folder.h"

namespace app_test {

using ScratchFolder = korvex_test::ScratchFolder;

// The example host of tools/host-example, talked to through its standard
// input and output.
class HostProcess {
 public:
  HostProcess(uint64_t id, const std::filesystem::path& folder) {
    int toChild[2];
    int fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0) return;
    const std::string idText = std::to_string(id);
    const std::string folderText = folder.string();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(toChild[0], STDIN_FILENO);
      ::dup2(fromChild[1], STDOUT_FILENO);
      ::execl(KORVEX_HOST_EXAMPLE, KORVEX_HOST_EXAMPLE, "-n", idText.c_str(), "-d", folderText.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    in_ = toChild[1];
    out_ = fromChild[0];
  }
  ~HostProcess() {
    if (in_ >= 0) ::close(in_);
    if (out_ >= 0) ::close(out_);
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;

  void Command(std::string_view line) {
    const std::string text = std::string(line) + "\n";
    ASSERT_EQ(::write(in_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  // The next line the host prints; nothing when none comes within the time.
  std::optional<std::string> NextLine(int timeoutMs = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      if (const auto end = buffer_.find('\n'); end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return std::nullopt;
      pollfd p{out_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
      char chunk[256];
      const ssize_t got = ::read(out_, chunk, sizeof chunk);
      if (got <= 0) return std::nullopt;
      buffer_.append(chunk, static_cast<std::size_t>(got));
    }
  }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string buffer_;
};

// A socket listening where a host with this id listens, for hosts written
// in the tests themselves.
inline int ListenAsHost(uint64_t id, const std::filesystem::path& folder) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = (folder / ("korvex-host-" + std::to_string(id))).string();
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  EXPECT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(::listen(listener, 1), 0);
  return listener;
}

}  // namespace app_test
