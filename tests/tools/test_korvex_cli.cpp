// korvex-cli as a script uses it: the program is run, its output parsed and
// its exit status checked.
#include <gtest/gtest.h>

#include <unistd.h>

#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli_text.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

using cli_test::Quote;
using cli_test::ReadAll;

class CliTest : public ::testing::Test {
 protected:
  CliRun Execute(const std::vector<std::string>& args, const std::string& program = KORVEX_CLI_PATH,
              const fs::path& cwd = {}) {
    std::string command = cwd.empty() ? std::string() : "cd " + Quote(cwd.string()) + " && ";
    command += Quote(program);
    for (const std::string& arg : args) command += " " + Quote(arg);
    const fs::path out = folder_ / "stdout", err = folder_ / "stderr";
    command += " >" + Quote(out.string()) + " 2>" + Quote(err.string());
    CliRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadAll(out);
    run.err = ReadAll(err);
    return run;
  }

  korvex_test::ScratchFolder scratch_;
  fs::path folder_ = scratch_.path();
};

const std::string kSite = KORVEX_SAMPLE_DIR "/site.k3d";

const json* Child(const json& node, const std::string& name) {
  for (const json& child : node.at("children"))
    if (child.at("name") == name) return &child;
  return nullptr;
}

// The volume and closedness of a mesh as the JSON lists it.
double LoopsVolume(const json& figure, bool& closed) {
  std::vector<std::array<double, 3>> p;
  for (const json& point : figure.at("points")) p.push_back({point[0], point[1], point[2]});
  std::map<std::pair<int, int>, int> runs;
  double six = 0.0;
  for (const json& loop : figure.at("loops")) {
    std::vector<int> l = loop.get<std::vector<int>>();
    for (size_t i = 0; i < l.size(); ++i) ++runs[{l[i], l[(i + 1) % l.size()]}];
    for (size_t i = 1; i + 1 < l.size(); ++i) {
      const auto &a = p[l[0]], &b = p[l[i]], &c = p[l[i + 1]];
      six += a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
             a[2] * (b[0] * c[1] - b[1] * c[0]);
    }
  }
  closed = true;
  for (const auto& [edge, count] : runs)
    closed = closed && count == 1 && runs.contains({edge.second, edge.first});
  return six / 6.0;
}

// The bundled example: every record kind loads, the named guide nodes are
// there, every solid is closed, and the courtyard and light well are cut out
// of the shell.
TEST_F(CliTest, TheBundledExampleSiteLoadsClosedSolids) {
  const CliRun run = Execute({"dump", "--json", "--geometry", KORVEX_EXAMPLE_SITE});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const json root = json::parse(run.out).at("root");
  ASSERT_EQ(root.at("children").size(), 4u);
  const json* zone3 = Child(root, "Z3");
  ASSERT_NE(zone3, nullptr);
  ASSERT_NE(Child(*zone3, "補助線"), nullptr);
  ASSERT_NE(Child(*zone3, "方位"), nullptr);
  EXPECT_NE(Child(*Child(*zone3, "方位"), "方位"), nullptr);

  int solids = 0;
  std::vector<const json*> nodes = {&root};
  while (!nodes.empty()) {
    const json* node = nodes.back();
    nodes.pop_back();
    for (const json& child : node->at("children")) nodes.push_back(&child);
    for (const json& figure : node->at("figures")) {
      bool closed = false;
      EXPECT_GT(LoopsVolume(figure, closed), 0.0) << node->at("name");
      EXPECT_TRUE(closed) << node->at("name");
      ++solids;
    }
  }
  EXPECT_EQ(solids, 36);
  const json* shell = Child(*Child(*Child(root, "Z1"), "中庭の建物"), "中庭棟");
  ASSERT_NE(shell, nullptr);
  bool closed = false;
  EXPECT_NEAR(LoopsVolume(shell->at("figures")[0], closed), (36 * 30 - 16 * 16 - 4 * 4) * 15.0, 1e-6);
}

