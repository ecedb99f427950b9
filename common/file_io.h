// Whole-file reads and single-buffer writes. Programs read each input at
// once and build each output in memory, so file access stays in the drivers.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace kiv {

// Reads the whole file; false when it cannot be opened or read.
bool ReadWholeFile(const char* path, std::string& contents);

// An output file that is opened (created or truncated) on construction and
// closed on destruction. Writes go straight to the stream's buffer.
class OutputFile {
 public:
  OutputFile(const char* path, const char* mode);
  bool is_open() const { return file_ != nullptr; }
  // False when the bytes could not all be written.
  bool Write(std::string_view bytes);
  // Flushes and closes; false when a write or the close failed.
  bool Close();

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> owner_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

}  // namespace kiv
