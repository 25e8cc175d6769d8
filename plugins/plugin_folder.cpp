#include "plugins/plugin_folder.h"

#include <dlfcn.h>

#include <algorithm>
#include <system_error>

namespace korvex {

std::vector<std::filesystem::path> ListPluginLibraries(const std::filesystem::path& programFolder,
                                                        const std::string& subfolder) {
  std::vector<std::filesystem::path> files;
  if (programFolder.empty()) return files;
  std::error_code ec;
  std::filesystem::directory_iterator it(programFolder / subfolder, ec);
  if (ec) return files;
  for (const auto& entry : it) {
    const std::filesystem::path& path = entry.path();
    if (path.extension() != ".so") continue;
    std::error_code typeError;
    if (entry.is_directory(typeError)) continue;
    files.push_back(path);
  }
  std::sort(files.begin(), files.end(),
            [](const auto& a, const auto& b) { return a.filename().string() < b.filename().string(); });
  return files;
}

PluginLibrary::PluginLibrary(const std::filesystem::path& path)
    : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}

PluginLibrary::PluginLibrary(PluginLibrary&& other) noexcept : handle_(other.handle_) {
  other.handle_ = nullptr;
}

PluginLibrary& PluginLibrary::operator=(PluginLibrary&& other) noexcept {
  if (this != &other) {
    Unload();
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

PluginLibrary::~PluginLibrary() { Unload(); }

void* PluginLibrary::Symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

void PluginLibrary::Unload() {
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
}

}  // namespace korvex
