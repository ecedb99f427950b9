#include "common/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace kiv {

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    Release();
    mapping_ = std::exchange(other.mapping_, nullptr);
    size_ = std::exchange(other.size_, 0);
    read_ = std::move(other.read_);
  }
  return *this;
}

void MappedFile::Release() {
  if (mapping_ != nullptr) munmap(mapping_, size_);
  mapping_ = nullptr;
  size_ = 0;
  read_ = FileBuffer();
}

bool MapWholeFile(const char* path, MappedFile& contents, bool enter_all_pages) {
  contents.Release();
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status {};
  void* mapping = MAP_FAILED;
  if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
    mapping = mmap(nullptr, static_cast<size_t>(status.st_size), PROT_READ,
                   MAP_PRIVATE | (enter_all_pages ? MAP_POPULATE : 0), fd, 0);
  }
  close(fd);
  if (mapping == MAP_FAILED) return ReadWholeFile(path, contents.read_);
  contents.mapping_ = mapping;
  contents.size_ = static_cast<size_t>(status.st_size);
  return true;
}

}  // namespace kiv
