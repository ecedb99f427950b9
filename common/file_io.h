// Whole-file reads and single-buffer writes. Programs read each input at
// once and build each output in memory, so file access stays in the drivers.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "common/large_block.h"
#include "common/replace_file.h"

namespace kiv {

// A whole input file in memory, in a LargeBlock of its own. A file of 2 MiB
// or more is read into fresh mapped memory that the program never clears
// (the system hands over each page zeroed as it is first written) and that
// lies on huge pages from end to end where the system gives them. A smaller
// file's block comes from the heap and is cleared first, as every small
// LargeBlock is; at that size the clearing costs next to nothing.
class FileBuffer {
 public:
  char* data() { return static_cast<char*>(block_.data()); }
  size_t size() const { return size_; }
  std::string_view view() const { return {static_cast<const char*>(block_.data()), size_}; }
  // Keeps the first `size` bytes (at most size()), as after rewriting the
  // contents in place into fewer bytes.
  void Truncate(size_t size) { size_ = size < size_ ? size : size_; }

 private:
  friend bool ReadWholeFile(const char* path, FileBuffer& contents);
  LargeBlock block_;
  size_t size_ = 0;
};

// Reads the whole file; false when it cannot be opened or read.
bool ReadWholeFile(const char* path, FileBuffer& contents);

// An output file that is opened (created or truncated) on construction and
// closed by Close or on destruction. Writes go straight to the stream's buffer.
// A file whose writing failed (a full disk, a size limit) is left empty, never
// half-written: a cut-off record or line could otherwise read as a whole one.
class OutputFile {
 public:
  // With OldOutput::kWriteOver, a file of the run before is written over in
  // place and cut to length by Close; a run stopped before Close (killed)
  // may then leave the old file's tail after the new bytes.
  OutputFile(const char* path, const char* mode, OldOutput old = OldOutput::kReplace);
  ~OutputFile() { Close(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool is_open() const { return file_ != nullptr; }
  // False when the bytes could not all be written.
  bool Write(std::string_view bytes);
  // Flushes and closes; false when a write, the flush or the close failed,
  // and then the file has been emptied again.
  bool Close();

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
  bool written_over_ = false;  // to be cut to length on closing
  bool failed_ = false;
};

}  // namespace kiv