TEST_F(CliTest, JsonWithGeometryDescribesTheSampleSite) {
  const CliRun run = Execute({"dump", "--json", "--geometry", kSite});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const json doc = json::parse(run.out);
  EXPECT_EQ(doc.at("file"), kSite);
  const json& root = doc.at("root");
  EXPECT_EQ(root.at("name"), "名称未定");
  ASSERT_EQ(root.at("children").size(), 3u);
  EXPECT_EQ(root["children"][0]["name"], "Z0");
  EXPECT_EQ(root["children"][2]["name"], "Z2");

  const json* tower = Child(*Child(*Child(root, "Z0"), "Block A"), "Tower");
  ASSERT_NE(tower, nullptr);
  EXPECT_EQ(tower->at("color"), "0xFFC6D1D8");
  EXPECT_EQ(tower->at("shown"), 1);
  EXPECT_EQ(tower->at("locked"), 0);
  EXPECT_EQ(tower->at("texture"), 0);
  EXPECT_EQ(tower->at("scale"), json::array({1.0, 1.0, 1.0}));
  EXPECT_EQ(tower->at("bounds"), json::array({0.0, 0.0, 0.0, 18.0, 8.0, 24.0}));
  ASSERT_EQ(tower->at("figures").size(), 2u);
  const json& block = tower->at("figures")[0];
  EXPECT_EQ(block.at("kind"), 4);
  EXPECT_EQ(block.at("vertices"), 8);
  EXPECT_EQ(block.at("faces"), 6);
  EXPECT_EQ(block.at("edges"), 12);
  EXPECT_EQ(block.at("points").size(), 8u);
  EXPECT_EQ(block.at("loops").size(), 6u);
  EXPECT_EQ(block.at("edgeList").size(), 12u);
  bool closed = false;
  EXPECT_NEAR(LoopsVolume(block, closed), 10.0 * 8.0 * 24.0, 1e-6);
  EXPECT_TRUE(closed);

  const json* house = Child(*Child(*Child(root, "Z1"), "Courtyard"), "Court house");
  ASSERT_NE(house, nullptr);
  EXPECT_NEAR(LoopsVolume(house->at("figures")[0], closed), 3600.0 - 360.0, 1e-6);
  EXPECT_TRUE(closed);
  // The shed's Shift-JIS name comes out as UTF-8.
  EXPECT_NE(Child(*Child(*Child(root, "Z1"), "Outbuildings"), "倉庫"), nullptr);
  // Zones and groups carry no geometry of their own but bound their children.
  const json& z2 = *Child(root, "Z2");
  EXPECT_TRUE(z2.at("figures").empty());
  EXPECT_EQ(z2.at("bounds").size(), 6u);
}

TEST_F(CliTest, JsonWithoutGeometryGivesOnlyCounts) {
  const CliRun run = Execute({"dump", "--json", kSite});
  ASSERT_EQ(run.status, 0) << run.err;
  const json doc = json::parse(run.out);
  const json& figure = (*Child(*Child(*Child(doc["root"], "Z2"), "Services"), "Drain"))["figures"][0];
  EXPECT_EQ(figure.at("kind"), 4);
  EXPECT_FALSE(figure.contains("points"));
  EXPECT_FALSE(figure.contains("loops"));
  EXPECT_GT(figure.at("faces").get<int>(), 0);
}

TEST_F(CliTest, TextTreeIsIndentedByDepth) {
  const CliRun run = Execute({"dump", kSite});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("\n  Z0  ["), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\n      Tower  [id 0, colour 0xFFC6D1D8]\n        - mesh: 8 vertices, 6 faces, 12 edges\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("倉庫"), std::string::npos);
}

TEST_F(CliTest, ExtensionInAnyLetterCaseTakesTheSceneReader) {
  const fs::path upper = folder_ / "SITE.K3D";
  fs::copy_file(kSite, upper);
  const CliRun run = Execute({"dump", "--json", upper.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(json::parse(run.out)["root"]["children"].size(), 3u);
}

TEST_F(CliTest, WrongCommandLinesExitWithTwo) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                            {"dump"},
                                            {"dump", "--json"},
                                            {"dump", "--xml", kSite},
                                            {"dump", kSite, kSite},
                                            {"show", kSite},
                                            {"--json", "dump", kSite}}) {
    const CliRun run = Execute(args);
    std::string line;
    for (const auto& a : args) line += a + " ";
    EXPECT_EQ(run.status, 2) << line;
    EXPECT_EQ(run.out, "") << line;
    EXPECT_NE(run.err.find("usage: korvex-cli dump"), std::string::npos) << line;
  }
}

