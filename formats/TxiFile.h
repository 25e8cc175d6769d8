// The texture assignment file (".txi"): which pictures the engine loads as
// textures, with their two repeat values, and which texture and colour each
// named node of the scene gets.
//
// These functions only turn bytes into records and back; loading the
// pictures and changing the scene is the caller's. Texts are kept as the
// file holds them: Shift-JIS (CP932) bytes, like the names in the scene.
//
// The file is cut into sections by "KATEGORIE n" lines: section 0 lists
// textures (a path line, then a line with aspect and scale), section 1
// assigns them (a node name line, then texture index and the colour bytes
// red, green, blue, alpha). Other sections are ignored. Empty lines and lines
// that begin with "#" are skipped where a path or a name is expected.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace korvex {

// Longest texture path and node name the file carries, in bytes.
inline constexpr std::size_t kTxiMaxPath = 259;
inline constexpr std::size_t kTxiMaxName = 63;

struct TxiTexture {
  // As written: absolute, relative to the current folder, or "%" followed by
  // a path below the program's "Texture" folder.
  std::string path;
  double aspect = 0.0;  // 0: the engine's default
  double scale = 0.0;   // 0: the engine's default
  friend bool operator==(const TxiTexture&, const TxiTexture&) = default;
};

struct TxiAssignment {
  std::string name;
  int32_t textureIndex = 0;  // 0: none; k: the k-th texture
  uint32_t colour = 0;       // red in the lowest byte, alpha in the highest
  friend bool operator==(const TxiAssignment&, const TxiAssignment&) = default;
};

// One pair of lines, in file order: a reader that fails to load a texture
// stops there, with the assignments before it already made.
using TxiEntry = std::variant<TxiTexture, TxiAssignment>;

// The pairs of a file. A texture whose values line is empty, and an
// assignment whose numbers line is empty or holds fewer than five integers,
// are left out; colour numbers outside 0..255 are held at its ends.
std::vector<TxiEntry> ParseTxi(std::string_view bytes);

// The whole file for the engine's textures and the scene's named nodes, in
// the layout the viewer has always written (Shift-JIS, Windows line ends).
// Assignments whose name is empty, begins with "#" or holds a line end are
// left out: the reader would skip that line and take every later line of
// the section for the wrong half of its pair.
std::string WriteTxi(const std::vector<TxiTexture>& textures, const std::vector<TxiAssignment>& assignments);

// A path of the file as a path to open: "%" paths below textureFolder, "\"
// read as a separator.
std::string ExpandTxiPath(std::string_view written, const std::filesystem::path& textureFolder);

// A texture's path as the file writes it: "%" and the rest when it lies in
// textureFolder (compared without regard to case), otherwise unchanged.
std::string TxiPathForFile(std::string_view path, const std::filesystem::path& textureFolder);

}  // namespace korvex
