// The encoding pass in two halves must give what the pass in one piece
// gives, whatever state the second half is started from: the label pass's
// note, a wrong guess, or a point in the middle of a statement. The console
// must hear the same lines in the same order.
#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "assembly/assemble.h"
#include "assembly/encoding_pass.h"
#include "assembly/label_pass.h"
#include "assembly/normaliser.h"
#include "assembly/second_thread.h"
#include "assembly/split_encoding.h"
#include "memory_console.h"
#include "random_program.h"

namespace kiv::assembly {
namespace {

using kiv::testing::MemoryConsole;
using testing::RandomProgram;
using testing::WithLinesInserted;

// What a pass leaves behind: its status, records, log and console output.
struct Outcome {
  Status status = Status::kSuccess;
  std::string records;
  std::string log;
  std::string console;
  bool operator==(const Outcome&) const = default;
};

struct Prepared {
  std::string formatted;
  LabelTable labels;
  SplitNote note;
};

Prepared Prepare(const std::string& source, size_t from) {
  Prepared prepared{NormaliseSource(source), {}, {from, {}}};
  Log label_log;
  BuildLabelList(prepared.formatted, prepared.labels, label_log, &prepared.note);
  return prepared;
}

// Runs one way of encoding, with or without a sink taking pieces.
template <typename Encode>
Outcome Run(bool with_sink, Encode&& encode) {
  Outcome outcome;
  MemoryConsole console;
  Log log(console.file());
  std::string rest;
  const RecordSink sink = [&outcome](std::string_view records) { outcome.records += records; };
  outcome.status = encode(log, rest, with_sink ? sink : RecordSink{});
  outcome.records += rest;
  outcome.log = log.text();
  outcome.console = console.Close();
  return outcome;
}

Outcome InOnePiece(const Prepared& p, bool with_sink) {
  return Run(with_sink, [&](Log& log, std::string& rest, const RecordSink& sink) {
    return EncodeProgram(p.formatted, p.labels, log, rest, sink);
  });
}

Outcome InTwoHalves(const Prepared& p, const EncodingState& split, bool with_sink) {
  return Run(with_sink, [&](Log& log, std::string& rest, const RecordSink& sink) {
    return EncodeProgramInTwoHalves(p.formatted, p.labels, log, rest, sink, split);
  });
}

// Lines that throw a split off: two statements the label pass counts once
// and the encoding pass twice, a string without its quote, a data section
// left open, a string running over a line end.
std::string WithOddLines(std::string source, std::mt19937& random) {
  static constexpr std::string_view kOdd[] = {"halt halt\n", ".ascii abc\n", ".rdata\n.word 3\n",
                                              "L7: .ascii \"a\nb\"\n"};
  return WithLinesInserted(std::move(source), random, kOdd, 3);
}

TEST(EncodingInTwoHalves, GivesThePassInOnePieceFromTheLabelPassNote) {
  RandomProgram programs(31);
  std::mt19937 random(32);
  int noted = 0;
  int failed = 0;
  for (int round = 0; round < 500; ++round) {
    std::string source = programs.Make(1 + round % 150, round % 2 == 0);
    if (round % 3 == 0) source = WithOddLines(std::move(source), random);
    const Prepared p = Prepare(source, random() % (source.size() + 1));
    if (!p.note.state) continue;
    ++noted;
    const bool with_sink = round % 4 < 2;
    const Outcome whole = InOnePiece(p, with_sink);
    ASSERT_EQ(InTwoHalves(p, *p.note.state, with_sink), whole) << source;
    failed += whole.status != Status::kSuccess ? 1 : 0;
  }
  EXPECT_GT(noted, 400);
  EXPECT_GT(failed, 100);  // faults fall in either half
}

// A guess at the state somewhere in the text: either anything at all, or
// the real counts of a statement boundary with an offset a little before it,
// inside the statement that ends there, where only the offset gives it away.
EncodingState Guess(const Prepared& p, std::mt19937& random) {
  const size_t size = p.formatted.size();
  if (random() % 2 == 0) {
    return {random() % (size + 2), static_cast<uint32_t>(random() % 40), random() % 2 == 0,
            static_cast<uint32_t>(random() % 3)};
  }
  EncodingState real;
  Log log;
  std::string records;
  EncodePart(p.formatted, p.labels, log, records, {}, real, random() % (size + 1));
  real.offset -= std::min<size_t>(real.offset, random() % 6);
  return real;
}

// Every statement an observer hears of, one line each.
class HeardStatements : public StatementObserver {
 public:
  void OnStatement(const StatementEvent& e) override {
    text_ += std::to_string(e.offset) + " " + std::to_string(e.end) + " " +
             (e.mnemonic ? std::string(e.mnemonic->token) : "-") + " " +
             std::to_string(static_cast<int>(e.kind)) + " " +
             std::to_string(static_cast<int>(e.cls)) + " " + std::to_string(e.index) + " " +
             std::to_string(e.records_begin) + " " + std::to_string(e.records_end) + " " +
             std::to_string(static_cast<int>(e.status)) + "\n";
  }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

TEST(EncodingInTwoHalves, AnObserverHearsWhatItHearsOfThePassInOnePiece) {
  // From the note, from a wrong guess, failing in either half: the same
  // statements in the same order, their records where the whole text has
  // them, and the same outcome besides.
  RandomProgram programs(41);
  std::mt19937 random(42);
  int split = 0;
  for (int round = 0; round < 600; ++round) {
    std::string source = programs.Make(1 + round % 150, round % 2 == 0);
    if (round % 3 == 0) source = WithOddLines(std::move(source), random);
    const Prepared p = Prepare(source, random() % (source.size() + 1));
    const EncodingState from = p.note.state && round % 4 != 0 ? *p.note.state : Guess(p, random);
    split += p.note.state ? 1 : 0;
    const bool with_sink = round % 5 == 0;  // the pass then stays in one piece
    HeardStatements whole_heard;
    const Outcome whole =
        kiv::assembly::Run(with_sink, [&](Log& log, std::string& rest, const RecordSink& sink) {
          return EncodeProgram(p.formatted, p.labels, log, rest, sink, &whole_heard);
        });
    HeardStatements split_heard;
    const Outcome halves = kiv::assembly::Run(with_sink, [&](Log& log, std::string& rest,
                                                             const RecordSink& sink) {
      return EncodeProgramInTwoHalves(p.formatted, p.labels, log, rest, sink, from, &split_heard);
    });
    ASSERT_EQ(halves, whole) << source;
    ASSERT_EQ(split_heard.text(), whole_heard.text()) << source << "\nsplit at " << from.offset;
  }
  EXPECT_GT(split, 400);
}

// A label table as text: every name with its index, sorted.
std::string TableText(const LabelTable& labels) {
  std::vector<std::string> rows;
  labels.ForEachLabel([&rows](std::string_view name, int32_t index) {
    rows.push_back(std::string(name).append(" ").append(std::to_string(index)));
  });
  std::sort(rows.begin(), rows.end());
  std::string text;
  for (const std::string& row : rows) text.append(row).append("\n");
  return text;
}

TEST(LabelPassWithANote, EntersAndLogsWhatThePlainPassDoes) {
  // Taking the note must change nothing else, wherever it is asked for:
  // duplicates, complaints, data sections and strings around it included.
  RandomProgram programs(37);
  std::mt19937 random(38);
  for (int round = 0; round < 600; ++round) {
    std::string source = programs.Make(1 + round % 150, round % 2 == 0);
    if (round % 2 == 0) source = WithOddLines(std::move(source), random);
    const std::string formatted = NormaliseSource(source);
    LabelTable whole_labels;
    Log whole_log;
    BuildLabelList(formatted, whole_labels, whole_log);
    LabelTable split_labels;
    Log split_log;
    SplitNote note{random() % (formatted.size() + 1), {}};
    BuildLabelList(formatted, split_labels, split_log, &note);
    ASSERT_EQ(TableText(split_labels), TableText(whole_labels)) << source << "\nfrom " << note.from;
    ASSERT_EQ(split_log.text(), whole_log.text()) << source << "\nfrom " << note.from;
  }
}

TEST(EncodingInTwoHalves, GivesThePassInOnePieceFromAnyWrongGuess) {
  // A split anywhere, inside a token or a string included, with counts that
  // may be off: the first half must notice and go on alone.
  RandomProgram programs(33);
  std::mt19937 random(34);
  for (int round = 0; round < 800; ++round) {
    const std::string source = programs.Make(1 + round % 120, round % 2 == 0);
    const Prepared p = Prepare(source, source.size());
    const EncodingState guess = Guess(p, random);
    const bool with_sink = round % 4 < 2;
    ASSERT_EQ(InTwoHalves(p, guess, with_sink), InOnePiece(p, with_sink))
        << source << "\nsplit at " << guess.offset;
  }
}

TEST(EncodingInTwoHalves, NoteOfTheLabelPassIsWhereTheEncodingPassStands) {
  // On sources whose passes count alike, the first half must find the noted
  // state where it stops: otherwise the second half is always thrown away.
  RandomProgram programs(35);
  std::mt19937 random(36);
  for (int round = 0; round < 300; ++round) {
    const std::string source = programs.Make(1 + round % 150, false);
    const Prepared p = Prepare(source, random() % (source.size() + 1));
    if (!p.note.state) continue;
    EncodingState reached;
    Log log;
    std::string records;
    if (EncodePart(p.formatted, p.labels, log, records, {}, reached, p.note.state->offset) !=
        Status::kSuccess) {
      continue;  // a missing label before the note
    }
    ASSERT_LE(reached.offset, p.note.state->offset) << source;
    ASSERT_TRUE(reached.SameCounts(*p.note.state)) << source;
  }
}

TEST(EncodingInTwoHalves, NoteIsTakenAtALineStartOutsideStrings) {
  const std::string text = ".rdata\n.ascii \"a\nz\"\n.word 5\nhalt\n";
  SplitNote note{text.find('z'), {}};
  LabelTable labels;
  Log log;
  BuildLabelList(text, labels, log, &note);
  ASSERT_TRUE(note.state);
  // The line "z\"" starts inside the string; the next line opens the stretch of words.
  EXPECT_EQ(note.state->offset, text.find(".word"));
  EXPECT_EQ(note.state->index, 3u);
  EXPECT_TRUE(note.state->data_open);
  EXPECT_EQ(note.state->data_words, 0u);
}

TEST(EncodingInTwoHalves, SecondHalfErrorFollowsTheFirstHalfsLines) {
  // The first half logs two complaints about strings without their opening
  // quote and goes on; the second half fails on an unknown token.
  std::string source = ".rdata\n.ascii xabc\"\n.ascii xdef\"\n.text\n";
  for (int i = 0; i < 200; ++i) source += "add 1 2 3\n";
  source += "bogus 1\nhalt\n";
  const Prepared p = Prepare(source, source.size() / 2);
  ASSERT_TRUE(p.note.state);
  const Outcome whole = InOnePiece(p, true);
  EXPECT_EQ(whole.status, Status::kUnsupportedInstruction);
  EXPECT_EQ(whole.console,
            "!!ERROR: Error ASCII parsing 0\n!!ERROR: Error ASCII parsing 3\n"
            "!!ERROR: Unsupported instruction:  206\n");
  EXPECT_EQ(InTwoHalves(p, *p.note.state, true), whole);
}

TEST(EncodingInTwoHalves, MismatchAtTheSplitIsEncodedOnceByTheFirstHalf) {
  // The second "halt" on its line makes the note one index short.
  std::string source = "halt halt\n";
  for (int i = 0; i < 100; ++i)
    source.append("top").append(std::to_string(i)).append(": beq 1 2 top0\n");
  const Prepared p = Prepare(source, source.size() / 2);
  ASSERT_TRUE(p.note.state);
  EncodingState reached;
  Log log;
  std::string records;
  ASSERT_EQ(EncodePart(p.formatted, p.labels, log, records, {}, reached, p.note.state->offset),
            Status::kSuccess);
  EXPECT_EQ(reached.index, p.note.state->index + 1);
  EXPECT_EQ(InTwoHalves(p, *p.note.state, false), InOnePiece(p, false));
}

TEST(EncodingInTwoHalves, OnlyLargeTextsOnTwoCpusTakeASecondThread) {
  cpu_set_t allowed;
  ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
  EXPECT_FALSE(WorthASecondThread(size_t{1} << 20));
  EXPECT_EQ(WorthASecondThread(size_t{64} << 20), CPU_COUNT(&allowed) >= 2);
  // Held to one CPU, as under taskset, the pass stays whole.
  cpu_set_t one;
  CPU_ZERO(&one);
  int first = 0;
  while (!CPU_ISSET(first, &allowed)) ++first;
  CPU_SET(first, &one);
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  const bool split = WorthASecondThread(size_t{64} << 20);
  ASSERT_EQ(sched_setaffinity(0, sizeof allowed, &allowed), 0);
  EXPECT_FALSE(split);
}

// Counts statements and lets every one pass; its presence keeps the pass whole.
class Counter : public StatementObserver {
 public:
  void OnStatement(const StatementEvent&) override { ++count; }
  size_t count = 0;
};

TEST(EncodingInTwoHalves, LargeSourceAssemblesAsWithAnObserver) {
  // Above the size that splits the pass (on a machine with two CPUs), with a
  // missing label late in the text: the observed run is the pass in one piece.
  std::string source;
  for (int i = 0; i < 300000; ++i) {
    source.append("l").append(std::to_string(i)).append(": addi 1 2 3\nbne 1 2 l");
    source.append(std::to_string(i / 2)).append("\n");
  }
  source += "j nowhere\nhalt\n";
  Counter counter;
  AssembleOptions observed;
  observed.observer = &counter;
  const AssemblyResult split = Assemble(source);
  const AssemblyResult whole = Assemble(source, observed);
  ASSERT_GE(split.formatted.size(), size_t{4} << 20);
  EXPECT_EQ(split.status, Status::kMissingLabel);
  EXPECT_EQ(split.status, whole.status);
  EXPECT_EQ(split.log, whole.log);
  EXPECT_EQ(split.object_text, whole.object_text);
}

}  // namespace
}  // namespace kiv::assembly
