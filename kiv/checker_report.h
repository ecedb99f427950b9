// Collects what the checker finds while it walks a source, in any order, and
// hands it back in source order with every note behind the diagnostic it
// belongs to.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "kiv/diagnostics.h"

namespace kiv::tool {

class Report {
 public:
  void Error(size_t offset, size_t length, std::string message);
  void Warning(size_t offset, size_t length, std::string message);
  // Belongs to the error or warning added last.
  void Note(size_t offset, size_t length, std::string message);

  // While set, what is added from `*line_start` to `*line_end` carries
  // `*line` and `*line_start` as its line and that line's start in the text
  // the offsets point into: a walk over the text keeps them as it goes (the
  // line it is on, where that starts, and how far it has read on it), so
  // that placing need not count the lines again. A line of 0 carries
  // nothing. Null pointers stop it.
  void CarryLines(const size_t* line, const size_t* line_start, const size_t* line_end) {
    carried_line_ = line;
    carried_line_start_ = line_start;
    carried_line_end_ = line_end;
  }
  // Carried lines counted from a walk's first line, `by` lines into the text.
  void ShiftCarriedLines(size_t by);

  bool has_error() const { return first_error_ != kNone; }
  // Facts counted past an error may be off: checks that need them stop there.
  size_t first_error_offset() const { return first_error_; }

  // Takes what `later` found, as if it had been added here after everything
  // this report holds.
  void Absorb(Report&& later);

  // Sorted by offset, each group (a diagnostic and its notes) kept whole and
  // groups at one offset kept in the order they were added.
  std::vector<Diagnostic> Finish();

 private:
  static constexpr size_t kNone = std::numeric_limits<size_t>::max();
  void Add(Severity severity, size_t offset, size_t length, std::string message);

  std::vector<Diagnostic> diagnostics_;
  size_t first_error_ = kNone;
  const size_t* carried_line_ = nullptr;
  const size_t* carried_line_start_ = nullptr;
  const size_t* carried_line_end_ = nullptr;
};

// A token as a message quotes it: long ones are cut, so that a megabyte of
// junk does not become a megabyte of message.
std::string Quoted(std::string_view token);

}  // namespace kiv::tool