TEST_F(CliTest, ModelThatCannotBeReadExitsWithOneAndOneLine) {
  std::ofstream(folder_ / "plan.xyz") << "not a model\n";
  fs::create_directories(folder_ / "folder.k3d");
  for (const std::string& model : {(folder_ / "missing.k3d").string(), (folder_ / "plan.xyz").string(),
                                   (folder_ / "noextension").string(), (folder_ / "folder.k3d").string()}) {
    const CliRun run = Execute({"dump", "--json", model});
    EXPECT_EQ(run.status, 1) << model;
    EXPECT_EQ(run.out, "") << model;
    ASSERT_FALSE(run.err.empty()) << model;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(model), std::string::npos) << run.err;
  }
}

TEST_F(CliTest, DashDashEndsTheOptions) {
  fs::copy_file(kSite, folder_ / "--geometry.k3d");
  CliRun run = Execute({"dump", "--json", "--", "--geometry.k3d"}, KORVEX_CLI_PATH, folder_);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(json::parse(run.out)["file"], "--geometry.k3d");
  run = Execute({"dump", "--json", "--geometry.k3d"}, KORVEX_CLI_PATH, folder_);
  EXPECT_EQ(run.status, 2);
}

// Every command that reads a model reports a model it cannot read in the
// same one line, and "--" ends the options wherever the command knows it.
TEST_F(CliTest, CommandsReadTheirModelAndOptionsAlike) {
  const std::string missing = (folder_ / "missing.k3d").string();
  const std::string said = "korvex-cli: cannot read " + missing + ": no such file\n";
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"dump", missing},
                                             {"convert", missing, (folder_ / "out.obj").string()},
                                             {"measure", missing, "--points", "0,0,0", "1,1,1"},
                                             {"shadowhours", missing, "-o", (folder_ / "study").string(),
                                              "--lat", "35", "--date", "2024-12-21"}}) {
    const CliRun run = Execute(args);
    EXPECT_EQ(run.status, 1) << args[0];
    EXPECT_EQ(run.err, said) << args[0];
    EXPECT_EQ(run.out, "") << args[0];
  }

  fs::copy_file(kSite, folder_ / "--json.k3d");
  CliRun run =
      Execute({"measure", "--points", "0,0,0", "3,4,0", "--", "--json.k3d"}, KORVEX_CLI_PATH, folder_);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "distance 5 m\nhorizontal 5 m\nvertical 0 m\n");
  // A second "--" is a name like any other.
  run =
      Execute({"measure", "--", "--json.k3d", "--", "--points", "0,0,0", "3,4,0"}, KORVEX_CLI_PATH, folder_);
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("measure takes one MODEL"), std::string::npos) << run.err;
  // The study takes no "--": it is an option it does not know.
  run = Execute({"shadowhours", "--", kSite, "-o", "study", "--lat", "35", "--date", "2024-12-21"},
                KORVEX_CLI_PATH, folder_);
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("unknown option --\n"), std::string::npos) << run.err;
}

