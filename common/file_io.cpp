#include "common/file_io.h"

#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

namespace kiv {

bool ReadWholeFile(const char* path, FileBuffer& contents) {
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
  // One byte beyond the hint, so that the end of the file is seen in the
  // first round; a larger block when the file was larger.
  LargeBlock block(hint + 1);
  size_t used = 0;
  bool ok = true;
  for (;;) {
    used += std::fread(static_cast<char*>(block.data()) + used, 1, block.size() - used, file);
    if (used < block.size()) {
      ok = std::ferror(file) == 0;
      break;
    }
    LargeBlock larger(block.size() + block.size() / 2 + (size_t{1} << 16));
    std::memcpy(larger.data(), block.data(), used);
    block = std::move(larger);
  }
  std::fclose(file);
  contents.block_ = std::move(block);
  contents.size_ = used;
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
