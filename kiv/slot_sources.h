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

// What the map needs of one statement, kept small: a large program reports
// a million of them.
struct Statement {
  uint64_t offset = 0;  // of its token in the formatted text
  uint64_t records_begin = 0;
  uint32_t records_size = 0;
  uint32_t index = 0;
  assembly::InstructionClass cls = assembly::InstructionClass::kNop;
  bool instruction = false;
};

// Collects the statements of one run that succeeded, in order.
class StatementLog : public assembly::StatementObserver {
 public:
  void OnStatement(const assembly::StatementEvent& event) override;
  void Reserve(size_t count) { statements_.reserve(count); }
  const std::vector<Statement>& statements() const { return statements_; }

 private:
  std::vector<Statement> statements_;
};

// 1-based line numbers; 0 where nothing of the source landed.
struct SlotSources {
  size_t unit_count = 0;
  std::vector<uint32_t> slot_lines;  // three per unit
  std::vector<uint32_t> pair_lines;  // two per unit
  std::vector<uint8_t> is_data;      // one per unit
};

// `formatted` is the normalised text the offsets point into: it keeps every
// line of the source, so its line numbers are the source's.
SlotSources MapSlotSources(std::string_view formatted, std::string_view object_text,
                           const std::vector<Statement>& statements,
                           const assembler::BoundaryTable& boundaries, size_t unit_count);

// Where each line of a text starts, for turning offsets into line numbers.
class LineIndex {
 public:
  explicit LineIndex(std::string_view text);
  uint32_t LineOf(size_t offset) const;        // 1-based
  std::string_view Line(uint32_t line) const;  // without its line end

 private:
  std::string_view text_;
  std::vector<size_t> starts_;
};

}  // namespace kiv::tool
