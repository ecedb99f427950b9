#include "assembly/mapped_file.h"

#if defined(__unix__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kiv::assembly {

#if defined(__unix__)

bool MappedFile::Map(const char* path, size_t at_least) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status {};
  bool mapped = false;
  if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
      static_cast<size_t>(status.st_size) >= at_least) {
    const auto size = static_cast<size_t>(status.st_size);
    if (size == 0) {
      mapped = true;
    } else {
      // Every page is read front to back: all are mapped at once rather
      // than faulted in one by one.
      void* mapping = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
      if (mapping != MAP_FAILED) {
        mapping_ = mapping;
        data_ = static_cast<const char*>(mapping);
        size_ = size;
        mapped = true;
      }
    }
  }
  close(fd);
  return mapped;
}

void MappedFile::Unmap() {
  if (mapping_ != nullptr) munmap(mapping_, size_);
  mapping_ = nullptr;
  data_ = nullptr;
  size_ = 0;
}

MappedFile::~MappedFile() { Unmap(); }

#else

bool MappedFile::Map(const char*, size_t) { return false; }
void MappedFile::Unmap() {}
MappedFile::~MappedFile() = default;

#endif

}  // namespace kiv::assembly
