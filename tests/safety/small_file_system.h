// Folders whose writes fail the way a user's disk can fail: a file system
// that is full, one mounted read-only, and a limit on the size of any file
// the process writes.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"

namespace safety_test {

using Folder = korvex_test::ScratchFolder;

// A memory file system of `bytes` mounted over a fresh folder, when the
// machine lets this process mount one (root, or the mount capability);
// Mounted() says whether it did.
class SmallFileSystem {
 public:
  explicit SmallFileSystem(std::size_t bytes) {
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    mounted_ = ::mount("tmpfs", folder_.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
  }
  ~SmallFileSystem() {
    if (mounted_) ::umount2(folder_.path().c_str(), MNT_DETACH);
  }
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;

  bool Mounted() const { return mounted_; }
  const std::filesystem::path& path() const { return folder_.path(); }

  // Fills what is left with a file of its own, so that the next byte any
  // file needs finds no room.
  void Fill() {
    std::FILE* filler = std::fopen((path() / "filler").c_str(), "wb");
    ASSERT_NE(filler, nullptr);
    std::vector<char> block(4096, 'f');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
    }
    std::fclose(filler);
  }
  // Mounts the file system again, read-only.
  bool MakeReadOnly() {
    return mounted_ && ::mount("tmpfs", path().c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
                               nullptr) == 0;
  }

 private:
  Folder folder_;
  bool mounted_ = false;
};

// While it lives, no file the process writes can grow beyond `bytes`: a
// write past it fails as a write to a full disk does, part way through.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the process
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  sighandler_t oldHandler_ = SIG_DFL;
};

}  // namespace safety_test
