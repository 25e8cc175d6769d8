#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "common/encoding.h"
#include "common/file_util.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;
using namespace korvex;

namespace {

class FileUtil : public ::testing::Test {
 protected:
  // Creates a file whose path is exactly n bytes long, nesting folders
  // because one name may not exceed 255 bytes.
  std::string FileOfLength(size_t n) {
    std::string path = dir_.string();
    while (path.size() + 1 + 100 + 2 < n) {
      path += "/" + std::string(100, 'd');
      fs::create_directories(path);
    }
    path += "/" + std::string(n - path.size() - 1, 'f');
    std::ofstream(path) << "x";
    EXPECT_TRUE(fs::exists(path));
    return path;
  }
  korvex_test::ScratchFolder scratch_;
  fs::path dir_ = scratch_.path();
};

TEST_F(FileUtil, FileExistsMeansAReadableRegularFileWithinThePathLimit) {
  const fs::path file = dir_ / "model.k3d";
  std::ofstream(file) << "x";
  EXPECT_TRUE(FileExists(file.string()));
  EXPECT_FALSE(FileExists(dir_.string()));
  EXPECT_FALSE(FileExists((dir_ / "missing.k3d").string()));
  EXPECT_FALSE(FileExists(""));

  // A path of 259 bytes fits the 260-byte field with its terminator; 260 does not.
  EXPECT_TRUE(FileExists(FileOfLength(259)));
  EXPECT_FALSE(FileExists(FileOfLength(260)));
}

TEST_F(FileUtil, PipesDevicesAndFoldersAreNoFilesToRead) {
  // A pipe no one writes to would block a reader for ever; a link to a
  // device that never ends would be read until memory runs out.
  const fs::path pipe = dir_ / "model.txi";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const fs::path zero = dir_ / "model.bil";
  fs::create_symlink("/dev/zero", zero);
  for (const fs::path& path : {pipe, zero, dir_}) {
    EXPECT_FALSE(FileExists(path.string())) << path;
    EXPECT_EQ(OpenRegularFile(path.string()), nullptr) << path;
    EXPECT_FALSE(ReadRegularFile(path.string(), kTextCompanionLimit)) << path;
  }
  // A link to a plain file is that file.
  std::ofstream(dir_ / "real.txi") << "text";
  fs::create_symlink(dir_ / "real.txi", dir_ / "link.txi");
  EXPECT_TRUE(FileExists((dir_ / "link.txi").string()));
  EXPECT_EQ(ReadRegularFile((dir_ / "link.txi").string(), kTextCompanionLimit), "text");
}

TEST_F(FileUtil, AFileIsReadWholeOnlyUpToTheLimit) {
  const fs::path file = dir_ / "site.txi";
  std::ofstream(file) << std::string(1000, 'x');
  EXPECT_EQ(ReadRegularFile(file.string(), 1000)->size(), 1000u);
  EXPECT_FALSE(ReadRegularFile(file.string(), 999));
  std::ofstream(dir_ / "empty.txi").flush();
  EXPECT_EQ(ReadRegularFile((dir_ / "empty.txi").string(), 0), "");
}

TEST_F(FileUtil, BackslashesAreSeparators) {
  fs::create_directories(dir_ / "Texture");
  std::ofstream(dir_ / "Texture" / "wall.bmp") << "x";
  EXPECT_EQ(NormalizeSeparators("a\\b/c\\d.bmp"), "a/b/c/d.bmp");
  EXPECT_TRUE(FileExists(dir_.string() + "\\Texture\\wall.bmp"));
}

TEST(ProgramFolder, IsTheFolderOfThisTestProgram) {
  const fs::path folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(fs::exists(folder / "test_common"));
}

TEST(Encoding, Cp932RoundTripsJapaneseText) {
  const std::string utf8 = "名称未定";
  const std::string sjis = Utf8ToCp932(utf8);
  // 名 is 0x96 0xBC in Shift-JIS: four characters, two bytes each.
  ASSERT_EQ(sjis.size(), 8u);
  EXPECT_EQ(static_cast<unsigned char>(sjis[0]), 0x96);
  EXPECT_EQ(static_cast<unsigned char>(sjis[1]), 0xBC);
  EXPECT_EQ(Cp932ToUtf8(sjis), utf8);
  // Half-width katakana, used in the captions, is one byte each.
  EXPECT_EQ(Utf8ToCp932("ﾚﾃﾞｨ").size(), 4u);
  EXPECT_EQ(Cp932ToUtf8(Utf8ToCp932("ﾚﾃﾞｨ")), "ﾚﾃﾞｨ");
  EXPECT_EQ(Cp932ToUtf8("plain ascii"), "plain ascii");
  EXPECT_EQ(Cp932ToUtf8(""), "");
}

TEST(Encoding, DamagedBytesBecomeMarksNotLostText) {
  // A lead byte with nothing after it, between readable text.
  const std::string damaged = std::string("ab") + '\x96' + "";
  EXPECT_EQ(Cp932ToUtf8(damaged), "ab?");
  EXPECT_EQ(Cp932ToUtf8(std::string("a\x96") + "\x01z"), Cp932ToUtf8("a") + "?" + "\x01z");
  // A character Shift-JIS has no code for is one mark, whatever its UTF-8 length.
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80z"), "a?z");
}

}  // namespace
