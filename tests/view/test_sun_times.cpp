// The time dialog's sun: the vector of a time, the list read from the plan
// file, the north angle read from the project file, and OK.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "tests/support/scratch_folder.h"
#include "view/SunTimes.h"

namespace {

using korvex::SunVectorFromAngles;

void ExpectVector(const GMVector& v, double x, double y, double z, double tol = 0.01) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

TEST(SunVector, NoonPointsSouthAndUpAndTheTurnsFollowNorthAndMorning) {
  // Noon of the built-in table: the sun stands in the south (-Y), 30.55° up.
  ExpectVector(SunVectorFromAngles(0.0, 30.55, 0.0), 0.0, -86.12, 50.83);
  // North turned by 180°: the same sun now stands on +Y.
  ExpectVector(SunVectorFromAngles(0.0, 30.55, M_PI), 0.0, 86.12, 50.83);
  // Morning: negative azimuth, the sun is in the east (+X).
  const GMVector morning = SunVectorFromAngles(-53.32942, 7.88533, 0.0);
  EXPECT_GT(morning.x, 50.0);
  EXPECT_LT(morning.y, 0.0);
  EXPECT_NEAR(std::hypot(std::hypot(morning.x, morning.y), morning.z), 100.0, 1e-9);
  // A north of a quarter turn: the noon sun moves from -Y to -X.
  ExpectVector(SunVectorFromAngles(0.0, 30.55, M_PI / 2), -86.12, 0.0, 50.83);
}

class SunFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(plan); }
  static void Write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  korvex_test::ScratchFolder scratch;
  std::filesystem::path root = scratch.path();
  std::filesystem::path plan = root / "plan1";
};

TEST_F(SunFilesTest, WithoutFilesTheBuiltInTableAndNorthZero) {
  korvex::TimeDialogValues values;
  korvex::LoadTimeDialog(values, plan);
  EXPECT_EQ(values.north, 0.0);
  ASSERT_EQ(values.times.entries.size(), 17u);
  ASSERT_EQ(values.times.lines.size(), 17u);
  EXPECT_EQ(values.times.lines.front(), "08時 00分");
  EXPECT_EQ(values.times.lines[1], "08時 30分");
  EXPECT_EQ(values.times.lines.back(), "16時 00分");
  EXPECT_EQ(values.times.lines[8], "12時 00分");
  EXPECT_EQ(values.times.entries[8], (korvex::SunEntry{0.0, 30.55}));
  // The table is symmetric about noon.
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(values.times.entries[i].azimuth, -values.times.entries[16 - i].azimuth);
    EXPECT_EQ(values.times.entries[i].altitude, values.times.entries[16 - i].altitude);
  }
}

TEST_F(SunFilesTest, ProjectFileNorthOnlyInsideTheSectionAndTheWorkingCopyWins) {
  Write(root / "Project.data", "[PROJECTDATA_FRE]\nnorth 0.5\n[END]\n");
  EXPECT_DOUBLE_EQ(korvex::ReadProjectNorth(plan), 0.5);
  // The working copy is read instead of the saved file; the last "north"
  // of the section counts, lines outside it and a header with a trailing
  // blank do not; CR LF line ends are cut off.
  Write(root / "Project.tmp",
        "north 3\r\n[PROJECTDATA_FRE] \r\nnorth 2\r\n[END]\r\n[PROJECTDATA_FRE]\r\n"
        "north 1.0\r\n  north   1.5708 \r\nnorthern 4\r\n[END]\r\nnorth 5\r\n");
  EXPECT_NEAR(korvex::ReadProjectNorth(plan), M_PI / 2, 1e-4);
  korvex::TimeDialogValues values;
  korvex::LoadTimeDialog(values, plan);
  EXPECT_NEAR(values.north, 1.5708, 1e-12);
  values.selection = 8;
  ASSERT_TRUE(korvex::AcceptTimeDialog(values, 8));  // noon of the built-in table
  ExpectVector(values.sunVector, -86.12, 0.0, 50.83);
}

TEST_F(SunFilesTest, PlanFilePointLinesMakeTheListAndOkTurnsTheSelectedTime) {
  Write(plan / "Plan.land",
        "[PLANDATA_TIMEDIRECTION]\npoint 830 -40 20\npoint 1230 10.5 30\npoint broken\n"
        "pointer 900 1 1\n[END]\npoint 1400 1 1\n");
  korvex::TimeDialogValues values;
  korvex::LoadTimeDialog(values, plan);
  ASSERT_EQ(values.times.lines, (std::vector<std::string>{"08時 30分", "12時 30分"}));
  EXPECT_EQ(values.times.entries[1], (korvex::SunEntry{10.5, 30.0}));

  values.flipNorth = true;
  ASSERT_TRUE(korvex::AcceptTimeDialog(values, 1));
  EXPECT_EQ(values.selection, 1);
  const GMVector expected = SunVectorFromAngles(10.5, 30.0, M_PI);
  ExpectVector(values.sunVector, expected.x, expected.y, expected.z, 1e-9);
  ExpectVector(values.sunDirection, expected.x / 100, expected.y / 100, expected.z / 100, 1e-12);
  // No line highlighted counts as the first.
  ASSERT_TRUE(korvex::AcceptTimeDialog(values, -1));
  EXPECT_EQ(values.selection, 0);

  // The working copy wins; without "point" lines the list is empty and OK
  // is refused, leaving the previous sun.
  Write(plan / "Plan.tmp", "[PLANDATA_TIMEDIRECTION]\n[END]\n");
  korvex::LoadTimeDialog(values, plan);
  EXPECT_TRUE(values.times.entries.empty());
  const GMVector before = values.sunVector;
  EXPECT_FALSE(korvex::AcceptTimeDialog(values, 0));
  EXPECT_EQ(values.sunVector, before);
}

TEST_F(SunFilesTest, LongLinesAreReadInPieces) {
  // A 1023-character piece ends the first read; the rest of the line is read
  // as a line of its own and may carry a point.
  std::string line(1023, ' ');
  line += "point 1000 -5 25";
  Write(plan / "Plan.land", "[PLANDATA_TIMEDIRECTION]\n" + line + "\n[END]\n");
  const korvex::SunTimeList list = korvex::ReadSunTimes(plan);
  ASSERT_EQ(list.lines, (std::vector<std::string>{"10時 00分"}));
}

}  // namespace
