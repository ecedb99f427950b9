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
  friend bool MapWholeFile(const char* path, MappedFile& contents, bool enter_all_pages);
  void Release();

  void* mapping_ = nullptr;
  size_t size_ = 0;
  FileBuffer read_;
};

// Maps or reads the whole file; false when it cannot be opened or read.
// With `enter_all_pages`, every page of a mapping is entered before it
// returns, for a reader that walks them all; without, each is entered when
// first read (a few neighbours at once), for readers on two threads that
// should start at once.
bool MapWholeFile(const char* path, MappedFile& contents, bool enter_all_pages = true);

}  // namespace kiv
