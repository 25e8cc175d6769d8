// Shift-JIS (CP932) ⇄ UTF-8 at the edge between the scene's bytes and the
// user interface, through the C library's iconv.
#include "common/encoding.h"

#include <errno.h>
#include <iconv.h>

#include <string>
#include <string_view>

namespace korvex {
namespace {

std::string Convert(std::string_view in, const char* to, const char* from, std::string_view replacement) {
  std::string out;
  if (in.empty()) return out;
  const bool fromUtf8 = std::string_view(from) == "UTF-8";
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  out.reserve(in.size() * 2);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buffer[256];
  while (srcLeft > 0) {
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // An invalid or cut-off sequence: mark it and go on with the next byte,
    // so a damaged name still shows everything that can be read.
    out.append(replacement);
    ++src;
    --srcLeft;
    // In UTF-8 one character is one mark: skip its continuation bytes too.
    while (fromUtf8 && srcLeft > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80) {
      ++src;
      --srcLeft;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) { return Convert(cp932, "UTF-8", "CP932", "?"); }
std::string Utf8ToCp932(std::string_view utf8) { return Convert(utf8, "CP932", "UTF-8", "?"); }

}  // namespace korvex
