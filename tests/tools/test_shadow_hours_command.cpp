// korvex-cli shadowhours and shadowhours-merge as a script runs them: the
// files of a study of the example site, its strips merged, and every input
// the study cannot take refused with one line and status 2.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli_text.h"
#include "../support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

using cli_test::Quote;
using cli_test::ReadAll;

struct CliRun {
  int status = -1;
  std::string out, err;
};

CliRun Execute(const fs::path& scratch, const std::vector<std::string>& args) {
  std::string command = Quote(KORVEX_CLI_PATH);
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " >" + Quote((scratch / "stdout").string()) + " 2>" + Quote((scratch / "stderr").string());
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(scratch / "stdout"), ReadAll(scratch / "stderr")};
}

std::vector<std::string> Study(const fs::path& out, std::vector<std::string> more = {}) {
  std::vector<std::string> args = {"shadowhours", KORVEX_EXAMPLE_SITE, "-o", out.string(), "--lat", "35.68",
                                   "--date", "2026-12-22", "--ground", "0", "--grid", "3",
                                   "--area", "-20,-20,100,60", "--site", "0,0,58,0,58,10,0,10"};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

}  // namespace

TEST(ShadowHoursCommand, StudiesTheExampleSiteWholeAndInStrips) {
  const korvex_test::ScratchFolder scratch;
  const fs::path whole = scratch.path() / "whole";
  const CliRun run = Execute(scratch.path(), Study(whole, {"--limits", "5,3", "--json"}));
  ASSERT_EQ(run.status, 0) << run.err;
  const auto report = nlohmann::json::parse(run.out);
  EXPECT_EQ(report, nlohmann::json::parse(ReadAll(whole / "report.json")));
  EXPECT_EQ(report["points"], 41 * 27);
  ASSERT_EQ(report["lines"].size(), 2u);
  EXPECT_EQ(report["lines"][0]["offset"], 5.0);
  EXPECT_EQ(report["lines"][1]["limit"], 3.0);
  // Shading near the row of houses is long: the 5 m line fails at 5 hours.
  EXPECT_GT(report["lines"][0]["maxHours"].get<double>(), 5.0) << run.out;
  EXPECT_EQ(report["pass"], false);
  const std::string csv = ReadAll(whole / "hours.csv");
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "x,y,hours");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 41 * 27 + 1);
  EXPECT_EQ(csv.substr(10, 17), "-20,-20,0.0000\n-1");

  std::vector<std::string> merge = {"shadowhours-merge", "-o", (scratch.path() / "merged").string()};
  for (const char* tile : {"1/2", "2/2"}) {
    const fs::path folder = scratch.path() / (std::string("t") + tile[0]);
    const CliRun part = Execute(scratch.path(), Study(folder, {"--limits", "5,3", "--tile", tile}));
    ASSERT_EQ(part.status, 0) << part.err;
    merge.push_back(folder.string());
  }
  ASSERT_EQ(Execute(scratch.path(), merge).status, 0);
  EXPECT_EQ(ReadAll(whole / "plan.jpg").substr(0, 3), "\xFF\xD8\xFF");
  for (const char* name :
       {"hours.csv", "contours.geojson", "contours.dxf", "outlines.geojson", "report.json", "plan.jpg"})
    EXPECT_TRUE(ReadAll(whole / name) == ReadAll(scratch.path() / "merged" / name)) << name;
  merge.pop_back();
  const CliRun short_ = Execute(scratch.path(), merge);
  EXPECT_EQ(short_.status, 2);
  EXPECT_NE(short_.err.find("tile 2 of 2 is missing"), std::string::npos) << short_.err;
}

TEST(ShadowHoursCommand, RefusesInputTheStudyCannotTakeWithOneLineAndStatus2) {
  const korvex_test::ScratchFolder scratch;
  const fs::path out = scratch.path() / "out";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--lat", "95"}, "latitude"},
      {{"--lat", "80"}, "polar night"},
      {{"--lat", "62"}, "outside the day"},
      {{"--from", "12:00", "--to", "12:00"}, "empty"},
      {{"--from", "25:00"}, "--from needs HH:MM"},
      {{"--grid", "0"}, "positive"},
      {{"--grid", "-2"}, "positive"},
      {{"--grid", "0.01"}, "50 million"},
      {{"--area", "10,0,10,20"}, "area is empty"},
      {{"--site", "0,0,10,0"}, "at least three points"},
      {{"--site", "0,0,10,10,10,0,0,10"}, "crosses itself"},
      {{"--tile", "3/2"}, "tile K/N"},
      {{"--tile", "0/2"}, "tile K/N"},
  };
  for (const auto& [more, words] : cases) {
    const CliRun run = Execute(scratch.path(), Study(out, more));
    EXPECT_EQ(run.status, 2) << more[0] << " " << more[1];
    EXPECT_NE(run.err.find(words), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(out)) << more[0];
  }
  // A coordinate system PROJ does not know; one it knows places the site.
  std::vector<std::string> byCrs = Study(out);
  byCrs.erase(byCrs.begin() + 4, byCrs.begin() + 6);  // no --lat
  byCrs.insert(byCrs.end(), {"--crs", "EPSG:999999"});
  const CliRun unknown = Execute(scratch.path(), byCrs);
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("unknown coordinate system EPSG:999999"), std::string::npos) << unknown.err;
  byCrs.back() = "EPSG:6677";
  byCrs.push_back("--json");
  const CliRun known = Execute(scratch.path(), byCrs);
  ASSERT_EQ(known.status, 0) << known.err;
  const auto report = nlohmann::json::parse(known.out);
  EXPECT_EQ(report["crs"], "EPSG:6677");
  EXPECT_NEAR(report["latitude"].get<double>(), 36.0, 0.01);  // the zone's origin lies near the site
  EXPECT_NEAR(report["longitude"].get<double>(), 139.83, 0.01);
}
