// Whole-file reads and single-buffer writes. Programs read each input at
// once and build each output in memory, so file access stays in the drivers.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace kiv {

// Reads the whole file; false when it cannot be opened or read.
bool ReadWholeFile(const char* path, std::string& contents);

// An output file that is opened (created or truncated) on construction and
// closed by Close or on destruction. Writes go straight to the stream's buffer.
// A file whose writing failed (a full disk, a size limit) is left empty, never
// half-written: a cut-off record or line could otherwise read as a whole one.
class OutputFile {
 public:
  OutputFile(const char* path, const char* mode);
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
  bool failed_ = false;
};

}  // namespace kiv
