// The label table and the label pass that fills it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "assembly/label_hash.h"
#include "assembly/label_pass.h"
#include "assembly/label_table.h"
#include "front_end_harness.h"

namespace kiv::assembly {
namespace {

using testing::LabelValue;

// The labels in ascending byte-wise order of their names.
std::vector<std::pair<std::string, int32_t>> SortedEntries(const LabelTable& table) {
  std::vector<std::pair<std::string, int32_t>> sorted;
  table.ForEachLabel(
      [&](std::string_view name, int32_t index) { sorted.emplace_back(name, index); });
  // std::string compares as unsigned bytes, and a prefix sorts first.
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

TEST(LabelTable, KeepsNamesInByteOrderAndRefusesDuplicates) {
  LabelTable table;
  ASSERT_EQ(CreateLabelTable(table), Status::kSuccess);
  EXPECT_EQ(table.InsertLabel("b", 1), Status::kSuccess);
  EXPECT_EQ(table.InsertLabel("a", 2), Status::kSuccess);
  EXPECT_EQ(table.InsertLabel("c", 3), Status::kSuccess);
  EXPECT_EQ(table.InsertLabel("", 4), Status::kSuccess);
  EXPECT_EQ(table.InsertLabel("loop", 5), Status::kSuccess);
  EXPECT_EQ(table.InsertLabel("lo", 6), Status::kSuccess);
  EXPECT_EQ(table.InsertLabel("\xe9", 7), Status::kSuccess);  // sorts as an unsigned byte
  EXPECT_EQ(table.InsertLabel("b", 99), Status::kDuplicateLabel);
  std::vector<std::string> names;
  for (const auto& [name, index] : SortedEntries(table)) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"", "a", "b", "c", "lo", "loop", "\xe9"}));
  EXPECT_EQ(LabelValue(table, "b"), 1);
}

TEST(LabelTable, FindsOnlyExactNames) {
  LabelTable table;
  int32_t out = 42;
  EXPECT_EQ(table.FindLabel("x", out), Status::kLabelNotFound);
  EXPECT_EQ(out, 42);
  table.InsertLabel("loop", 1);
  table.InsertLabel("Loop", 2);
  table.InsertLabel("end ", 3);
  EXPECT_EQ(table.FindLabel("lo", out), Status::kLabelNotFound);
  EXPECT_EQ(table.FindLabel("end", out), Status::kLabelNotFound);
  EXPECT_EQ(LabelValue(table, "Loop"), 2);
  EXPECT_EQ(LabelValue(table, "end "), 3);
}

TEST(LabelTable, StoresLongNamesWhole) {
  LabelTable table;
  const std::string a(31, 'a'), b(200, 'b'), b2 = std::string(199, 'b') + "c";
  table.InsertLabel(a, 1);
  table.InsertLabel(b, 2);
  table.InsertLabel(b2, 3);
  EXPECT_EQ(LabelValue(table, a), 1);
  EXPECT_EQ(LabelValue(table, b), 2);
  EXPECT_EQ(LabelValue(table, b2), 3);
}

TEST(LabelTable, NamesAlikeInTheirFirstBytesStayApart) {
  // Short names are compared within their slot, longer ones in full: names
  // around that length, and names differing only in length or in NUL bytes.
  using std::string_literals::operator""s;
  const std::vector<std::string> names = {"a"s,
                                          "a\0"s,
                                          "\0"s,
                                          ""s,
                                          "abcdefghijklmnop"s,
                                          "abcdefghijklmnopq"s,
                                          "abcdefghijklmnopr"s,
                                          "abcdefghijklmno"s,
                                          "abcdefghijklmnop\0"s,
                                          std::string(40, 'z'),
                                          std::string(40, 'z') + "\0"s};
  LabelTable table;
  for (size_t i = 0; i < names.size(); ++i) {
    ASSERT_EQ(table.InsertLabel(names[i], static_cast<int32_t>(i)), Status::kSuccess) << i;
  }
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(LabelValue(table, names[i]), static_cast<int32_t>(i)) << i;
    EXPECT_EQ(table.InsertLabel(names[i], 99), Status::kDuplicateLabel) << i;
  }
  EXPECT_EQ(LabelValue(table, "abcdefghijklmnops"), -12345);
  EXPECT_EQ(SortedEntries(table).size(), names.size());
}

