#include "assembler/pass1.h"

#include <vector>

#include "assembler/data_sections.h"
#include "assembler/index_counter.h"
#include "assembler/instruction_boundaries.h"
#include "assembler/record_decoder.h"
#include "assembler/transfer_target.h"
#include "common/instruction_word.h"
#include "common/large_array.h"

namespace kiv::assembler {
namespace {

Status CollectBoundaries(const RecordList& records, BoundaryTable& table, Log& log) {
  IndexCounter counter;
  DataSections sections;
  // At most two boundaries per instruction and one per section.
  table.Reserve(2 * records.instruction_count() + records.section_count());
  table.ReserveTargets(records.instruction_count());

  const auto entries = records.entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const uint64_t entry = entries[i];
    if (record_entry::Tag(entry) == record_entry::kInstruction) {
      const uint32_t op = OpcodeOfHead(record_entry::Head(entry));
      const uint32_t body = record_entry::Body(entry);
      if (const auto target = TransferTarget(op, body, counter.index())) {
        table.InsertTarget(*target);
      }
      InsertThreadBoundaries(op, counter.index(), table);
      counter.CountInstruction();
      if (op == opcode::kSpawni) ++i;  // its second value
      continue;
    }
    // A data section: its pairs only move the index, so they are skipped whole.
    counter.EnterData();
    const uint32_t start = counter.index();
    table.Insert(start);
    const uint64_t pairs = record_entry::PairCount(entry);
    counter.CountDataPairs(pairs);
    i += pairs;
    if (record_entry::Tag(entry) == record_entry::kClosedSection) counter.LeaveData();
    sections.Add(start, counter.index());
  }
  sections.Finish();

  // Only now are all sections known: a target may lie ahead of its jump.
  for (const uint32_t target : table.targets()) {
    if (sections.StrictlyInside(target)) {
      log.Error("Jump or branch target inside data section");
      return Status::kTargetInData;
    }
  }
  return Status::kOk;
}

}  // namespace

Status RunPass1(std::string_view text, BoundaryTable& table, Log& log, RecordList& records) {
  if (!DecodeRecords(text, records)) {
    log.Error("Malformed record in assembler.txt");
    return Status::kMalformedRecord;
  }
  return CollectBoundaries(records, table, log);
}

}  // namespace kiv::assembler
