// Conversion between Assimp's scenes and Korvex scene trees, for the file
// plug-ins of the everyday exchange formats (OBJ, glTF, IFC, Collada, ...).
#pragma once

#include <memory>
#include <string_view>

#include "model/InkNode.h"
#include "model/SceneSettings.h"

struct aiScene;

namespace korvex::assimp {

// Imported meshes draw an edge between two faces only where they meet at
// this angle (radians) or more: 30°, the folds of a building, not the facets
// of a tessellated curve.
inline constexpr double kImportCreaseAngle = 30.0 * 3.14159265358979323846 / 180.0;

// Whether two faces with these normals meet at the crease angle or more, as
// FinaliseMeshEdges decides it with that threshold: more than the tolerance
// beyond it.
bool FoldedAtCrease(const GMVector& u, const GMVector& v);

// One format as a plug-in offers it.
struct FormatInfo {
  const char* extension;    // lower case, without the dot
  const char* description;  // shown in the file dialogs
  const char* exportId;     // Assimp's exporter, null when the format is read only
  bool yUp;                 // Assimp hands (and takes) this format with Y up
  // Assimp's glTF reader repeats the camera node's translation in the
  // camera's position and gives the vertical angle times the aspect ratio as
  // the horizontal angle; the other readers give a position relative to the
  // node and the whole horizontal angle.
  bool gltfCamera = false;
};

// The format of the given extension; null when no plug-in offers it.
const FormatInfo* FindFormat(std::string_view extension);

// The tree of an Assimp scene: one node per Assimp node (named after it, in
// Shift-JIS), one mesh figure per Assimp mesh with welded vertices and the
// edge table finalised to the model's feature edges (kImportCreaseAngle). Meshes of a node whose
// material colour differs from the node's first one go to child nodes of
// their own, since a node has one colour. Y-up scenes are turned to Z-up.
// The settings block receives the first camera and a far clipping distance
// that covers the model. Null when the scene has no face to show.
std::unique_ptr<CInkNode> ConvertScene(const aiScene& scene, const FormatInfo& format, InkSceneSettings& settings);

// Reads a file with Assimp, asking only for what the conversion needs.
std::unique_ptr<CInkNode> ImportFile(const char* path, const FormatInfo& format, InkSceneSettings& settings);
// The same scene, but only for a plain OBJ file that the lean reader takes
// whole; null for anything else, without Assimp ever seeing the file.
std::unique_ptr<CInkNode> ImportPlainObj(const char* path, const FormatInfo& format, InkSceneSettings& settings);

// Writes the tree under root (its world placement, colours as materials)
// through Assimp's exporter; all files appear at once or not at all.
bool ExportFile(const char* path, const FormatInfo& format, CInkNode& root);

}  // namespace korvex::assimp
