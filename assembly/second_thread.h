// When the front end takes a second thread: only for large texts, where the
// thread's start is lost in the time it saves, and only when the process may
// run on two CPUs or more (one CPU, as under taskset, keeps the plain way).
#pragma once

#include <cstddef>
#include <string_view>

namespace kiv::assembly {

bool WorthASecondThread(size_t text_size);

// Where a second thread starts on a text: the first line start at or after
// `from`, or the text's size when none follows.
inline size_t LineStartFrom(std::string_view text, size_t from) {
  if (from == 0) return 0;
  const size_t line_end = text.find('\n', from - 1);
  return line_end == std::string_view::npos ? text.size() : line_end + 1;
}

}  // namespace kiv::assembly
