// Which source line each slot and each data pair of the image came from,
// worked out from the statements the front end reported while encoding:
// the k-th instruction statement is the k-th instruction, placed where the
// back end's boundary table puts its index; data pairs follow each other
// from the unit where their section starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "assembler/boundary_table.h"
#include "assembly/statement_observer.h"

namespace kiv::tool {

// What the map needs of a statement that is no instruction (a directive):
// few in a usual program.
struct Statement {
  uint32_t line = 0;  // 1-based, of its token
  uint64_t records_begin = 0;
  uint32_t records_size = 0;
  uint32_t index = 0;
  assembly::InstructionClass cls = assembly::InstructionClass::kNop;
};

// Collects the statements of one run that succeeded, with the line of each:
// the offsets point into the normalised text, which keeps every line of the
// source, and they only grow, so lines are counted on the way. A large
// program reports a million instructions, so each keeps only its line, at
// its instruction index; the instructions map apart from the directives, as
// neither changes where the other lands.
class StatementLog : public assembly::StatementObserver {
 public:
  // The normalised text, before the first statement.
  void SetText(std::string_view formatted) { formatted_ = formatted; }
  void OnStatement(const assembly::StatementEvent& event) override;
  void Reserve(size_t instruction_count) { instruction_lines_.reserve(instruction_count); }
  // The line of the instruction at each front-end index; 0 for an index no
  // instruction statement starts at.
  const std::vector<uint32_t>& instruction_lines() const { return instruction_lines_; }
  const std::vector<Statement>& directives() const { return directives_; }  // in order

 private:
  std::string_view formatted_;
  size_t counted_to_ = 0;
  uint32_t line_ = 1;
  std::vector<uint32_t> instruction_lines_;
  std::vector<Statement> directives_;
};

// 1-based line numbers; 0 where nothing of the source landed.
struct SlotSources {
  size_t unit_count = 0;
  std::vector<uint32_t> slot_lines;  // three per unit
  std::vector<uint32_t> pair_lines;  // two per unit
  std::vector<uint8_t> is_data;      // one per unit
};

SlotSources MapSlotSources(std::string_view object_text, const StatementLog& statements,
                           const assembler::BoundaryTable& boundaries, size_t unit_count);

// Where each line of a text starts, for turning offsets into line numbers.
class LineIndex {
 public:
  explicit LineIndex(std::string_view text);
  uint32_t line_count() const { return static_cast<uint32_t>(starts_.size()); }
  std::string_view Line(uint32_t line) const;  // 1-based, without its line end
  // The 1-based line that holds the byte at `offset` (the last line for an
  // offset past the end).
  uint32_t LineOf(size_t offset) const;
  // The offset of a 1-based line's first byte.
  size_t LineStart(uint32_t line) const { return starts_[line - 1]; }

 private:
  std::string_view text_;
  std::vector<size_t> starts_;
};

}  // namespace kiv::tool
