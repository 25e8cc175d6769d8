#include "formats/BilFile.h"

#include "common/file_util.h"
#include "formats/TextScan.h"

namespace korvex {

namespace {

constexpr std::string_view kAddKeyword = "ADD";
// The picture name field, as a 260-byte buffer holds it.
constexpr std::size_t kMaxName = 259;

bool ParsePlacement(std::string_view line, BilPlacement& placement) {
  if (text_scan::TakeWord(line) != kAddKeyword) return false;
  double* const fields[] = {&placement.position.x, &placement.position.y, &placement.position.z, &placement.width,
                            &placement.height};
  for (double* field : fields) {
    // A number must stand alone: "1.5m" is no size.
    std::string_view number = text_scan::TakeWord(line);
    if (!text_scan::TakeDouble(number, *field) || !number.empty()) return false;
  }
  const std::string_view name = text_scan::TakeWord(line);
  if (name.empty()) return false;
  placement.name = std::string(name.substr(0, kMaxName));
  return true;
}

}  // namespace

std::vector<BilPlacement> ParseBil(std::string_view bytes) {
  std::vector<BilPlacement> placements;
  text_scan::TextLines lines(bytes);
  std::string_view line;
  while (lines.Next(line)) {
    if (text_scan::IsSkipped(line)) continue;
    if (BilPlacement placement; ParsePlacement(line, placement)) placements.push_back(std::move(placement));
  }
  return placements;
}

std::string BilPicturePath(const std::filesystem::path& billboardFolder, std::string_view name) {
  return (billboardFolder / (NormalizeSeparators(name) + ".bmp")).string();
}

}  // namespace korvex
