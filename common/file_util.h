// Helpers every subsystem shares: the file-exists test, paths written on
// Windows, the program folder and Shift-JIS (CP932) ⇄ UTF-8 conversion.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace korvex {

// Longest path the formats hold, including the terminator.
inline constexpr std::size_t kMaxPath = 260;

// A path names an existing file when it is at most 259 bytes long (260 with
// the terminator), its attributes can be read and it is a regular file (after
// symbolic links): a folder, a pipe or a device is no model and no companion,
// since reading one would block or never end.
bool FileExists(std::string_view path);

// Texture assignment and billboard files are a few kilobytes; anything past
// this is not one, and reading it whole would only exhaust memory.
inline constexpr std::size_t kTextCompanionLimit = std::size_t{64} << 20;

// Opens path for reading when it is a regular file; null (errno set) for a
// missing file, a folder, a pipe or a device, without ever waiting on one.
std::FILE* OpenRegularFile(const std::string& path);

// The whole content of a regular file of at most limit bytes; nothing when
// the file cannot be opened, is not a regular file or is larger.
std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t limit);

// A path read from a data file or a command line: "\" counts as a separator
// as well as "/", so files written on Windows still work.
std::string NormalizeSeparators(std::string_view path);

// The folder of the running program's resolved executable, without a trailing
// separator. Empty when it cannot be determined.
std::filesystem::path ProgramFolder();

}  // namespace korvex
