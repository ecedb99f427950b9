#include "common/file_io.h"

#include <filesystem>
#include <system_error>

namespace kiv {

bool ReadWholeFile(const char* path, std::string& contents) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  contents.clear();
  bool ok = true;
  // Only a regular file's size is a size hint: a directory opens on some
  // systems and reports a huge end position, then fails on the first read.
  std::error_code error;
  if (std::filesystem::is_regular_file(path, error)) {
    const auto size = std::filesystem::file_size(path, error);
    if (!error) contents.reserve(static_cast<size_t>(size));
  }
  char buffer[1 << 16];
  for (;;) {
    const size_t n = std::fread(buffer, 1, sizeof buffer, file);
    contents.append(buffer, n);
    if (n < sizeof buffer) {
      ok = std::ferror(file) == 0;
      break;
    }
  }
  std::fclose(file);
  return ok;
}

OutputFile::OutputFile(const char* path, const char* mode) : owner_(std::fopen(path, mode)) {
  file_ = owner_.get();
}

bool OutputFile::Write(std::string_view bytes) {
  if (file_ == nullptr) return false;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    failed_ = true;
  }
  return !failed_;
}

bool OutputFile::Close() {
  if (file_ == nullptr) return !failed_;
  std::FILE* file = owner_.release();
  file_ = nullptr;
  if (std::fclose(file) != 0) failed_ = true;
  return !failed_;
}

}  // namespace kiv