TEST(LabelTable, LongNamesWithTheSameHeadAndHashStayApart) {
  // Same length, same first 16 bytes, and a hash alike in the 32 bits a slot
  // keeps and in the 10 bits that place it in a new table: only the full
  // compare of the names tells these two apart.
  const std::string first = "a_long_label_head_04799662";
  const std::string second = "a_long_label_head_05797331";
  const uint64_t first_hash = HashLabelName(first), second_hash = HashLabelName(second);
  ASSERT_EQ(first_hash >> 32, second_hash >> 32);
  ASSERT_EQ(first_hash & 1023, second_hash & 1023);
  LabelTable table;
  ASSERT_EQ(table.InsertLabel(first, 1), Status::kSuccess);
  int32_t index = -1;
  EXPECT_EQ(table.FindLabel(second, index), Status::kLabelNotFound);
  EXPECT_EQ(table.InsertLabel(second, 2), Status::kSuccess);
  EXPECT_EQ(LabelValue(table, first), 1);
  EXPECT_EQ(LabelValue(table, second), 2);
}

TEST(LabelTable, MovesWithItsLabelsAndLeavesAnEmptyTable) {
  LabelTable table;
  for (int i = 0; i < 2000; ++i) table.InsertLabel("label" + std::to_string(i), i);
  LabelTable moved(std::move(table));
  EXPECT_EQ(LabelValue(moved, "label1999"), 1999);
  EXPECT_EQ(table.size(), 0u);  // NOLINT(bugprone-use-after-move): the state it is left in
  EXPECT_EQ(LabelValue(table, "label1999"), -12345);
  EXPECT_EQ(table.InsertLabel("again", 1), Status::kSuccess);
  EXPECT_EQ(LabelValue(table, "again"), 1);
}

// Short names and long ones with a long common head, as generated code has.
std::string ManyName(int i) {
  std::string name = i % 2 == 0 ? "L" : "a_rather_long_common_label_head_";
  name += std::to_string(i);
  return name;
}

TEST(LabelTable, ManyLabelsSurviveGrowthAndReserve) {
  // Enough for the names and the entries to outgrow a block of 2 MiB, which
  // moves them from cleared heap memory into a mapping of their own.
  constexpr int kCount = 200000;
  for (const bool reserve_first : {false, true}) {
    LabelTable table;
    if (reserve_first) table.Reserve(kCount);
    for (int i = 0; i < kCount; ++i) {
      ASSERT_EQ(table.InsertLabel(ManyName(i), i), Status::kSuccess);
    }
    EXPECT_EQ(table.InsertLabel("L199998", 0), Status::kDuplicateLabel);
    EXPECT_EQ(table.InsertLabel(ManyName(kCount - 1), 0), Status::kDuplicateLabel);
    for (int i = 0; i < kCount; ++i) ASSERT_EQ(LabelValue(table, ManyName(i)), i);
    EXPECT_EQ(LabelValue(table, "L200000"), -12345);
    EXPECT_EQ(LabelValue(table, "L1998"), 1998);  // a prefix of other names
    EXPECT_EQ(table.size(), static_cast<size_t>(kCount));
    size_t visited = 0;
    table.ForEachLabel(
        [&](std::string_view name, int32_t index) { visited += name == ManyName(index) ? 1 : 0; });
    EXPECT_EQ(visited, static_cast<size_t>(kCount));
  }
}

struct LabelPassRun {
  LabelTable table;
  std::string log;
};

LabelPassRun RunLabelPass(std::string_view formatted) {
  LabelPassRun run;
  Log log;
  EXPECT_EQ(BuildLabelList(formatted, run.table, log), Status::kSuccess);
  run.log = log.text();
  return run;
}

