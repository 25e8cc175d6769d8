#include "view/EyeFile.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <system_error>

#include "common/atomic_file.h"
#include "common/file_util.h"
#include "geometry/gm_vector.h"

namespace korvex {
namespace {

constexpr double kOverheadTolerance = 1e-7;

double GetDouble(const uint8_t* p) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
  return std::bit_cast<double>(bits);
}

void PutDouble(uint8_t* p, double value) {
  const auto bits = std::bit_cast<uint64_t>(value);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(bits >> (8 * i));
}

// Takes the vector at `offset` when the file held all of it and it is finite.
void TakeVector(const uint8_t* bytes, std::size_t have, std::size_t offset, GMVector& out) {
  if (have < offset + 24) return;
  const GMVector v{GetDouble(bytes + offset), GetDouble(bytes + offset + 8), GetDouble(bytes + offset + 16)};
  if (GMIsFinite(v)) out = v;
}

std::filesystem::path InFolder(const std::filesystem::path& folder, const char* name) {
  return folder.empty() ? std::filesystem::path(name) : folder / name;
}

}  // namespace

bool ProjectMarkersExist(const std::filesystem::path& folder) {
  const std::filesystem::path base = folder.empty() ? std::filesystem::path(".") : folder;
  return FileExists((base / ".." / "buk").string()) && FileExists((base / "buk").string());
}

bool ReadEyeFile(const std::filesystem::path& path, EyeSettings& settings) {
  std::error_code ec;
  // Only a plain file: a folder or a pipe of that name is no eye file.
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::array<uint8_t, kEyeFileBytes> bytes{};
  in.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
  const auto have = static_cast<std::size_t>(in.gcount());

  TakeVector(bytes.data(), have, 0, settings.eye);
  TakeVector(bytes.data(), have, 24, settings.target);
  if (have >= 56) {
    const double zoom = GetDouble(bytes.data() + 48);
    // A zero or negative scale would collapse or mirror the view volume.
    if (std::isfinite(zoom) && zoom > 0.0) settings.zoomScale = zoom;
  }
  TakeVector(bytes.data(), have, 56, settings.light);
  return true;
}

bool WriteEyeFile(const std::filesystem::path& path, const EyeSettings& settings) {
  std::array<uint8_t, kEyeFileBytes> bytes{};
  const double values[10] = {settings.eye.x,    settings.eye.y,    settings.eye.z,    settings.target.x,
                             settings.target.y, settings.target.z, settings.zoomScale, settings.light.x,
                             settings.light.y,  settings.light.z};
  for (int i = 0; i < 10; ++i) PutDouble(bytes.data() + 8 * i, values[i]);
  return ReplaceFileContents(path, bytes);
}

bool EyeIsOverhead(const EyeSettings& settings) {
  return std::fabs(settings.eye.x - settings.target.x) <= kOverheadTolerance &&
         std::fabs(settings.eye.y - settings.target.y) <= kOverheadTolerance;
}

bool LoadStartupEye(EyeSettings& settings, const std::filesystem::path& folder) {
  if (!ProjectMarkersExist(folder)) return false;
  if (!ReadEyeFile(InFolder(folder, kEyeFileName), settings)) return false;
  return !EyeIsOverhead(settings);
}

bool SaveProjectEye(const EyeSettings& settings, const std::filesystem::path& folder) {
  return ProjectMarkersExist(folder) && WriteEyeFile(InFolder(folder, kEyeFileName), settings);
}

}  // namespace korvex
