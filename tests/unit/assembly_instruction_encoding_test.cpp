// Encode over every mnemonic, against words worked out by hand from the
// field layout: a wrong opcode, function number or field in any row fails.
#include <gtest/gtest.h>

#include <map>
#include <string_view>

#include "assembly/instruction_encoding.h"
#include "assembly/mnemonic_table.h"

namespace kiv::assembly {
namespace {

// rs 200 puts its bits 7-6 (3) into the head; rt and rd enter by their low
// 8 bits; the value is cut to 18 bits (0x14321) as an immediate, to 26 bits
// (0x3654321) as la's target, and kept whole by j, jal and spawni. A field a
// form does not fill stays 0 even though every operand is set.
constexpr Operands kOperands{
    .rs = 200, .rt = 0x1ab, .rd = 0x107, .immediate = 0x87654321, .second = 9};

const std::map<std::string_view, EncodedWord>& ExpectedWords() {
  static const std::map<std::string_view, EncodedWord> words{
      {"add", {0x3, 0x22ac1c20, 0x0}},
      {"addu", {0x3, 0x22ac1c21, 0x0}},
      {"and", {0x3, 0x22ac1c24, 0x0}},
      {"div", {0x3, 0x22ac1c1a, 0x0}},
      {"divu", {0x3, 0x22ac1c1b, 0x0}},
      {"mult", {0x3, 0x22ac1c18, 0x0}},
      {"multu", {0x3, 0x22ac1c19, 0x0}},
      {"or", {0x3, 0x22ac1c25, 0x0}},
      {"sll", {0x3, 0x22ac1c00, 0x0}},
      {"srl", {0x3, 0x22ac1c02, 0x0}},
      {"slt", {0x3, 0x22ac1c2a, 0x0}},
      {"sltu", {0x3, 0x22ac1c2b, 0x0}},
      {"sub", {0x3, 0x22ac1c22, 0x0}},
      {"subu", {0x3, 0x22ac1c23, 0x0}},
      {"jr", {0x3, 0x20000008, 0x0}},
      {"jalr", {0x3, 0x20001c09, 0x0}},
      {"add.s", {0x47, 0x22ac1d00, 0x0}},
      {"sub.s", {0x47, 0x22ac1d01, 0x0}},
      {"mul.s", {0x47, 0x22ac1d02, 0x0}},
      {"div.s", {0x47, 0x22ac1d03, 0x0}},
      {"add.d", {0x47, 0x22ac1d10, 0x0}},
      {"sub.d", {0x47, 0x22ac1d11, 0x0}},
      {"mul.d", {0x47, 0x22ac1d12, 0x0}},
      {"div.d", {0x47, 0x22ac1d13, 0x0}},
      {"c.lt.s", {0x47, 0x22ac1d3c, 0x0}},
      {"s.lt.d", {0x47, 0x22ac1d4c, 0x0}},
      {"addi", {0x23, 0x22ad4321, 0x0}},
      {"addiu", {0x27, 0x22ad4321, 0x0}},
      {"andi", {0x33, 0x22ad4321, 0x0}},
      {"beq", {0x13, 0x22ad4321, 0x0}},
      {"bne", {0x17, 0x22ad4321, 0x0}},
      {"ori", {0x37, 0x22ad4321, 0x0}},
      {"slti", {0x2b, 0x22ad4321, 0x0}},
      {"sltiu", {0x2f, 0x22ad4321, 0x0}},
      {"lui", {0x3f, 0x22ad4321, 0x0}},
      {"subi", {0x3b, 0x22ad4321, 0x0}},
      {"lw", {0x8f, 0x22ad4321, 0x0}},
      {"sw", {0xaf, 0x22ad4321, 0x0}},
      {"lwc1", {0xc7, 0x22ad4321, 0x0}},
      {"swc1", {0xe7, 0x22ad4321, 0x0}},
      {"psm", {0x3e7, 0x22ad4321, 0x0}},
      {"move", {0x23, 0x22ac0000, 0x0}},
      {"movei", {0x20, 0x2ad4321, 0x0}},
      {"li", {0x20, 0x2ad4321, 0x0}},
      {"bclt", {0x204, 0x14321, 0x0}},
      {"bclf", {0x200, 0x14321, 0x0}},
      {"j", {0x8, 0x87654321, 0x0}},
      {"jal", {0xc, 0x87654321, 0x0}},
      {"la", {0x93, 0x23654321, 0x0}},
      {"ps", {0x3f7, 0x22ac0000, 0x0}},
      {"spawn", {0x3eb, 0x22ac0000, 0x0}},
      {"spawni", {0x3f0, 0x87654321, 0x9}},
      {"halt", {0x3fc, 0x0, 0x0}},
      {"fork", {0x3f8, 0x0, 0x0}},
      {"join", {0x3ec, 0x0, 0x0}},
      {"prn", {0x50, 0x0, 0x0}},
      {"nop", {0x0, 0x0, 0x0}},
  };
  return words;
}

TEST(Encode, EveryMnemonicGivesItsHandWorkedWord) {
  ASSERT_EQ(Mnemonics().size(), ExpectedWords().size());
  for (const Mnemonic& row : Mnemonics()) {
    const auto expected = ExpectedWords().find(row.token);
    ASSERT_NE(expected, ExpectedWords().end()) << row.token;
    const EncodedWord word = Encode(row, kOperands);
    EXPECT_EQ(word.head, expected->second.head) << row.token;
    EXPECT_EQ(word.body, expected->second.body) << row.token;
    EXPECT_EQ(word.second_body, expected->second.second_body) << row.token;
  }
}

TEST(Encode, FieldsStayInTheirBitsWhateverTheRegisterNumbers) {
  const Mnemonic& add = *Classify("add").mnemonic;
  // Register numbers enter by their low 8 bits: 257 is register 1.
  EXPECT_EQ(Encode(add, {.rs = 257, .rt = 257, .rd = 257}),
            Encode(add, {.rs = 1, .rt = 1, .rd = 1}));
  // rs bits 7-6 go to the head, bits 5-0 to the top of the body.
  EXPECT_EQ(Encode(add, {.rs = 0xff}), (EncodedWord{0x3, 0xfc000020, 0}));
}

}  // namespace
}  // namespace kiv::assembly
