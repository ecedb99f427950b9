#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "assembler/boundary_table.h"
#include "assembler/instruction_boundaries.h"
#include "assembler/log.h"
#include "assembler/pass1.h"
#include "assembler/record_decoder.h"
#include "assembler/record_list.h"
#include "assembler/transfer_target.h"
#include "common/instruction_word.h"
#include "common/record_writer.h"
#include "tests/support/back_end_stages.h"

namespace kiv::assembler {
namespace {

std::vector<uint32_t> Indices(BoundaryTable& table) {
  table.ComputePadding();
  std::vector<uint32_t> indices;
  for (const Boundary& boundary : table.boundaries()) indices.push_back(boundary.index);
  return indices;
}

std::vector<uint32_t> BoundariesOf(uint32_t op, uint32_t body, uint32_t index) {
  BoundaryTable table;
  if (const auto target = TransferTarget(op, body, index)) table.Insert(*target);
  InsertThreadBoundaries(op, index, table);
  return Indices(table);
}

TEST(InstructionBoundaries, JumpsStartBundlesAtTheirTargetAndJalAfterItself) {
  EXPECT_EQ(BoundariesOf(opcode::kJ, 3, 9), (std::vector<uint32_t>{3}));
  EXPECT_EQ(BoundariesOf(opcode::kJal, 3, 9), (std::vector<uint32_t>{3, 10}));
}

TEST(InstructionBoundaries, BranchTargetCountsFromTheNextInstruction) {
  const auto minus3 = ImmediateField(static_cast<uint32_t>(-3));
  for (const uint32_t op : {opcode::kBeq, opcode::kBne, opcode::kBclf, opcode::kBclt}) {
    EXPECT_EQ(BoundariesOf(op, RsField(7) | minus3, 10), (std::vector<uint32_t>{8})) << op;
    EXPECT_EQ(BoundariesOf(op, ImmediateField(2), 10), (std::vector<uint32_t>{13})) << op;
  }
  // Below index 0 the target wraps to a huge index.
  EXPECT_EQ(BoundariesOf(opcode::kBeq, ImmediateField(static_cast<uint32_t>(-2)), 0),
            (std::vector<uint32_t>{0xffffffffu}));
}

TEST(InstructionBoundaries, ThreadInstructionsEndOrOwnABundle) {
  for (const uint32_t op : {opcode::kSpawn, opcode::kFork, opcode::kHalt}) {
    EXPECT_EQ(BoundariesOf(op, 0, 7), (std::vector<uint32_t>{8})) << op;
  }
  for (const uint32_t op : {opcode::kJoin, opcode::kSpawni}) {
    EXPECT_EQ(BoundariesOf(op, 0, 7), (std::vector<uint32_t>{7, 8})) << op;
  }
  for (const uint32_t op : {opcode::kPs, opcode::kLa, opcode::kAddi, 0u, 201u}) {
    EXPECT_TRUE(BoundariesOf(op, 5, 7).empty()) << op;
  }
}

class AssemblerPass1Test : public ::testing::Test {
 protected:
  Status Run(const std::string& text) { return RunPass1(text, table_, log_); }
  std::vector<uint32_t> Boundaries() { return Indices(table_); }

  // Appends `count` addi records, which demand no boundary.
  void Addi(uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) writer_.Instruction(EncodeHead(opcode::kAddi, 0), i);
  }
  void Pairs(uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) writer_.DataPair(0, i);
  }
  void Jump(uint32_t target) { writer_.Instruction(EncodeHead(opcode::kJ, 0), target); }
  void Halt() { writer_.ShortInstruction(EncodeHead(opcode::kHalt, 0)); }

  std::string text_;
  RecordWriter writer_{text_};
  BoundaryTable table_;
  Log log_;
};

TEST_F(AssemblerPass1Test, SmallProgramGetsItsBranchTargetAndTheIndexAfterHalt) {
  ASSERT_EQ(Run("\n20 100003\n38 10100001\n14 13fffe\n3fc 0"), Status::kOk);
  EXPECT_EQ(Boundaries(), (std::vector<uint32_t>{1, 4}));
  table_.ComputePadding();
  EXPECT_EQ(table_.PaddingOfBoundary(1), 2u);
  EXPECT_EQ(table_.PaddingOfBoundary(4), 2u);
  EXPECT_TRUE(log_.text().empty());
}

