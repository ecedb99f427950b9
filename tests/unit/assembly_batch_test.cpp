// The encoding pass writes instructions a batch at a time, looking their
// labels up late; statement by statement it looks each up as it is read.
// Both must give the same records, log and status on any program, failing
// ones included.
#include <gtest/gtest.h>

#include <string>

#include "assembly/encoding_pass.h"
#include "assembly/label_pass.h"
#include "assembly/normaliser.h"
#include "random_program.h"

namespace kiv::assembly {
namespace {

using testing::RandomProgram;

// Each event as one line of text, so that two runs compare as strings.
class EventLog : public StatementObserver {
 public:
  void OnStatement(const StatementEvent& e) override {
    text += std::to_string(e.offset) + ' ' + std::to_string(e.end) + ' ' +
            std::string(e.mnemonic != nullptr ? e.mnemonic->token : "-") + ' ' +
            std::to_string(static_cast<int>(e.kind)) + ' ' + static_cast<char>(e.cls) + ' ' +
            std::to_string(e.index) + ' ' + std::to_string(e.records_begin) + ' ' +
            std::to_string(e.records_end) + ' ' + std::to_string(static_cast<int>(e.status)) + '\n';
  }
  std::string text;
};

struct Encoded {
  Status status;
  std::string object;
  std::string log;
  std::string events;  // what an observer heard, when one was given
};

Encoded EncodeBothWays(const std::string& source, bool batched, bool observed = false) {
  const std::string formatted = NormaliseSource(source);
  LabelTable labels;
  Log label_log;
  BuildLabelList(formatted, labels, label_log);
  Encoded result{Status::kSuccess, {}, {}, {}};
  Log log;
  // Pieces handed to a sink and the rest held back make the whole text.
  const RecordSink sink = [&result](std::string_view records) { result.object += records; };
  std::string rest;
  EventLog events;
  StatementObserver* observer = observed ? &events : nullptr;
  result.status =
      batched ? EncodeProgram(formatted, labels, log, rest, sink, observer)
              : EncodeProgramStatementByStatement(formatted, labels, log, rest, sink, observer);
  result.object += rest;
  result.log = log.text();
  result.events = events.text;
  return result;
}

TEST(InstructionBatch, GivesWhatStatementByStatementGivesWhenOnlyLabelsAreMissing) {
  RandomProgram programs(21);
  for (int round = 0; round < 300; ++round) {
    const std::string source = programs.Make(1 + round % 120, false);
    const Encoded plain = EncodeBothWays(source, false);
    const Encoded batched = EncodeBothWays(source, true);
    ASSERT_EQ(batched.status, plain.status) << source;
    ASSERT_EQ(batched.object, plain.object) << source;
    ASSERT_EQ(batched.log, plain.log) << source;
  }
}

TEST(InstructionBatch, StopsWhereStatementByStatementStopsOnEveryFault) {
  // A missing label held in the batch must be reported before a fault met
  // later while reading, with the records before it kept.
  RandomProgram programs(22);
  int failed = 0;
  for (int round = 0; round < 600; ++round) {
    const std::string source = programs.Make(1 + round % 150, true);
    const Encoded plain = EncodeBothWays(source, false);
    const Encoded batched = EncodeBothWays(source, true);
    ASSERT_EQ(batched.status, plain.status) << source;
    ASSERT_EQ(batched.object, plain.object) << source;
    ASSERT_EQ(batched.log, plain.log) << source;
    failed += plain.status != Status::kSuccess ? 1 : 0;
  }
  EXPECT_GT(failed, 300);  // the faults are exercised
}

TEST(InstructionBatch, ObserverHearsWhatStatementByStatementTellsIt) {
  // Instructions are reported when the batch writes them: the events, their
  // record ranges (across the pieces handed to the sink) and the failing
  // statement must be those of the plain way, in the same order.
  RandomProgram programs(23);
  for (int round = 0; round < 400; ++round) {
    const std::string source = programs.Make(1 + round % 150, round % 2 == 0);
    const Encoded plain = EncodeBothWays(source, false, true);
    const Encoded batched = EncodeBothWays(source, true, true);
    ASSERT_EQ(batched.status, plain.status) << source;
    ASSERT_EQ(batched.object, plain.object) << source;
    ASSERT_EQ(batched.events, plain.events) << source;
  }
}

TEST(InstructionBatch, ObservedRecordRangesRunOnAcrossThePiecesHandedOn) {
  // Over a megabyte of records, so that pieces go to the sink mid-program.
  std::string source = "top: halt\n";
  for (int i = 0; i < 120000; ++i) source += i % 7 == 0 ? "j top\n" : "bne 1 2 top\n";
  source += "beq 1 2 nowhere\n";
  const Encoded plain = EncodeBothWays(source, false, true);
  const Encoded batched = EncodeBothWays(source, true, true);
  ASSERT_GT(plain.object.size(), size_t{1} << 20);
  EXPECT_EQ(batched.status, Status::kMissingLabel);
  EXPECT_EQ(batched.events, plain.events);
}

TEST(InstructionBatch, MissingLabelDeepInABatchIsLoggedAtItsOwnIndex) {
  std::string source = "top: halt\n";
  for (int i = 0; i < 70; ++i) source += i == 45 ? "beq 1 2 nowhere\n" : "bne 1 2 top\n";
  source += "add 1\n";  // runs out of operands, but the missing label comes first
  const Encoded batched = EncodeBothWays(source, true);
  EXPECT_EQ(batched.status, Status::kMissingLabel);
  EXPECT_EQ(batched.log, "!!ERROR: Immediate value error in instruction3:  46\n");
  EXPECT_EQ(batched.object, EncodeBothWays(source, false).object);
}

}  // namespace
}  // namespace kiv::assembly