// Other formats come from the file plug-ins in "FilePlugin" beside the
// program: a copy of the program (with the import helper it runs plug-ins
// in) is given a folder with the test reader.
TEST_F(CliTest, OtherFormatsGoThroughTheFirstMatchingFilePlugin) {
  const fs::path bin = folder_ / "bin";
  fs::create_directories(bin / "FilePlugin");
  fs::copy_file(KORVEX_CLI_PATH, bin / "korvex-cli");
  fs::copy_file(KORVEX_IMPORT_PATH, bin / "korvex-import");
  fs::copy_file(KORVEX_CLI_PLUGIN, bin / "FilePlugin" / "cli_reader.so");
  std::ofstream(folder_ / "model.KXT") << "from the plug-in\n";
  std::ofstream(folder_ / "broken.kxt") << "fail\n";

  CliRun run = Execute({"dump", "--json", "--geometry", (folder_ / "model.KXT").string()}, (bin / "korvex-cli").string());
  ASSERT_EQ(run.status, 0) << run.err;
  const json root = json::parse(run.out)["root"];
  EXPECT_EQ(root["properties"], json::parse(R"([{"name": "source", "value": 42}])"));
  ASSERT_EQ(root["children"].size(), 1u);
  const json& node = root["children"][0];
  EXPECT_EQ(node["name"], "from the plug-in");
  EXPECT_EQ(node["figures"][0]["kind"], 1);
  EXPECT_EQ(node["figures"][0]["value"], 5);
  EXPECT_EQ(node["figures"][0]["points"], json::parse("[[1.0, 2.0, 3.0]]"));
  EXPECT_FALSE(node["figures"][0].contains("faces"));
  EXPECT_EQ(node["bounds"], json::parse("[1.0, 2.0, 3.0, 1.0, 2.0, 3.0]"));

  run = Execute({"dump", (folder_ / "broken.kxt").string()}, (bin / "korvex-cli").string());
  EXPECT_EQ(run.status, 1);
  // The program without plug-ins has no reader for the format.
  run = Execute({"dump", (folder_ / "model.KXT").string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("no reader"), std::string::npos) << run.err;
}

// Help asked for in any of its three forms is the command's own usage on
// standard output with status 0, even when the rest of the line is wrong.
TEST_F(CliTest, EveryCommandAnswersHelpOnStandardOutput) {
  const std::vector<std::pair<std::string, std::string>> commands = {
      {"dump", "usage: korvex-cli dump"},
      {"render", "usage: korvex-cli render"},
      {"convert", "usage: korvex-cli convert"},
      {"sun", "usage: korvex-cli sun "},
      {"sunstudy", "usage: korvex-cli sunstudy"},
      {"shadowhours", "usage: korvex-cli shadowhours "},
      {"shadowhours-merge", "usage: korvex-cli shadowhours-merge"},
      {"measure", "usage: korvex-cli measure"}};
  for (const auto& [command, usage] : commands) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"help", command},
                                               {command, "--help"},
                                               {command, "--bogus", "-h"},
                                               {command, kSite, "--help"}}) {
      const CliRun run = Execute(args);
      EXPECT_EQ(run.status, 0) << args[0] << " " << args[1] << ": " << run.err;
      EXPECT_EQ(run.err, "") << args[0] << " " << args[1];
      EXPECT_EQ(run.out.rfind(usage, 0), 0u) << args[0] << " " << args[1] << ": " << run.out;
      // One command's help, not the overview.
      for (const auto& [other, otherUsage] : commands) {
        if (other != command) {
          EXPECT_EQ(run.out.find(otherUsage), std::string::npos) << command << " also shows " << other;
        }
      }
    }
  }
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"help"}}) {
    const CliRun run = Execute(args);
    EXPECT_EQ(run.status, 0) << args[0];
    for (const auto& [command, usage] : commands) EXPECT_NE(run.out.find(usage), std::string::npos) << args[0];
  }
  // After "--" a "--help" is a file name.
  const CliRun run = Execute({"dump", "--", "--help"});
  EXPECT_EQ(run.status, 1) << run.out;
}

// An unknown option is named in the message and the status is 2, for every
// command and before any command.
TEST_F(CliTest, UnknownOptionsNameThemselvesAndExitWithTwo) {
  for (const std::string command :
       {"dump", "render", "convert", "sun", "sunstudy", "shadowhours", "shadowhours-merge", "measure"}) {
    const CliRun run = Execute({command, "--frobnicate", kSite});
    EXPECT_EQ(run.status, 2) << command;
    EXPECT_EQ(run.out, "") << command;
    EXPECT_NE(run.err.find("unknown option --frobnicate"), std::string::npos) << command << ": " << run.err;
  }
  CliRun run = Execute({"--frobnicate"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("unknown option --frobnicate"), std::string::npos) << run.err;
  run = Execute({"help", "show"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("unknown command show"), std::string::npos) << run.err;
}

TEST_F(CliTest, VersionIsTheProjectVersion) {
  const CliRun run = Execute({"--version"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "korvex-cli " KORVEX_PROJECT_VERSION "\n");
}

// The import time limit the user set for the viewer holds for the command
// line too: a parser that never ends is stopped after it.
TEST_F(CliTest, ImportsStopAtTheTimeLimitTheUserSet) {
  const fs::path spin = folder_ / "spin.ply";
  std::ofstream(spin) << "ply\nformat ascii 1.0\n";  // a header without its end
  fs::create_directories(folder_ / "config" / "Meridan");
  std::ofstream(folder_ / "config" / "Meridan" / "Korvex.conf") << "[General]\nImportTimeLimit=99\n"
                                                                 << "[Config]\nImportTimeLimit=1\n";
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
  const CliRun run = Execute({"dump", spin.string()});
  if (old) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1); else ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("(1 "), std::string::npos) << run.err;
}

}  // namespace
