// The label pass in two halves must leave what the pass in one piece leaves:
// the same table (down to where each label sits in it, as its insertion
// order decides), the same log and console lines in the same order, and the
// same note for the encoding split, whether the second half's guess holds or
// not.
#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "assembly/assemble.h"
#include "assembly/label_pass.h"
#include "assembly/normaliser.h"
#include "assembly/split_labels.h"
#include "memory_console.h"
#include "random_program.h"

namespace kiv::assembly {
namespace {

using kiv::testing::MemoryConsole;
using testing::RandomProgram;
using testing::WithLinesInserted;

// The labels in the order the table holds them, one line each.
std::string SlotText(const LabelTable& labels) {
  std::string text;
  labels.ForEachLabel([&text](std::string_view name, int32_t index) {
    text.append(name).append(" ").append(std::to_string(index)).append("\n");
  });
  return text;
}

std::string NoteText(const SplitNote& note) {
  if (!note.state) return "none";
  const EncodingState& s = *note.state;
  return std::to_string(s.offset) + " " + std::to_string(s.index) + " " +
         std::to_string(s.data_open) + " " + std::to_string(s.data_words);
}

struct Outcome {
  std::string slots;
  std::string log;
  std::string console;
  std::string note;
  bool operator==(const Outcome&) const = default;
};

template <typename Pass>
Outcome Run(size_t note_from, Pass&& pass) {
  LabelTable labels;
  MemoryConsole console;
  Log log(console.file());
  SplitNote note{note_from, {}};
  pass(labels, log, note);
  return Outcome{SlotText(labels), log.text(), console.Close(), NoteText(note)};
}

Outcome InOnePiece(const std::string& formatted, size_t note_from) {
  return Run(note_from, [&](LabelTable& labels, Log& log, SplitNote& note) {
    EXPECT_EQ(BuildLabelList(formatted, labels, log, &note), Status::kSuccess);
  });
}

Outcome InTwoHalves(const std::string& formatted, size_t note_from, size_t second_from,
                    bool* taken = nullptr) {
  return Run(note_from, [&](LabelTable& labels, Log& log, SplitNote& note) {
    EXPECT_EQ(BuildLabelListInTwoHalves(formatted, labels, log, note, second_from, taken),
              Status::kSuccess);
  });
}

// The first line start at or after `from`, where the second half starts by default.
size_t LineStartFrom(const std::string& text, size_t from) {
  if (from == 0) return 0;
  const size_t end = text.find('\n', from - 1);
  return end == std::string::npos ? text.size() : end + 1;
}

// Lines that make the second half's guess wrong when they run over its
// starting point, or that the label pass logs: a string without its quote, a
// string over a line end with a colon in it, a data section left open, a
// .word whose number lies lines further on, two labels on one line.
std::string WithOddLines(std::string source, std::mt19937& random) {
  static constexpr std::string_view kOdd[] = {
      ".ascii abc\n",   "L7: .ascii \"a\nb:c\"\n", ".rdata\n.word 3\n", ".word\n\n\n5 halt\n",
      "L3: L9: halt\n", ".rdata\n.ascii \"xy\"\n", ".text\n",           "\"\n"};
  return WithLinesInserted(std::move(source), random, kOdd, 4);
}

TEST(LabelPassInTwoHalves, LeavesWhatThePassInOnePieceLeaves) {
  // Duplicates (labels are drawn from forty names), complaints and odd lines
  // on either side of the point; the second half starts where a large text's
  // would, at the first line start from the note's offset on.
  RandomProgram programs(51);
  std::mt19937 random(52);
  int taken_count = 0;
  for (int round = 0; round < 800; ++round) {
    std::string source = programs.Make(1 + round % 150, round % 2 == 0);
    if (round % 3 != 0) source = WithOddLines(std::move(source), random);
    const std::string formatted = NormaliseSource(source);
    const size_t from = round % 2 == 0 ? formatted.size() / 2 : random() % (formatted.size() + 1);
    bool taken = false;
    ASSERT_EQ(InTwoHalves(formatted, from, LineStartFrom(formatted, from), &taken),
              InOnePiece(formatted, from))
        << source << "\nfrom " << from;
    taken_count += taken ? 1 : 0;
  }
  // Most guesses hold: a split that always fell back would pass the above.
  EXPECT_GT(taken_count, 500);
}

TEST(LabelPassInTwoHalves, LeavesTheSameFromAnyStartingPoint) {
  // Inside a line, a label, a string or a data section, at the very start or
  // the end: a wrong guess is thrown away, a right one taken, and either way
  // nothing shows. The note may lie in either half.
  RandomProgram programs(53);
  std::mt19937 random(54);
  for (int round = 0; round < 800; ++round) {
    std::string source = programs.Make(1 + round % 120, round % 2 == 0);
    if (round % 2 == 0) source = WithOddLines(std::move(source), random);
    const std::string formatted = NormaliseSource(source);
    const size_t from = random() % (formatted.size() + 1);
    const size_t second_from = random() % (formatted.size() + 2);
    ASSERT_EQ(InTwoHalves(formatted, from, second_from), InOnePiece(formatted, from))
        << source << "\nnote from " << from << ", second half from " << second_from;
  }
}

// A text of `lines` lines of one instruction each, labelled l<i> every
// fourth line, with `middle` put in at the line start nearest the middle.
std::string Around(const std::string& middle, int lines = 400) {
  std::string text;
  for (int i = 0; i < lines; ++i) {
    if (i == lines / 2) text += middle;
    if (i % 4 == 0) text.append("l").append(std::to_string(i)).append(": ");
    text += "add 1 2 3\n";
  }
  return text;
}

TEST(LabelPassInTwoHalves, DuplicatesAndComplaintsAcrossThePointKeepTheirIndices) {
  // A label of the first half defined again in the second, and an .ascii
  // without its quote in each half: logged in source order at the indices
  // counted from the start of the text.
  std::string text = Around("l0: l4: halt\n.ascii second\n");
  text.insert(text.find("add", 50), ".ascii first\n");
  const std::string formatted = NormaliseSource(text);
  const size_t second_from = formatted.find("l0: l4:");
  bool taken = false;
  const Outcome halves = InTwoHalves(formatted, second_from, second_from, &taken);
  EXPECT_TRUE(taken);
  EXPECT_EQ(halves, InOnePiece(formatted, second_from));
  EXPECT_EQ(halves.log,
            "!!ERROR: Error ASCII parsing in BuildLabelList 5\n"
            "!!ERROR: Duplicate label founded 200\n"
            "!!ERROR: Duplicate label founded 200\n"
            "!!ERROR: Error ASCII parsing in BuildLabelList 201\n");
  EXPECT_EQ(halves.console, halves.log);
  EXPECT_EQ(halves.note, std::to_string(second_from) + " 200 0 0");
}

TEST(LabelPassInTwoHalves, StateRunningOverThePointThrowsTheSecondHalfAway) {
  // Each of these leaves the first half in another state than the guess at
  // the line start after it: inside a string, in an open data section with
  // a pair waiting, with a pair waiting outside data.
  const std::string kCases[] = {".ascii \"ab\n", ".rdata\n.word 1\n", ".word\n"};
  for (const std::string& before : kCases) {
    const std::string formatted = NormaliseSource(Around(before + "x: y: halt\nl0: halt\n"));
    const size_t second_from = formatted.find("x: y:");
    bool taken = true;
    EXPECT_EQ(InTwoHalves(formatted, second_from, second_from, &taken),
              InOnePiece(formatted, second_from))
        << before;
    EXPECT_FALSE(taken) << before;
  }
  // A data section closed before the point leaves the plain state again.
  const std::string formatted = NormaliseSource(Around(".rdata\n.word 1\n.text\nx: halt\n"));
  bool taken = false;
  EXPECT_EQ(InTwoHalves(formatted, 0, formatted.find("x: halt"), &taken), InOnePiece(formatted, 0));
  EXPECT_TRUE(taken);
}

TEST(LabelPassInTwoHalves, LargeSourceAssemblesAsOnOneCpu) {
  // Above the size that takes a second thread, with a duplicate across the
  // middle, complaints in both halves and a string over the middle line:
  // the run on two CPUs (where the machine has them) gives the one-CPU run.
  std::string source;
  for (int i = 0; i < 300000; ++i) {
    if (i == 1000 || i == 299000) source += ".ascii nope\n";
    if (i == 150000) source += "l3: .ascii \"over\n\nthe middle: \"\n";
    source.append("l").append(std::to_string(i)).append(": addi 1 2 3\nbne 1 2 l");
    source.append(std::to_string(i / 2)).append("\n");
  }
  cpu_set_t allowed;
  ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
  cpu_set_t one;
  CPU_ZERO(&one);
  int first = 0;
  while (!CPU_ISSET(first, &allowed)) ++first;
  CPU_SET(first, &one);
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  const AssemblyResult alone = Assemble(source);
  ASSERT_EQ(sched_setaffinity(0, sizeof allowed, &allowed), 0);
  const AssemblyResult split = Assemble(source);
  ASSERT_GE(split.formatted.size(), size_t{4} << 20);
  EXPECT_EQ(split.status, alone.status);
  EXPECT_EQ(split.log, alone.log);
  EXPECT_EQ(split.object_text, alone.object_text);
  EXPECT_EQ(SlotText(split.labels), SlotText(alone.labels));
  EXPECT_NE(split.log.find("Duplicate label founded"), std::string::npos);
}

// Several notes asked for in one pass: each is the note a pass asked for it
// alone takes, including notes asked for within one line (they share it) and
// past the last line start (none), and the table and log are unchanged.
TEST(LabelPassNotes, SeveralInOnePassEachAsIfAskedForAlone) {
  RandomProgram programs(61);
  std::mt19937 random(62);
  for (int round = 0; round < 300; ++round) {
    std::string source = programs.Make(1 + round % 80, round % 2 == 0);
    if (round % 3 != 0) source = WithOddLines(std::move(source), random);
    const std::string formatted = NormaliseSource(source);
    std::vector<SplitNote> notes;
    for (int i = 0; i < 6; ++i) notes.push_back({random() % (formatted.size() + 2), {}});
    std::sort(notes.begin(), notes.end(),
              [](const SplitNote& a, const SplitNote& b) { return a.from < b.from; });
    LabelTable labels;
    Log log;
    ASSERT_EQ(BuildLabelList(formatted, labels, log, notes), Status::kSuccess);
    const Outcome alone_first = InOnePiece(formatted, notes.front().from);
    EXPECT_EQ(SlotText(labels), alone_first.slots);
    EXPECT_EQ(log.text(), alone_first.log);
    for (const SplitNote& note : notes) {
      EXPECT_EQ(NoteText(note), InOnePiece(formatted, note.from).note)
          << source << "\nfrom " << note.from;
    }
  }
}

}  // namespace
}  // namespace kiv::assembly
