// Files the tests read and write: the repository's own (examples, golden
// cases) and scratch files of their own.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace kiv::test {

// The repository, found from this file's path; KIV_SOURCE_DIR overrides it
// (relative paths would be taken from the build directory a test runs in).
inline std::filesystem::path SourceDir() {
  if (const char* dir = std::getenv("KIV_SOURCE_DIR")) return dir;
  return std::filesystem::absolute(std::filesystem::path(__FILE__))
      .parent_path()
      .parent_path()
      .parent_path();
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

}  // namespace kiv::test
