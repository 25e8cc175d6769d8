// Imports through a file plug-in in a short-lived helper process.
//
// A parser that overflows its stack, spins for ever or allocates without end
// cannot be stopped inside the viewer, so a plug-in's Import runs in
// "korvex-import" beside the program, under limits on time, address space
// and stack. The helper hands the scene back as ".ink" bytes in a memory
// file, and the viewer reads them with the same reader as an ".ink" file
// from anyone: the plug-in's tree never crosses into the viewer's memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "model/SceneSettings.h"

class CInkNode;

namespace korvex {

struct ImportLimits {
  int seconds = 60;             // wall-clock time of one import
  uint64_t addressSpace = 0;    // bytes; 0 takes DefaultImportAddressSpace()
  uint64_t stack = 64ull << 20; // bytes of the helper's main stack
};

// What the viewer does with plug-in imports, for the whole process. On by
// default; tests of in-process plug-in behaviour turn it off.
struct ImportIsolation {
  bool enabled = true;
  // Whether a plug-in's ImportInViewer may read the files it declares safe
  // in the viewer itself; off sends every import to the helper.
  bool inViewerReaders = true;
  ImportLimits limits;
  // The helper program; empty takes "korvex-import" beside the program.
  std::filesystem::path helper;
};
ImportIsolation& ImportIsolationSettings();

// Half of physical memory, at least 512 MiB: enough for the largest sites,
// and still leaves the viewer room while a runaway import grows.
uint64_t DefaultImportAddressSpace();

struct IsolatedImportResult {
  std::unique_ptr<CInkNode> tree;  // null on failure
  std::string failure;             // why, in the user's words (UTF-8); empty on success
};

// Runs the plug-in library's Import on path in the helper. settings goes in
// as the plug-in's block and is rewritten only on success.
IsolatedImportResult RunIsolatedImport(const std::filesystem::path& plugin, const char* path,
                                       InkSceneSettings& settings, const ImportIsolation& isolation);

// The helper's exit codes besides 0 (a scene in the memory file).
enum HelperExit : int {
  kHelperUsage = 64,
  kHelperNoScene = 65,        // the plug-in returned no tree
  kHelperOutOfMemory = 66,    // an allocation failed
  kHelperNotLoadable = 67,    // the plug-in library would not load or start
  kHelperNotWritable = 68,    // the tree cannot travel as ".ink"
};

}  // namespace korvex
