// The encoding pass: instruction records, label operands and failures.
#include <gtest/gtest.h>

#include <string>

#include "assembly/operand_reader.h"
#include "front_end_harness.h"

namespace kiv::assembly {
namespace {

using testing::AssembleSource;

// The record of a one-instruction source, without its leading line break.
std::string Encode(const std::string& source) {
  const auto result = AssembleSource(source);
  EXPECT_EQ(result.status, Status::kSuccess) << source << "\n" << result.log;
  return result.object.empty() ? result.object : result.object.substr(1);
}

TEST(Encoder, WorkedExampleOfFourLines) {
  const auto result =
      AssembleSource("main: li $4, 3\nloop: subi $4, $4, 1\nbne $4, $0, loop\nhalt\n");
  EXPECT_EQ(result.status, Status::kSuccess);
  EXPECT_EQ(result.object, "\n20 100003\n38 10100001\n14 13fffe\n3fc 0");
}

TEST(Encoder, RegisterAndFloatClasses) {
  EXPECT_EQ(Encode("add 1 2 3"), "0 80c0420");
  EXPECT_EQ(Encode("add 1 200 3"), "3 200c0420");
  EXPECT_EQ(Encode("add $1, $2, $3"), "0 80c0420");
  EXPECT_EQ(Encode("jr sp"), "0 74000008");
  EXPECT_EQ(Encode("jr SP"), "0 74000008");
  EXPECT_EQ(Encode("jalr 31 5"), "0 7c001409");
  EXPECT_EQ(Encode("add.d 2 4 6"), "44 10180910");
  EXPECT_EQ(Encode("c.lt.s 1 2 3"), "44 80c053c");
  EXPECT_EQ(Encode("sll 1 2 3"), "0 80c0400");
  EXPECT_EQ(Encode("add 257 2 3"), "0 80c0420");  // registers enter by their low 8 bits
}

TEST(Encoder, RsIsSplitBetweenHeadAndBody) {
  EXPECT_EQ(Encode("addi 8 9 5"), "20 24200005");
  EXPECT_EQ(Encode("addi 8 200 5"), "23 20200005");
  EXPECT_EQ(Encode("addi 8 9 1-"), "20 2423ffff");
}

TEST(Encoder, ImmediateForms) {
  EXPECT_EQ(Encode("lw $8, 4($sp)"), "8c 74200004");
  EXPECT_EQ(Encode("addi 1 2 5-"), "20 807fffb");
  EXPECT_EQ(Encode("move 4 5"), "20 14100000");
  EXPECT_EQ(Encode("li 4 100"), "20 100064");
  EXPECT_EQ(Encode("movei 4 100"), "20 100064");
  EXPECT_EQ(Encode("psm 1 8 2"), "3e4 8040008");
  EXPECT_EQ(Encode("lui 1 0 300000"), "3c 493e0");  // cut to 18 bits
}

TEST(Encoder, BranchesTakeTheDistanceFromTheNextInstruction) {
  auto result = AssembleSource("halt\nhalt\nback: halt\nhalt\nhalt\nbeq 1 2 back");
  EXPECT_EQ(result.object.substr(result.object.rfind('\n') + 1), "10 807fffc");
  result = AssembleSource("halt\nhalt\nhalt\nbeq 1 2 ahead\nhalt\nhalt\nahead: halt");
  EXPECT_EQ(result.object, "\n3fc 0\n3fc 0\n3fc 0\n10 8040002\n3fc 0\n3fc 0\n3fc 0");
  result = AssembleSource("halt\nhalt\nhalt\nhalt\nL: halt\nhalt\nhalt\nhalt\nhalt\nhalt\nbclt L");
  EXPECT_EQ(result.object.substr(result.object.rfind('\n') + 1), "204 3fff9");
  EXPECT_EQ(Encode("bclf 3"), "200 3");
}

TEST(Encoder, NonBranchImmediateLabelTakesTheLabelIndex) {
  const auto result =
      AssembleSource("halt\nhalt\nhalt\nhere: addi 1 2 here\nli 3 here\nlw 4 here 5");
  EXPECT_EQ(result.object, "\n3fc 0\n3fc 0\n3fc 0\n20 8040003\n20 c0003\n8c 14100003");
}

TEST(Encoder, JumpsAndLoadAddress) {
  auto result = AssembleSource("j L\nhalt\nhalt\nhalt\nhalt\nhalt\nhalt\nL: halt");
  EXPECT_EQ(result.object.substr(1, 3), "8 7");
  EXPECT_EQ(Encode("jal 4294967295"), "c ffffffff");  // a numeric target is not cut
  result = AssembleSource("la 5 L\nla sp L\nhalt\nL: halt");
  EXPECT_EQ(result.object, "\n90 14000003\n93 78000003\n3fc 0\n3fc 0");
}

TEST(Encoder, ThreadInstructionsAndShortRecords) {
  EXPECT_EQ(Encode("ps 3 4"), "3f4 100c0000");
  EXPECT_EQ(Encode("spawn 3 4"), "3e8 c100000");
  EXPECT_EQ(Encode("halt fork join prn"), "3fc 0\n3f8 0\n3ec 0\n50 0");
  const auto result = AssembleSource("spawni 3 7\nx: halt\nj x");
  EXPECT_EQ(result.object, "\n3f0 3 \n3f0 7 \n3fc 0\n8 1");
  EXPECT_EQ(Encode("spawni -1 +2"), "3f0 ffffffff \n3f0 2 ");
}

TEST(Encoder, NopIsTheAllZeroWordAndTakesAnIndex) {
  const auto result = AssembleSource("nop\nx: halt\nj x");
  EXPECT_EQ(result.object, "\n0 0\n3fc 0\n8 1");
}

TEST(Encoder, OperandsRunAcrossLines) {
  EXPECT_EQ(Encode("add 1\n2 3"), "0 80c0420");
  // A missing operand takes the next statement's token.
  const auto result = AssembleSource("add 1 2\nsub 3 4 5");
  EXPECT_EQ(result.status, Status::kUnsupportedInstruction);
  EXPECT_EQ(result.object, "\n0 8400420");  // rt = "sub" = 7440, low 8 bits 16
  EXPECT_EQ(result.log, "!!ERROR: Unsupported instruction:  1\n");
}

TEST(Encoder, UnsupportedTokensEndThePassWithTheirIndex) {
  for (const char* source : {"halt\nADD 1 2 3", "halt\nbc1t 2", "halt\n.data", "halt\nad 1"}) {
    const auto result = AssembleSource(source);
    EXPECT_EQ(result.status, Status::kUnsupportedInstruction) << source;
    EXPECT_EQ(result.object, "\n3fc 0") << source;
    EXPECT_EQ(result.log, "!!ERROR: Unsupported instruction:  1\n") << source;
  }
  // One operand too many: the extra token is the next statement.
  const auto extra = AssembleSource("add 1 2 3 4");
  EXPECT_EQ(extra.object, "\n0 80c0420");
  EXPECT_EQ(extra.log, "!!ERROR: Unsupported instruction:  1\n");
  // A label glued to its mnemonic is skipped whole; its first operand is then a statement.
  EXPECT_EQ(AssembleSource("loop:add 1 2 3").status, Status::kUnsupportedInstruction);
}

TEST(Encoder, MissingLabelsReportTheClassMessage) {
  struct Case {
    const char* source;
    const char* log;
  };
  for (const Case& c : {
           Case{"halt\nla 1 nowhere", "!!ERROR: Immediate value error in instruction:  1\n"},
           Case{"halt\nj nowhere", "!!ERROR: Immediate value error in instruction2:  1\n"},
           Case{"halt\nbeq 1 2 nowhere", "!!ERROR: Immediate value error in instruction3:  1\n"},
           Case{"halt\naddi 1 2 -5", "!!ERROR: Immediate value error in instruction3:  1\n"},
       }) {
    const auto result = AssembleSource(c.source);
    EXPECT_EQ(result.status, Status::kMissingLabel) << c.source;
    EXPECT_EQ(result.object, "\n3fc 0") << c.source;
    EXPECT_EQ(result.log, c.log) << c.source;
  }
}

TEST(Encoder, OperandsRunningOutOrUnreadableAreMalformed) {
  for (const char* source : {"halt\nadd 1 2", "halt\nj", "halt\nspawni 1", "halt\nspawni x 2",
                             "halt\nspawni - 2", "halt\nla 1"}) {
    const auto result = AssembleSource(source);
    EXPECT_EQ(result.status, Status::kMalformedOperand) << source;
    EXPECT_EQ(result.object, "\n3fc 0") << source;
    EXPECT_EQ(result.log, "!!ERROR: Invalid operand:  1\n") << source;
  }
  // Digits followed by letters read as the number; the letters are the next statement.
  const auto result = AssembleSource("spawni 1 12abc");
  EXPECT_EQ(result.object, "\n3f0 1 \n3f0 c ");
  EXPECT_EQ(result.status, Status::kUnsupportedInstruction);
}

TEST(Encoder, LongTokensAreHandledWhole) {
  const std::string name(5000, 'q');
  const auto result = AssembleSource(name + ": halt\nj " + name);
  EXPECT_EQ(result.object, "\n3fc 0\n8 0");
  const std::string register_token = std::string(1000, '0') + "7";
  EXPECT_EQ(Encode("jr " + register_token), "0 1c000008");
}

TEST(Encoder, RecordsHandedToASinkInPiecesMatchTheWholeText) {
  // Enough statements for several pieces, some of them data, then a fault:
  // the pieces and the rest held back are the records written before it.
  std::string source = "start: halt\n";
  for (int i = 0; i < 60000; ++i) source += "addiu $1, $2, 7\nbeq $1, $2, start\n";
  source += ".rdata\n.word 5\n.ascii \"ok\"\n.text\nj start\nbogus\n";
  const AssemblyResult whole = Assemble(source);

  std::string pieces;
  int piece_count = 0;
  AssembleOptions options;
  options.record_sink = [&](std::string_view records) {
    pieces += records;
    ++piece_count;
  };
  const AssemblyResult rest = Assemble(source, options);
  EXPECT_EQ(whole.status, Status::kUnsupportedInstruction);
  EXPECT_EQ(rest.status, whole.status);
  EXPECT_GE(piece_count, 1);
  EXPECT_EQ(pieces + rest.object_text, whole.object_text);
  EXPECT_EQ(rest.log, whole.log);
}

TEST(RegisterNumber, SpInAnyCaseAndNumbersOtherwise) {
  EXPECT_EQ(RegisterNumber("sp"), 29u);
  EXPECT_EQ(RegisterNumber("sP"), 29u);
  EXPECT_EQ(RegisterNumber("spx"), 29u);  // only the first two characters are looked at
  EXPECT_EQ(RegisterNumber("s"), 67u);
  EXPECT_EQ(RegisterNumber("31"), 31u);
}

}  // namespace
}  // namespace kiv::assembly
