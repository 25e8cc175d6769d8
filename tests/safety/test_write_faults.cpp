// Every file Korvex writes, written where the write cannot succeed: into a
// read-only folder, onto a full file system, and past a file size limit. The
// writer reports the failure (with its message where it has one), the
// previous file stays whole, and no temporary file is left behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "common/atomic_file.h"
#include "model/InkNode.h"
#include "model/SceneSettings.h"
#include "image/DibImage.h"
#include "output/JpegWriter.h"
#include "output/LayoutFile.h"
#include "plugins/InkFile.h"
#include "small_file_system.h"
#include "tests/support/message_log.h"
#include "tests/support/needs.h"
#include "view/EyeFile.h"

namespace fs = std::filesystem;
using safety_test::FileSizeLimit;
using safety_test::Folder;
using safety_test::SmallFileSystem;

namespace {

const std::string kOldContents = "the user's previous file";

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteOld(const fs::path& path) { std::ofstream(path, std::ios::binary) << kOldContents; }

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

// One kind of file the viewer writes. `write` returns whether the writer
// reported success; `messages` are the messages it showed.
struct Writer {
  std::string name;
  std::string file;
  std::function<bool(const fs::path&, korvex_test::MessageLog&)> write;
};

// A picture of noise, so that no encoder can make it small.
CDibImage NoisePicture(int width, int height) {
  CDibImage image;
  uint8_t* pixels = image.Create(nullptr, width, height);
  uint32_t state = 12345;
  for (std::size_t i = 0; i < image.PixelBytes(); ++i) {
    state = state * 1103515245u + 12345u;
    pixels[i] = static_cast<uint8_t>(state >> 16);
  }
  return image;
}

class WriteFaults : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The ".ink" plug-in, found in a program folder as the viewer finds it.
    fs::create_directories(program_.path() / "FilePlugin");
    fs::copy_file(KORVEX_INK_PLUGIN, program_.path() / "FilePlugin" / "ink.so");
  }

  std::vector<Writer> Writers() {
    std::vector<Writer> writers;
    writers.push_back({"ink plug-in", "scene.ink", [](const fs::path& path, korvex_test::MessageLog&) {
                         CInkFile host;
                         host.LoadFrom(program_.path());
                         CInkNode root;
                         root.Create(nullptr);
                         for (int i = 0; i < 50; ++i) {
                           auto* child = new CInkNode;
                           child->Create(nullptr);
                           child->SetName("node " + std::to_string(i));
                           root.AddChild(child);
                         }
                         return host.GetCount() == 1 && host.Export(0, path.c_str(), &root, InkSceneSettings{}) != 0;
                       }});
    writers.push_back({"eye file", "eye.ini", [](const fs::path& path, korvex_test::MessageLog&) {
                         korvex::EyeSettings eye;
                         eye.eye = {10, 20, 30};
                         return korvex::WriteEyeFile(path, eye);
                       }});
    writers.push_back({"BMP export", "picture.bmp", [](const fs::path& path, korvex_test::MessageLog& log) {
                         CDibImage image(&log);
                         image.Create(nullptr, 160, 120);
                         return image.Save(path.string()) == 0;
                       }});
    writers.push_back({"JPEG export", "picture.jpg", [](const fs::path& path, korvex_test::MessageLog&) {
                         return korvex::WriteJpegFile(path.string(), NoisePicture(160, 120));
                       }});
    writers.push_back({"layout file", "sheet.lay", [](const fs::path& path, korvex_test::MessageLog& log) {
                         return korvex::layout::WriteLayoutFile(path.string(), 800, 600, "picture.bmp", &log);
                       }});
    return writers;
  }

  // Runs every writer against its previous file in folder, each through
  // `fault` (which sets up the failure around the write), and checks the
  // promises. Returns the messages per writer.
  std::vector<std::vector<std::string>> ExpectEveryWriteRefused(
      const fs::path& folder, const std::function<void(const std::function<void()>&)>& fault,
      const std::set<std::string>& others = {}) {
    std::vector<std::vector<std::string>> messages;
    for (const Writer& writer : Writers()) {
      korvex_test::MessageLog log;
      const fs::path target = folder / writer.file;
      bool wrote = true;
      fault([&] { wrote = writer.write(target, log); });
      EXPECT_FALSE(wrote) << writer.name;
      EXPECT_EQ(ReadAll(target), kOldContents) << writer.name;
      messages.push_back(log.messages);
    }
    // Nothing but the previous files (and whatever was there before) is left.
    std::set<std::string> expected = others;
    for (const Writer& writer : Writers()) expected.insert(writer.file);
    EXPECT_EQ(Names(folder), expected);
    return messages;
  }

  void WriteOldFiles(const fs::path& folder) {
    for (const Writer& writer : Writers()) WriteOld(folder / writer.file);
  }

  static Folder program_;
};
Folder WriteFaults::program_;

