// Files the tests read and write: the repository's own (examples, golden
// cases) and scratch files of their own.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>

namespace kiv::test {

// The repository: KIV_SOURCE_DIR when set, else where the build found it,
// else found from this file's path (relative paths would be taken from the
// build directory a test runs in).
inline std::filesystem::path SourceDir() {
  if (const char* dir = std::getenv("KIV_SOURCE_DIR")) return dir;
#ifdef KIV_REPOSITORY_DIR
  return KIV_REPOSITORY_DIR;
#else
  return std::filesystem::absolute(std::filesystem::path(__FILE__))
      .parent_path()
      .parent_path()
      .parent_path();
#endif
}

// The whole file, byte for byte; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteFile(const std::filesystem::path& path, std::string_view text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A directory of its own for one test, removed with everything in it when the
// test ends. The name is made unique by the system, so tests that ctest runs
// side by side, or two checkouts testing on one machine, never share one.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(std::string_view prefix) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::filesystem::filesystem_error("cannot make a scratch directory", pattern,
                                              std::error_code(errno, std::generic_category()));
    }
    path_ = pattern;
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace kiv::test
