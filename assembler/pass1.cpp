#include "assembler/pass1.h"

#include <algorithm>
#include <vector>

#include "assembler/index_counter.h"
#include "assembler/transfer_target.h"
#include "common/instruction_word.h"
#include "common/record_reader.h"

namespace kiv::assembler {
namespace {

// From the marker's index to the index after the end-of-data record (or the
// last index, when the section runs to the end of the text).
struct DataSection {
  uint32_t start = 0;
  uint32_t end = 0;
};

// Pass 2 compares boundaries only with the index it reaches, and inside a data
// section it skips indices at the end-of-data record; a target there would
// never be met and would hold back every boundary after it.
bool StrictlyInsideDataSection(const std::vector<DataSection>& sections, uint32_t index) {
  // Sections come in index order and do not overlap, so only the last one
  // starting at or below the index can hold it.
  const auto after = std::upper_bound(
      sections.begin(), sections.end(), index,
      [](uint32_t value, const DataSection& section) { return value < section.start; });
  if (after == sections.begin()) return false;
  const DataSection& section = *std::prev(after);
  return index > section.start && index < section.end;
}

}  // namespace

void InsertInstructionBoundaries(uint32_t op, uint32_t body, uint32_t index, BoundaryTable& table) {
  if (const auto target = TransferTarget(op, body, index)) table.Insert(*target);
  switch (op) {
    case opcode::kJal:
    case opcode::kSpawn:
    case opcode::kFork:
    case opcode::kHalt:
      table.Insert(index + 1);
      break;
    case opcode::kJoin:
    case opcode::kSpawni:
      table.Insert(index);
      table.Insert(index + 1);
      break;
    default:
      break;
  }
}

Status RunPass1(std::string_view text, BoundaryTable& table, Log& log) {
  RecordReader reader(text);
  IndexCounter counter;
  std::vector<uint32_t> targets;
  std::vector<DataSection> sections;

  for (Item item = reader.Next(); item.kind != ItemKind::kEndOfFile; item = reader.Next()) {
    switch (item.kind) {
      case ItemKind::kMalformed:
        log.Error("Malformed record in assembler.txt");
        return Status::kMalformedRecord;
      case ItemKind::kDataMarker:
        counter.EnterData();
        table.Insert(counter.index());
        sections.push_back(DataSection{counter.index(), counter.index()});
        break;
      case ItemKind::kInstruction: {
        const uint32_t op = OpcodeOfHead(item.head);
        InsertInstructionBoundaries(op, item.body, counter.index(), table);
        if (const auto target = TransferTarget(op, item.body, counter.index())) {
          targets.push_back(*target);
        }
        counter.CountInstruction();
        break;
      }
      case ItemKind::kDataPair:
        counter.CountDataPair();
        break;
      case ItemKind::kEndOfData:
        counter.LeaveData();
        sections.back().end = counter.index();
        break;
      case ItemKind::kEndOfFile:
        break;
    }
  }
  if (reader.in_data_mode()) sections.back().end = counter.index();

  // Only now are all sections known: a target may lie ahead of its jump.
  for (const uint32_t target : targets) {
    if (StrictlyInsideDataSection(sections, target)) {
      log.Error("Jump or branch target inside data section");
      return Status::kTargetInData;
    }
  }
  return Status::kOk;
}

}  // namespace kiv::assembler