TEST_F(AssemblerPass1Test, KeepsTheTargetsInTheOrderPassTwoMeetsTheirJumpsAndBranches) {
  // Pass 2 fetches the lookups of the targets ahead in this order: forward
  // and backward, repeated, after a data section and after a spawni.
  Jump(9);
  writer_.Instruction(EncodeHead(opcode::kBne, 0), ImmediateField(static_cast<uint32_t>(-2)));
  writer_.Spawni(1, 2);
  Halt();
  Jump(9);
  writer_.DataMarker();
  Pairs(2);
  writer_.EndOfData();
  writer_.Instruction(EncodeHead(opcode::kBclt, 0), ImmediateField(1));  // index 5 + 3
  writer_.Instruction(EncodeHead(opcode::kJal, 0), 0);
  ASSERT_EQ(Run(text_), Status::kOk);
  const auto targets = table_.targets();
  EXPECT_EQ(std::vector<uint32_t>(targets.begin(), targets.end()),
            (std::vector<uint32_t>{9, 0, 9, 10, 0}));
}

TEST_F(AssemblerPass1Test, EmptyInputLeavesTheTableEmpty) {
  EXPECT_EQ(Run(""), Status::kOk);
  EXPECT_TRUE(Boundaries().empty());
}

TEST_F(AssemblerPass1Test, SpawniTakesTwoLinesButOneIndex) {
  writer_.Spawni(1, 2);
  Halt();  // index 1
  ASSERT_EQ(Run(text_), Status::kOk);
  EXPECT_EQ(Boundaries(), (std::vector<uint32_t>{0, 1, 2}));
}

TEST_F(AssemblerPass1Test, DataSectionStartsABundleAndTakesThreeIndicesPerTwoPairs) {
  Addi(12);
  writer_.DataMarker();
  Pairs(4);
  writer_.EndOfData();
  Halt();  // index 12 + 4 + 2 = 18
  ASSERT_EQ(Run(text_), Status::kOk);
  EXPECT_EQ(Boundaries(), (std::vector<uint32_t>{12, 19}));
}

TEST_F(AssemblerPass1Test, OddPairCountIsCompletedByTheZeroPairBeforeHalving) {
  writer_.DataMarker();
  Pairs(3);
  writer_.EndOfData();
  Halt();  // 3 pairs and the zero pair: 4 + 2 = 6
  ASSERT_EQ(Run(text_), Status::kOk);
  EXPECT_EQ(Boundaries(), (std::vector<uint32_t>{0, 7}));
}

TEST_F(AssemblerPass1Test, MalformedRecordsAreLoggedAndStopThePass) {
  const char* const kMalformed[] = {
      "\n20",                       // head without a body
      "\n3f0 1 \n3f0",              // spawni without its second value
      "\n3f0 1 ",                   // spawni without its second line
      "\nfffe\n00000000",           // data pair without its second word
      "\nzz 0",                     // not a hexadecimal number
      "\n0x20 5",                   // prefixes are not digits
      "\n-1 0",                     // nor are signs
      "\n100000000 0",              // wider than 32 bits
      "\n3fc 0\n20 1g",             // a bad character after good records
      "\nfffe\n00000000000000051",  // a pair runs on past sixteen digits
  };
  for (const char* text : kMalformed) {
    BoundaryTable table;
    Log log;
    EXPECT_EQ(RunPass1(text, table, log), Status::kMalformedRecord) << text;
    EXPECT_EQ(log.text(), "ERROR: Malformed record in assembler.txt\n") << text;
    EXPECT_TRUE(log.console().empty()) << text;
  }
}

TEST_F(AssemblerPass1Test, RecordsAreAnyCaseHexSeparatedByAnyWhiteSpace) {
  EXPECT_EQ(Run("\r\n\t3FC  0 \r\n FFFE\t0000000000000005\n\nffffffffFFFFFFFF \n"), Status::kOk);
  EXPECT_EQ(Boundaries(), (std::vector<uint32_t>{1}));
}

