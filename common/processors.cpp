#include "common/processors.h"

#include <sched.h>

namespace kiv {

bool MayUseTwoProcessors() {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  return sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) >= 2;
}

int CurrentProcessor() { return sched_getcpu(); }

void MoveOffProcessor(int starter) {
  if (starter < 0 || starter >= CPU_SETSIZE || sched_getcpu() != starter) return;
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return;
  cpu_set_t others = allowed;
  CPU_CLR(starter, &others);
  if (CPU_COUNT(&others) == 0) return;
  // Leaving the processor out of the thread's own set moves the thread off it
  // before the call returns; the whole set, given back, moves nothing.
  if (sched_setaffinity(0, sizeof others, &others) != 0) return;
  sched_setaffinity(0, sizeof allowed, &allowed);
}

}  // namespace kiv
