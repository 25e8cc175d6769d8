// Helpers every subsystem shares: the file-exists test, paths written on
// Windows, the program folder and Shift-JIS (CP932) ⇄ UTF-8 conversion.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace korvex {

// Longest path the formats hold, including the terminator.
inline constexpr std::size_t kMaxPath = 260;

// A path names an existing file when it is at most 259 bytes long (260 with
// the terminator), its attributes can be read and it is not a folder.
bool FileExists(std::string_view path);

// A path read from a data file or a command line: "\" counts as a separator
// as well as "/", so files written on Windows still work.
std::string NormalizeSeparators(std::string_view path);

// The folder of the running program's resolved executable, without a trailing
// separator. Empty when it cannot be determined.
std::filesystem::path ProgramFolder();

// Shift-JIS (CP932) bytes to UTF-8 and back. Bytes that cannot be converted
// become "?" so that a name never turns into an empty or truncated string.
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);

}  // namespace korvex
