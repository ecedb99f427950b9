// Data directives in the encoding pass, and the agreement of both passes'
// instruction indices around them.
#include <gtest/gtest.h>

#include <string>

#include "front_end_harness.h"

namespace kiv::assembly {
namespace {

using testing::AssembleSource;
using testing::LabelValue;

constexpr const char* kFiller = "\n1111111111111111";
constexpr const char* kEnd = "\nffffffffffffffff";

TEST(DataDirectives, SectionOfWordsAndStringWithInstructionAfter) {
  const auto result =
      AssembleSource(".rdata\n.word 5\n.word -2\n.ascii \"Hi\"\n.text\nafter: j after\n");
  EXPECT_EQ(result.status, Status::kSuccess);
  EXPECT_EQ(result.object,
            std::string("\nfffe\n0000000000000005\n00000000fffffffe\n1111111111116948") + kFiller +
                kEnd + "\n8 6");
  EXPECT_EQ(LabelValue(result.labels, "after"), 6);
}

TEST(DataDirectives, OddWordRunsGetAFillerPairThatTakesAnIndex) {
  auto result = AssembleSource(".rdata\n.word 7\n.text\nx: j x");
  EXPECT_EQ(result.object, std::string("\nfffe\n0000000000000007") + kFiller + kEnd + "\n8 3");
  result = AssembleSource(".rdata\n.word 1\n.word 2\n.text\nx: j x");
  EXPECT_EQ(result.object,
            std::string("\nfffe\n0000000000000001\n0000000000000002") + kEnd + "\n8 3");
  result = AssembleSource(".rdata\n.word 1\n.align 4\n.word 2\n.text\nx: j x");
  EXPECT_EQ(result.object, std::string("\nfffe\n0000000000000001") + kFiller +
                               "\n0000000000000002" + kFiller + kEnd + "\n8 6");
  result = AssembleSource(".rdata\n.word 1\n.word 2\n.word 3\n.text\nx: j x");
  EXPECT_EQ(result.object.substr(result.object.rfind('\n') + 1), "8 6");
}

TEST(DataDirectives, WordValuesWrapAndMayStandOnTheNextLine) {
  const auto result = AssembleSource(".rdata\n.word -1\n.word\n4294967298\n");
  EXPECT_EQ(result.object, "\nfffe\n00000000ffffffff\n0000000000000002");
}

TEST(DataDirectives, AsciiPacksEightBytesPerPairInSourceOrder) {
  auto result = AssembleSource(".rdata\n.ascii \"abcdefgh\"\n");
  EXPECT_EQ(result.object, std::string("\nfffe\n6867666564636261") + kFiller);
  result = AssembleSource(".rdata\n.ascii \"0123456789abcdef\"\n.text\nx: j x");
  EXPECT_EQ(result.object,
            std::string("\nfffe\n3736353433323130\n6665646362613938") + kEnd + "\n8 3");
  result = AssembleSource(".rdata\n.ascii \"0123456789abcdefg\"\n.text\nx: j x");
  EXPECT_EQ(result.object.substr(result.object.rfind('\n') + 1), "8 6");
  result = AssembleSource(".rdata\n.ascii \"\"\n.text\nx: j x");
  EXPECT_EQ(result.object, std::string("\nfffe") + kEnd + "\n8 0");
  // A tab as the eighth byte; quoted punctuation stays as it is.
  result = AssembleSource(".rdata\n.ascii \"a,b;c#d\t\"\n");
  EXPECT_EQ(result.object, std::string("\nfffe\n096423633b622c61") + kFiller);
}

TEST(DataDirectives, LongStringsArePlacedWhole) {
  const std::string text(1000, 'z');  // 1000 bytes: 63 data lines
  const auto result = AssembleSource(".rdata\ns: .ascii \"" + text + "\"\n.text\nx: j x\n");
  EXPECT_EQ(result.status, Status::kSuccess);
  EXPECT_EQ(LabelValue(result.labels, "x"), 63 * 3);
  EXPECT_EQ(result.object.substr(result.object.rfind('\n') + 1), "8 bd");
}

TEST(DataDirectives, MissingOpeningQuoteIsLoggedAndReadOn) {
  // The second blank is taken as the opening quote; the real quote closes
  // an empty string, and the string's text is then read as statements.
  const auto result = AssembleSource(".rdata\n.ascii  \"Hi\"\n");
  EXPECT_EQ(result.log, "!!ERROR: Error ASCII parsing 0\n!!ERROR: Unsupported instruction:  0\n");
  EXPECT_EQ(result.status, Status::kUnsupportedInstruction);
  EXPECT_EQ(result.object, "\nfffe");
}

TEST(DataDirectives, UnclosedOrEndMarkerLikeStringsFailWithoutWritingThem) {
  auto result = AssembleSource(".rdata\n.word 1\n.ascii \"0123456789 never closed");
  EXPECT_EQ(result.status, Status::kMalformedOperand);
  EXPECT_EQ(result.log, "!!ERROR: Error ASCII parsing 1\n");
  EXPECT_EQ(result.object, "\nfffe\n0000000000000001");
  result = AssembleSource(".rdata\n.ascii \"abcd\xff\xff\xff\xff\"\n");
  EXPECT_EQ(result.status, Status::kMalformedOperand);
  EXPECT_EQ(result.log, "!!ERROR: Error ASCII parsing 0\n");
  EXPECT_EQ(result.object, "\nfffe");
  result = AssembleSource(".rdata\n.ascii \"abcd\xff\xff\xff\xfe\"\n");
  EXPECT_EQ(result.status, Status::kSuccess);
}

TEST(DataDirectives, DataOutsideASectionIsRefusedFirst) {
  for (const char* source :
       {"halt\n.word 5", "halt\n.word x", "halt\n.ascii \"x\"", "halt\n.rdata\n.text\n.word 5"}) {
    const auto result = AssembleSource(source);
    EXPECT_EQ(result.status, Status::kMalformedOperand) << source;
    EXPECT_EQ(result.log, "!!ERROR: Data directive outside data section:  1\n") << source;
  }
  const auto bad_word = AssembleSource(".rdata\n.word x");
  EXPECT_EQ(bad_word.log, "!!ERROR: Invalid operand:  0\n");
  EXPECT_EQ(bad_word.object, "\nfffe");
}

TEST(DataDirectives, SeveralSectionsEachGetMarkerAndEnd) {
  const auto result = AssembleSource(
      ".text\nhalt\n.rdata\na: .word 1\n.rdata\n.word 2\n.text\n.text\n"
      "b: halt\n.rdata\nc: .word 3\n.text\nd: j d\n");
  EXPECT_EQ(result.status, Status::kSuccess);
  EXPECT_EQ(result.object, std::string("\n3fc 0\nfffe\n0000000000000001\n0000000000000002") + kEnd +
                               "\n3fc 0\nfffe\n0000000000000003" + kFiller + kEnd + "\n8 8");
  EXPECT_EQ(LabelValue(result.labels, "a"), 1);
  EXPECT_EQ(LabelValue(result.labels, "b"), 4);
  EXPECT_EQ(LabelValue(result.labels, "c"), 5);
  EXPECT_EQ(LabelValue(result.labels, "d"), 8);
}

TEST(DataDirectives, InstructionsInsideAnOpenSectionAreRefused) {
  const auto result = AssembleSource("halt\n.rdata\n.word 1\nhalt\n");
  EXPECT_EQ(result.status, Status::kMalformedOperand);
  EXPECT_EQ(result.log, "!!ERROR: Instruction inside data section:  2\n");
  EXPECT_EQ(result.object, "\n3fc 0\nfffe\n0000000000000001");
}

TEST(DataDirectives, AlignAnywhereAndItsOperandIsOptional) {
  auto result = AssembleSource(".align 8\nhalt\n.align\nhalt\n.align 64\n");
  EXPECT_EQ(result.status, Status::kSuccess);
  EXPECT_EQ(result.object, "\n3fc 0\n3fc 0");
}

TEST(DataDirectives, SectionRunningToTheEndHasNoEndRecord) {
  const auto result = AssembleSource(".rdata\n.word 1\n");
  EXPECT_EQ(result.object, "\nfffe\n0000000000000001");
}

}  // namespace
}  // namespace kiv::assembly