TEST(LabelPass, LabelTakesTheIndexOfWhatFollows) {
  const auto run = RunLabelPass("main:\n li 4 3\nloop: subi 4 4 1\nx: y: halt\nend:");
  EXPECT_EQ(LabelValue(run.table, "main"), 0);
  EXPECT_EQ(LabelValue(run.table, "loop"), 1);
  EXPECT_EQ(LabelValue(run.table, "x"), 2);
  EXPECT_EQ(LabelValue(run.table, "y"), 2);  // named by the text between the colons
  EXPECT_EQ(LabelValue(run.table, "end"), 3);
  EXPECT_EQ(run.log, "");
}

TEST(LabelPass, DuplicateIsLoggedAndFirstValueKept) {
  const auto run = RunLabelPass("a: halt\nhalt\na: halt\n");
  EXPECT_EQ(run.log, "!!ERROR: Duplicate label founded 2\n");
  EXPECT_EQ(LabelValue(run.table, "a"), 0);
}

TEST(LabelPass, ErrorsAreLoggedInSourceOrderAmongManyLabels) {
  // Duplicates far apart and close together, around an .ascii error, with
  // more labels between them than are ever waiting to be inserted.
  std::string source = "a: halt\na: halt\n";
  const auto define = [&source](int i, const char* rest) {
    source += "l";
    source += std::to_string(i);
    source += rest;
  };
  for (int i = 0; i < 20; ++i) define(i, ": halt\n");
  source += ".ascii x\nl3: halt\nb: c: b: halt\n";
  for (int i = 20; i < 40; ++i) define(i, ":\n");
  source += "a: halt\n";
  const auto run = RunLabelPass(source);
  EXPECT_EQ(run.log,
            "!!ERROR: Duplicate label founded 1\n"
            "!!ERROR: Error ASCII parsing in BuildLabelList 22\n"
            "!!ERROR: Duplicate label founded 22\n"
            "!!ERROR: Duplicate label founded 23\n"
            "!!ERROR: Duplicate label founded 24\n");
  EXPECT_EQ(LabelValue(run.table, "a"), 0);
  EXPECT_EQ(LabelValue(run.table, "l3"), 5);
  EXPECT_EQ(LabelValue(run.table, "l39"), 24);
  EXPECT_EQ(run.table.size(), 43u);
}

TEST(LabelPass, EmptyAndLabelOnlyFiles) {
  EXPECT_EQ(RunLabelPass("").table.size(), 0u);
  const auto run = RunLabelPass("a:\nb:\n\n");
  EXPECT_EQ(LabelValue(run.table, "a"), 0);
  EXPECT_EQ(LabelValue(run.table, "b"), 0);
}

TEST(LabelPass, NamesKeepInnerAndTrailingBlanksButNotLeadingOnes) {
  const auto run = RunLabelPass("  \tmy label :\nadd 1 2 3 x:\nnext:");
  EXPECT_EQ(LabelValue(run.table, "my label "), 0);
  // An instruction in front of a label becomes part of its name and the line adds nothing.
  EXPECT_EQ(LabelValue(run.table, "add 1 2 3 x"), 0);
  EXPECT_EQ(LabelValue(run.table, "next"), 0);
  EXPECT_EQ(LabelValue(run.table, ""), -12345);
}

TEST(LabelPass, MnemonicInsideALabelNameDoesNotCount) {
  const auto run = RunLabelPass("add:\nafter:");
  EXPECT_EQ(LabelValue(run.table, "after"), 0);
}

TEST(LabelPass, LinesCountBySubstringAnywhere) {
  // "or" inside a word counts; two instructions on one line count once.
  const auto run = RunLabelPass("glory\nhalt halt\nx:");
  EXPECT_EQ(LabelValue(run.table, "x"), 2);
}

TEST(LabelPass, AsciiAdvancesThreePerSixteenBytes) {
  const auto run = RunLabelPass(
      ".rdata\n"
      "a: .ascii \"\"\n"
      "b: .ascii \"hello\"\n"
      "c: .ascii \"0123456789abcdef\"\n"
      "d: .ascii \"0123456789abcdefg\"\n"
      "e: .ascii \"x:y\"\n"
      "f:");
  EXPECT_EQ(LabelValue(run.table, "a"), 0);
  EXPECT_EQ(LabelValue(run.table, "b"), 0);
  EXPECT_EQ(LabelValue(run.table, "c"), 3);
  EXPECT_EQ(LabelValue(run.table, "d"), 6);
  EXPECT_EQ(LabelValue(run.table, "e"), 12);
  EXPECT_EQ(LabelValue(run.table, "x"), -12345);  // a colon inside quotes defines nothing
  EXPECT_EQ(LabelValue(run.table, "f"), 15);
}

