// The file dialogs change the process's current folder; every file command
// leaves it as it found it.
#pragma once

#include <filesystem>
#include <system_error>

namespace korvex {

class CurrentFolderGuard {
 public:
  CurrentFolderGuard() : folder_(std::filesystem::current_path(error_)) {}
  ~CurrentFolderGuard() {
    if (!error_) std::filesystem::current_path(folder_, error_);
  }
  CurrentFolderGuard(const CurrentFolderGuard&) = delete;
  CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;
  const std::filesystem::path& Folder() const { return folder_; }

 private:
  std::error_code error_;
  std::filesystem::path folder_;
};

}  // namespace korvex
