// Pass 1's boundaries gathered while the decoder hands on each record, so
// that the records are walked once: the instruction's head and body are
// still in registers when its boundaries are found, and the decoded list is
// not read back from memory. It takes the records as RecordList does and
// passes them on to one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "assembler/boundary_table.h"
#include "assembler/data_sections.h"
#include "assembler/index_counter.h"
#include "assembler/instruction_boundaries.h"
#include "assembler/record_list.h"
#include "assembler/transfer_target.h"
#include "common/instruction_word.h"
#include "common/large_block.h"

namespace kiv::assembler {

class BoundaryCollector {
 public:
  BoundaryCollector(RecordList& records, BoundaryTable& table) : records_(records), table_(table) {}

  // Room for the records and boundaries of a text of `text_size` bytes, so
  // that nothing is copied while it fills: at most one instruction per four
  // bytes, two boundaries per instruction, one per data section. Reserved
  // only where that makes mapped blocks, whose room costs nothing until it
  // is written; below that the lists grow as they fill, rather than clear
  // room several times what a usual program takes.
  void ReserveForText(size_t text_size) {
    records_.ReserveForText(text_size);
    const size_t most_records = text_size / 4 + 1;
    if (most_records * sizeof(uint32_t) >= kMappedBlockBytes) {
      table_.Reserve(2 * most_records);
      table_.ReserveTargets(most_records);
    }
  }

  void AddInstruction(uint32_t head, uint32_t body) {
    records_.AddInstruction(head, body);
    CollectInstruction(OpcodeOfHead(head), body);
  }
  void AddSpawni(uint32_t head, uint32_t first, uint32_t second) {
    records_.AddSpawni(head, first, second);
    CollectInstruction(OpcodeOfHead(head), first);
  }
  void OpenSection() {
    records_.OpenSection();
    counter_.EnterData();
    section_start_ = counter_.index();
    in_section_ = true;
    table_.Insert(section_start_);
  }
  void AddPair(uint32_t first_word, uint32_t second_word) {
    records_.AddPair(first_word, second_word);
    counter_.CountDataPair();
  }
  void CloseSection() {
    records_.CloseSection();
    counter_.LeaveData();
    sections_.Add(section_start_, counter_.index());
    in_section_ = false;
  }

  // After the last record. Returns whether every jump and branch target lies
  // outside the data sections: only now are all sections known, as a target
  // may lie ahead of its jump.
  bool Finish();

 private:
  void CollectInstruction(uint32_t op, uint32_t body) {
    if (const auto target = TransferTarget(op, body, counter_.index())) {
      table_.InsertTarget(*target);
    }
    InsertThreadBoundaries(op, counter_.index(), table_);
    counter_.CountInstruction();
  }

  RecordList& records_;
  BoundaryTable& table_;
  IndexCounter counter_;
  DataSections sections_;
  uint32_t section_start_ = 0;
  bool in_section_ = false;
};

}  // namespace kiv::assembler