TEST_F(AssemblerPass1Test, JumpOrBranchIntoADataSectionIsRefused) {
  Jump(2);               // ahead of its section: found only once the whole text is read
  writer_.DataMarker();  // section from index 1 to 1 + 2 + 1 = 4
  Pairs(2);
  writer_.EndOfData();
  Halt();
  EXPECT_EQ(Run(text_), Status::kTargetInData);
  EXPECT_EQ(log_.text(), "ERROR: Jump or branch target inside data section\n");
  EXPECT_TRUE(log_.console().empty());
}

TEST_F(AssemblerPass1Test, EveryIndexStrictlyInsideASectionIsRefusedAndItsEdgesAreNot) {
  // A section at index 0 with two pairs: indices 1 and 2 lie inside it (2 is
  // skipped by the end-of-data record); 0 and 3 are its edges.
  const auto run_with_branch_to = [](uint32_t target) {
    std::string text;
    RecordWriter writer(text);
    writer.DataMarker();
    writer.DataPair(0, 1);
    writer.DataPair(0, 2);
    writer.EndOfData();
    writer.ShortInstruction(EncodeHead(opcode::kHalt, 0));                        // index 3
    writer.Instruction(EncodeHead(opcode::kBne, 0), ImmediateField(target - 5));  // index 4
    BoundaryTable table;
    Log log;
    return RunPass1(text, table, log);
  };
  EXPECT_EQ(run_with_branch_to(0), Status::kOk);
  EXPECT_EQ(run_with_branch_to(1), Status::kTargetInData);
  EXPECT_EQ(run_with_branch_to(2), Status::kTargetInData);
  EXPECT_EQ(run_with_branch_to(3), Status::kOk);
}

TEST_F(AssemblerPass1Test, SectionAtTheMarkerAndAfterItsEndAcceptJumps) {
  Addi(1);
  writer_.DataMarker();  // index 1; the section ends at 1 + 2 + 1 = 4
  Pairs(2);
  writer_.EndOfData();
  Jump(1);
  Jump(4);
  Jump(0);
  EXPECT_EQ(Run(text_), Status::kOk);
}

TEST_F(AssemblerPass1Test, SectionRunningToTheEndReachesTheFinalIndex) {
  Jump(3);
  Jump(4);
  writer_.DataMarker();  // index 2, pairs take 2 and 3, final index 4
  Pairs(2);
  EXPECT_EQ(Run(text_), Status::kTargetInData);

  BoundaryTable table;
  std::string text;
  RecordWriter writer(text);
  writer.Instruction(EncodeHead(opcode::kJal, 0), 4);
  writer.Instruction(EncodeHead(opcode::kJ, 0), 2);
  writer.DataMarker();
  writer.DataPair(0, 1);
  writer.DataPair(0, 2);
  EXPECT_EQ(RunPass1(text, table, log_), Status::kOk);
}

TEST_F(AssemblerPass1Test, MalformedRecordIsReportedBeforeTargetsAreChecked) {
  writer_.DataMarker();
  Pairs(2);
  writer_.EndOfData();
  Jump(1);
  text_ += "\n20";
  EXPECT_EQ(Run(text_), Status::kMalformedRecord);
  EXPECT_EQ(log_.text(), "ERROR: Malformed record in assembler.txt\n");
}

// Pass 1 as one walk (boundaries found while decoding) and as two (decoding,
// then the plain walk over the list) on the same text.
struct Pass1Outcome {
  Status status = Status::kOk;
  std::vector<uint64_t> entries;
  std::vector<uint32_t> targets;
  std::vector<std::pair<uint32_t, uint32_t>> padded;  // index, padding
  bool operator==(const Pass1Outcome&) const = default;
};

Pass1Outcome Outcome(Status status, const RecordList& records, BoundaryTable& table) {
  Pass1Outcome outcome;
  outcome.status = status;
  outcome.entries.assign(records.entries().begin(), records.entries().end());
  if (status == Status::kMalformedRecord) return outcome;  // the list is as far as it got
  outcome.targets.assign(table.targets().begin(), table.targets().end());
  table.ComputePadding();
  for (const Boundary& boundary : table.boundaries()) {
    outcome.padded.emplace_back(boundary.index, boundary.padding);
  }
  return outcome;
}

