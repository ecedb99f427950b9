#include "common/file_io.h"

#include <filesystem>

#include "common/large_buffer.h"
#include <system_error>

namespace kiv {

bool ReadWholeFile(const char* path, std::string& contents) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  // Only a regular file's size is a size hint: a directory opens on some
  // systems and reports a huge end position, then fails on the first read.
  size_t hint = 0;
  std::error_code error;
  if (std::filesystem::is_regular_file(path, error)) {
    const auto size = std::filesystem::file_size(path, error);
    if (!error) hint = static_cast<size_t>(size);
  }
  // Read straight into the string, one byte beyond the hint so that the end
  // of the file is seen in the first round; grow when the file was larger.
  contents.clear();
  ReserveLarge(contents, hint + 1);
  size_t used = 0;
  size_t capacity = hint + 1;
  bool ok = true;
  for (;;) {
    contents.resize(capacity);
    used += std::fread(contents.data() + used, 1, capacity - used, file);
    if (used < capacity) {
      ok = std::ferror(file) == 0;
      break;
    }
    capacity += capacity / 2 + (size_t{1} << 16);
  }
  contents.resize(used);
  std::fclose(file);
  return ok;
}

OutputFile::OutputFile(const char* path, const char* mode)
    : path_(path), file_(std::fopen(path, mode)) {}

bool OutputFile::Write(std::string_view bytes) {
  if (file_ == nullptr) return false;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    failed_ = true;
  }
  return !failed_;
}

bool OutputFile::Close() {
  if (file_ == nullptr) return !failed_;
  std::FILE* file = file_;
  file_ = nullptr;
  if (std::fclose(file) != 0) failed_ = true;
  if (failed_) {
    // Opening for writing truncates; with nothing written, closing cannot fail.
    if (std::FILE* again = std::fopen(path_.c_str(), "w")) std::fclose(again);
  }
  return !failed_;
}

}  // namespace kiv
