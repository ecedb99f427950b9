// The disassembler reads the front end's own mnemonic table backwards: every
// word the encoder makes decodes to an instruction that encodes to it again,
// and the text printed for it assembles to the same record.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "assembly/assemble.h"
#include "assembly/instruction_encoding.h"
#include "assembly/mnemonic_table.h"
#include "kiv/disassembler.h"

namespace kiv::tool {
namespace {

using assembly::Mnemonic;
using assembly::OperandForm;

const Mnemonic& Row(std::string_view token) {
  for (const Mnemonic& row : assembly::Mnemonics()) {
    if (row.token == token) return row;
  }
  throw std::runtime_error("no such mnemonic");
}

// Register numbers that reach the head's two rs bits and the edges of each
// field; immediates of both signs.
constexpr std::array<assembly::Operands, 4> kOperandSets{{
    {1, 2, 3, 5, 0},
    {200, 255, 64, 0x3ffff, 0},
    {63, 0, 128, 131071, 0},
    {255, 129, 255, 0x20000, 0},
}};

// The "head body" record the front end writes for a one-line source.
std::string RecordOf(const std::string& source) {
  const assembly::AssemblyResult result = assembly::Assemble(source);
  EXPECT_EQ(result.status, assembly::Status::kSuccess) << source;
  return result.object_text;
}

std::string RecordOf(const assembly::EncodedWord& word) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "\n%x %x", word.head, word.body);
  return buffer;
}

TEST(KivDisassembler, EveryMnemonicDecodesToWhatEncodesItAgain) {
  for (const Mnemonic& row : assembly::Mnemonics()) {
    if (row.record == assembly::RecordKind::kSpawni) continue;  // no slot word
    for (const assembly::Operands& operands : kOperandSets) {
      const uint64_t word = WordOf(assembly::Encode(row, operands));
      const auto decoded = DecodeWord(word);
      ASSERT_TRUE(decoded.has_value()) << row.token;
      EXPECT_EQ(WordOf(assembly::Encode(*decoded->row, decoded->operands)), word) << row.token;
      // Rows that share an encoding decode to the first of them.
      if (row.token == "move" || row.token == "movei" || row.token == "li") {
        EXPECT_EQ(decoded->row->token, "addi");
      } else if (word != 0) {
        EXPECT_EQ(decoded->row->token, row.token);
      }
    }
  }
}

TEST(KivDisassembler, PrintedTextAssemblesToTheSameRecord) {
  for (const Mnemonic& row : assembly::Mnemonics()) {
    if (row.record != assembly::RecordKind::kInstruction || HasTargetOperand(row)) continue;
    for (const assembly::Operands& operands : kOperandSets) {
      const assembly::EncodedWord encoded = assembly::Encode(row, operands);
      const auto decoded = DecodeWord(WordOf(encoded));
      ASSERT_TRUE(decoded.has_value()) << row.token;
      const std::string text = FormatInstruction(*decoded, ValueText(*decoded));
      if (encoded.head == 0 && encoded.body == 0) continue;  // nop writes "0 0"
      EXPECT_EQ(RecordOf(text), RecordOf(encoded)) << text;
    }
  }
}

TEST(KivDisassembler, ShortRecordsAndSpawniPrintWhatTheFrontEndReads) {
  EXPECT_EQ(RecordOf(FormatInstruction(*DecodeWord(uint64_t{0x3fc} << 32), "")), "\n3fc 0");
  const Instruction spawni = SpawniInstruction(0xfffffffbu, 7);
  EXPECT_EQ(FormatInstruction(spawni, ""), "spawni -5, 7");
  EXPECT_EQ(RecordOf("spawni -5, 7"), RecordOf("spawni 4294967291 7"));
}

TEST(KivDisassembler, ZeroWordIsNopAndSllZeroIsNot) {
  EXPECT_EQ(DecodeWord(0)->row->token, "nop");
  const uint64_t sll = WordOf(assembly::Encode(Row("sll"), {0, 4, 0, 0, 0}));
  EXPECT_EQ(DecodeWord(sll)->row->token, "sll");
}

TEST(KivDisassembler, WordsNoRowEncodesAreRefused) {
  // jr uses rs only: an rt field makes the word no jr.
  const uint64_t jr = WordOf(assembly::Encode(Row("jr"), {31, 0, 0, 0, 0}));
  EXPECT_FALSE(DecodeWord(jr | uint64_t{5} << 18).has_value());
  EXPECT_FALSE(DecodeWord(uint64_t{7} << 34).has_value());       // opcode 7: no row
  EXPECT_FALSE(DecodeWord(1).has_value());                       // function 1: no row
  EXPECT_FALSE(DecodeWord(uint64_t{17} << 34 | 4).has_value());  // float function 4
}

TEST(KivDisassembler, NegativeImmediatesAreWrittenWithTheMinusAfter) {
  const auto decoded = DecodeWord(WordOf(assembly::Encode(Row("addi"), {2, 1, 0, 0x3fffb, 0})));
  EXPECT_EQ(FormatInstruction(*decoded, ValueText(*decoded)), "addi $1, $2, 5-");
  const auto memory = DecodeWord(WordOf(assembly::Encode(Row("lw"), {29, 8, 0, 4, 0})));
  EXPECT_EQ(FormatInstruction(*memory, ValueText(*memory)), "lw $8, 4($29)");
}

}  // namespace
}  // namespace kiv::tool
