// The real readers of the files that travel beside a model: billboard
// placements (".bil"), texture assignments (".txi") and the background
// image, and the writer of texture assignments.
//
// Pictures lie in folders beside the program: textures in "Texture",
// billboards in "BillboardTex".
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "view/SceneCompanions.h"

namespace korvex {

class UserInterface;

inline constexpr std::string_view kTextureFolderName = "Texture";
inline constexpr std::string_view kBillboardFolderName = "BillboardTex";

// `name` beside the program: beside programFolder when that is given, beside
// the running executable otherwise; empty when neither is known.
std::filesystem::path CompanionFolder(const std::filesystem::path& programFolder, std::string_view name);

class CompanionFiles final : public SceneCompanions {
 public:
  // Messages go to ui; programFolder as for CompanionFolder.
  explicit CompanionFiles(UserInterface& ui, std::filesystem::path programFolder = {});

  // Replaces every billboard of the engine by those of the file; stops at
  // the first picture the engine cannot place. The billboards placed before
  // a failure stay. Silent: the command shows its own message.
  bool ReadBillboards(CStereon& engine, const std::string& path) override;
  // Replaces the engine's textures by those of the file and gives every
  // node of an assigned name its texture and colour. Tells the user when the
  // file cannot be opened or a texture not loaded; the reading stops there.
  bool ReadTextureAssignment(CStereon& engine, CInkNode& root, const std::string& path) override;
  bool LoadBackgroundImage(CStereon& engine, const std::string& path) override;

  // The last billboard file read in full; empty after a failed read.
  const std::string& BillboardPath() const { return billboardPath_; }

 private:
  UserInterface& ui_;
  std::filesystem::path programFolder_;
  std::string billboardPath_;
};

// Writes the engine's textures and the texture and colour of every node
// below root (not root itself) as a texture assignment file, replacing
// `path` only once the whole file is written. False when it could not be
// written; the old file is then untouched.
bool WriteTextureAssignment(CStereon& engine, CInkNode& root, const std::filesystem::path& path,
                            const std::filesystem::path& textureFolder);

}  // namespace korvex