TEST_F(WriteFaults, EveryWriterWritesWhenNothingFails) {
  Folder folder;
  WriteOldFiles(folder.path());
  for (const Writer& writer : Writers()) {
    korvex_test::MessageLog log;
    EXPECT_TRUE(writer.write(folder.path() / writer.file, log)) << writer.name;
    EXPECT_NE(ReadAll(folder.path() / writer.file), kOldContents) << writer.name;
    EXPECT_TRUE(log.messages.empty()) << writer.name;
  }
}

TEST_F(WriteFaults, AReadOnlyFolderKeepsEveryPreviousFile) {
  SmallFileSystem disk(1 << 20);
  Folder plain;
  fs::path folder;
  if (disk.Mounted()) {
    WriteOldFiles(disk.path());
    ASSERT_TRUE(disk.MakeReadOnly());
    folder = disk.path();
  } else {
    // Without the right to mount, a folder without write permission; the
    // superuser writes there all the same, and then there is nothing to test.
    WriteOldFiles(plain.path());
    fs::permissions(plain.path(), fs::perms::owner_read | fs::perms::owner_exec);
    KORVEX_NEED(::access(plain.path().c_str(), W_OK) != 0, "KORVEX_ALLOW_NO_MOUNT",
                "cannot mount a file system nor make a folder read-only here");
    folder = plain.path();
  }
  const auto messages = ExpectEveryWriteRefused(folder, [](const std::function<void()>& write) { write(); });
  const std::string bmp = (folder / "picture.bmp").string();
  EXPECT_EQ(messages[2], (std::vector<std::string>{bmp + " を作製できない。"}));
  EXPECT_EQ(messages[4], (std::vector<std::string>{"図面レイアウトファイルを作れません。"}));
}

TEST_F(WriteFaults, AFullFileSystemKeepsEveryPreviousFile) {
  SmallFileSystem disk(256 << 10);
  KORVEX_NEED(disk.Mounted(), "KORVEX_ALLOW_NO_MOUNT", "this process may not mount a file system");
  WriteOldFiles(disk.path());
  disk.Fill();
  const auto messages =
      ExpectEveryWriteRefused(disk.path(), [](const std::function<void()>& write) { write(); }, {"filler"});
  const std::string bmp = (disk.path() / "picture.bmp").string();
  EXPECT_EQ(messages[2], (std::vector<std::string>{bmp + " の書き込みが異常終了した。"}));
  EXPECT_EQ(messages[4], (std::vector<std::string>{"図面レイアウトファイルを作れません。"}));
}

TEST_F(WriteFaults, AWriteCutShortKeepsEveryPreviousFile) {
  // The file size limit stops each write part way, as a disk filling up
  // under it would; it works without any privilege.
  Folder folder;
  WriteOldFiles(folder.path());
  const auto messages = ExpectEveryWriteRefused(folder.path(), [](const std::function<void()>& write) {
    FileSizeLimit limit(40);
    write();
  });
  const std::string bmp = (folder.path() / "picture.bmp").string();
  EXPECT_EQ(messages[2], (std::vector<std::string>{bmp + " の書き込みが異常終了した。"}));
}

TEST(ReplaceFileContents, AFullFileSystemLeavesNoTemporaryFileAndTheOldContents) {
  SmallFileSystem disk(64 << 10);
  KORVEX_NEED(disk.Mounted(), "KORVEX_ALLOW_NO_MOUNT", "this process may not mount a file system");
  const fs::path target = disk.path() / "model.txi";
  WriteOld(target);
  // Larger than the whole file system: the write fails part way.
  const std::vector<uint8_t> large(128 << 10, 'x');
  EXPECT_FALSE(korvex::ReplaceFileContents(target, large));
  EXPECT_EQ(ReadAll(target), kOldContents);
  EXPECT_EQ(Names(disk.path()), (std::set<std::string>{"model.txi"}));
  // Room again: the same write now succeeds whole.
  const std::vector<uint8_t> small(16 << 10, 'y');
  EXPECT_TRUE(korvex::ReplaceFileContents(target, small));
  EXPECT_EQ(ReadAll(target), std::string(small.begin(), small.end()));
}

}  // namespace
