#include <gtest/gtest.h>

#include "byte_string.h"

#include <cstdint>
#include <initializer_list>
#include <sstream>
#include <string>

#include "assembler/boundary_table.h"
#include "assembler/log.h"
#include "assembler/pass1.h"
#include "assembler/pass2.h"
#include "common/instruction_word.h"
#include "common/record_writer.h"

namespace kiv::assembler {
namespace {

using kiv::testing::Bytes;

const std::string kEnd = "\xff\xff\xff\xff";

// Both passes over the same text, as the driver runs them.
class AssemblerPass2Test : public ::testing::Test {
 protected:
  void Assemble(const std::string& text) {
    std::ostringstream console;
    std::ostringstream log_file;
    Log log(console, log_file);
    ASSERT_EQ(RunPass1(text, table_, log), Status::kOk) << log_file.str();
    table_.ComputePadding();
    ASSERT_EQ(RunPass2(text, table_, image_, listing_), Status::kOk);
  }

  void Addi(uint32_t immediate) { writer_.Instruction(EncodeHead(opcode::kAddi, 0), immediate); }

  std::string text_;
  RecordWriter writer_{text_};
  BoundaryTable table_;
  std::string image_;
  std::string listing_;
};

TEST_F(AssemblerPass2Test, SmallProgramPacksIntoTwoBundles) {
  // li; loop: subi; bne loop; halt
  Assemble("\n20 100003\n38 10100001\n14 13fffe\n3fc 0");
  EXPECT_EQ(listing_,
            "00000000000 00000000000 02000100003 1\n"
            "3fc00000000 01400100000 03810100001 3\n");
  EXPECT_EQ(image_,
            Bytes({0x0d, 0, 0x40, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}) +
                Bytes({0x07, 0, 0x40, 0x40, 0xe0, 0, 0, 0, 0x01, 0x40, 0x01, 0, 0, 0, 0, 0xff}) +
                kEnd);
}

TEST_F(AssemblerPass2Test, EmptyInputGivesOnlyTheClosingBytes) {
  Assemble("");
  EXPECT_TRUE(listing_.empty());
  EXPECT_EQ(image_, kEnd);
}

TEST_F(AssemblerPass2Test, TwoDataPairsMakeOneDataLine) {
  writer_.DataMarker();
  writer_.DataPair(0, 5);
  writer_.DataPair(0, 6);
  writer_.EndOfData();
  Assemble(text_);
  EXPECT_EQ(listing_, "00000005 00000000 00000006 00000000\n");
  EXPECT_EQ(image_, Bytes({5, 0, 0, 0, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0}) + kEnd);
}

TEST_F(AssemblerPass2Test, OddPairCountIsCompletedByAZeroPair) {
  writer_.DataMarker();
  writer_.DataPair(0, 5);
  writer_.EndOfData();
  Assemble(text_);
  EXPECT_EQ(listing_, "00000005 00000000 00000000 00000000\n");
  EXPECT_EQ(image_, Bytes({5, 0, 0, 0, 0, 0, 0, 0}) + std::string(8, '\0') + kEnd);
}

TEST_F(AssemblerPass2Test, JumpPastAnOddDataSectionLandsOnItsInstruction) {
  writer_.DataMarker();
  writer_.DataPair(0, 5);
  writer_.DataPair(0, 6);
  writer_.DataPair(0, 7);
  writer_.EndOfData();  // two data lines: units 0 and 1, indices 0 to 5
  Addi(1);              // index 6, unit 2
  writer_.Instruction(EncodeHead(opcode::kJ, 0), 6);
  Assemble(text_);
  ASSERT_EQ(image_.size(), 3u * 16 + 4);
  // The jump holds the byte address at which the addi really sits.
  EXPECT_EQ(listing_.substr(2 * 36), "00000000000 00800000020 02000000001 2\n");
}

TEST_F(AssemblerPass2Test, DataSectionRunningToTheEndLeavesAHalfUnit) {
  writer_.DataMarker();
  writer_.DataPair(0, 5);
  Assemble(text_);
  EXPECT_EQ(listing_, "00000005 00000000 ");
  EXPECT_EQ(image_, Bytes({5, 0, 0, 0, 0, 0, 0, 0}) + kEnd);
}

TEST_F(AssemblerPass2Test, PendingBundleIsWrittenBeforeADataSection) {
  Addi(1);
  Addi(2);
  writer_.DataMarker();
  writer_.DataPair(0, 5);
  writer_.DataPair(0, 6);
  writer_.EndOfData();
  Addi(3);
  Addi(4);
  Assemble(text_);
  // The marker at index 2 is the last boundary; packing goes on after it.
  EXPECT_EQ(listing_,
            "00000000000 02000000002 02000000001 2\n"
            "00000005 00000000 00000006 00000000\n"
            "00000000000 02000000004 02000000003 2\n");
  EXPECT_EQ(image_.size(), 3u * 16 + 4);
}

TEST_F(AssemblerPass2Test, SpawniAndJoinEachGetABundleOfTheirOwn) {
  Addi(1);
  writer_.Spawni(5, 7);
  writer_.ShortInstruction(EncodeHead(opcode::kJoin, 0));
  Addi(2);
  Assemble(text_);
  EXPECT_EQ(listing_,
            "00000000000 00000000000 02000000001 1\n"
            "00000000000 00000000000 01c00000005 0\n"
            "00000000000 00000000000 3ec00000000 0\n"
            "00000000000 00000000000 02000000002 1\n");
}

TEST_F(AssemblerPass2Test, JumpsAndAddressesBecomeBundleAddresses) {
  writer_.Instruction(EncodeHead(opcode::kJal, 0), 3);  // 0: target 3, boundary 1 after it
  Addi(1);                                              // 1: bundle 1
  writer_.Instruction(EncodeHead(opcode::kLa, 0), RtField(2) | 3);  // 2
  Addi(2);                                                          // 3: bundle 2
  Assemble(text_);
  EXPECT_EQ(listing_,
            "00000000000 00000000000 00c00000020 1\n"
            "00000000000 09000080020 02000000001 2\n"
            "00000000000 00000000000 02000000002 1\n");
}

TEST_F(AssemblerPass2Test, ABoundaryAfterEveryInstructionStaysLinear) {
  constexpr uint32_t kCount = 200000;
  for (uint32_t i = 0; i < kCount; ++i) writer_.ShortInstruction(EncodeHead(opcode::kHalt, 0));
  Assemble(text_);
  EXPECT_EQ(image_.size(), size_t{kCount} * 16 + 4);
  EXPECT_EQ(table_.boundaries().size(), kCount);
}

TEST_F(AssemblerPass2Test, MalformedTextIsRefusedWhenCalledAlone) {
  BoundaryTable table;
  table.ComputePadding();
  EXPECT_EQ(RunPass2("\n3fc 0\n20", table, image_, listing_), Status::kMalformedRecord);
}

}  // namespace
}  // namespace kiv::assembler
