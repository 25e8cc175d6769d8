// A host that misbehaves: a flood of messages, a hang-up in the middle of a
// record during the flood. The viewer takes what it can, never blocks, and
// goes on without the host.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/HostFlood.h"
#include "app/HostLink.h"
#include "app_fixture.h"

namespace fs = std::filesystem;
using korvex::HostLink;
using korvex::HostRecord;
namespace hostmsg = korvex::hostmsg;

namespace {

constexpr int kFlood = 10'000;

// A host that accepts the viewer and writes a stream of bytes from a thread
// of its own, blocking as a host that does not care would; then hangs up.
class FloodingHost {
 public:
  FloodingHost(uint64_t id, const fs::path& folder) : listener_(app_test::ListenAsHost(id, folder)) {}
  ~FloodingHost() {
    if (writer_.joinable()) writer_.join();
    if (connection_ >= 0) ::close(connection_);
    ::close(listener_);
  }
  void AcceptAndWrite(std::vector<unsigned char> bytes, bool hangUp) {
    connection_ = ::accept(listener_, nullptr, nullptr);
    writer_ = std::thread([this, bytes = std::move(bytes), hangUp] {
      std::size_t at = 0;
      while (at < bytes.size()) {
        const ssize_t n = ::send(connection_, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (n <= 0) return;
        at += static_cast<std::size_t>(n);
      }
      if (hangUp) ::shutdown(connection_, SHUT_RDWR);
    });
  }
  // The records the viewer posted, read after the flood.
  std::vector<HostRecord> ReadPosts(std::size_t count) {
    if (writer_.joinable()) writer_.join();
    std::vector<HostRecord> posts;
    std::array<unsigned char, korvex::kHostRecordSize> bytes;
    while (posts.size() < count && ::recv(connection_, bytes.data(), bytes.size(), MSG_WAITALL) ==
                                       static_cast<ssize_t>(bytes.size()))
      posts.push_back(korvex::DecodeHostRecord(bytes));
    return posts;
  }

 private:
  int listener_ = -1;
  int connection_ = -1;
  std::thread writer_;
};

std::vector<unsigned char> Records(int count) {
  const uint32_t cycle[] = {hostmsg::kNodeSelected, hostmsg::kNodeSelected, hostmsg::kReload};
  std::vector<unsigned char> bytes;
  for (int i = 0; i < count; ++i) {
    const auto record = korvex::EncodeHostRecord({cycle[i % 3], static_cast<uint64_t>(i), 0});
    bytes.insert(bytes.end(), record.begin(), record.end());
  }
  return bytes;
}

// Reads as the event loop does: wait for input, take one batch.
std::vector<std::vector<HostRecord>> ReadBatches(HostLink& link, std::size_t until) {
  std::vector<std::vector<HostRecord>> batches;
  std::size_t total = 0;
  while (link.Connected() && total < until) {
    pollfd p{link.Descriptor(), POLLIN, 0};
    if (::poll(&p, 1, 10000) != 1) break;
    batches.push_back(link.Receive());
    total += batches.back().size();
  }
  return batches;
}

TEST(HostFaults, AFloodArrivesWholeInBatchesAndTheViewerStillAnswers) {
  const app_test::ScratchFolder scratch;
  FloodingHost host(31, scratch.path());
  HostLink link;
  ASSERT_TRUE(link.Connect(31, scratch.path()));
  host.AcceptAndWrite(Records(kFlood), false);

  const auto batches = ReadBatches(link, kFlood);
  std::vector<HostRecord> all;
  for (const auto& batch : batches) all.insert(all.end(), batch.begin(), batch.end());
  ASSERT_EQ(all.size(), static_cast<std::size_t>(kFlood));
  for (int i = 0; i < kFlood; ++i) ASSERT_EQ(all[static_cast<std::size_t>(i)].wParam, static_cast<uint64_t>(i));
  // The event loop got its turn in between: no single read took the flood.
  EXPECT_GT(batches.size(), 1u);
  EXPECT_TRUE(link.Connected());

  // Each batch comes to at most one reload and one selection, whatever the
  // interleaving: the flood costs one model read per batch, not per record.
  std::size_t reloads = 0;
  for (const auto& batch : batches) {
    const auto handled = korvex::CollapseHostBatch(batch);
    ASSERT_LE(handled.size(), 2u);
    for (const HostRecord& record : handled) reloads += record.message == hostmsg::kReload;
  }
  EXPECT_LE(reloads, batches.size());

  // The viewer still answers its host.
  ASSERT_TRUE(link.Post(hostmsg::kNodeSelected, 77, 0));
  EXPECT_EQ(host.ReadPosts(1), (std::vector<HostRecord>{{hostmsg::kNodeSelected, 77, 0}}));
}

TEST(HostFaults, AHostThatVanishesMidRecordLeavesTheWholeRecordsBefore) {
  const app_test::ScratchFolder scratch;
  FloodingHost host(32, scratch.path());
  HostLink link;
  ASSERT_TRUE(link.Connect(32, scratch.path()));
  std::vector<unsigned char> bytes = Records(kFlood / 2);
  const auto start = korvex::EncodeHostRecord({hostmsg::kClose, 1, 1});
  bytes.insert(bytes.end(), start.begin(), start.begin() + 11);  // half a close
  host.AcceptAndWrite(bytes, true);

  std::size_t total = 0;
  for (const auto& batch : ReadBatches(link, kFlood)) total += batch.size();
  EXPECT_EQ(total, static_cast<std::size_t>(kFlood / 2));
  EXPECT_FALSE(link.Connected());
  // Posting to the vanished host fails quietly; no signal ends the viewer.
  EXPECT_FALSE(link.Post(hostmsg::kNodeSelected, 1, 0));
}

TEST(HostFaults, InterleavedMessagesComeToOneReloadThenTheLatestSelection) {
  // Reload and select alternating, as a host stuck in a loop sends them.
  std::vector<HostRecord> flood;
  for (uint64_t i = 0; i < 2000; ++i) flood.push_back({i % 2 ? hostmsg::kNodeSelected : hostmsg::kReload, i, 0});
  EXPECT_EQ(korvex::CollapseHostBatch(flood),
            (std::vector<HostRecord>{{hostmsg::kReload, 1998, 0}, {hostmsg::kNodeSelected, 1999, 0}}));
  // A selection before the reload still comes after it, so it names a node
  // of the model the user will see.
  EXPECT_EQ(korvex::CollapseHostBatch({{hostmsg::kNodeSelected, 1, 0}, {hostmsg::kReload, 2, 0}}),
            (std::vector<HostRecord>{{hostmsg::kReload, 2, 0}, {hostmsg::kNodeSelected, 1, 0}}));
  // Nothing after a close is done; what came before it is.
  EXPECT_EQ(korvex::CollapseHostBatch({{hostmsg::kReload, 1, 0}, {hostmsg::kClose, 2, 0}, {hostmsg::kReload, 3, 0},
                                       {hostmsg::kNodeSelected, 4, 0}}),
            (std::vector<HostRecord>{{hostmsg::kReload, 1, 0}, {hostmsg::kClose, 2, 0}}));
  EXPECT_TRUE(korvex::CollapseHostBatch({}).empty());
}

}  // namespace
