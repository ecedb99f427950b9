// A console for the front end's log whose bytes a test can read back once
// it is closed: the lines the console hears, in the order it hears them.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace kiv::testing {

class MemoryConsole {
 public:
  MemoryConsole() : file_(open_memstream(&data_, &size_)) {}
  ~MemoryConsole() {
    if (file_ != nullptr) std::fclose(file_);
    std::free(data_);
  }
  MemoryConsole(const MemoryConsole&) = delete;
  MemoryConsole& operator=(const MemoryConsole&) = delete;

  std::FILE* file() const { return file_; }
  std::string Close() {
    std::fclose(file_);
    file_ = nullptr;
    return std::string(data_, size_);
  }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  std::FILE* file_;
};

}  // namespace kiv::testing
