// A whole input file that is only read. A regular file is mapped from the
// system's file cache, where its bytes already are: nothing is copied and
// no fresh memory has to be cleared for it, which for a large input cost
// more than reading it. Any other file (a pipe, a device, an empty file) and
// any file that cannot be mapped is read whole into memory as ReadWholeFile
// reads it.
#pragma once

#include <cstddef>
#include <string_view>

#include "common/file_io.h"

namespace kiv {

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile() { Release(); }
  MappedFile(MappedFile&& other) noexcept { *this = static_cast<MappedFile&&>(other); }
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  std::string_view view() const {
    return mapping_ != nullptr ? std::string_view(static_cast<const char*>(mapping_), size_)
                               : read_.view();
  }

 private:
  friend bool MapWholeFile(const char* path, MappedFile& contents);
  void Release();

  void* mapping_ = nullptr;
  size_t size_ = 0;
  FileBuffer read_;
};

// Maps or reads the whole file; false when it cannot be opened or read.
bool MapWholeFile(const char* path, MappedFile& contents);

}  // namespace kiv
