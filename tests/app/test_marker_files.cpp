#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/MarkerFiles.h"
#include "app_fixture.h"
#include "common/encoding.h"
#include "common/file_util.h"

namespace fs = std::filesystem;
using korvex::MarkerNames;
using korvex::ReadMarkerNames;

namespace {

// A project folder holding "buk" and a plan folder below it holding its own.
class MarkerFiles : public ::testing::Test {
 protected:
  fs::path plan() const { return scratch_.path() / "plan"; }
  void SetUp() override { fs::create_directories(plan()); }
  void WriteProject(const std::string& text) { Write(scratch_.path() / "buk", text); }
  void WritePlan(const std::string& text) { Write(plan() / "buk", text); }

 private:
  static void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  app_test::ScratchFolder scratch_;
};

TEST_F(MarkerFiles, BothFilesGiveNamesAndTitle) {
  // The host writes Shift-JIS; the title is UTF-8 for the window.
  WriteProject("# project\n[PROJECT_NAME] " + korvex::Utf8ToCp932("駅前計画") + "\r\n");
  WritePlan("[PLAN_NAME] " + korvex::Utf8ToCp932("第二案") + "\n");
  const MarkerNames names = ReadMarkerNames(plan());
  EXPECT_EQ(names.project, korvex::Utf8ToCp932("駅前計画"));
  EXPECT_EQ(names.plan, korvex::Utf8ToCp932("第二案"));
  EXPECT_EQ(korvex::MarkerTitle(names), "Panorel - 駅前計画(第二案)");
}

TEST_F(MarkerFiles, OneFileAloneIsNotRead) {
  WriteProject("[PROJECT_NAME] P\n");
  EXPECT_EQ(ReadMarkerNames(plan()), MarkerNames{});
  fs::remove(plan().parent_path() / "buk");
  WritePlan("[PLAN_NAME] Q\n");
  EXPECT_EQ(ReadMarkerNames(plan()), MarkerNames{});
}

TEST_F(MarkerFiles, LastLineWinsAndEachFileHasItsOwnKeyword) {
  WriteProject("[PLAN_NAME] not here\n[PROJECT_NAME] first\nnoise [PROJECT_NAME] x\n[PROJECT_NAME]\tsecond\n");
  WritePlan("[PLAN_NAME] A\n[PROJECT_NAME] not here\n[PLAN_NAME]  B\n[PLAN_NAME]X\n");
  const MarkerNames names = ReadMarkerNames(plan());
  EXPECT_EQ(names.project, "second");
  // One separator is skipped, a second blank belongs to the name; a keyword
  // glued to its text is another word.
  EXPECT_EQ(names.plan, " B");
}

TEST_F(MarkerFiles, KeywordAloneGivesEmptyNameAndNoTitle) {
  WriteProject("[PROJECT_NAME] old\n[PROJECT_NAME]\n");
  WritePlan("[PLAN_NAME] plan");
  const MarkerNames names = ReadMarkerNames(plan());
  EXPECT_EQ(names.project, "");
  EXPECT_EQ(names.plan, "plan");
  EXPECT_EQ(korvex::MarkerTitle(names), std::nullopt);
}

TEST_F(MarkerFiles, LongLinesAreCutAndReadInPieces) {
  // A name is cut to the path field; a line beyond the line buffer goes on as
  // a line of its own.
  WriteProject("[PROJECT_NAME] " + std::string(600, 'a') + "\n");
  WritePlan(std::string(1022, 'x') + "[PLAN_NAME] tail\n");
  const MarkerNames names = ReadMarkerNames(plan());
  EXPECT_EQ(names.project, std::string(259, 'a'));
  EXPECT_EQ(names.plan, "tail");
}

}  // namespace
