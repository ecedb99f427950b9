#include "assembly/second_thread.h"

#include <sched.h>

namespace kiv::assembly {

bool WorthASecondThread(size_t text_size) {
  constexpr size_t kLargeText = size_t{4} << 20;
  if (text_size < kLargeText) return false;
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  return sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) >= 2;
}

}  // namespace kiv::assembly
