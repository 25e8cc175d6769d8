// The files that travel beside a model and the pictures the engine shows
// besides the scene: billboard placements (".bil"), texture assignments
// (".txi") and the background image.
//
// The view reads them through this seam. Its own readers are CompanionFiles
// (view/CompanionFiles.h), used unless the view is handed another
// implementation; this base reads nothing and reports failure, for a view
// that must leave companion files alone.
#pragma once

#include <string>

class CInkNode;
class CStereon;

namespace korvex {

class SceneCompanions {
 public:
  virtual ~SceneCompanions() = default;
  // Places the billboards of a ".bil" file in the engine. True when read.
  virtual bool ReadBillboards(CStereon& /*engine*/, const std::string& /*path*/) { return false; }
  // Loads the textures of a ".txi" file into the engine and assigns them
  // and their colours to the nodes under root by name. True when read.
  virtual bool ReadTextureAssignment(CStereon& /*engine*/, CInkNode& /*root*/, const std::string& /*path*/) {
    return false;
  }
  // Hands a 24-bit BMP to the engine as the background image.
  virtual bool LoadBackgroundImage(CStereon& /*engine*/, const std::string& /*path*/) { return false; }
};

}  // namespace korvex
