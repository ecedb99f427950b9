// Buffers of many megabytes: the programs build each file in memory, and on
// large sources faulting in their pages one by one costs more than filling them.
#pragma once

#include <cstddef>
#include <string>

namespace kiv {

// Reserves room for `size` bytes and, where the system allows, asks for the
// room to be backed by huge pages before it is first touched.
void ReserveLarge(std::string& buffer, size_t size);

}  // namespace kiv
