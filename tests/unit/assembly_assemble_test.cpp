// The front end's entry point: what the statement observer is told, and
// that the label pass and the encoding pass count data alike.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "assembly/assemble.h"
#include "front_end_harness.h"

namespace kiv::assembly {
namespace {

class Recorder : public StatementObserver {
 public:
  void OnStatement(const StatementEvent& event) override { events.push_back(event); }
  std::vector<StatementEvent> events;
};

AssemblyResult AssembleObserved(std::string_view source, Recorder& recorder) {
  AssembleOptions options;
  options.observer = &recorder;
  return Assemble(source, options);
}

TEST(StatementObserver, PointsEveryStatementAtItsSourceAndRecords) {
  const std::string source =
      "main: add $1, $2, $3   # sum\n"
      "      .rdata\n"
      "w:    .word 5\n"
      "      .text\n"
      "      j main\n"
      "      bogus 1\n";
  Recorder recorder;
  const AssemblyResult result = AssembleObserved(source, recorder);
  ASSERT_EQ(result.status, Status::kUnsupportedInstruction);
  ASSERT_EQ(recorder.events.size(), 6u);  // labels are not statements
  // Offsets are into the formatted text, where the comment is gone and the
  // punctuation blank, but every line and column before a comment is kept.
  const auto text = [&](const StatementEvent& e) {
    return result.formatted.substr(e.offset, e.end - e.offset);
  };
  const auto records = [&](const StatementEvent& e) {
    return result.object_text.substr(e.records_begin, e.records_end - e.records_begin);
  };
  const auto& add = recorder.events[0];
  EXPECT_EQ(text(add), "add  1   2   3");
  EXPECT_EQ(add.mnemonic->token, "add");
  EXPECT_EQ(add.index, 0u);
  EXPECT_EQ(records(add), "\n0 80c0420");
  const auto& rdata = recorder.events[1];
  EXPECT_EQ(rdata.mnemonic, nullptr);
  EXPECT_EQ(rdata.cls, InstructionClass::kRdata);
  EXPECT_EQ(records(rdata), "\nfffe");
  EXPECT_EQ(text(recorder.events[2]), ".word 5");
  EXPECT_EQ(source.find(".word"), result.formatted.find(".word") + 5);  // "# sum" is gone
  const size_t line_start = result.formatted.rfind('\n', recorder.events[2].offset) + 1;
  EXPECT_EQ(recorder.events[2].offset - line_start, 6u);  // its column in the source
  EXPECT_EQ(recorder.events[2].index, 1u);
  // The closing .text writes the filler and the end of data.
  EXPECT_EQ(records(recorder.events[3]), "\n1111111111111111\nffffffffffffffff");
  EXPECT_EQ(recorder.events[4].index, 4u);
  EXPECT_EQ(records(recorder.events[4]), "\n8 0");
  // The failing statement is reported too, with nothing written for it.
  const auto& bogus = recorder.events[5];
  EXPECT_EQ(bogus.kind, TokenKind::kNotFound);
  EXPECT_EQ(bogus.status, Status::kUnsupportedInstruction);
  EXPECT_EQ(text(bogus), "bogus");
  EXPECT_EQ(bogus.records_begin, bogus.records_end);
  EXPECT_EQ(bogus.records_end, result.object_text.size());
}

TEST(StatementObserver, RecordOffsetsCountWhatTheSinkTook) {
  std::string source;
  for (int i = 0; i < 80000; ++i) source += "addiu 1 2 7\nspawni 3 4\n";
  Recorder recorder;
  std::string whole;
  AssembleOptions options;
  options.observer = &recorder;
  options.record_sink = [&](std::string_view records) { whole += records; };
  const AssemblyResult result = Assemble(source, options);
  ASSERT_EQ(result.status, Status::kSuccess);
  ASSERT_FALSE(whole.empty());
  whole += result.object_text;
  ASSERT_EQ(recorder.events.size(), 160000u);
  EXPECT_EQ(recorder.events.back().records_end, whole.size());
  for (size_t i = 0; i < recorder.events.size(); i += 4999) {
    const StatementEvent& e = recorder.events[i];
    EXPECT_EQ(whole.substr(e.records_begin, e.records_end - e.records_begin),
              i % 2 == 0 ? "\n24 8040007" : "\n3f0 3 \n3f0 4 ")
        << i;
  }
}

// Data statements of every kind between code, each with a label in front.
std::string RandomProgram(std::mt19937& random, int blocks) {
  std::string source;
  int label = 0;
  const auto statement = [&](const std::string& text) {
    source.append("L").append(std::to_string(label++)).append(": ").append(text).append("\n");
  };
  const auto below = [&](unsigned bound) { return static_cast<int>(random() % bound); };
  for (int block = 0; block < blocks; ++block) {
    for (int i = below(4); i > 0; --i) statement(random() % 2 ? "halt" : "spawni 1 2");
    statement(".rdata");
    for (int i = below(9); i > 0; --i) {
      switch (below(4)) {
        case 0:
        case 1:
          statement(".word " + std::to_string(random() % 100));
          break;
        case 2:
          statement(".ascii \"" + std::string(static_cast<size_t>(below(40)), 'a') + "\"");
          break;
        case 3:
          statement(".align 4");
          break;
      }
    }
    statement(".text");
  }
  statement("halt");
  return source;
}

TEST(IndexRules, BothPassesGiveEveryStatementTheSameIndex) {
  std::mt19937 random(11);
  for (int round = 0; round < 200; ++round) {
    const std::string source = RandomProgram(random, 1 + round % 6);
    Recorder recorder;
    const AssemblyResult result = AssembleObserved(source, recorder);
    ASSERT_EQ(result.status, Status::kSuccess) << source;
    // Statement k carries label Lk; the label pass gave it the index the
    // encoding pass had when it reached the statement.
    for (size_t k = 0; k < recorder.events.size(); ++k) {
      const std::string label = std::string("L").append(std::to_string(k));
      ASSERT_EQ(testing::LabelValue(result.labels, label),
                static_cast<int32_t>(recorder.events[k].index))
          << source << "statement " << k;
    }
  }
}

TEST(IndexRules, WordKOfAStretchSitsInLineKOverTwo) {
  // Word k at base + 3*(k/2) + k%2: la gives the 16-byte line that holds it.
  Recorder recorder;
  const auto result = AssembleObserved(
      ".rdata\nw0: .word 0\nw1: .word 1\ns: .ascii \"sixteen bytes ok\"\n"
      "w2: .word 2\nw3: .word 3\nw4: .word 4\nend: .text\nafter: halt",
      recorder);
  ASSERT_EQ(result.status, Status::kSuccess);
  const auto index = [&](std::string_view label) {
    return testing::LabelValue(result.labels, label);
  };
  EXPECT_EQ(index("w0"), 0);
  EXPECT_EQ(index("w1"), 1);
  EXPECT_EQ(index("s"), 3);   // a new line, after a full one
  EXPECT_EQ(index("w2"), 6);  // the string kept the pairing
  EXPECT_EQ(index("w3"), 7);
  EXPECT_EQ(index("w4"), 9);
  EXPECT_EQ(index("end"), 10);    // still in w4's line: the filler completes it
  EXPECT_EQ(index("after"), 12);  // 5 words and 2 string pairs: 3 * 4 lines
}

}  // namespace
}  // namespace kiv::assembly