TEST(LabelPass, AsciiWithoutQuoteIsLoggedAndUnclosedStringCountsToLineEnd) {
  const auto run = RunLabelPass(".rdata\n.ascii hello\nq: .ascii \"0123456789abcde\nr:");
  EXPECT_EQ(run.log, "!!ERROR: Error ASCII parsing in BuildLabelList 0\n");
  EXPECT_EQ(LabelValue(run.table, "q"), 0);
  // 15 characters and the newline: one data line. The open quote then hides r's colon.
  EXPECT_EQ(LabelValue(run.table, "r"), -12345);
}

TEST(LabelPass, UnbalancedQuoteHidesLaterColons) {
  const auto run = RunLabelPass("x\"\nhidden:\n\"\nseen:");
  EXPECT_EQ(LabelValue(run.table, "hidden"), -12345);
  EXPECT_EQ(LabelValue(run.table, "seen"), 0);
}

TEST(LabelPass, WordRunsAreFlushedToWholeDataLines) {
  // Pairs take 1, 2, 1, 2, ... by position; an odd stretch ends with a filler
  // pair at an odd position. One word: 1 + 2. Two: 1 + 2. Three: 1 + 2 + 1 + 2.
  auto run = RunLabelPass(".rdata\n.word 1\n.text\na:");
  EXPECT_EQ(LabelValue(run.table, "a"), 3);
  run = RunLabelPass(".rdata\n.word 1\n.word 2\n.align 2\na:");
  EXPECT_EQ(LabelValue(run.table, "a"), 3);
  run = RunLabelPass(".rdata\n.word 1\n.word 2\n.word 3\n.text\na:");
  EXPECT_EQ(LabelValue(run.table, "a"), 6);
  // A run ended by a .rdata inside an open section is not reset or flushed there.
  run = RunLabelPass(".rdata\n.word 1\n.word 2\n.rdata\na:\n.word 3\n.text\nb:");
  EXPECT_EQ(LabelValue(run.table, "a"), 3);
  EXPECT_EQ(LabelValue(run.table, "b"), 6);
}

TEST(LabelPass, TextOnlyFlushesAnOpenSectionAndRdataReopens) {
  const auto run = RunLabelPass(
      ".text\nhalt\n.rdata\n.word 1\n.text\n.text\na: halt\n.rdata\n.word 1\n.word 2\n.text\nb:");
  EXPECT_EQ(LabelValue(run.table, "a"), 4);
  EXPECT_EQ(LabelValue(run.table, "b"), 8);
}

TEST(LabelPass, WordValueOnTheNextLineIsConsumedWithTheWord) {
  // The lone "5" line is eaten by the .word before it and adds nothing.
  const auto run = RunLabelPass(".rdata\n.word\n5\n.word 6\n.text\na:");
  EXPECT_EQ(LabelValue(run.table, "a"), 3);
}

TEST(LabelPass, DirectiveStringsInsideAsciiTextDecideTheLine) {
  const auto run = RunLabelPass(".rdata\n.ascii \"a .word\"\n.text\na:");
  // Taken as a .word line: 1, then the filler closing an odd stretch: 2.
  EXPECT_EQ(LabelValue(run.table, "a"), 3);
}

TEST(LabelPass, LongLinesAreOneLine) {
  const std::string line = "add 1 2 3" + std::string(300, ' ') + "halt long: j x\n";
  const auto run = RunLabelPass(line + "next:");
  EXPECT_EQ(LabelValue(run.table, std::string("add 1 2 3") + std::string(300, ' ') + "halt long"),
            0);
  EXPECT_EQ(LabelValue(run.table, "next"), 1);
}

}  // namespace
}  // namespace kiv::assembly
