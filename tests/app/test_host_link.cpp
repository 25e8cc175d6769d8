#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/HostLink.h"
#include "app/Startup.h"
#include "app_fixture.h"

namespace fs = std::filesystem;
using korvex::HostLink;
using korvex::HostRecord;
namespace hostmsg = korvex::hostmsg;

namespace {

std::string Quoted(const std::string& sw, uint64_t id) { return sw + "\"" + std::to_string(id) + "\""; }

// Waits until the link's socket has something to read, then reads it, as the
// GUI's event loop does.
std::vector<HostRecord> ReceiveWhenReady(HostLink& link) {
  pollfd p{link.Descriptor(), POLLIN, 0};
  if (link.Connected()) ::poll(&p, 1, 5000);
  return link.Receive();
}

// A host written in the test itself, for what the example host never sends:
// records cut short or in pieces, and a host that never reads.
class RawHost {
 public:
  RawHost(uint64_t id, const fs::path& folder) : listener_(app_test::ListenAsHost(id, folder)) {}
  ~RawHost() {
    if (connection_ >= 0) ::close(connection_);
    ::close(listener_);
  }
  // Whether a viewer is waiting to be accepted.
  bool Pending(int timeoutMs) {
    pollfd p{listener_, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) == 1;
  }
  void Accept() { connection_ = ::accept(listener_, nullptr, nullptr); }
  void Write(const void* bytes, std::size_t size) {
    ASSERT_EQ(::write(connection_, bytes, size), static_cast<ssize_t>(size));
  }
  void Hangup() {
    ::close(connection_);
    connection_ = -1;
  }

 private:
  int listener_ = -1;
  int connection_ = -1;
};

// A window that records what start-up asks of it.
class RecordingWindow final : public korvex::StartupWindow {
 public:
  bool CreateMainWindow(const korvex::LaunchOptions& options) override {
    events.push_back("create " + options.modelPath);
    return createSucceeds;
  }
  void ShowMainWindow() override { events.push_back("show"); }
  void SetTitle(std::string_view utf8) override { events.push_back("title " + std::string(utf8)); }
  void SetTopMost(bool on) override { events.push_back(on ? "top on" : "top off"); }
  uint64_t MainWindowId() const override { return 0x5A0001; }

