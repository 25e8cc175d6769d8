// Replacing a file so that it is never left half-written.
//
// The new contents go to a temporary file in the target's own folder (so the
// rename stays on one file system); only after they are completely written
// and flushed to the disk is the temporary file renamed over the target. Any
// failure removes the temporary file and leaves the previous target as it was.
// A replaced file keeps its permissions (and its owner where the process may
// give it), and a save to a symbolic link replaces the file the link names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace korvex {

// true when target now holds exactly bytes.
bool ReplaceFileContents(const std::filesystem::path& target, std::span<const uint8_t> bytes);

// Several files that appear together or not at all, such as a model and its
// material library: each is written in full under a temporary name first, and
// only when every one of them was written are they renamed, in the order they
// were staged (so the main file, staged last, replaces its old self last).
// Until the last rename succeeded the old files are kept, and a failed
// rename puts every file of the set back as it was. Whatever was not renamed
// is removed when the set ends.
class StagedFiles {
 public:
  StagedFiles() = default;
  ~StagedFiles();
  StagedFiles(const StagedFiles&) = delete;
  StagedFiles& operator=(const StagedFiles&) = delete;

  // Writes bytes, flushed to the disk, beside target. false on failure (a
  // full disk, a file size limit, a folder that cannot be written).
  bool Stage(const std::filesystem::path& target, std::span<const uint8_t> bytes);
  // Renames every staged file over its target. false when nothing was staged,
  // when a file failed to stage, or when a rename fails.
  bool Commit();

 private:
  std::vector<std::pair<std::filesystem::path, std::filesystem::path>> staged_;  // temporary, target
  bool failed_ = false;
};

// The file a save to path writes: a symbolic link is followed to the file it
// names (which need not exist yet), so the link stays a link. Empty for
// links that lead round in a circle.
std::filesystem::path SaveTarget(const std::filesystem::path& path);

// true when the system cannot name path at all: one of its names is longer
// than 255 bytes, or the whole path is longer than the system allows.
bool PathTooLong(std::string_view path);

// Moves source over target with one rename (both in the same folder tree);
// flushes the folder so the new name survives a crash. true on success.
bool RenameOver(const std::filesystem::path& source, const std::filesystem::path& target);

}  // namespace korvex
