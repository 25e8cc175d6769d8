// Host-link records on any bytes: a host that writes the input and hangs up.
// The viewer must take the whole host records up to the first one that is
// not the host's, and then be without a host; it never blocks or crashes.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/HostLink.h"
#include "fuzz_support.h"

namespace {

constexpr uint64_t kHostId = 7;

// The host's listening socket in the folder.
int Listen(const std::filesystem::path& folder) {
  const std::string path = (folder / ("korvex-host-" + std::to_string(kHostId))).string();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 1) != 0)
    std::abort();
  return fd;
}

bool FromHost(uint32_t message) {
  return message == korvex::hostmsg::kNodeSelected || message == korvex::hostmsg::kReload ||
         message == korvex::hostmsg::kClose;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const korvex_fuzz::Scratch scratch;
  const int listener = Listen(scratch.path());
  korvex::HostLink link;
  korvex_fuzz::Require(link.Connect(kHostId, scratch.path()));
  const int host = ::accept(listener, nullptr, nullptr);
  ::close(listener);
  korvex_fuzz::Require(host >= 0);
  // libFuzzer's inputs are small enough for the socket's buffer.
  korvex_fuzz::Require(size == 0 || ::send(host, data, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size));
  ::close(host);

  std::vector<korvex::HostRecord> got;
  for (int calls = 0; link.Connected(); ++calls) {
    korvex_fuzz::Require(calls < 10000);  // a hang-up is always noticed
    for (const auto& record : link.Receive()) got.push_back(record);
  }

  std::vector<korvex::HostRecord> expected;
  for (std::size_t at = 0; at + korvex::kHostRecordSize <= size; at += korvex::kHostRecordSize) {
    std::array<unsigned char, korvex::kHostRecordSize> bytes;
    std::memcpy(bytes.data(), data + at, bytes.size());
    const korvex::HostRecord record = korvex::DecodeHostRecord(bytes);
    if (!FromHost(record.message)) break;
    expected.push_back(record);
  }
  korvex_fuzz::Require(got == expected);
  return 0;
}
