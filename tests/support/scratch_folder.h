// A fresh folder under /tmp, removed with everything in it: one per test
// case, or one per benchmark program (ProgramScratchFolder). The name is
// unique and short, so that runs at the same time never share files and
// socket names inside it still fit.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace korvex_test {

class ScratchFolder {
 public:
  ScratchFolder() {
    char name[] = "/tmp/kx-XXXXXX";
    // Without a folder of its own the caller must not go on: falling back on
    // a shared folder would let the destructor empty it.
    if (::mkdtemp(name) == nullptr) throw std::runtime_error(std::string("cannot make a scratch folder in /tmp"));
    path_ = name;
  }
  ~ScratchFolder() {
    std::error_code ec;
    // A test may have taken the write permission away.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// One folder for the whole program, made on first use and removed when the
// program ends: benchmarks write their generated models there once.
inline const std::filesystem::path& ProgramScratchFolder() {
  static const ScratchFolder folder;
  return folder.path();
}

}  // namespace korvex_test
