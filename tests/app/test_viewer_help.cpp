// The viewer answers --help and --version on standard output without a
// display: it must not start the toolkit (which would abort with no X
// server) nor open a window.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

struct Answer {
  int status = -1;
  std::string out;
};

Answer RunViewer(const std::string& args) {
  const korvex_test::ScratchFolder scratch;
  const fs::path out = scratch.path() / "answer.txt";
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" KORVEX_VIEWER_PATH "' " +
                              args + " >'" + out.string() + "' 2>/dev/null";
  Answer answer;
  const int raw = std::system(command.c_str());
  answer.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream in(out);
  std::stringstream text;
  text << in.rdbuf();
  answer.out = text.str();
  return answer;
}

TEST(ViewerHelp, HelpAndVersionNeedNoDisplay) {
  for (const std::string args : {"--help", "-h", "site.k3d /r --help", "--version --help"}) {
    const Answer answer = RunViewer(args);
    EXPECT_EQ(answer.status, 0) << args;
    EXPECT_EQ(answer.out, korvex::kViewerUsage) << args;
  }
  const Answer version = RunViewer("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "korvex " KORVEX_PROJECT_VERSION "\n");
  // Without either the viewer does try the display, and fails without one:
  // the check above would not be worth much otherwise.
  EXPECT_NE(RunViewer("/r").status, 0);
}

TEST(ViewerHelp, HelpIsNotTakenForTheModel) {
  const std::vector<std::string> args = {"--help", "site.k3d"};
  EXPECT_EQ(korvex::FindInfoRequest(args), korvex::InfoRequest::kHelp);
  EXPECT_EQ(korvex::ParseCommandLine(args).modelPath, "site.k3d");
  const std::vector<std::string> model = {"/work/-h/site.k3d"};
  EXPECT_EQ(korvex::FindInfoRequest(model), korvex::InfoRequest::kNone);
}

}  // namespace
