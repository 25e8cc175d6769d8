#include "view/CompanionFiles.h"

#include <iterator>
#include <optional>
#include <variant>
#include <vector>

#include "common/atomic_file.h"
#include "common/encoding.h"
#include "common/file_util.h"
#include "common/user_interface.h"
#include "formats/BilFile.h"
#include "formats/TxiFile.h"
#include "model/InkNode.h"
#include "render/Stereon.h"
#include "view/ViewTexts.h"

namespace korvex {

namespace {

std::optional<std::string> ReadBytes(const std::string& path) {
  // Only a plain file of a sensible size: a folder, a pipe or a device of
  // that name is no companion.
  return ReadRegularFile(path, kTextCompanionLimit);
}

std::string NodeName(const CInkNode& node) {
  char name[64] = {};
  node.GetName(name, sizeof name);
  return name;
}

void Assign(CInkNode& node, const TxiAssignment& assignment) {
  if (NodeName(node) == assignment.name) {
    InkAttributes* attributes = node.GetAttributeRecord();
    attributes->textureSlot = assignment.textureIndex;
    attributes->colour = assignment.colour;
  }
  for (int i = 0; i < node.GetCount(); ++i)
    if (CInkNode* child = node.GetChild(i)) Assign(*child, assignment);
}

// Depth-first, a node before its children.
void GatherAssignments(CInkNode& node, std::vector<TxiAssignment>& out) {
  for (int i = 0; i < node.GetCount(); ++i) {
    CInkNode* child = node.GetChild(i);
    if (child == nullptr) continue;
    const InkAttributes* attributes = child->GetAttributeRecord();
    out.push_back({NodeName(*child), attributes->textureSlot, attributes->colour});
    GatherAssignments(*child, out);
  }
}

}  // namespace

std::filesystem::path CompanionFolder(const std::filesystem::path& programFolder, std::string_view name) {
  const std::filesystem::path base = programFolder.empty() ? ProgramFolder() : programFolder;
  if (base.empty()) return {};
  return base / name;
}

CompanionFiles::CompanionFiles(UserInterface& ui, std::filesystem::path programFolder)
    : ui_(ui), programFolder_(std::move(programFolder)) {}

bool CompanionFiles::ReadBillboards(CStereon& engine, const std::string& path) {
  billboardPath_.clear();
  const std::filesystem::path folder = CompanionFolder(programFolder_, kBillboardFolderName);
  if (folder.empty()) return false;
  engine.DeleteAllBillboards();
  const std::optional<std::string> bytes = ReadBytes(path);
  if (!bytes) return false;
  for (const BilPlacement& placement : ParseBil(*bytes)) {
    const std::string picture = BilPicturePath(folder, Cp932ToUtf8(placement.name));
    if (engine.AddBillboard(placement.position.x, placement.position.y, placement.position.z, picture.c_str(),
                            placement.width, placement.height) != 0)
      return false;
  }
  billboardPath_ = path;
  return true;
}

bool CompanionFiles::ReadTextureAssignment(CStereon& engine, CInkNode& root, const std::string& path) {
  engine.DeleteTexture(-1);
  const std::filesystem::path folder = CompanionFolder(programFolder_, kTextureFolderName);
  if (folder.empty()) return false;
  const std::optional<std::string> bytes = ReadBytes(path);
  if (!bytes) {
    ui_.ShowMessage(text::kTxiOpenFailed, text::kErrorCaption, MessageIcon::Warning);
    return false;
  }
  for (const TxiEntry& entry : ParseTxi(*bytes)) {
    if (const auto* texture = std::get_if<TxiTexture>(&entry)) {
      const std::string file = ExpandTxiPath(Cp932ToUtf8(texture->path), folder);
      if (engine.AddTexture(file.c_str(), texture->aspect, texture->scale) < 0) {
        ui_.ShowMessage(text::kTxiReadFailed, text::kErrorCaption, MessageIcon::Warning);
        return false;
      }
    } else {
      Assign(root, std::get<TxiAssignment>(entry));
    }
  }
  return true;
}

bool CompanionFiles::LoadBackgroundImage(CStereon& engine, const std::string& path) {
  return engine.LoadBackTexture(path.c_str());
}

bool WriteTextureAssignment(CStereon& engine, CInkNode& root, const std::filesystem::path& path,
                            const std::filesystem::path& textureFolder) {
  std::vector<TxiTexture> textures;
  for (int i = 0; i < engine.GetTextureCount(); ++i) {
    char name[kMaxPath] = {};
    engine.GetTextureName(i, name, sizeof name);
    TxiTexture texture;
    texture.path = Utf8ToCp932(TxiPathForFile(name, textureFolder));
    engine.GetTextureScale(i, &texture.aspect, &texture.scale);
    textures.push_back(std::move(texture));
  }
  std::vector<TxiAssignment> assignments;
  GatherAssignments(root, assignments);
  const std::string bytes = WriteTxi(textures, assignments);
  return ReplaceFileContents(path, std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace korvex
