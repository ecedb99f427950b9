#include "common/processors.h"

#include <sched.h>

namespace kiv {

bool MayUseTwoProcessors() {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  return sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) >= 2;
}

}  // namespace kiv
