#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/boundary_table.h"
#include "assembler/log.h"
#include "assembler/output_sink.h"
#include "assembler/pack.h"
#include "assembler/pass1.h"
#include "assembler/pass2.h"
#include "assembler/record_list.h"
#include "byte_string.h"
#include "common/instruction_word.h"
#include "common/record_writer.h"
#include "tests/support/back_end_stages.h"

namespace kiv::assembler {
namespace {

using kiv::testing::Bytes;

const std::string kEnd = "\xff\xff\xff\xff";

// Both passes over the same text, as the driver runs them.
class AssemblerPass2Test : public ::testing::Test {
 protected:
  void Assemble(const std::string& text) {
    PackResult result = Pack(text);
    ASSERT_EQ(result.status, Status::kOk) << result.log;
    table_ = std::move(result.boundaries);
    image_ = std::move(result.image);
    listing_ = std::move(result.listing);
  }

  void Addi(uint32_t immediate) { writer_.Instruction(EncodeHead(opcode::kAddi, 0), immediate); }

  // Pass 1 and padding over text_, keeping the records it decoded.
  void DecodeWithPass1(BoundaryTable& table, RecordList& records) {
    Log log;
    ASSERT_EQ(RunPass1(text_, table, log, records), Status::kOk) << log.text();
    table.ComputePadding();
  }

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
  image_ = "image";
  listing_ = "listing";
  EXPECT_EQ(RunPass2("\n3fc 0\n20", table, image_, listing_), Status::kMalformedRecord);
  // Nothing of the good records before the bad one is written.
  EXPECT_EQ(image_, "image");
  EXPECT_EQ(listing_, "listing");
}

TEST_F(AssemblerPass2Test, RecordsHandedOnByPass1GiveWhatTheTextGives) {
  writer_.Instruction(EncodeHead(opcode::kJal, 0), 8);  // to the bne after the section
  writer_.Spawni(0x12345678, 0x9abcdef0);               // index 1; the section is 2 to 7
  writer_.DataMarker();
  for (uint32_t i = 0; i < 3; ++i) writer_.DataPair(i, ~i);
  writer_.EndOfData();
  writer_.Instruction(EncodeHead(opcode::kBne, 0), ImmediateField(static_cast<uint32_t>(-8)));
  writer_.ShortInstruction(EncodeHead(opcode::kHalt, 0));
  Assemble(text_);

  BoundaryTable table;
  RecordList records;
  DecodeWithPass1(table, records);
  EXPECT_EQ(records.instruction_count(), 4u);
  EXPECT_EQ(records.pair_count(), 3u);
  std::string image;
  std::string listing;
  RunPass2(records, table, image, listing);
  EXPECT_EQ(image, image_);
  EXPECT_EQ(listing, listing_);
}

TEST_F(AssemblerPass2Test, BoundariesAreMetRecordByRecordEvenInsideDataSections) {
  // A table pass 1 would not make for this text: its boundary 2 lies inside
  // the section (indices 0 to 5). Pass 2 still steps past it at the third
  // pair, so the boundary at 8 ends the bundle of the instructions at 6 and 7.
  writer_.DataMarker();
  for (uint32_t i = 0; i < 4; ++i) writer_.DataPair(0, i);
  writer_.EndOfData();
  for (uint32_t i = 6; i < 10; ++i) Addi(i);
  BoundaryTable table;
  table.Insert(2);
  table.Insert(8);
  table.ComputePadding();
  ASSERT_EQ(RunPass2(text_, table, image_, listing_), Status::kOk);
  EXPECT_EQ(listing_.substr(2 * 36),
            "00000000000 02000000007 02000000006 2\n"
            "00000000000 02000000009 02000000008 2\n");
}

TEST_F(AssemblerPass2Test, LargeOutputsAreHandedOnInBoundedPartsOfWholeLines) {
  // Parts are cut between records, so each listing part holds whole lines
  // (no data section here) and stays near the part size however large the
  // whole. The image comes whole with the last part: the driver writes it
  // as it comes, after the listing.
  class PartsSink : public OutputSink {
   public:
    void Take(std::string_view image_part, std::string_view listing_part) override {
      image_parts.emplace_back(image_part);
      listing += listing_part;
      listing_parts.emplace_back(listing_part);
    }
    std::vector<std::string> image_parts;
    std::string listing;
    std::vector<std::string> listing_parts;
  };
  for (uint32_t i = 0; i < 100000; ++i) {
    if (i % 7 == 0) writer_.ShortInstruction(EncodeHead(opcode::kHalt, 0));
    Addi(i);
  }
  Assemble(text_);

  BoundaryTable table;
  RecordList records;
  DecodeWithPass1(table, records);
  PartsSink sink;
  RunPass2(records, table, sink);
  ASSERT_FALSE(sink.image_parts.empty());
  EXPECT_EQ(sink.image_parts.back(), image_);
  sink.image_parts.pop_back();
  for (const std::string& part : sink.image_parts) EXPECT_TRUE(part.empty());
  EXPECT_EQ(sink.listing, listing_);
  ASSERT_GT(sink.listing_parts.size(), 4u);
  for (const std::string& part : sink.listing_parts) {
    EXPECT_LE(part.size(), (size_t{256} << 10) + 2 * 38);
    EXPECT_EQ(part.size() % 38, 0u);
  }
}

// A random program that pass 1 accepts: every kind of instruction, jumps and
// branches to instructions all over it, spawni, la and data sections.
std::string RandomAcceptedRecords(std::mt19937& random) {
  const auto pick = [&](uint32_t n) { return static_cast<uint32_t>(random() % n); };
  const uint32_t kOpcodes[] = {opcode::kJ,    opcode::kJal,   opcode::kBeq,  opcode::kBne,
                               opcode::kBclf, opcode::kBclt,  opcode::kJoin, opcode::kSpawn,
                               opcode::kFork, opcode::kHalt,  opcode::kAddi, opcode::kLa,
                               opcode::kPs,   opcode::kFloat, opcode::kAddi, opcode::kAddi};
  std::string text;
  RecordWriter writer(text);
  const uint32_t records = 1 + pick(400);
  // Targets only below the first section, so that none lies inside data.
  const uint32_t code = records / 2;
  for (uint32_t index = 0; index < records; ++index) {
    if (index > code && pick(40) == 0) {
      writer.DataMarker();
      for (uint32_t pairs = 1 + pick(5); pairs > 0; --pairs) writer.DataPair(pick(9), pick(9));
      writer.EndOfData();
    } else if (pick(50) == 0) {
      writer.Spawni(pick(1000), pick(1000));
    } else {
      // Past the code part the indices run ahead of the records (data takes
      // indices too): jumps there still aim below it, and branches, which
      // count from their own index, are left out.
      const uint32_t op = kOpcodes[pick(std::size(kOpcodes))];
      const uint32_t target = pick(code + 1);
      const bool branch = IsBranchOpcode(op);
      const uint32_t body = op == opcode::kJ || op == opcode::kJal ? target
                            : op == opcode::kLa                    ? pick(2000)
                            : branch && index < code
                                ? RsField(pick(64)) | ImmediateField(target - index - 1)
                                : pick(1000);
      writer.Instruction(EncodeHead(branch && index >= code ? opcode::kAddi : op, pick(4)), body);
    }
  }
  return text;
}

TEST(Pass2ResolvedTargets, PackTheSameBytesAsALookUpForEveryTarget) {
  // A table holding the same boundaries, but not as targets, leaves pass 2
  // nothing resolved: it looks every target up.
  std::mt19937 random(20261209);
  for (int round = 0; round < 400; ++round) {
    const std::string text = RandomAcceptedRecords(random);
    const PackResult packed = Pack(text);
    ASSERT_EQ(packed.status, Status::kOk) << packed.log;
    BoundaryTable looked_up;
    for (const Boundary& boundary : packed.boundaries.boundaries())
      looked_up.Insert(boundary.index);
    looked_up.ComputePadding();
    ASSERT_TRUE(looked_up.resolved_targets().empty());
    std::string image;
    std::string listing;
    ASSERT_EQ(RunPass2(text, looked_up, image, listing), Status::kOk);
    ASSERT_EQ(image, packed.image) << text;
    ASSERT_EQ(listing, packed.listing) << text;
  }
}

}  // namespace
}  // namespace kiv::assembler