Pass1Outcome OneWalk(const std::string& text) {
  RecordList records;
  BoundaryTable table;
  Log log;
  const Status status = RunPass1(text, table, log, records);
  return Outcome(status, records, table);
}

Pass1Outcome TwoWalks(const std::string& text) {
  RecordList records;
  BoundaryTable table;
  Log log;
  if (!DecodeRecords(text, records)) return Outcome(Status::kMalformedRecord, records, table);
  const Status status = CollectBoundaries(records, table, log);
  return Outcome(status, records, table);
}

// A random program's records: every kind of instruction, jumps and branches
// to indices all over the program (into data too, or wrapping below 0),
// sections closed or running to the end, and now and then a record that
// cannot be read.
std::string RandomRecords(std::mt19937& random) {
  const auto pick = [&](uint32_t n) { return static_cast<uint32_t>(random() % n); };
  const auto word = [&] { return static_cast<uint32_t>(random()); };
  const uint32_t kOpcodes[] = {opcode::kJ,    opcode::kJal,  opcode::kBeq,   opcode::kBne,
                               opcode::kBclf, opcode::kBclt, opcode::kSpawn, opcode::kJoin,
                               opcode::kPs,   opcode::kFork, opcode::kHalt,  opcode::kAddi,
                               opcode::kLa,   opcode::kFloat};
  std::string text;
  RecordWriter writer(text);
  const auto section = [&](uint32_t pairs, bool closed) {
    writer.DataMarker();
    for (uint32_t k = 0; k < pairs; ++k) writer.DataPair(pick(4), word());
    if (closed) writer.EndOfData();
  };
  // Half the programs have a section only at the end, if at all, so that it
  // alone decides whether a target lies in data.
  const bool sections_inside = pick(2) == 0;
  const uint32_t records = pick(300);
  uint32_t index = 0;  // about the instruction index: pairs count one each
  for (uint32_t r = 0; r < records; ++r, ++index) {
    const uint32_t kind = pick(60);
    if (kind == 0 && sections_inside) {
      const uint32_t pairs = pick(8);
      section(pairs, true);
      index += pairs;
    } else if (kind == 1) {
      writer.Spawni(word(), word());
    } else if (kind == 2 && pick(10) == 0) {
      text += "\n20 1g";  // malformed
    } else {
      const uint32_t op = kOpcodes[pick(std::size(kOpcodes))];
      const uint32_t target = pick(records + 10);
      const uint32_t body = op == opcode::kJ || op == opcode::kJal
                                ? target
                                : RsField(pick(64)) | ImmediateField(target - index - 1);
      writer.Instruction(EncodeHead(op, pick(4)), pick(50) == 0 ? word() : body);
    }
  }
  if (pick(2) == 0) section(pick(12), pick(2) == 0);  // closed, or running to the end
  return text;
}

TEST(Pass1OneWalk, FindsWhatTheWalkOverTheDecodedListFinds) {
  std::mt19937 random(20261208);
  int refused = 0;
  for (int round = 0; round < 3000; ++round) {
    const std::string text = RandomRecords(random);
    const Pass1Outcome expected = TwoWalks(text);
    refused += expected.status != Status::kOk;
    ASSERT_EQ(OneWalk(text), expected) << text;
  }
  // Both refusals and acceptances were met.
  EXPECT_GT(refused, 100);
  EXPECT_LT(refused, 2900);
}

TEST(Pass1OneWalk, LeavesNoBoundariesOfATextItCannotRead) {
  RecordList records;
  BoundaryTable table;
  Log log;
  EXPECT_EQ(RunPass1("\n8 5\n20 1g", table, log, records), Status::kMalformedRecord);
  EXPECT_TRUE(table.targets().empty());
  table.ComputePadding();
  EXPECT_TRUE(table.boundaries().empty());
}

}  // namespace
}  // namespace kiv::assembler
