#include "assembler/pass1.h"

#include "assembler/boundary_collector.h"
#include "assembler/data_sections.h"
#include "assembler/index_counter.h"
#include "assembler/instruction_boundaries.h"
#include "assembler/record_decoder.h"
#include "assembler/transfer_target.h"
#include "common/instruction_word.h"

namespace kiv::assembler {
namespace {

constexpr std::string_view kMalformedRecord = "Malformed record in assembler.txt";
constexpr std::string_view kTargetInData = "Jump or branch target inside data section";

}  // namespace

Status RunPass1(std::string_view text, BoundaryTable& table, Log& log, RecordList& records) {
  BoundaryCollector collector(records, table);
  if (!DecodeRecords(text, collector)) {
    table = BoundaryTable();  // none of a text that cannot be read
    log.Error(kMalformedRecord);
    return Status::kMalformedRecord;
  }
  if (!collector.Finish()) {
    log.Error(kTargetInData);
    return Status::kTargetInData;
  }
  return Status::kOk;
}

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

  for (const uint32_t target : table.targets()) {
    if (sections.StrictlyInside(target)) {
      log.Error(kTargetInData);
      return Status::kTargetInData;
    }
  }
  return Status::kOk;
}

}  // namespace kiv::assembler
