// korvex-cli measure as a script runs it: distances between points, and the
// planar faces of a model found by a point on them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli_text.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

struct CliRun {
  int status = -1;
  std::string out, err;
};

class MeasureCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    // An L-shaped block 3 high: the roof is one planar face of 20 square
    // metres that the reader splits into triangles.
    model_ = (scratch_.path() / "ell.k3d").string();
    std::ofstream(model_) << "HEADER\n0,2\n"
                             "SOLIDV,Z0,0,Block L,0.8,0.8,0.8,0,6,1,Ell\n"
                             "0,0,0\n6,0,0\n6,2,0\n2,2,0\n2,6,0\n0,6,0\n0,0,3\n";
  }

  CliRun Execute(std::vector<std::string> args) {
    std::string command = cli_test::Quote(KORVEX_CLI_PATH) + " measure";
    for (const std::string& a : args) command += " " + cli_test::Quote(a);
    const fs::path out = scratch_.path() / "out", err = scratch_.path() / "err";
    command += " >" + cli_test::Quote(out.string()) + " 2>" + cli_test::Quote(err.string());
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, cli_test::ReadAll(out), cli_test::ReadAll(err)};
  }

  korvex_test::ScratchFolder scratch_;
  std::string model_;
};

TEST_F(MeasureCommand, DistanceAndItsPartsInMetresForASceneFile) {
  CliRun run = Execute({model_, "--points", "0,0,0", "6,2,3"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "distance 7 m\nhorizontal 6.325 m\nvertical 3 m\n");

  run = Execute({"--json", model_, "--points", "1e5,4e6,3", "100003,4000004,-9"});
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json j = nlohmann::json::parse(run.out);
  EXPECT_DOUBLE_EQ(j.at("distance").get<double>(), 13);
  EXPECT_DOUBLE_EQ(j.at("horizontal").get<double>(), 5);
  EXPECT_DOUBLE_EQ(j.at("vertical").get<double>(), -12);
  EXPECT_EQ(j.size(), 3u);
}

TEST_F(MeasureCommand, TheWholePlanarFaceAtAPoint) {
  CliRun run = Execute({model_, "--face-at", "1,5,3"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "area 20 m²\nperimeter 24 m\nnormal 0,0,1\n");

  // A wall, found from a point a little off it, as JSON.
  run = Execute({model_, "--face-at", "6.0004,1,1.5", "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json wall = nlohmann::json::parse(run.out);
  EXPECT_NEAR(wall.at("area").get<double>(), 6, 1e-9);
  EXPECT_NEAR(wall.at("perimeter").get<double>(), 10, 1e-9);
  EXPECT_NEAR(wall.at("normal").at(0).get<double>(), 1, 1e-12);

  // In the corner of the L, or beyond the tolerance: no face.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{model_, "--face-at", "4,4,3"}, {model_, "--face-at", "6.01,1,1.5"},
        {model_, "--face-at", "1,5,3.5", "--tolerance", "0.4"}}) {
    run = Execute(args);
    EXPECT_EQ(run.status, 1) << args[2];
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("lies on no face"), std::string::npos) << run.err;
  }
  run = Execute({model_, "--face-at", "1,5,3.3", "--tolerance", "0.4"});
  EXPECT_EQ(run.status, 0) << run.err;
}

TEST_F(MeasureCommand, BadInputIsNamedWithStatusTwo) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{model_, "--points", "0,0,zero", "1,1,1"}, "--points needs two points"},
      {{model_, "--points", "0,0,0"}, "--points needs two points"},
      {{model_, "--points", "0,0", "1,1,1"}, "--points needs two points"},
      {{model_, "--points", "0,0,0,0", "1,1,1"}, "--points needs two points"},
      {{model_, "--points", "nan,0,0", "1,1,1"}, "--points needs two points"},
      {{model_, "--face-at", "1;5;3"}, "--face-at needs a point"},
      {{model_, "--face-at", "1,5,3", "--tolerance", "-1"}, "--tolerance needs"},
      {{model_}, "either --points or --face-at"},
      {{model_, "--points", "0,0,0", "1,1,1", "--face-at", "1,5,3"}, "either --points or --face-at"},
      {{"--face-at", "1,5,3"}, "needs a MODEL"},
  };
  for (const auto& [args, message] : cases) {
    const CliRun run = Execute(args);
    EXPECT_EQ(run.status, 2) << message;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
  }
  const CliRun missing = Execute({(scratch_.path() / "none.k3d").string(), "--face-at", "1,5,3"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("cannot read"), std::string::npos) << missing.err;
}

}  // namespace
