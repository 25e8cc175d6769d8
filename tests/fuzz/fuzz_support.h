// What the harnesses share: a private scratch folder for the readers that
// take only a path, and the way a harness reports a broken promise.
#pragma once

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace korvex_fuzz {

// One scratch folder for the life of the harness process, removed at its
// end; every input overwrites the same few files in it.
inline const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path folder = [] {
    // Memory-backed where the machine has it: the harness writes a file per input.
    std::string name = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/kxfuzz-XXXXXX" : "/tmp/kxfuzz-XXXXXX";
    const char* made = ::mkdtemp(name.data());
    if (made == nullptr) std::abort();
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(ScratchFolder(), ec);
    });
    return std::filesystem::path(made);
  }();
  return folder;
}

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
