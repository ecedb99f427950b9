// Builds expected binary output from byte values.
#pragma once

#include <initializer_list>
#include <string>

namespace kiv::testing {

inline std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (const int value : values) bytes.push_back(static_cast<char>(value));
  return bytes;
}

}  // namespace kiv::testing
