// What the ".ink" reader and writer share: the file's magic number and
// section tags, the smallest encodings the reader checks counts against, and
// the instance cycle test both refuse a scene by.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "model/SceneSettings.h"

namespace korvex::ink {

// 0x89 keeps the file from passing as text, CR LF and 0x1A reveal a transfer
// that rewrote line ends or stopped at an end-of-file mark.
inline constexpr std::array<uint8_t, 8> kMagic = {0x89, 'K', 'I', 'N', 'K', '\r', '\n', 0x1A};
inline constexpr uint32_t kTag(const char (&t)[5]) {
  return uint32_t(uint8_t(t[0])) | uint32_t(uint8_t(t[1])) << 8 | uint32_t(uint8_t(t[2])) << 16 |
         uint32_t(uint8_t(t[3])) << 24;
}
inline constexpr uint32_t kSettingsTag = kTag("SETS");
inline constexpr uint32_t kTreeTag = kTag("TREE");
inline constexpr size_t kHeaderSize = kMagic.size() + 4 + 4;  // magic, version, section count
inline constexpr size_t kTrailerSize = 4;                     // CRC-32
inline constexpr size_t kSettingsSize = 16 * 8 + sizeof(InkSceneSettings::reserved);
inline constexpr size_t kMaxName = 63;

// Smallest encodings, used to refuse counts that the rest of the file cannot hold.
inline constexpr size_t kVertexSize = 3 * 8 + 4;
inline constexpr size_t kMinNodeSize = 1 + 3 * 4 + 4 + 4 + 10 * 8 + 4 + 4 + 4;
inline constexpr size_t kMinFigureSize = 3 * 4 + 4;
inline constexpr size_t kMinPropertySize = 1 + 4;

// true when following instance references from some instance of the node
// comes back to an instance already passed.
bool HasInstanceCycle(std::span<const int32_t> kinds, std::span<const int32_t> references);

}  // namespace korvex::ink
