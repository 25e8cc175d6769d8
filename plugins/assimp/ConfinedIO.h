// What a model read through Assimp may open besides itself.
//
// Models arrive by mail from anyone, and the files they name (an OBJ's
// material library, a glTF buffer or image) must not reach the rest of the
// user's disk: a buffer URI of "/home/..." or "../../" would read any local
// file into the geometry. Assimp opens every file through its IO system, so
// this one opens only regular files inside the model's own folder tree.
#pragma once

#include <assimp/DefaultIOSystem.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace korvex::assimp {

class ConfinedIOSystem : public Assimp::DefaultIOSystem {
 public:
  // The model's folder tree, as named and as resolved through links.
  explicit ConfinedIOSystem(const char* modelPath);

  bool Exists(const char* file) const override;
  Assimp::IOStream* Open(const char* file, const char* mode = "rb") override;

  // The file opened for reading, or null: a name with a URI scheme, a file
  // outside the model's folder tree (after links), anything but a regular
  // file, or a material library past the text-companion limit.
  std::FILE* OpenConfined(const char* file) const;

 private:
  std::filesystem::path model_;
  std::vector<std::filesystem::path> folders_;
};

}  // namespace korvex::assimp
