// The files that travel beside a model and the pictures the engine shows
// besides the scene: billboard placements (".bil"), texture assignments
// (".txi") and the background image.
//
// Their readers and the engine's texture and billboard support arrive
// later. Until then the view calls this seam, whose default reads nothing
// and reports failure; the loading sequences around it are complete, so
// plugging the readers in changes nothing else.
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
