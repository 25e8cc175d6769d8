#include "plugins/InkFile.h"

#include <cstring>

#include "common/file_util.h"
#include "model/InkNode.h"
#include "plugins/IsolatedImport.h"
#include "plugins/PluginTree.h"

namespace {

template <typename Fn>
Fn Resolve(const korvex::PluginLibrary& module, const char* name) {
  return reinterpret_cast<Fn>(module.Symbol(name));
}

// A format or comment buffer reads as an empty text unless the plug-in fills it.
void ClearText(char* buffer, int size) {
  if (buffer && size > 0) std::memset(buffer, 0, static_cast<size_t>(size < 4 ? size : 4));
}

bool UsablePath(const char* path) { return path && path[0] != '\0'; }

// Calls into a plug-in. An exception that leaves the plug-in is its failure,
// not the viewer's: the call answers as a missing entry point would.
template <typename Result, typename Call>
Result Guarded(Result failed, Call&& call) {
  try {
    return call();
  } catch (...) {
    return failed;
  }
}

// A format query: the plug-in's text and answer are passed on as they are.
// Only a call that threw leaves the text empty, since it may be half written.
template <typename Query>
int FormatText(Query query, char* buffer, int size) {
  bool answered = false;
  const int result = Guarded(0, [&] {
    const int answer = query(buffer, size);
    answered = true;
    return answer;
  });
  if (!answered) ClearText(buffer, size);
  return result;
}

}  // namespace

CInkFile::CInkFile() = default;

CInkFile::~CInkFile() {
  for (Entry& entry : table_) {
    if (entry.free) Guarded(0, [&] { return entry.free(), 0; });
    entry.module.Unload();
  }
}

void CInkFile::Load() { LoadFrom(korvex::ProgramFolder()); }

void CInkFile::LoadFrom(const std::filesystem::path& programFolder) {
  const auto files = korvex::ListPluginLibraries(programFolder, "FilePlugin");
  table_.clear();
  table_.resize(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    korvex::PluginLibrary module(files[i]);
    // Built against other layouts, or not against the SDK at all: the library
    // is unloaded before any entry point is called, as if it had not loaded.
    const auto version = Resolve<InkPluginAbiVersionFn>(module, KORVEX_PLUGIN_ABI_SYMBOL);
    if (version && version() == KORVEX_PLUGIN_ABI_VERSION) table_[i].module = std::move(module);
    table_[i].file = files[i];
  }

  for (Entry& entry : table_) {
    entry.create = Resolve<InkPluginCreateFn>(entry.module, "Create");
    // A plug-in that refuses (or cannot) start keeps only its module.
    if (!entry.create || Guarded(0, entry.create) == 0) continue;
    entry.free = Resolve<InkPluginFreeFn>(entry.module, "Free");
    entry.getComment = Resolve<InkPluginTextFn>(entry.module, "GetComment");
    entry.checkImport = Resolve<InkPluginCheckFn>(entry.module, "CheckImport");
    entry.checkExport = Resolve<InkPluginCheckFn>(entry.module, "CheckExport");
    entry.getImportableFormat = Resolve<InkPluginTextFn>(entry.module, "GetImportableFormat");
    entry.getExportableFormat = Resolve<InkPluginTextFn>(entry.module, "GetExportableFormat");
    entry.import = Resolve<InkPluginImportFn>(entry.module, "Import");
    entry.importInViewer = Resolve<InkPluginImportFn>(entry.module, "ImportInViewer");
    entry.exportScene = Resolve<InkPluginExportFn>(entry.module, "Export");
  }
}

CInkFile::Entry* CInkFile::At(int index) {
  if (index < 0 || static_cast<size_t>(index) >= table_.size()) return nullptr;
  return &table_[static_cast<size_t>(index)];
}

int CInkFile::GetComment(int index, char* buffer, int size) {
  ClearText(buffer, size);
  Entry* entry = At(index);
  if (!entry || !entry->getComment || !buffer) return 0;
  return Guarded(0, [&] { return entry->getComment(buffer, size); });
}

int CInkFile::CheckImport(int index) {
  Entry* entry = At(index);
  return entry && entry->checkImport ? Guarded(0, entry->checkImport) : 0;
}

int CInkFile::CheckExport(int index) {
  Entry* entry = At(index);
  return entry && entry->checkExport ? Guarded(0, entry->checkExport) : 0;
}

int CInkFile::GetImportableFormat(int index, char* buffer, int size) {
  ClearText(buffer, size);
  Entry* entry = At(index);
  if (!entry || !entry->getImportableFormat || !buffer) return 0;
  return FormatText(entry->getImportableFormat, buffer, size);
}

int CInkFile::GetExportableFormat(int index, char* buffer, int size) {
  ClearText(buffer, size);
  Entry* entry = At(index);
  if (!entry || !entry->getExportableFormat || !buffer) return 0;
  return FormatText(entry->getExportableFormat, buffer, size);
}

CInkNode* CInkFile::Import(int index, const char* path, InkSceneSettings* settings) {
  lastFailure_.clear();
  Entry* entry = At(index);
  if (!entry || !entry->import || !UsablePath(path)) return nullptr;
  CInkNode* tree = nullptr;
  const korvex::ImportIsolation& isolation = korvex::ImportIsolationSettings();
  // A file the plug-in reads with its own hostile-safe reader (plain OBJ, as
  // large districts come) needs no helper: handing two million triangles
  // back through a memory file would cost more than reading them.
  if (isolation.enabled && isolation.inViewerReaders && entry->importInViewer)
    tree = Guarded<CInkNode*>(nullptr, [&] { return entry->importInViewer(path, settings); });
  if (tree == nullptr && isolation.enabled) {
    InkSceneSettings scratch{};
    korvex::IsolatedImportResult result =
        korvex::RunIsolatedImport(entry->file, path, settings ? *settings : scratch, isolation);
    lastFailure_ = std::move(result.failure);
    tree = result.tree.release();
  } else if (tree == nullptr) {
    tree = Guarded<CInkNode*>(nullptr, [&] { return entry->import(path, settings); });
  }
  // A tree the scene cannot hold safely is a failed read.
  if (tree && !korvex::AcceptPluginTree(*tree)) {
    korvex::DiscardPluginTree(tree);
    // The user learns why, as for every other failed read.
    lastFailure_ = "読み込んだ場面の階層が壊れています";
    return nullptr;
  }
  return tree;
}

int CInkFile::Export(int index, const char* path, CInkNode* root, InkSceneSettings settings) {
  Entry* entry = At(index);
  if (!entry || !entry->exportScene || !UsablePath(path)) return 0;
  return Guarded(0, [&] { return entry->exportScene(path, root, settings); });
}

int CInkFile::GetCount() const { return static_cast<int>(table_.size()); }
