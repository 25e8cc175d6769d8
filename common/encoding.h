// Shift-JIS (CP932) ⇄ UTF-8 at the edge between the scene's bytes and the
// user interface.
#pragma once

#include <string>
#include <string_view>

namespace korvex {

// Shift-JIS (CP932) bytes to UTF-8 and back. Bytes that cannot be converted
// become "?" so that a name never turns into an empty or truncated string.
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);

}  // namespace korvex
