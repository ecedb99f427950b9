#include "kiv/checker_report.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace kiv::tool {

void Report::Add(Severity severity, size_t offset, size_t length, std::string message) {
  Diagnostic& added =
      diagnostics_.emplace_back(Diagnostic{severity, offset, std::move(message), length});
  if (carried_line_ != nullptr && *carried_line_ != 0 && offset >= *carried_line_start_ &&
      offset <= *carried_line_end_) {
    added.line = *carried_line_;
    added.line_start = *carried_line_start_;
  }
}

void Report::Error(size_t offset, size_t length, std::string message) {
  first_error_ = std::min(first_error_, offset);
  Add(Severity::kError, offset, length, std::move(message));
}

void Report::Warning(size_t offset, size_t length, std::string message) {
  Add(Severity::kWarning, offset, length, std::move(message));
}

void Report::Note(size_t offset, size_t length, std::string message) {
  Add(Severity::kNote, offset, length, std::move(message));
}

void Report::ShiftCarriedLines(size_t by) {
  for (Diagnostic& d : diagnostics_) {
    if (d.line != 0) d.line += by;
  }
}

void Report::Absorb(Report&& later) {
  first_error_ = std::min(first_error_, later.first_error_);
  if (diagnostics_.empty()) {
    diagnostics_ = std::move(later.diagnostics_);
  } else {
    diagnostics_.insert(diagnostics_.end(), std::make_move_iterator(later.diagnostics_.begin()),
                        std::make_move_iterator(later.diagnostics_.end()));
  }
  later.diagnostics_.clear();
  later.first_error_ = kNone;
}

std::vector<Diagnostic> Report::Finish() {
  // Each group is sorted by the offset of its first diagnostic. Most reports
  // hold their groups in that order already: then they are handed back as
  // they are, without a sorted copy.
  bool in_order = true;
  for (size_t i = 0, last = 0; i < diagnostics_.size() && in_order; ++i) {
    if (i > 0 && diagnostics_[i].severity == Severity::kNote) continue;
    in_order = diagnostics_[i].offset >= last;
    last = diagnostics_[i].offset;
  }
  if (in_order) return std::exchange(diagnostics_, {});
  struct Group {
    size_t offset;
    size_t first;
    size_t count;
  };
  std::vector<Group> groups;
  for (size_t i = 0; i < diagnostics_.size(); ++i) {
    if (diagnostics_[i].severity == Severity::kNote && !groups.empty()) {
      ++groups.back().count;
    } else {
      groups.push_back(Group{diagnostics_[i].offset, i, 1});
    }
  }
  std::stable_sort(groups.begin(), groups.end(),
                   [](const Group& a, const Group& b) { return a.offset < b.offset; });
  std::vector<Diagnostic> sorted;
  sorted.reserve(diagnostics_.size());
  for (const Group& group : groups) {
    for (size_t i = 0; i < group.count; ++i) {
      sorted.push_back(std::move(diagnostics_[group.first + i]));
    }
  }
  diagnostics_.clear();
  return sorted;
}

std::string Quoted(std::string_view token) {
  constexpr size_t kShown = 40;
  constexpr std::string_view kHex = "0123456789abcdef";
  std::string quoted = "'";
  // Control bytes and bytes beyond ASCII are shown as \xNN: a message must
  // not carry a NUL or half a character onto the terminal.
  for (const char c : token.substr(0, kShown)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7f) {
      quoted += "\\x";
      quoted += kHex[byte >> 4];
      quoted += kHex[byte & 0xf];
    } else {
      quoted += c;
    }
  }
  if (token.size() > kShown) quoted += "...";
  quoted += '\'';
  return quoted;
}

}  // namespace kiv::tool
