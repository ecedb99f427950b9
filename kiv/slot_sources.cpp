#include "kiv/slot_sources.h"

#include <algorithm>

#include "assembly/byte_set_bits.h"

namespace kiv::tool {
namespace {

using assembly::InstructionClass;

constexpr size_t kPairRecordSize = 17;  // a line break and 16 digits
constexpr std::string_view kEndOfData = "ffffffffffffffff";

// The data pairs among a statement's records (not the marker, not the
// end-of-data record).
size_t PairsWritten(std::string_view object_text, const Statement& statement) {
  size_t pairs = 0;
  const uint64_t end = statement.records_begin + statement.records_size;
  for (uint64_t at = statement.records_begin; at + kPairRecordSize <= end; at += kPairRecordSize) {
    if (object_text.substr(at + 1, 16) != kEndOfData) ++pairs;
  }
  return pairs;
}

class Mapper {
 public:
  Mapper(std::string_view object_text, const assembler::BoundaryTable& boundaries,
         size_t unit_count)
      : object_text_(object_text), boundaries_(boundaries) {
    map_.unit_count = unit_count;
    map_.slot_lines.assign(unit_count * 3, 0);
    map_.pair_lines.assign(unit_count * 2, 0);
    map_.is_data.assign(unit_count, 0);
  }

  void TakeInstruction(uint32_t index, uint32_t line) {
    const uint64_t position = boundaries_.SlotPosition(index);
    if (position / 3 < map_.unit_count) map_.slot_lines[position] = line;
  }

  void Take(const Statement& event) {
    const uint32_t line = event.line;
    if (event.cls == InstructionClass::kRdata) {
      if (!in_section_) {
        in_section_ = true;
        section_unit_ = boundaries_.SlotPosition(event.index) / 3;
        section_pairs_ = 0;
      }
      return;
    }
    for (size_t pair = PairsWritten(object_text_, event); pair > 0; --pair) AddPair(line);
    if (event.cls == InstructionClass::kText) in_section_ = false;
  }

  SlotSources Finish() { return std::move(map_); }

 private:
  void AddPair(uint32_t line) {
    const uint64_t unit = section_unit_ + section_pairs_ / 2;
    if (unit < map_.unit_count) {
      map_.pair_lines[2 * unit + section_pairs_ % 2] = line;
      map_.is_data[unit] = 1;
    }
    ++section_pairs_;
  }

  std::string_view object_text_;
  const assembler::BoundaryTable& boundaries_;
  SlotSources map_;
  bool in_section_ = false;
  uint64_t section_unit_ = 0;
  uint64_t section_pairs_ = 0;
};

// The line breaks of text[from, to), 16 bytes at a time where the text holds
// 16 more (past `to` too): a statement is a few dozen bytes on from the one
// before, too few for a search made for long texts to start up.
size_t CountLineBreaks(std::string_view text, size_t from, size_t to) {
  size_t count = 0;
  size_t p = from;
  for (; p < to && text.size() - p >= 16; p += 16) {
    uint32_t breaks = assembly::ByteSetBits16<'\n'>(text.data() + p);
    if (to - p < 16) breaks &= (uint32_t{1} << (to - p)) - 1;
    count += assembly::CountSetBits(breaks);
  }
  for (; p < to; ++p) count += text[p] == '\n' ? 1 : 0;
  return count;
}

}  // namespace

void StatementLog::OnStatement(const assembly::StatementEvent& event) {
  if (event.status != assembly::Status::kSuccess) return;
  const size_t offset = std::min(event.offset, formatted_.size());
  if (offset > counted_to_) {
    line_ += static_cast<uint32_t>(CountLineBreaks(formatted_, counted_to_, offset));
    counted_to_ = offset;
  }
  if (event.mnemonic != nullptr) {
    if (event.index >= instruction_lines_.size()) instruction_lines_.resize(event.index + 1, 0);
    instruction_lines_[event.index] = line_;
    return;
  }
  Statement statement;
  statement.line = line_;
  statement.records_begin = event.records_begin;
  statement.records_size = static_cast<uint32_t>(event.records_end - event.records_begin);
  statement.index = event.index;
  statement.cls = event.cls;
  directives_.push_back(statement);
}

LineIndex::LineIndex(std::string_view text) : text_(text) {
  // Counted first: a vector grown step by step would copy a large source's
  // line starts several times over into fresh memory.
  starts_.reserve(assembly::CountByteSet<'\n'>(text) + 1);
  starts_.push_back(0);
  for (size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1)) {
    starts_.push_back(at + 1);
  }
}

std::string_view LineIndex::Line(uint32_t line) const {
  if (line == 0 || line > starts_.size()) return {};
  const size_t start = starts_[line - 1];
  const size_t end = line < starts_.size() ? starts_[line] - 1 : text_.size();
  std::string_view text = text_.substr(start, end - start);
  if (text.ends_with('\r')) text.remove_suffix(1);
  return text;
}

uint32_t LineIndex::LineOf(size_t offset) const {
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
  return static_cast<uint32_t>(after - starts_.begin());
}

SlotSources MapSlotSources(std::string_view object_text, const StatementLog& statements,
                           const assembler::BoundaryTable& boundaries, size_t unit_count) {
  Mapper mapper(object_text, boundaries, unit_count);
  const std::vector<uint32_t>& lines = statements.instruction_lines();
  for (size_t index = 0; index < lines.size(); ++index) {
    if (lines[index] != 0) mapper.TakeInstruction(static_cast<uint32_t>(index), lines[index]);
  }
  for (const Statement& statement : statements.directives()) mapper.Take(statement);
  return mapper.Finish();
}

}  // namespace kiv::tool
