// The link to the host planning application that started the viewer.
//
// The host listens on a Unix-domain stream socket named korvex-host-N in the
// runtime folder, N being the number it passed as /sel"N". The viewer
// connects at the end of start-up; from then on both sides write 20-byte
// records on the one connection: a little-endian u32 message, u64 wParam and
// u64 lParam. Node names travel through the clipboard, not the socket.
//
// The link never blocks the viewer. A post that cannot be written at once, a
// record the viewer does not understand, a record cut short and a closed
// connection all end the link: the viewer forgets the host and stops
// notifying it, as it does when a post to the host's window fails.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace korvex {

namespace hostmsg {
inline constexpr uint32_t kViewerReady = 0x801A;  // viewer → host once at start-up; wParam: main window id
inline constexpr uint32_t kNodeSelected = 0x8019;  // both ways: the node name is on the clipboard
inline constexpr uint32_t kReload = 0x801B;        // host → viewer: reload the model (only with /r)
inline constexpr uint32_t kClose = 0x801C;         // host → viewer: close the main window
}  // namespace hostmsg

inline constexpr std::size_t kHostRecordSize = 20;

struct HostRecord {
  uint32_t message = 0;
  uint64_t wParam = 0;
  uint64_t lParam = 0;
  friend bool operator==(const HostRecord&, const HostRecord&) = default;
};

std::array<unsigned char, kHostRecordSize> EncodeHostRecord(const HostRecord& record);
HostRecord DecodeHostRecord(const std::array<unsigned char, kHostRecordSize>& bytes);

// <folder>/korvex-host-<id>; nothing when the id is 0 or the path does not fit
// a socket address.
std::optional<std::filesystem::path> HostEndpoint(uint64_t hostId, const std::filesystem::path& folder);

class HostLink {
 public:
  HostLink() = default;
  ~HostLink();
  HostLink(HostLink&& other) noexcept;
  HostLink& operator=(HostLink&& other) noexcept;
  HostLink(const HostLink&) = delete;
  HostLink& operator=(const HostLink&) = delete;

  // Connects to the host's endpoint in the folder. False, with no host, when
  // the id is 0, the endpoint does not fit, or nobody accepts there.
  bool Connect(uint64_t hostId, const std::filesystem::path& folder);
  bool Connected() const { return fd_ >= 0; }
  // The socket, for the event loop to watch for input; -1 when there is no
  // host. It changes only through Connect and Forget.
  int Descriptor() const { return fd_; }

  // Writes one record. False when there is no host or the record could not
  // be written whole at once; the host is then forgotten.
  bool Post(uint32_t message, uint64_t wParam, uint64_t lParam);

  // The records that have arrived, in order, without waiting for more; a
  // flood is returned over several calls. Only
  // 0x8019, 0x801B and 0x801C come from a host; any other message, a closed
  // connection with a record cut short, or a read error forgets the host
  // after the whole records before it are returned.
  std::vector<HostRecord> Receive();

  // Closes the connection and forgets the host.
  void Forget();

 private:
  int fd_ = -1;
  // The start of a record whose rest has not arrived yet.
  std::array<unsigned char, kHostRecordSize> partial_{};
  std::size_t partialSize_ = 0;
};

}  // namespace korvex
