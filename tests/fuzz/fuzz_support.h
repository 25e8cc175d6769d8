// What the harnesses share: a scratch folder for the readers that take only
// a path, and the way a harness reports a broken promise.
#pragma once

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace korvex_fuzz {

// A fresh scratch folder for one input, removed with its files when the
// input is done, so that no run leaves anything behind.
class Scratch {
 public:
  Scratch() {
    // Memory-backed where the machine has it: a harness makes one per input.
    std::string name = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/kxfuzz-XXXXXX" : "/tmp/kxfuzz-XXXXXX";
    if (::mkdtemp(name.data()) == nullptr) std::abort();
    path_ = name;
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Writes the bytes as a file of their own; the harness aborts when it cannot,
// since every later input would test nothing.
inline void WriteFile(const std::filesystem::path& path, const uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  if (std::fclose(file) != 0) std::abort();
}

// A promise of the reader that the input broke: crash loudly, so that
// libFuzzer keeps the input.
inline void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace korvex_fuzz
