// Discovery of plug-in libraries in a folder beside the program.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace korvex {

// The "*.so" files of programFolder/subfolder, in the byte order of their
// names (directory order on Linux is arbitrary, so it cannot be the order).
// Folders whose names end in ".so" are not libraries and are left out.
// A missing folder gives no files.
std::vector<std::filesystem::path> ListPluginLibraries(const std::filesystem::path& programFolder,
                                                        const std::string& subfolder);

// A loaded shared library, unloaded when the handle goes away.
class PluginLibrary {
 public:
  PluginLibrary() = default;
  explicit PluginLibrary(const std::filesystem::path& path);  // dlopen(RTLD_NOW | RTLD_LOCAL)
  PluginLibrary(PluginLibrary&& other) noexcept;
  PluginLibrary& operator=(PluginLibrary&& other) noexcept;
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;
  ~PluginLibrary();

  bool Loaded() const { return handle_ != nullptr; }
  // The address of an exported symbol, null when missing or not loaded.
  void* Symbol(const char* name) const;
  void Unload();

 private:
  void* handle_ = nullptr;
};

}  // namespace korvex
