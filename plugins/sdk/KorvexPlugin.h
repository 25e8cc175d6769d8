// The Korvex plug-in SDK: the one header a file or extension plug-in includes.
//
// It brings the scene classes a plug-in builds and walks (CInkNode with its
// figures and properties), the scene settings block, and the declarations of
// the entry points the viewer looks up by name. A plug-in defines the entry
// points it offers with KORVEX_PLUGIN_EXPORT and states, once, which layouts
// it was built against with KORVEX_PLUGIN_DEFINE_ABI_VERSION().
//
// The viewer refuses a file plug-in whose ABI version is missing or differs
// from its own, exactly as if the library had failed to load: the plug-in
// keeps its index and answers nothing. A plug-in built against other class or
// record layouts can therefore never reach the scene.
#pragma once

#include <cstdint>

#include "geometry/gm_mesh.h"
#include "geometry/gm_types.h"
#include "model/InkFigAdmin.h"
#include "model/InkNode.h"
#include "model/InkProperty.h"
#include "model/SceneSettings.h"

// Raised whenever a layout shared with plug-ins changes: the settings block,
// the attribute, figure, vertex or mesh records, the virtual slots of the
// scene classes, or the entry points below.
#define KORVEX_PLUGIN_ABI_VERSION 1

#define KORVEX_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

// The name of the exported function that answers the plug-in's ABI version.
#define KORVEX_PLUGIN_ABI_SYMBOL "KorvexPluginAbiVersion"

// Put this in exactly one source file of a plug-in.
#define KORVEX_PLUGIN_DEFINE_ABI_VERSION() \
  KORVEX_PLUGIN_EXPORT int32_t KorvexPluginAbiVersion() { return KORVEX_PLUGIN_ABI_VERSION; }

// The entry points, as the hosts call them. Every one is optional except
// Create (file plug-ins) and DeleteRootNode (extension plug-ins); a missing
// one is never called and counts as answering 0 or null.
extern "C" {
// --- file plug-ins ("FilePlugin" beside the program) ---
// Called once after loading; 0 refuses the plug-in, and nothing else of it
// is then called. May be called again in the same process after Free, by a
// second host.
using InkPluginCreateFn = int (*)();
// Called once when the host goes, before the library is unloaded.
using InkPluginFreeFn = void (*)();
// GetComment, GetImportableFormat, GetExportableFormat: fill at most size
// bytes of buffer (terminator included). The formats are file-dialog filter
// texts "description|*.ext|" with the lower-case extension, in Shift-JIS.
using InkPluginTextFn = int (*)(char* buffer, int size);
// CheckImport, CheckExport: non-zero when the plug-in reads / writes files.
using InkPluginCheckFn = int (*)();
// A new tree (a CInkNode made with new and Create) whose children and
// properties become the scene, or null. The settings block may be rewritten,
// typically the camera and the far clipping distance.
using InkPluginImportFn = CInkNode* (*)(const char* path, InkSceneSettings* settings);
// Writes the tree under root; the block is the plug-in's own copy. The
// result goes back to the viewer unchanged (non-zero for success).
using InkPluginExportFn = int (*)(const char* path, CInkNode* root, InkSceneSettings settings);
// The version check, exported by KORVEX_PLUGIN_DEFINE_ABI_VERSION().
using InkPluginAbiVersionFn = int32_t (*)();

// --- extension plug-ins ("ExtPlugin" beside the program) ---
// Called while the tree under root is still intact, just before it goes;
// keep no pointer into it afterwards.
using InkPluginDeleteRootFn = void (*)(CInkNode* root);
}

// The same entry points as declarations, so that a plug-in's definitions are
// checked against them by the compiler.
KORVEX_PLUGIN_EXPORT int Create();
KORVEX_PLUGIN_EXPORT void Free();
KORVEX_PLUGIN_EXPORT int GetComment(char* buffer, int size);
KORVEX_PLUGIN_EXPORT int CheckImport();
KORVEX_PLUGIN_EXPORT int CheckExport();
KORVEX_PLUGIN_EXPORT int GetImportableFormat(char* buffer, int size);
KORVEX_PLUGIN_EXPORT int GetExportableFormat(char* buffer, int size);
KORVEX_PLUGIN_EXPORT CInkNode* Import(const char* path, InkSceneSettings* settings);
// Optional, of the same form as Import: reads in the viewer's own process
// the files the plug-in reads with code that is safe against any input (its
// own checked, fuzzed reader), and returns null for every other file, which
// then goes to Import in the helper process.
KORVEX_PLUGIN_EXPORT CInkNode* ImportInViewer(const char* path, InkSceneSettings* settings);
KORVEX_PLUGIN_EXPORT int Export(const char* path, CInkNode* root, InkSceneSettings settings);
KORVEX_PLUGIN_EXPORT int32_t KorvexPluginAbiVersion();
KORVEX_PLUGIN_EXPORT void DeleteRootNode(CInkNode* root);
