// The ".ink" scene file: Korvex's own lossless format (docs/ink-format.md).
//
// A little-endian binary file: a magic number and version, length-prefixed
// sections (the settings block, the node tree) and a CRC-32 over everything
// before it. Every field of the scene travels: the tree and its order, names
// as their Shift-JIS bytes, ids, flags, attributes, properties, every figure
// kind with its full geometry, figure values and hidden flags, and the whole
// settings block with its reserved area. Writing the scene read from a file
// gives that file again, byte for byte.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "model/InkNode.h"
#include "model/SceneSettings.h"

namespace korvex::ink {

inline constexpr uint32_t kFormatVersion = 1;
// Deeper trees are refused both ways: the node classes free a tree
// recursively, and a forged file must not be able to exhaust the stack.
inline constexpr int kMaxTreeDepth = 1024;

// The file image of the tree under root with the settings block; false (and
// out untouched) when the scene cannot be written faithfully: a tree deeper
// than kMaxTreeDepth, an instance chain that comes back to itself, or a NaN
// or an infinity anywhere in the tree.
bool WriteScene(CInkNode& root, const InkSceneSettings& settings, std::vector<uint8_t>& out);

// The tree of a file image, or null when the image is not a complete and
// consistent ".ink" file (wrong magic or version, bad checksum, a count or
// length beyond the file, an index out of range, an instance cycle). settings
// is written only on success.
std::unique_ptr<CInkNode> ReadScene(std::span<const uint8_t> file, InkSceneSettings& settings);

// CRC-32 (the polynomial of zip and PNG) of bytes.
uint32_t Crc32(std::span<const uint8_t> bytes);

}  // namespace korvex::ink
