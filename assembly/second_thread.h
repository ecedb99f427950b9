// When the front end takes a second thread: only for large texts, where the
// thread's start is lost in the time it saves, and only when the process may
// run on two CPUs or more (one CPU, as under taskset, keeps the plain way).
#pragma once

#include <cstddef>

namespace kiv::assembly {

bool WorthASecondThread(size_t text_size);

}  // namespace kiv::assembly
