// The eye file and the per-user settings file: formats, broken files, and
// the marker rule that decides whether the eye file is used at all.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "tests/support/scratch_folder.h"
#include "view/EyeFile.h"
#include "view/UserSettings.h"

namespace view_test {
namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(plan_); }

  static void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void AddMarkers() {
    Write(root_ / "project" / "buk", "[PROJECT_NAME] P\n");
    Write(plan_ / "buk", "[PLAN_NAME] Q\n");
  }

  korvex_test::ScratchFolder scratch_;
  fs::path root_ = scratch_.path();
  fs::path plan_ = root_ / "project" / "plan";
};

const korvex::EyeSettings kSaved{{10, -20, 30.5}, {1, 2, 3}, 2.5, {-4, 5, 600}};

TEST_F(SettingsFileTest, EyeFileHoldsEightyBytesOfLittleEndianDoubles) {
  const fs::path file = plan_ / "eye.ini";
  ASSERT_TRUE(korvex::WriteEyeFile(file, kSaved));
  const std::string bytes = Read(file);
  ASSERT_EQ(bytes.size(), 80u);
  // 2.5 is 0x4004000000000000: the zoom scale at offset 48, low byte first.
  EXPECT_EQ(bytes.substr(48, 8), std::string("\0\0\0\0\0\0\x04\x40", 8));
  korvex::EyeSettings back;
  ASSERT_TRUE(korvex::ReadEyeFile(file, back));
  EXPECT_EQ(back, kSaved);
}

TEST_F(SettingsFileTest, ShortOrBrokenEyeFileLeavesTheItemsItCannotGive) {
  const fs::path file = plan_ / "eye.ini";
  ASSERT_TRUE(korvex::WriteEyeFile(file, kSaved));
  const std::string whole = Read(file);
  const korvex::EyeSettings before{{7, 7, 7}, {8, 8, 8}, 9, {6, 6, 6}};

  // Cut inside the target: only the eye is taken.
  Write(file, whole.substr(0, 40));
  korvex::EyeSettings s = before;
  ASSERT_TRUE(korvex::ReadEyeFile(file, s));
  EXPECT_EQ(s.eye, kSaved.eye);
  EXPECT_EQ(s.target, before.target);
  EXPECT_EQ(s.zoomScale, before.zoomScale);
  EXPECT_EQ(s.light, before.light);

  // A NaN in the target and a zero zoom scale are not handed to the camera.
  std::string broken = whole;
  const double nan = std::numeric_limits<double>::quiet_NaN(), zero = 0.0;
  broken.replace(32, 8, reinterpret_cast<const char*>(&nan), 8);
  broken.replace(48, 8, reinterpret_cast<const char*>(&zero), 8);
  Write(file, broken);
  s = before;
  ASSERT_TRUE(korvex::ReadEyeFile(file, s));
  EXPECT_EQ(s.eye, kSaved.eye);
  EXPECT_EQ(s.target, before.target);
  EXPECT_EQ(s.zoomScale, before.zoomScale);
  EXPECT_EQ(s.light, kSaved.light);

  s = before;
  EXPECT_FALSE(korvex::ReadEyeFile(plan_ / "missing.ini", s));
  EXPECT_FALSE(korvex::ReadEyeFile(plan_, s));  // a folder
  EXPECT_EQ(s, before);
}

TEST_F(SettingsFileTest, EyeFileIsUsedOnlyWithBothMarkersAndNotOverhead) {
  korvex::EyeSettings s;
  EXPECT_FALSE(korvex::SaveProjectEye(kSaved, plan_));
  EXPECT_FALSE(fs::exists(plan_ / "eye.ini"));
  ASSERT_TRUE(korvex::WriteEyeFile(plan_ / "eye.ini", kSaved));
  EXPECT_FALSE(korvex::LoadStartupEye(s, plan_));  // no markers: reset eye

  Write(plan_ / "buk", "[PLAN_NAME] Q\n");
  EXPECT_FALSE(korvex::LoadStartupEye(s, plan_));  // one marker is not enough
  AddMarkers();
  ASSERT_TRUE(korvex::LoadStartupEye(s, plan_));
  EXPECT_EQ(s, kSaved);

  // The eye straight above the target, within 1e-7, is refused.
  korvex::EyeSettings overhead = kSaved;
  overhead.eye = {kSaved.target.x + 0.5e-7, kSaved.target.y - 0.5e-7, 100};
  ASSERT_TRUE(korvex::SaveProjectEye(overhead, plan_));
  EXPECT_FALSE(korvex::LoadStartupEye(s, plan_));
  overhead.eye.y = kSaved.target.y - 2e-7;
  EXPECT_FALSE(korvex::EyeIsOverhead(overhead));
}

TEST_F(SettingsFileTest, WheelReverseIsTheValueAfterTheFirstBlank) {
  const fs::path file = plan_ / "KQ.ini";
  EXPECT_EQ(korvex::ReadUserSettings(file).wheelReverse, 0);  // missing file
  const struct {
    const char* text;
    int expected;
  } rows[] = {
      {"WheelReverse 1\n", 1},
      {"WheelReverse 1\r\n", 1},
      {"# comment\n\nOther 5\nWheelReverse  -3\n", -3},
      {"WheelReverse\t7", 7},
      {"WheelReverse=1\n", 0},
      {"WheelReverse\n", 0},
      {"WheelReverse \n", 0},
      {"#WheelReverse 1\n", 0},
      {" WheelReverse 1\n", 0},
      {"WheelReverse x1\n", 0},
      {"WheelReverse 99999999999\n", std::numeric_limits<int>::max()},
      {"WheelReverse 1\nWheelReverse 0\n", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    Write(file, row.text);
    EXPECT_EQ(korvex::ReadUserSettings(file).wheelReverse, row.expected);
  }
  // Only the first 1022 bytes of a line count.
  Write(file, "WheelReverse " + std::string(1022 - 13, '0') + "5\n");
  EXPECT_EQ(korvex::ReadUserSettings(file).wheelReverse, 0);
}

TEST_F(SettingsFileTest, SettingsFileLiesInTheUsersConfigurationFolder) {
  const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
  const char* oldHome = std::getenv("HOME");
  const std::string savedConfig = oldConfig ? oldConfig : "", savedHome = oldHome ? oldHome : "";

  setenv("HOME", root_.c_str(), 1);
  setenv("XDG_CONFIG_HOME", plan_.c_str(), 1);
  EXPECT_EQ(korvex::UserSettingsPath(), plan_ / "Tallis Group" / "KQ.ini");
  fs::create_directories(plan_ / "Tallis Group");
  Write(plan_ / "Tallis Group" / "KQ.ini", "WheelReverse 1\n");
  EXPECT_EQ(korvex::ReadUserSettings().wheelReverse, 1);
  setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ(korvex::UserSettingsPath(), root_ / ".config" / "Tallis Group" / "KQ.ini");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(korvex::ReadUserSettings().wheelReverse, 0);
  unsetenv("HOME");
  EXPECT_TRUE(korvex::UserSettingsPath().empty());

  if (oldConfig) setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
  if (oldHome) setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace view_test
