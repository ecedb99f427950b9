// A whole file mapped read-only. A large source read into fresh memory costs
// the system a cleared page for every page read, and a copy on top; mapped,
// the program reads the file's own cached pages.
#pragma once

#include <cstddef>
#include <string_view>

namespace kiv::assembly {

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // False when the path is not a regular file of at least `at_least` bytes
  // that can be opened and mapped (then the caller reads it another way). An
  // empty file maps to no bytes.
  bool Map(const char* path, size_t at_least = 0);
  std::string_view view() const { return {data_, size_}; }
  // Gives the mapping back before the object goes; view() is then empty.
  void Unmap();

 private:
  const char* data_ = nullptr;
  size_t size_ = 0;
  void* mapping_ = nullptr;
};

}  // namespace kiv::assembly
