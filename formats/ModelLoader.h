// Choosing the reader of a model file and loading it into the scene, the way
// the viewer loads the model named on its command line.
//
// A file's format is known by its pattern: "*" and the lower-cased extension
// of its name. "*.k3d" is the scene exchange file, read by the viewer
// itself; any other pattern goes to the first file plug-in that reads files
// and whose filter text "description|pattern|" carries the same pattern.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "formats/K3dReader.h"

class CInkSolid;
class SceneFileHost;

namespace korvex {

// The pattern of the scene exchange file.
inline constexpr std::string_view kK3dPattern = "*.k3d";
// Pattern of a file name without an extension, at start-up and on reload.
inline constexpr std::string_view kStartupDefaultPattern = "*.st";

// "*" and the file name's extension from its last ".", lower-cased (ASCII
// letters only, so Shift-JIS bytes stay as they are); defaultPattern when
// the file name has no ".". Only the file name counts: a "." in a folder
// name is no extension. "\" separates folders as well as "/".
std::string FilePattern(std::string_view path, std::string_view defaultPattern);

// The second "|"-separated field of a filter text; empty when there is none.
std::string_view FilterPattern(std::string_view filter);

// Index of the first file plug-in of the scene that reads files and whose
// pattern equals pattern byte for byte; -1 when none does.
int FindImportFormat(CInkSolid& scene, std::string_view pattern);
// The same over a file plug-in host of its own (a dropped file's host).
int FindImportFormat(SceneFileHost& host, std::string_view pattern);
// Index of the first file plug-in of the scene that writes files and whose
// pattern equals pattern byte for byte; -1 when none does.
int FindExportFormat(CInkSolid& scene, std::string_view pattern);

enum class ModelLoadResult {
  kLoaded,    // the scene now holds the model
  kNoReader,  // neither the scene exchange reader nor a plug-in takes the pattern; scene unchanged
  kMissing,   // no such file; scene unchanged
  kPathTooLong,  // longer than the formats hold a path (kMaxPath); scene unchanged
  kFailed,    // the reader or plug-in could not read it (a plug-in leaves the scene unchanged)
};

// Loads path into the scene as the viewer's start-up load does: a scene
// exchange file empties the scene and is read into it (view receives the far
// plane and zone count); any other file is imported through its plug-in.
// After a load, view also counts the model's faces too tangled to draw.
ModelLoadResult LoadModel(CInkSolid& scene, std::string_view path, K3dViewState& view,
                          std::string_view defaultPattern = kStartupDefaultPattern);

// Why a load did not give a model, for command-line messages; a failed
// plug-in import adds its reason (a crash, a time or memory limit).
std::string LoadFailureText(ModelLoadResult result, const CInkSolid& scene);

// What a load that succeeded left out, for command-line warnings, in English
// and one line per cause (none when the whole model came): solids of a scene
// exchange file too large to build or too costly to cut, faces too tangled
// to draw.
std::vector<std::string> LoadWarningTexts(const K3dViewState& view);

}  // namespace korvex
