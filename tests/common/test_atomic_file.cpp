// Replacing a user's file: what the replaced file keeps (its permissions, its
// owner, the link that points at it), names at the length limit, and several
// files that must change together or not at all.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "common/atomic_file.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

struct stat Stat(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

TEST(AtomicFile, AReplacedFileKeepsItsPermissionsAndOwner) {
  korvex_test::ScratchFolder folder;
  const fs::path plan = folder.path() / "plan.ink";
  std::ofstream(plan) << "old";
  ASSERT_EQ(::chmod(plan.c_str(), 0600), 0);
  const bool root = ::geteuid() == 0;
  // The superuser saves a file that belongs to someone else; it stays theirs.
  if (root) {
    ASSERT_EQ(::chown(plan.c_str(), 65534, 65534), 0);
  }

  ASSERT_TRUE(korvex::ReplaceFileContents(plan, Bytes("new")));
  EXPECT_EQ(ReadAll(plan), "new");
  EXPECT_EQ(Stat(plan).st_mode & 07777, 0600u);
  if (root) {
    EXPECT_EQ(Stat(plan).st_uid, 65534u);
  }

  // A file shared with the group stays shared.
  ASSERT_EQ(::chmod(plan.c_str(), 0664), 0);
  ASSERT_TRUE(korvex::ReplaceFileContents(plan, Bytes("newer")));
  EXPECT_EQ(Stat(plan).st_mode & 07777, 0664u);
  EXPECT_EQ(Names(folder.path()), (std::set<std::string>{"plan.ink"}));
}

TEST(AtomicFile, SavingThroughALinkReplacesTheFileItNames) {
  korvex_test::ScratchFolder folder;
  fs::create_directories(folder.path() / "models");
  const fs::path real = folder.path() / "models" / "site.ink";
  std::ofstream(real) << "old";
  // A relative link, and a link to that link.
  fs::create_symlink("models/site.ink", folder.path() / "current.ink");
  fs::create_symlink("current.ink", folder.path() / "latest.ink");

  ASSERT_TRUE(korvex::ReplaceFileContents(folder.path() / "latest.ink", Bytes("new")));
  EXPECT_TRUE(fs::is_symlink(folder.path() / "current.ink"));
  EXPECT_TRUE(fs::is_symlink(folder.path() / "latest.ink"));
  EXPECT_EQ(ReadAll(real), "new");
  EXPECT_EQ(Names(folder.path() / "models"), (std::set<std::string>{"site.ink"}));

  // A link to a file not yet there makes that file.
  fs::create_symlink("models/next.ink", folder.path() / "next.ink");
  ASSERT_TRUE(korvex::ReplaceFileContents(folder.path() / "next.ink", Bytes("first")));
  EXPECT_EQ(ReadAll(folder.path() / "models" / "next.ink"), "first");
  EXPECT_TRUE(fs::is_symlink(folder.path() / "next.ink"));

  // Links in a circle lead nowhere: the save fails and nothing is left.
  fs::create_symlink("b.ink", folder.path() / "a.ink");
  fs::create_symlink("a.ink", folder.path() / "b.ink");
  EXPECT_FALSE(korvex::ReplaceFileContents(folder.path() / "a.ink", Bytes("lost")));
  EXPECT_TRUE(fs::is_symlink(folder.path() / "a.ink"));
  EXPECT_EQ(Names(folder.path()).size(), 6u);
}

TEST(AtomicFile, NamesUpToTheSystemsLimitCanBeSavedAndLongerOnesAreTooLong) {
  korvex_test::ScratchFolder folder;
  // 255 bytes, the longest name; and 85 three-byte characters, as long.
  const std::string longest = std::string(251, 'a') + ".ink";
  std::string japanese;
  for (int i = 0; i < 85; ++i) japanese += "\xE5\xBB\xBA";  // 建
  for (const std::string& name : {longest, japanese}) {
    ASSERT_EQ(name.size(), 255u);
    EXPECT_FALSE(korvex::PathTooLong((folder.path() / name).string()));
    EXPECT_TRUE(korvex::ReplaceFileContents(folder.path() / name, Bytes("model")));
    EXPECT_EQ(ReadAll(folder.path() / name), "model");
  }
  EXPECT_EQ(Names(folder.path()), (std::set<std::string>{longest, japanese}));

  const fs::path tooLong = folder.path() / ("b" + longest);
  EXPECT_TRUE(korvex::PathTooLong(tooLong.string()));
  EXPECT_FALSE(korvex::ReplaceFileContents(tooLong, Bytes("model")));
  std::string deep = folder.path().string();
  while (deep.size() < 5000) deep += "/folder";
  EXPECT_TRUE(korvex::PathTooLong(deep + "/plan.ink"));
  EXPECT_FALSE(korvex::PathTooLong("plan.ink"));
  EXPECT_EQ(Names(folder.path()).size(), 2u);
}

TEST(AtomicFile, StagedFilesChangeTogetherOrNotAtAll) {
  korvex_test::ScratchFolder folder;
  const fs::path model = folder.path() / "house.obj";
  const fs::path library = folder.path() / "house.mtl";
  std::ofstream(model) << "old model";
  std::ofstream(library) << "old library";

  {
    // The second file cannot be written (its folder is missing): neither
    // file changes and no temporary file stays.
    korvex::StagedFiles files;
    EXPECT_TRUE(files.Stage(library, Bytes("new library")));
    EXPECT_FALSE(files.Stage(folder.path() / "gone" / "house.obj", Bytes("new model")));
    EXPECT_FALSE(files.Commit());
  }
  EXPECT_EQ(ReadAll(model), "old model");
  EXPECT_EQ(ReadAll(library), "old library");
  EXPECT_EQ(Names(folder.path()), (std::set<std::string>{"house.obj", "house.mtl"}));

  {
    // A set given up before its commit leaves nothing either.
    korvex::StagedFiles files;
    EXPECT_TRUE(files.Stage(library, Bytes("new library")));
    EXPECT_EQ(Names(folder.path()).size(), 3u);
  }
  EXPECT_EQ(Names(folder.path()), (std::set<std::string>{"house.obj", "house.mtl"}));

  korvex::StagedFiles files;
  EXPECT_TRUE(files.Stage(library, Bytes("new library")));
  EXPECT_TRUE(files.Stage(model, Bytes("new model")));
  EXPECT_TRUE(files.Commit());
  EXPECT_EQ(ReadAll(model), "new model");
  EXPECT_EQ(ReadAll(library), "new library");
  EXPECT_EQ(Names(folder.path()), (std::set<std::string>{"house.obj", "house.mtl"}));
  EXPECT_FALSE(korvex::StagedFiles().Commit());  // nothing staged is no success
}

// The last rename of a set fails (the model's name is taken by a folder)
// after its companions were renamed: they are put back, the one that is new
// goes again, and no temporary or kept file stays.
TEST(AtomicFile, AFailedRenamePutsBackTheWholeSet) {
  korvex_test::ScratchFolder folder;
  const fs::path model = folder.path() / "house.obj";
  const fs::path library = folder.path() / "house.mtl";
  const fs::path buffer = folder.path() / "house.bin";
  fs::create_directory(model);
  std::ofstream(model / "inside") << "in the folder";
  std::ofstream(library) << "old library";
  ASSERT_EQ(::chmod(library.c_str(), 0640), 0);

  {
    korvex::StagedFiles files;
    EXPECT_TRUE(files.Stage(library, Bytes("new library")));
    EXPECT_TRUE(files.Stage(buffer, Bytes("new buffer")));
    EXPECT_TRUE(files.Stage(model, Bytes("new model")));
    EXPECT_FALSE(files.Commit());
  }
  EXPECT_EQ(ReadAll(library), "old library");
  EXPECT_EQ(Stat(library).st_mode & 07777, 0640u);
  EXPECT_FALSE(fs::exists(buffer));
  EXPECT_EQ(ReadAll(model / "inside"), "in the folder");
  EXPECT_EQ(Names(folder.path()), (std::set<std::string>{"house.obj", "house.mtl"}));
}

}  // namespace
