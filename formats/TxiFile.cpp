#include "formats/TxiFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

#include "common/encoding.h"
#include "common/file_util.h"
#include "formats/TextScan.h"

namespace korvex {

namespace {

using text_scan::TextLines;

constexpr std::string_view kSectionKeyword = "KATEGORIE";
constexpr std::string_view kLineEnd = "\r\n";

// The number after "KATEGORIE" and one separator; a bare keyword is
// section 0.
int SectionNumber(std::string_view line) {
  std::string_view rest = line.substr(std::min(line.size(), kSectionKeyword.size() + 1));
  long number = 0;
  if (!text_scan::TakeLong(rest, number)) return 0;
  return static_cast<int>(std::clamp<long>(number, INT32_MIN, INT32_MAX));
}

uint32_t ColourByte(long value) { return static_cast<uint32_t>(std::clamp<long>(value, 0, 255)); }

// The values line of a texture: the missing numbers stay 0, which the
// engine reads as its defaults.
TxiTexture ParseTexture(std::string_view path, std::string_view values) {
  TxiTexture texture;
  texture.path = std::string(path.substr(0, kTxiMaxPath));
  if (text_scan::TakeDouble(values, texture.aspect)) text_scan::TakeDouble(values, texture.scale);
  return texture;
}

bool ParseAssignment(std::string_view name, std::string_view numbers, TxiAssignment& assignment) {
  std::array<long, 5> values{};
  for (long& value : values)
    if (!text_scan::TakeLong(numbers, value)) return false;
  assignment.name = std::string(name.substr(0, kTxiMaxName));
  assignment.textureIndex = static_cast<int32_t>(std::clamp<long>(values[0], INT32_MIN, INT32_MAX));
  assignment.colour = ColourByte(values[1]) | ColourByte(values[2]) << 8 | ColourByte(values[3]) << 16 |
                      ColourByte(values[4]) << 24;
  return true;
}

void AppendLine(std::string& out, std::string_view line) {
  out += line;
  out += kLineEnd;
}

void AppendFixed(std::string& out, double value) {
  // "%f" without the locale's decimal comma.
  std::array<char, 400> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 6);
  out.append(buffer.data(), result.ptr);
}

bool NameCanBeWritten(std::string_view name) {
  return !text_scan::IsSkipped(name) && name.find_first_of("\r\n") == std::string_view::npos;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// The texture folder with a separator at its end, "/" as separator.
std::string FolderPrefix(const std::filesystem::path& folder) {
  std::string prefix = NormalizeSeparators(folder.string());
  if (prefix.empty() || prefix.back() != '/') prefix += '/';
  return prefix;
}

}  // namespace

std::vector<TxiEntry> ParseTxi(std::string_view bytes) {
  std::vector<TxiEntry> entries;
  TextLines lines(bytes);
  int section = 0;
  std::string_view line;
  while (lines.Next(line)) {
    if (text_scan::IsSkipped(line)) continue;
    std::string_view words = line;
    if (text_scan::TakeWord(words) == kSectionKeyword) {
      section = SectionNumber(line);
      continue;
    }
    if (section != 0 && section != 1) continue;
    // The second line of a pair is taken as it stands, empty or not.
    std::string_view second;
    if (!lines.Next(second)) break;
    if (second.empty()) continue;
    if (section == 0) {
      entries.emplace_back(ParseTexture(line, second));
    } else if (TxiAssignment assignment; ParseAssignment(line, second, assignment)) {
      entries.emplace_back(std::move(assignment));
    }
  }
  return entries;
}

std::string WriteTxi(const std::vector<TxiTexture>& textures, const std::vector<TxiAssignment>& assignments) {
  const std::string rule(70, '#');
  std::string out;
  AppendLine(out, rule);
  AppendLine(out, Utf8ToCp932("# テクスチャ"));
  AppendLine(out, "KATEGORIE 0");
  AppendLine(out, "");
  for (const TxiTexture& texture : textures) {
    // A relative path that begins with "#" would be skipped as a comment
    // and shift every later texture's index: name it from the current
    // folder instead.
    AppendLine(out, (texture.path.empty() || texture.path.front() == '#' ? "./" : "") + texture.path);
    AppendFixed(out, texture.aspect);
    out += ' ';
    AppendFixed(out, texture.scale);
    out += kLineEnd;
  }
  AppendLine(out, "");
  AppendLine(out, "");
  AppendLine(out, rule);
  AppendLine(out, Utf8ToCp932("# テクスチャの割り当て"));
  AppendLine(out, "KATEGORIE 1");
  AppendLine(out, "");
  for (const TxiAssignment& assignment : assignments) {
    if (!NameCanBeWritten(assignment.name)) continue;
    AppendLine(out, assignment.name);
    const uint32_t c = assignment.colour;
    AppendLine(out, std::to_string(assignment.textureIndex) + ' ' + std::to_string(c & 0xFFu) + ' ' +
                        std::to_string(c >> 8 & 0xFFu) + ' ' + std::to_string(c >> 16 & 0xFFu) + ' ' +
                        std::to_string(c >> 24));
  }
  return out;
}

std::string ExpandTxiPath(std::string_view written, const std::filesystem::path& textureFolder) {
  if (!written.empty() && written.front() == '%') return FolderPrefix(textureFolder) + NormalizeSeparators(written.substr(1));
  return NormalizeSeparators(written);
}

std::string TxiPathForFile(std::string_view path, const std::filesystem::path& textureFolder) {
  const std::string normal = NormalizeSeparators(path);
  const std::string prefix = Lower(FolderPrefix(textureFolder));
  const std::size_t at = Lower(normal).find(prefix);
  if (at == std::string::npos) return std::string(path);
  return "%" + normal.substr(at + prefix.size());
}

}  // namespace korvex
