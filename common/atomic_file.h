// Replacing a file so that it is never left half-written.
//
// The new contents go to a temporary file in the target's own folder (so the
// rename stays on one file system); only after they are completely written
// and flushed to the disk is the temporary file renamed over the target. Any
// failure removes the temporary file and leaves the previous target as it was.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace korvex {

// true when target now holds exactly bytes.
bool ReplaceFileContents(const std::filesystem::path& target, std::span<const uint8_t> bytes);

// A new, empty folder beside target (its name starts with target's file name),
// for writers that produce several files at once; empty on failure.
std::filesystem::path MakeStagingFolder(const std::filesystem::path& target);

// Moves source over target with one rename (both in the same folder tree);
// flushes the folder so the new name survives a crash. true on success.
bool RenameOver(const std::filesystem::path& source, const std::filesystem::path& target);

}  // namespace korvex
