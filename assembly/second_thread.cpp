#include "assembly/second_thread.h"

#include "common/processors.h"

namespace kiv::assembly {

bool WorthASecondThread(size_t text_size) {
  constexpr size_t kLargeText = size_t{4} << 20;
  return text_size >= kLargeText && MayUseTwoProcessors();
}

}  // namespace kiv::assembly