  bool createSucceeds = true;
  std::vector<std::string> events;
};

TEST(HostLink, RoundTripWithTheExampleHost) {
  const app_test::ScratchFolder scratch;
  const uint64_t id = 4242;
  app_test::HostProcess host(id, scratch.path());
  ASSERT_EQ(host.NextLine(), "listening " + (scratch.path() / "korvex-host-4242").string());

  RecordingWindow window;
  korvex::Application app;
  const std::vector<std::string> args = {"/r", Quoted("/sel", id), "site.k3d"};
  ASSERT_TRUE(korvex::RunStartup(args, window, app, {scratch.path(), scratch.path()}));
  EXPECT_EQ(app.options.hostId, id);
  EXPECT_EQ(host.NextLine(), "connected");
  EXPECT_EQ(host.NextLine(), "recv 0x801A " + std::to_string(0x5A0001) + " 0");

  // A pick: the view puts the name on the clipboard and posts 0x8019.
  ASSERT_TRUE(korvex::PostToHost(app, hostmsg::kNodeSelected, window.MainWindowId(), 0));
  EXPECT_EQ(host.NextLine(), "recv 0x8019 " + std::to_string(0x5A0001) + " 0");

  // The host's messages arrive in order, in one read or several.
  host.Command("select");
  host.Command("reload");
  host.Command("close");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(host.NextLine(), "sent 0x" + std::string(i == 0 ? "8019" : i == 1 ? "801B" : "801C"));
  std::vector<HostRecord> got;
  while (got.size() < 3 && app.host.Connected()) {
    const auto more = ReceiveWhenReady(app.host);
    got.insert(got.end(), more.begin(), more.end());
  }
  EXPECT_EQ(got, (std::vector<HostRecord>{{hostmsg::kNodeSelected, 0, 0}, {hostmsg::kReload, 0, 0}, {hostmsg::kClose, 0, 0}}));
  EXPECT_TRUE(app.host.Connected());

  // Nothing more has come: the read returns at once.
  EXPECT_TRUE(app.host.Receive().empty());
  EXPECT_TRUE(app.host.Connected());

  // A message a host never sends ends the link after the records before it.
  host.Command("reload");
  host.Command("send 0x801A 1 2");
  host.Command("close");
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(host.NextLine());
  got.clear();
  while (app.host.Connected()) {
    const auto more = ReceiveWhenReady(app.host);
    got.insert(got.end(), more.begin(), more.end());
  }
  EXPECT_EQ(got, (std::vector<HostRecord>{{hostmsg::kReload, 0, 0}}));
  EXPECT_EQ(app.host.Descriptor(), -1);
  EXPECT_FALSE(korvex::PostToHost(app, hostmsg::kNodeSelected, 1, 0));
  EXPECT_EQ(app.options.hostId, 0u);
}

TEST(HostLink, HostThatHangsUpIsForgotten) {
  const app_test::ScratchFolder scratch;
  app_test::HostProcess host(78, scratch.path());
  ASSERT_TRUE(host.NextLine());
  RecordingWindow window;
  korvex::Application app;
  ASSERT_TRUE(korvex::RunStartup(std::vector<std::string>{Quoted("/sel", 78)}, window, app, {scratch.path(), scratch.path()}));
  ASSERT_EQ(host.NextLine(), "connected");
  ASSERT_TRUE(host.NextLine());  // 0x801A
  host.Command("hangup");
  ASSERT_EQ(host.NextLine(), "disconnected");
  while (app.host.Connected()) EXPECT_TRUE(ReceiveWhenReady(app.host).empty());
  // A post after the hang-up fails without a signal ending the viewer.
  EXPECT_FALSE(korvex::PostToHost(app, hostmsg::kNodeSelected, 1, 0));
  EXPECT_EQ(app.options.hostId, 0u);
}

TEST(HostLink, RecordsInPiecesAndCutShort) {
  const app_test::ScratchFolder scratch;
  RawHost host(5, scratch.path());
  HostLink link;
  ASSERT_TRUE(link.Connect(5, scratch.path()));
  host.Accept();

  const auto record = korvex::EncodeHostRecord({hostmsg::kClose, 9, 8});
  unsigned char twice[2 * korvex::kHostRecordSize];
  std::memcpy(twice, record.data(), record.size());
  std::memcpy(twice + record.size(), record.data(), record.size());
  host.Write(twice, 7);
  EXPECT_TRUE(ReceiveWhenReady(link).empty());
  EXPECT_TRUE(link.Connected());
  host.Write(twice + 7, 13 + 7);  // the rest, and the start of another
  EXPECT_EQ(ReceiveWhenReady(link), (std::vector<HostRecord>{{hostmsg::kClose, 9, 8}}));
  EXPECT_TRUE(link.Connected());

  host.Hangup();
  EXPECT_TRUE(ReceiveWhenReady(link).empty());
  EXPECT_FALSE(link.Connected());
}

TEST(HostLink, HostThatNeverReadsFailsAPostInsteadOfBlocking) {
  const app_test::ScratchFolder scratch;
  RawHost host(6, scratch.path());
  HostLink link;
  ASSERT_TRUE(link.Connect(6, scratch.path()));
  host.Accept();
  int posts = 0;
  while (link.Post(hostmsg::kNodeSelected, 1, 0) && posts < 10'000'000) ++posts;
  EXPECT_GT(posts, 0);
  EXPECT_FALSE(link.Connected());
}

TEST(HostLink, NoListenerOrUnfitEndpointMeansNoHost) {
  const app_test::ScratchFolder scratch;
  HostLink link;
  EXPECT_FALSE(link.Connect(9, scratch.path()));
  EXPECT_FALSE(link.Connect(0, scratch.path()));
  EXPECT_FALSE(korvex::HostEndpoint(9, scratch.path() / std::string(120, 'd')));
  EXPECT_FALSE(link.Connect(9, scratch.path() / std::string(120, 'd')));
  EXPECT_FALSE(link.Post(hostmsg::kViewerReady, 1, 0));
  EXPECT_TRUE(link.Receive().empty());

  // At start-up the viewer goes on without its host.
  RecordingWindow window;
  korvex::Application app;
  EXPECT_TRUE(korvex::RunStartup(std::vector<std::string>{Quoted("/sel", 9)}, window, app, {scratch.path(), scratch.path()}));
  EXPECT_EQ(app.options.hostId, 0u);
  EXPECT_FALSE(app.host.Connected());
}

TEST(Startup, StepsInOrderWithTitleAndTopMost) {
  const app_test::ScratchFolder scratch;
  fs::create_directories(scratch.path() / "plan");
  std::ofstream(scratch.path() / "buk") << "[PROJECT_NAME] P\n";
  std::ofstream(scratch.path() / "plan" / "buk") << "[PLAN_NAME] Q\n";
  RecordingWindow window;
  korvex::Application app;
  ASSERT_TRUE(korvex::RunStartup(std::vector<std::string>{"m.k3d", "/top", "/one"}, window, app,
                                 {scratch.path(), scratch.path() / "plan"}));
  EXPECT_EQ(window.events, (std::vector<std::string>{"create m.k3d", "show", "title Panorel - P(Q)", "top on"}));
  EXPECT_TRUE(app.instanceLock.Held());
  EXPECT_EQ(app.title, "Panorel - P(Q)");
}

TEST(Startup, SecondSingleInstanceEndsBeforeShowingAndNeverReachesTheHost) {
  const app_test::ScratchFolder scratch;
  RawHost host(11, scratch.path());
  korvex::SingleInstanceLock first;
  ASSERT_TRUE(first.Acquire(scratch.path()));

  const std::vector<std::string> args = {"/one", Quoted("/sel", 11)};
  RecordingWindow window;
  korvex::Application app;
  EXPECT_FALSE(korvex::RunStartup(args, window, app, {scratch.path(), scratch.path()}));
  EXPECT_EQ(window.events, (std::vector<std::string>{"create "}));
  EXPECT_FALSE(host.Pending(100));

  // Without "/one" the lock is not looked at.
  RecordingWindow other;
  korvex::Application second;
  EXPECT_TRUE(korvex::RunStartup(std::vector<std::string>{"/top"}, other, second, {scratch.path(), scratch.path()}));
  EXPECT_EQ(other.events, (std::vector<std::string>{"create ", "show", "top on"}));

  // A window that cannot be created ends start-up too.
  RecordingWindow failing;
  failing.createSucceeds = false;
  korvex::Application third;
  EXPECT_FALSE(korvex::RunStartup(std::vector<std::string>{Quoted("/sel", 11)}, failing, third, {scratch.path(), scratch.path()}));
  EXPECT_FALSE(host.Pending(100));
}

}  // namespace
