// Replacing a file all at once.
//
// Pictures, the eye file and other outputs are written to a temporary file in
// the target's folder, flushed to the disk and only then renamed over the
// target. A write that fails half-way (disk full, file size limit, a folder
// that cannot be written) leaves the previous file as it was and no
// temporary file behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace korvex {

class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
  // Removes the temporary file unless Commit succeeded.
  ~AtomicFileWriter();

  // Creates the temporary file beside `target`. False when the folder cannot
  // take a new file (missing, not writable, path too long).
  bool Open(const std::string& target);
  // Appends bytes; false once any write has failed (later calls do nothing).
  bool Write(std::span<const uint8_t> bytes);
  bool WriteZeros(std::size_t count);
  // Flushes the data to the disk, closes the temporary file and renames it
  // over the target. False when any write, the flush, the close or the rename
  // failed; the target is then untouched.
  bool Commit();
  // Drops the temporary file; the target is untouched.
  void Abandon();

 private:
  bool Flush();

  int fd_ = -1;
  bool failed_ = false;
  std::string target_;
  std::string temporary_;
  // Bytes gathered before they go to the file in larger writes.
  std::string buffer_;
};

}  // namespace korvex
