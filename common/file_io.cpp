#include "common/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "common/replace_file.h"

namespace kiv {

bool ReadWholeFile(const char* path, FileBuffer& contents) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // Only a regular file's size is a size hint: a directory opens on some
  // systems and reports a huge size, then fails on the first read.
  struct stat status {};
  const size_t hint =
      fstat(fd, &status) == 0 && S_ISREG(status.st_mode) ? static_cast<size_t>(status.st_size) : 0;
  // One byte beyond the hint, so that the end of the file is seen in the
  // first round; a larger block when the file was larger.
  LargeBlock block(hint + 1);
  size_t used = 0;
  bool ok = true;
  for (;;) {
    const ssize_t got = read(fd, static_cast<char*>(block.data()) + used, block.size() - used);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    used += static_cast<size_t>(got);
    if (used < block.size()) continue;
    LargeBlock larger(block.size() + block.size() / 2 + (size_t{1} << 16));
    std::memcpy(larger.data(), block.data(), used);
    block = std::move(larger);
  }
  close(fd);
  contents.block_ = std::move(block);
  contents.size_ = used;
  return ok;
}

OutputFile::OutputFile(const char* path, const char* mode, OldOutput old) : path_(path) {
  const OpenedOutput opened = OpenOutputFile(path, mode, old);
  file_ = opened.file;
  written_over_ = opened.written_over;
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
  std::FILE* file = file_;
  file_ = nullptr;
  // A file written over keeps its old length until it is cut to what was written.
  if (written_over_ && !failed_ &&
      (std::fflush(file) != 0 || ftruncate(fileno(file), ftello(file)) != 0)) {
    failed_ = true;
  }
  if (std::fclose(file) != 0) failed_ = true;
  if (failed_) {
    // Opening for writing truncates; with nothing written, closing cannot fail.
    if (std::FILE* again = std::fopen(path_.c_str(), "w")) std::fclose(again);
  }
  return !failed_;
}

}  // namespace kiv
