// Starts a scene root with the plug-ins of the program: the file plug-ins of
// "FilePlugin" and the extension plug-ins of "ExtPlugin" beside it.
#pragma once

#include <filesystem>

class CInkSolid;
class COctTreeBoxel;

namespace korvex {

// With the plug-in folders beside the running program.
void InitializeWithPlugins(CInkSolid& scene);
// With the plug-in folders taken from programFolder.
void InitializeWithPlugins(CInkSolid& scene, const std::filesystem::path& programFolder);

// Writes the octree's triangles and leaf boxes (COctTreeBoxel::AddDumpNodes)
// as a scene of its own through file plug-in 0 of programFolder, for looking
// at the tree in another viewer. Returns what the plug-in returns (0 when
// there is none).
int DumpOctTreeToFile(COctTreeBoxel& tree, const char* path, const std::filesystem::path& programFolder);
// The same with the plug-ins beside the running program.
int DumpOctTreeToFile(COctTreeBoxel& tree, const char* path);

}  // namespace korvex
