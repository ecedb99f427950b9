// Whether a second thread can run beside the first: only when the process may
// run on two processors or more. One processor, as under taskset, keeps every
// program on its plain one-thread way.
#pragma once

namespace kiv {

bool MayUseTwoProcessors();

}  // namespace kiv
