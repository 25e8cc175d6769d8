#include "app/HostLink.h"

#include <errno.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <utility>

namespace korvex {
namespace {

bool IsHostMessage(uint32_t message) {
  return message == hostmsg::kNodeSelected || message == hostmsg::kReload || message == hostmsg::kClose;
}

void PutLittleEndian(unsigned char* out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint64_t GetLittleEndian(const unsigned char* in, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | in[i];
  return value;
}

}  // namespace

std::array<unsigned char, kHostRecordSize> EncodeHostRecord(const HostRecord& record) {
  std::array<unsigned char, kHostRecordSize> bytes{};
  PutLittleEndian(bytes.data(), record.message, 4);
  PutLittleEndian(bytes.data() + 4, record.wParam, 8);
  PutLittleEndian(bytes.data() + 12, record.lParam, 8);
  return bytes;
}

HostRecord DecodeHostRecord(const std::array<unsigned char, kHostRecordSize>& bytes) {
  return {static_cast<uint32_t>(GetLittleEndian(bytes.data(), 4)), GetLittleEndian(bytes.data() + 4, 8),
          GetLittleEndian(bytes.data() + 12, 8)};
}

std::optional<std::filesystem::path> HostEndpoint(uint64_t hostId, const std::filesystem::path& folder) {
  if (hostId == 0) return std::nullopt;
  std::filesystem::path path = folder / ("korvex-host-" + std::to_string(hostId));
  if (path.native().size() >= sizeof(sockaddr_un::sun_path)) return std::nullopt;
  return path;
}

HostLink::~HostLink() { Forget(); }

HostLink::HostLink(HostLink&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), partial_(other.partial_), partialSize_(std::exchange(other.partialSize_, 0)) {}

HostLink& HostLink::operator=(HostLink&& other) noexcept {
  if (this != &other) {
    Forget();
    fd_ = std::exchange(other.fd_, -1);
    partial_ = other.partial_;
    partialSize_ = std::exchange(other.partialSize_, 0);
  }
  return *this;
}

bool HostLink::Connect(uint64_t hostId, const std::filesystem::path& folder) {
  Forget();
  const auto endpoint = HostEndpoint(hostId, folder);
  if (!endpoint) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string& name = endpoint->native();
  std::memcpy(address.sun_path, name.data(), name.size());  // fits, with its terminator: checked above

  // Non-blocking from the start: a host whose backlog is full refuses at once
  // instead of stalling start-up, and no read or write ever waits.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

bool HostLink::Post(uint32_t message, uint64_t wParam, uint64_t lParam) {
  if (fd_ < 0) return false;
  const auto bytes = EncodeHostRecord({message, wParam, lParam});
  ssize_t written;
  do {
    // No SIGPIPE: a host that has gone away must not end the viewer.
    written = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  } while (written < 0 && errno == EINTR);
  // A host that does not read fills the socket; like a full message queue,
  // that is a failed post. A record written in part would leave the stream
  // out of step, so it fails the link as well.
  if (written != static_cast<ssize_t>(bytes.size())) {
    Forget();
    return false;
  }
  return true;
}

std::vector<HostRecord> HostLink::Receive() {
  std::vector<HostRecord> records;
  // A host that writes without pause must not hold the event loop here: what
  // is left is read at the next call, when the socket shows input again.
  for (int reads = 0; fd_ >= 0 && reads < 64; ++reads) {
    unsigned char buffer[kHostRecordSize * 32];
    const ssize_t got = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (got <= 0) {
      // The host closed the connection (perhaps in the middle of a record),
      // or the connection broke.
      Forget();
      break;
    }
    for (ssize_t i = 0; i < got; ++i) {
      partial_[partialSize_++] = buffer[i];
      if (partialSize_ < kHostRecordSize) continue;
      partialSize_ = 0;
      const HostRecord record = DecodeHostRecord(partial_);
      if (!IsHostMessage(record.message)) {
        // Not the host's language, or the stream has lost its step: nothing
        // after this can be trusted.
        Forget();
        return records;
      }
      records.push_back(record);
    }
  }
  return records;
}

void HostLink::Forget() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  partialSize_ = 0;
}

}  // namespace korvex
