// korvex-import: runs one file plug-in's Import for the viewer, in a process
// of its own, and hands the scene back as ".ink" bytes.
//
//   korvex-import PLUGIN MODEL   (settings block on fd 0, scene on fd 1)
//
// The viewer starts it with limits on time, address space and stack; a
// crash, a hang or a runaway allocation ends this process, never the viewer.
// Exit codes are those of plugins/IsolatedImport.h.
#include <signal.h>
#include <unistd.h>

#include <cstdint>
#include <new>
#include <vector>

#include "model/InkNode.h"
#include "plugins/IsolatedImport.h"
#include "plugins/ink/InkFormat.h"
#include "plugins/plugin_folder.h"
#include "plugins/sdk/KorvexPlugin.h"

namespace {

bool g_outOfMemory = false;

void OnOutOfMemory() {
  g_outOfMemory = true;
  throw std::bad_alloc();
}

bool ReadAll(int fd, void* data, size_t size) {
  auto* bytes = static_cast<uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::read(fd, bytes, size);
    if (n <= 0) return false;
    bytes += n;
    size -= size_t(n);
  }
  return true;
}

bool WriteAll(int fd, const uint8_t* bytes, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n <= 0) return false;
    bytes += n;
    size -= size_t(n);
  }
  return true;
}

int Run(const char* pluginPath, const char* modelPath) {
  InkSceneSettings settings{};
  if (!ReadAll(0, &settings, sizeof settings)) return korvex::kHelperUsage;

  korvex::PluginLibrary plugin{std::filesystem::path(pluginPath)};
  const auto version = reinterpret_cast<InkPluginAbiVersionFn>(plugin.Symbol(KORVEX_PLUGIN_ABI_SYMBOL));
  const auto create = reinterpret_cast<InkPluginCreateFn>(plugin.Symbol("Create"));
  const auto import = reinterpret_cast<InkPluginImportFn>(plugin.Symbol("Import"));
  if (!version || version() != KORVEX_PLUGIN_ABI_VERSION || !create || !import || create() == 0)
    return korvex::kHelperNotLoadable;

  CInkNode* tree = nullptr;
  try {
    tree = import(modelPath, &settings);
  } catch (const std::bad_alloc&) {
    return korvex::kHelperOutOfMemory;
  } catch (...) {
    return korvex::kHelperNoScene;
  }
  // A plug-in that swallowed the failed allocation still ran out of memory.
  if (!tree) return g_outOfMemory ? korvex::kHelperOutOfMemory : korvex::kHelperNoScene;

  std::vector<uint8_t> bytes;
  if (!korvex::ink::WriteScene(*tree, settings, bytes)) return korvex::kHelperNotWritable;
  // A scene beyond the file-size limit fails the write instead of killing us.
  ::signal(SIGXFSZ, SIG_IGN);
  if (!WriteAll(1, bytes.data(), bytes.size())) return korvex::kHelperOutOfMemory;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return korvex::kHelperUsage;
  std::set_new_handler(OnOutOfMemory);
  int code;
  try {
    code = Run(argv[1], argv[2]);
  } catch (const std::bad_alloc&) {
    code = korvex::kHelperOutOfMemory;
  }
  // The tree, the plug-in and Assimp are not taken down piece by piece: the
  // process ends, and with it all it holds, at once.
  ::_exit(code);
}
