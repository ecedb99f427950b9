// Random sources from a small grammar, with and without mistakes, run both
// through the programs' own stages and through `kiv check`:
// - whenever the programs refuse a source, the check reports an error at or
//   before the statement they stopped at (never silent, never later);
// - a source written by the rules draws no error, and the check's own count
//   of instruction indices matches the encoding pass statement by statement.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <latch>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "assembler/pack.h"
#include "assembly/assemble.h"
#include "assembly/label_pass.h"
#include "assembly/log.h"
#include "assembly/normaliser.h"
#include "kiv/check.h"
#include "kiv/checker_chain.h"
#include "kiv/checker_labels.h"
#include "kiv/checker_layout.h"
#include "kiv/checker_report.h"
#include "kiv/checker_statements.h"
#include "kiv/definition_feed.h"
#include "kiv/diagnostics.h"
#include "kiv/piece_walk.h"
#include "kiv/placed_diagnostics.h"
#include "kiv/source_map.h"

namespace {

using kiv::tool::Diagnostic;
using kiv::tool::ProgramFacts;
using kiv::tool::Severity;

class SourceGrammar {
 public:
  // `label_suffix` ends every label name, so that programs in a row each
  // have labels of their own.
  SourceGrammar(uint32_t seed, bool with_mistakes, std::string label_suffix = "")
      : random_(seed), mistakes_(with_mistakes), label_suffix_(std::move(label_suffix)) {}

  std::string Program() {
    std::string source;
    const int lines = Pick(1, 30);
    for (int i = 0; i < lines; ++i) source += Line();
    return source;
  }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool Chance(int percent) { return Pick(1, 100) <= percent; }
  template <typename T>
  const T& OneOf(const std::vector<T>& items) {
    return items[static_cast<size_t>(Pick(0, static_cast<int>(items.size()) - 1))];
  }

  std::string Label() {
    return OneOf<std::string>({"a", "b", "loop", "end", "tbl", "x1"}) + label_suffix_;
  }

  std::string Register() {
    if (mistakes_ && Chance(5)) return OneOf<std::string>({"$t0", "$-1", "$300", "$0x2", "$spam"});
    if (Chance(10)) return "$sp";
    std::string reg = "$";
    reg += std::to_string(Pick(0, 31));
    return reg;
  }

  std::string Immediate(bool transfer) {
    if (mistakes_ && Chance(8))
      return OneOf<std::string>({"-1", "0x10", "1x", "200000", "nolabel"});
    if (transfer || Chance(40)) return Label();
    return Chance(20) ? std::to_string(Pick(1, 99)) + "-" : std::to_string(Pick(0, 999));
  }

  std::string Instruction() {
    switch (Pick(0, 9)) {
      case 0:
        return "add " + Register() + ", " + Register() + ", " + Register();
      case 1:
        return "addi " + Register() + ", " + Register() + ", " + Immediate(false);
      case 2:
        return "lw " + Register() + ", " + std::to_string(Pick(0, 64)) + "(" + Register() + ")";
      case 3:
        return "beq " + Register() + ", " + Register() + ", " + Immediate(true);
      case 4:
        return OneOf<std::string>({"j ", "jal "}) + Immediate(true);
      case 5:
        return "la " + std::to_string(Pick(0, 31)) + ", " + Immediate(true);
      case 6:
        return "li " + Register() + ", " + Immediate(false);
      case 7:
        return OneOf<std::string>({"halt", "fork", "join", "prn", "nop"});
      case 8:
        return "spawni " + std::to_string(Pick(0, 9)) + ", " + std::to_string(Pick(0, 9));
      default:
        return "jr " + Register();
    }
  }

  std::string Data() {
    switch (Pick(0, 3)) {
      case 0:
        return ".word " + std::to_string(Pick(-50, 50));
      case 1:
        return ".ascii \"" + std::string(static_cast<size_t>(Pick(0, 40)), 'q') + "\"";
      case 2:
        return ".align 4";
      default:
        return ".word " + std::to_string(Pick(0, 9));
    }
  }

  std::string Mistake() {
    return OneOf<std::string>({"sbi 1, 2, 3", "add $1, $2", "add 1 2 3 4", "ADD 1 2 3", ".word 5",
                               ".ascii \"open", ".ascii  \"two\"", "spawni 4, n", "x : halt",
                               "lp:halt", "halt halt", ".word 0x10", "j",
                               ".ascii \"a .word b and more text\"", ".rdata", ".text", ".data",
                               "la 1,", "halt   # it\"s",
                               // Operands the programs take from the next line.
                               "add $1, $2\n        $3", "spawni 4\n        5"});
  }

  std::string Statement() {
    if (mistakes_ && Chance(10)) return Mistake();
    if (in_data_) {
      if (Chance(25)) {
        in_data_ = false;
        return ".text";
      }
      return Data();
    }
    if (Chance(8)) {
      in_data_ = true;
      return ".rdata";
    }
    return Instruction();
  }

  std::string Line() {
    std::string line;
    if (Chance(30)) {
      // Jumps and branches may name data labels, but a clean source only
      // labels code and the start of its data sections.
      const std::string label = Label();
      if (mistakes_ || defined_.insert(label).second) line += label + ": ";
    }
    if (Chance(90)) line += "        " + Statement();
    if (Chance(15)) line += "   # note, with $ and (";
    return line + "\n";
  }

  std::mt19937 random_;
  bool mistakes_;
  std::string label_suffix_;
  bool in_data_ = false;
  std::set<std::string> defined_;
};

struct ChainRun {
  bool failed = false;
  std::optional<size_t> failing_offset;  // in the source (same line and column)
};

class FailureObserver : public kiv::assembly::StatementObserver {
 public:
  void OnStatement(const kiv::assembly::StatementEvent& event) override {
    if (event.status != kiv::assembly::Status::kSuccess) failed = event.offset;
    events.push_back(event);
  }
  std::optional<size_t> failed;
  std::vector<kiv::assembly::StatementEvent> events;
};

size_t LineOf(std::string_view text, size_t offset) {
  return kiv::tool::SourceMap(text).Locate(offset).line;
}

TEST(KivCheckRandom, NeverSilentAboutASourceTheProgramsRefuse) {
  int refused = 0;
  for (uint32_t seed = 1; seed <= 20000; ++seed) {
    const std::string source = SourceGrammar(seed, true).Program();
    FailureObserver observer;
    kiv::assembly::AssembleOptions options;
    options.observer = &observer;
    const kiv::assembly::AssemblyResult front = kiv::assembly::Assemble(source, options);
    bool failed = front.status != kiv::assembly::Status::kSuccess;
    if (!failed)
      failed = kiv::assembler::Pack(front.object_text).status != kiv::assembler::Status::kOk;
    if (!failed) continue;
    ++refused;

    const std::vector<Diagnostic> diagnostics = kiv::tool::CheckSource(source);
    ASSERT_TRUE(kiv::tool::HasError(diagnostics)) << "seed " << seed << ":\n" << source;
    if (!observer.failed) continue;  // the back end refused: any error will do
    // The formatted text keeps the source's lines: compare by line.
    const size_t failing_line = LineOf(front.formatted, *observer.failed);
    size_t first_error_line = SIZE_MAX;
    for (const Diagnostic& d : diagnostics) {
      if (d.severity == Severity::kError)
        first_error_line = std::min(first_error_line, LineOf(source, d.offset));
    }
    EXPECT_LE(first_error_line, failing_line) << "seed " << seed << ":\n" << source;
  }
  EXPECT_GT(refused, 3000);  // the grammar's mistakes do reach the programs
}

TEST(KivCheckRandom, CleanSourcesDrawNoErrorAndCountAsTheEncodingPass) {
  for (uint32_t seed = 1; seed <= 10000; ++seed) {
    const std::string source = SourceGrammar(seed, false).Program();
    FailureObserver observer;
    kiv::assembly::AssembleOptions options;
    options.observer = &observer;
    const kiv::assembly::AssemblyResult front = kiv::assembly::Assemble(source, options);
    const std::vector<Diagnostic> diagnostics = kiv::tool::CheckSource(source);
    const bool packs =
        front.status == kiv::assembly::Status::kSuccess &&
        kiv::assembler::Pack(front.object_text).status == kiv::assembler::Status::kOk;
    // Jumps into a data section are the one fault this grammar makes: the
    // check must agree with the back end on each source.
    EXPECT_EQ(kiv::tool::HasError(diagnostics), !packs) << "seed " << seed << ":\n" << source;

    kiv::tool::Report report;
    const kiv::tool::SourceMap lines(front.formatted);
    kiv::tool::WalkOptions keep;
    keep.keep_statements = true;
    const kiv::tool::ProgramFacts facts =
        kiv::tool::WalkStatements(front.formatted, lines, front.labels, report, keep);
    // Up to where the encoding pass stopped (an undefined label), if it did.
    const size_t compared = front.status == kiv::assembly::Status::kSuccess
                                ? observer.events.size()
                                : observer.events.size() - 1;
    if (front.status == kiv::assembly::Status::kSuccess) {
      ASSERT_EQ(facts.statements.size(), observer.events.size()) << "seed " << seed;
    }
    ASSERT_GE(facts.statements.size(), compared) << "seed " << seed;
    for (size_t i = 0; i < compared; ++i) {
      EXPECT_EQ(facts.statements[i].offset, observer.events[i].offset) << "seed " << seed;
      EXPECT_EQ(facts.statements[i].index, observer.events[i].index) << "seed " << seed;
    }
  }
}

// Everything a walk finds, in the order it reports it.
struct WalkOutcome {
  kiv::tool::ProgramFacts facts;
  std::vector<Diagnostic> diagnostics;
  std::vector<uint32_t> stands_at;
  std::vector<std::optional<uint32_t>> label_pass_values;
};

// A walk's facts with the label counts checked, its report finished and the
// definitions' places and label-pass values taken.
WalkOutcome Outcome(ProgramFacts facts, const kiv::assembly::AssemblyResult& front,
                    std::span<const kiv::tool::LabelDefinition> definitions,
                    std::vector<std::optional<uint32_t>> values, const kiv::tool::SourceMap& lines,
                    kiv::tool::Report& report) {
  WalkOutcome outcome;
  outcome.facts = std::move(facts);
  // What the messages of labels counted apart read: the statements, in a
  // list of their own, as the check walks again for them.
  const auto statements = [&] {
    ProgramFacts again;
    again.statements = outcome.facts.statements;
    again.sections = outcome.facts.sections;
    again.end_index = outcome.facts.end_index;
    return again;
  };
  kiv::tool::CheckLabelCounts(front.formatted, definitions, values, lines, statements, report);
  outcome.diagnostics = report.Finish();
  for (const auto& definition : definitions) outcome.stands_at.push_back(definition.stands_at);
  outcome.label_pass_values = std::move(values);
  return outcome;
}

// With `late_labels`, the walk starts while the labels are not yet final,
// as beside the label pass, and another thread makes them final a moment
// later: anywhere from before the first label operand to after the last.
// The definitions' label-pass values are looked up a ring's length ahead
// after a walk that looks label operands up ahead, and each at once after
// the plain one.
WalkOutcome WalkWithLookAhead(const kiv::assembly::AssemblyResult& front, size_t ahead,
                              std::optional<std::chrono::microseconds> late_labels = {}) {
  std::vector<kiv::tool::LabelDefinition> definitions =
      kiv::tool::ScanLabelDefinitions(front.formatted);
  const kiv::tool::SourceMap lines(front.formatted);
  kiv::tool::Report report;
  kiv::tool::WalkOptions options;
  options.keep_statements = true;
  options.definitions = definitions;
  options.labels_ahead = ahead;
  std::atomic<bool> labels_ready{false};
  std::jthread labeller;
  if (late_labels) {
    options.labels_ready = &labels_ready;
    labeller = std::jthread([&labels_ready, delay = *late_labels] {
      std::this_thread::sleep_for(delay);
      labels_ready.store(true, std::memory_order_release);
      labels_ready.notify_all();
    });
  }
  ProgramFacts facts =
      kiv::tool::WalkStatements(front.formatted, lines, front.labels, report, options);
  std::vector<std::optional<uint32_t>> values =
      kiv::tool::LabelPassValues(definitions, front.labels, ahead);
  return Outcome(std::move(facts), front, definitions, std::move(values), lines, report);
}

void ExpectSameDiagnostics(const std::vector<Diagnostic>& a, const std::vector<Diagnostic>& b,
                           uint32_t seed) {
  ASSERT_EQ(a.size(), b.size()) << "seed " << seed;
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].severity, b[i].severity) << "seed " << seed;
    EXPECT_EQ(a[i].offset, b[i].offset) << "seed " << seed;
    EXPECT_EQ(a[i].length, b[i].length) << "seed " << seed;
    EXPECT_EQ(a[i].message, b[i].message) << "seed " << seed;
    // The lines the walk carries for placing.
    EXPECT_EQ(a[i].line, b[i].line) << "seed " << seed;
    EXPECT_EQ(a[i].line_start, b[i].line_start) << "seed " << seed;
  }
}

// The same diagnostics, labels and jumps and branches, field by field.
void ExpectSameWalk(const WalkOutcome& a, const WalkOutcome& b, uint32_t seed) {
  ExpectSameDiagnostics(a.diagnostics, b.diagnostics, seed);
  EXPECT_EQ(a.stands_at, b.stands_at) << "seed " << seed;
  EXPECT_EQ(a.label_pass_values, b.label_pass_values) << "seed " << seed;
  const auto& x = a.facts.transfers;
  const auto& y = b.facts.transfers;
  ASSERT_EQ(x.size(), y.size()) << "seed " << seed;
  for (size_t i = 0; i < x.size(); ++i) {
    EXPECT_EQ(x[i].operand_offset, y[i].operand_offset) << "seed " << seed;
    EXPECT_EQ(x[i].operand_length, y[i].operand_length) << "seed " << seed;
    EXPECT_EQ(x[i].index, y[i].index) << "seed " << seed;
    EXPECT_EQ(x[i].target, y[i].target) << "seed " << seed;
    EXPECT_EQ(x[i].opcode, y[i].opcode) << "seed " << seed;
    EXPECT_EQ(x[i].via_label, y[i].via_label) << "seed " << seed;
  }
}

// `count` programs of the grammar in a row, with mistakes for even seeds.
std::string ProgramsInARow(uint32_t seed, uint32_t count) {
  std::string source;
  for (uint32_t part = 0; part < count; ++part) {
    source += SourceGrammar(seed * count + part, seed % 2 == 0).Program();
  }
  return source;
}

// Label operands looked up a ring's length after they are read find what
// looking each up at once finds, in the same order; sources of several
// programs in a row hold enough label operands to go round the ring. The far
// branch the walk notes as it goes is the one the plain look finds.
TEST(KivCheckRandom, LookingLabelsUpAheadFindsWhatLookingThemUpAtOnceFinds) {
  size_t to_labels = 0;
  size_t to_numbers = 0;
  size_t with_far_branch = 0;
  for (uint32_t seed = 1; seed <= 1500; ++seed) {
    const std::string source = ProgramsInARow(seed, 8);
    const kiv::assembly::AssemblyResult front = kiv::assembly::Assemble(source);
    const WalkOutcome plain = WalkWithLookAhead(front, 0);
    const WalkOutcome ahead = WalkWithLookAhead(front, kiv::tool::kMostLabelsAhead);
    ExpectSameWalk(plain, ahead, seed);
    EXPECT_EQ(ahead.facts.far_branch, kiv::tool::HasFarBranch(ahead.facts)) << "seed " << seed;
    with_far_branch += ahead.facts.far_branch ? 1 : 0;
    const auto& b = ahead.facts.transfers;
    for (const auto& transfer : b) ++(transfer.via_label ? to_labels : to_numbers);
    // In source order, numbers and labels alike: a refusal of the back end is
    // reported at the first jump or branch of the source.
    EXPECT_TRUE(std::is_sorted(
        b.begin(), b.end(),
        [](const auto& x, const auto& y) { return x.operand_offset < y.operand_offset; }))
        << "seed " << seed;
  }
  // Both kinds are among the facts, enough to go round the ring many times.
  EXPECT_GT(to_labels, 20 * kiv::tool::kMostLabelsAhead);
  EXPECT_GT(to_numbers, 100u);
  EXPECT_GT(with_far_branch, 0u);
  EXPECT_LT(with_far_branch, 1500u);
}

// The label pass's table, and its list of the definitions it entered.
struct ListedLabelPass {
  kiv::assembly::LabelTable labels;
  std::vector<kiv::assembly::DefinedLabel> defined;
};
ListedLabelPass RunListedLabelPass(std::string_view formatted) {
  ListedLabelPass pass;
  kiv::assembly::CreateLabelTable(pass.labels);
  kiv::assembly::Log log;
  kiv::assembly::BuildLabelList(formatted, pass.labels, log, {}, pass.defined);
  return pass;
}
std::vector<kiv::assembly::DefinedLabel> LabelPassList(std::string_view formatted) {
  return RunListedLabelPass(formatted).defined;
}

// Text with the label pass's odd corners packed close: colons in and out of
// quotes, names after a .word's number on a later line, blanks before colons.
std::string LabelJunk(std::mt19937& random) {
  static const char* const kPieces[] = {
      "a",      "b1",    ":",     "\"",     " ",  "\t", "\n", ".word",
      ".rdata", "5",     ".text", ".ascii", "12", "-",  "#",  "add $1, $2, $3",
      "x:",     "\n7y: "};
  std::string text;
  for (int i = 0; i < 200; ++i) text += kPieces[random() % std::size(kPieces)];
  return text;
}

void ExpectSameDefinitions(std::span<const kiv::tool::LabelDefinition> made,
                           std::span<const kiv::tool::LabelDefinition> scanned,
                           const std::string& source) {
  ASSERT_EQ(made.size(), scanned.size()) << source;
  for (size_t i = 0; i < made.size(); ++i) {
    EXPECT_EQ(made[i].name, scanned[i].name) << source;
    EXPECT_EQ(made[i].name_offset, scanned[i].name_offset) << source;
    EXPECT_EQ(made[i].colon_offset, scanned[i].colon_offset) << source;
  }
}

// Whether the label pass read every name of `defined` as a scan reads it, as
// a feed tells once each entry is placed.
bool NamesAsListed(std::string_view formatted,
                   std::span<const kiv::assembly::DefinedLabel> defined) {
  kiv::tool::DefinitionFeed feed(formatted, defined, 0);
  for (const kiv::assembly::DefinedLabel& entry : feed.known()) feed.Placed(entry);
  return feed.names_as_listed();
}

// The definitions made from the label pass's list are those a scan of the
// text finds, from any entry on; a feed hands a walk every entry while the
// pass still lists them on another thread, and tells when the pass read a
// name apart from the scan.
TEST(KivCheckRandom, DefinitionsMadeFromTheLabelPassListAreThoseScanned) {
  std::mt19937 random(11);
  size_t names_apart = 0;
  for (uint32_t seed = 1; seed <= 400; ++seed) {
    const std::string source = seed % 2 == 0 ? LabelJunk(random) : ProgramsInARow(seed, 2);
    const std::string formatted = kiv::assembly::NormaliseSource(source);
    const std::vector<kiv::tool::LabelDefinition> scanned =
        kiv::tool::ScanLabelDefinitions(formatted);
    const std::vector<kiv::assembly::DefinedLabel> defined = LabelPassList(formatted);
    const size_t from = random() % (defined.size() + 1);
    ExpectSameDefinitions(kiv::tool::MakeDefinitions(formatted, defined, from).span(),
                          std::span(scanned).subspan(std::min(from, scanned.size())), source);

    std::vector<kiv::assembly::DefinedLabel> growing;
    std::atomic<size_t> listed{0};
    std::atomic<bool> ended{false};
    std::jthread pass([&] {
      kiv::assembly::LabelTable labels;
      kiv::assembly::CreateLabelTable(labels);
      kiv::assembly::Log log;
      kiv::assembly::BuildLabelList(formatted, labels, log, {}, growing, &listed);
      ended.store(true, std::memory_order_release);
    });
    kiv::tool::DefinitionFeed feed(formatted, growing, listed, ended);
    size_t placed = 0;
    do {
      for (const kiv::assembly::DefinedLabel& entry : feed.known().subspan(placed)) {
        feed.Placed(entry);
        ++placed;
      }
    } while (feed.WaitForMore());
    pass.join();
    EXPECT_EQ(placed, growing.size()) << source;
    ExpectSameDefinitions(kiv::tool::MakeDefinitions(formatted, growing).span(), scanned, source);
    // The pass reads some names from after a .word's number on a later line.
    bool names_alike = scanned.size() == defined.size();
    for (size_t i = 0; names_alike && i < scanned.size(); ++i) {
      names_alike = scanned[i].name_offset == defined[i].name_offset;
    }
    EXPECT_EQ(feed.names_as_listed(), names_alike) << source;
    names_apart += names_alike ? 0 : 1;
  }
  EXPECT_GT(names_apart, 5u);
}

// The label pass's room made on another thread while the normaliser runs,
// from the source's colons (those of comments too), or not made there at
// all, changes nothing the pass makes.
TEST(KivCheckRandom, LabelRoomMadeBesideTheNormaliserChangesNothing) {
  std::mt19937 random(17);
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    const std::string source = seed % 2 == 0 ? LabelJunk(random) : ProgramsInARow(seed, 2);
    kiv::tool::FrontEndRun plain;
    kiv::tool::RunLabelPass(source, plain);
    for (const bool made_there : {true, false}) {
      kiv::tool::FrontEndRun run;
      std::optional<size_t> room;
      std::latch made(1);
      std::jthread maker([&] {
        if (made_there) {
          room = static_cast<size_t>(std::count(source.begin(), source.end(), ':'));
          kiv::tool::MakeLabelRoom(run, *room);
        }
        made.count_down();
      });
      kiv::tool::RunLabelPass(source, run, {}, nullptr, [&] {
        made.wait();
        return room;
      });
      EXPECT_EQ(run.formatted, plain.formatted) << source;
      EXPECT_EQ(run.status, plain.status) << source;
      EXPECT_EQ(run.log, plain.log) << source;
      ASSERT_EQ(run.defined.size(), plain.defined.size()) << source;
      ASSERT_EQ(run.labels.size(), plain.labels.size()) << source;
      for (size_t i = 0; i < plain.defined.size(); ++i) {
        const kiv::assembly::DefinedLabel& entry = plain.defined[i];
        EXPECT_EQ(run.defined[i].name_offset, entry.name_offset) << source;
        EXPECT_EQ(run.defined[i].colon_offset, entry.colon_offset) << source;
        EXPECT_EQ(run.defined[i].index, entry.index) << source;
        const std::string_view name =
            std::string_view(plain.formatted)
                .substr(entry.name_offset, entry.colon_offset - entry.name_offset);
        int32_t expected = -1;
        int32_t found = -1;
        EXPECT_EQ(run.labels.FindLabel(name, found), plain.labels.FindLabel(name, expected));
        EXPECT_EQ(found, expected) << source;
      }
    }
  }
}

// The label counts checked from what the label pass listed and the labels
// the walk placed elsewhere give what comparing every label's looked-up
// label-pass value gives, whenever the pass read each name as the walk's
// definitions hold it and entered none twice: on random sources, their
// mistakes miscounting labels, and on names the pass reads from after a
// .word's number on a later line, where it must not take that way.
// Clean lines that make the label pass count apart from the encoding pass,
// among labels each defined once and jumped to.
std::string CountedApart(std::mt19937& random) {
  std::string text;
  int labels = 0;
  for (int line = 0; line < 60; ++line) {
    switch (random() % 6) {
      case 0:
        text += "l" + std::to_string(labels++) + ":";
        break;
      case 1:
        text += "        halt halt";
        break;
      case 2:
        text += "        .rdata\n        .ascii \"a .word b\"\n        .text";
        break;
      case 3:
        if (labels > 0) text += "        j l" + std::to_string(random() % labels);
        break;
      default:
        text += "        add $1, $2, $3";
        break;
    }
    text += '\n';
  }
  return text;
}

TEST(KivCheckRandom, LabelCountsFromThePassListAreThoseFromLookUps) {
  std::mt19937 random(13);
  size_t as_listed = 0;
  size_t miscounting = 0;
  for (uint32_t seed = 1; seed <= 600; ++seed) {
    const std::string source = seed % 3 == 0   ? LabelJunk(random)
                               : seed % 3 == 1 ? CountedApart(random)
                                               : ProgramsInARow(seed, 1);
    const std::string formatted = kiv::assembly::NormaliseSource(source);
    const ListedLabelPass pass = RunListedLabelPass(formatted);
    // Named, not bound: a lambda below takes the table, which a structured
    // binding cannot give to a lambda before C++20's rules reached clang.
    const kiv::assembly::LabelTable& labels = pass.labels;
    const std::vector<kiv::assembly::DefinedLabel>& defined = pass.defined;
    const kiv::tool::SourceMap lines(formatted);
    kiv::tool::Report walk_report;
    kiv::tool::DefinitionFeed feed(formatted, defined, 0);
    kiv::tool::WalkOptions options;
    options.feed = &feed;
    const ProgramFacts facts =
        kiv::tool::WalkStatements(formatted, lines, labels, walk_report, options);
    const auto definitions = kiv::tool::MakeDefinitions(formatted, defined, 0, facts.counted_apart);
    if (!feed.names_as_listed() || labels.size() != definitions.size()) continue;
    ++as_listed;
    const auto statements = [&] {
      kiv::tool::Report again;
      kiv::tool::WalkOptions keep;
      keep.keep_statements = true;
      return kiv::tool::WalkStatements(formatted, lines, labels, again, keep);
    };
    kiv::tool::Report listed = walk_report;
    kiv::tool::CheckLabelCountsAsListed(
        formatted, kiv::tool::CountedApartDefinitions(formatted, defined, facts.counted_apart),
        lines, statements, listed);
    kiv::tool::Report looked_up = walk_report;
    kiv::tool::CheckLabelCounts(formatted, definitions,
                                kiv::tool::LabelPassValues(definitions, labels, 0), lines,
                                statements, looked_up);
    const std::vector<Diagnostic> a = listed.Finish();
    const std::vector<Diagnostic> b = looked_up.Finish();
    ExpectSameDiagnostics(a, b, seed);
    if (a.size() > walk_report.Finish().size()) ++miscounting;
  }
  EXPECT_GT(as_listed, 300u);
  EXPECT_GT(miscounting, 10u) << miscounting;
}

// Label operands put aside until the labels are final, wherever in the walk
// that happens, find what looking each up at once finds.
TEST(KivCheckRandom, PuttingLabelUsesAsideUntilTheLabelsAreFinalChangesNothing) {
  for (uint32_t seed = 1; seed <= 150; ++seed) {
    const std::string source = ProgramsInARow(seed, 300);
    const kiv::assembly::AssemblyResult front = kiv::assembly::Assemble(source);
    const WalkOutcome plain = WalkWithLookAhead(front, 0);
    const WalkOutcome late = WalkWithLookAhead(front, kiv::tool::kMostLabelsAhead,
                                               std::chrono::microseconds(seed * 5 % 400));
    ExpectSameDiagnostics(plain.diagnostics, late.diagnostics, seed);
    EXPECT_EQ(plain.stands_at, late.stands_at) << "seed " << seed;
    EXPECT_EQ(plain.label_pass_values, late.label_pass_values) << "seed " << seed;
    ASSERT_EQ(plain.facts.transfers.size(), late.facts.transfers.size()) << "seed " << seed;
    for (size_t i = 0; i < plain.facts.transfers.size(); ++i) {
      EXPECT_EQ(plain.facts.transfers[i].operand_offset, late.facts.transfers[i].operand_offset)
          << "seed " << seed;
      EXPECT_EQ(plain.facts.transfers[i].target, late.facts.transfers[i].target) << "seed " << seed;
    }
  }
}

// A text walked in pieces: the first walk from the start on this thread, the
// pieces taken from the end backwards from `last` and each read up to the
// next piece's start, on another thread after `delay` (or here, all before
// the first walk, without one). The first walk
// passes the starts it comes to first and stops at the first piece taken;
// the pieces' findings are joined to it in order, up to one that read on to
// the end. `joined` counts the pieces joined, `handed_over` whether the
// first walk stopped at one.
WalkOutcome WalkInPieces(const kiv::assembly::AssemblyResult& front,
                         std::vector<kiv::assembly::EncodingState> notes, size_t last,
                         std::optional<std::chrono::microseconds> delay, size_t& joined,
                         bool& handed_over) {
  const std::vector<kiv::assembly::DefinedLabel> defined = LabelPassList(front.formatted);
  kiv::tool::PieceStarts starts(std::move(notes));
  std::vector<std::optional<kiv::tool::PieceWalk>> walks(starts.size());
  const auto walk_piece = [&](size_t i) {
    walks[i].emplace(front.formatted, front.labels, defined, starts[i], /*keep_statements=*/true,
                     i == last ? nullptr : &starts[i + 1]);
    walks[i]->Run();
  };
  const auto take_and_walk = [&] {
    if (!starts.TakeFrom(last)) return;
    walk_piece(last);
    while (const std::optional<size_t> next = starts.TakeNext()) walk_piece(*next);
  };
  std::jthread pieces_walker;
  if (delay) {
    pieces_walker = std::jthread([&] {
      std::this_thread::sleep_for(*delay);
      take_and_walk();
    });
  } else {
    take_and_walk();
  }
  const kiv::tool::SourceMap lines(front.formatted);
  kiv::tool::Report report;
  kiv::tool::DefinitionFeed feed(front.formatted, defined, 0);
  kiv::tool::WalkOptions options;
  options.keep_statements = true;
  options.feed = &feed;
  kiv::tool::HandOver hand_over;
  hand_over.starts.store(&starts);
  options.hand_over = &hand_over;
  ProgramFacts facts =
      kiv::tool::WalkStatements(front.formatted, lines, front.labels, report, options, handed_over);
  if (pieces_walker.joinable()) pieces_walker.join();
  // A first walk that handed over read the names up to the first piece: the
  // pieces read the rest.
  bool names_as_listed = feed.names_as_listed();
  joined = 0;
  if (handed_over) {
    for (size_t i = starts.first_taken(); i <= last; ++i) {
      walks[i]->JoinTo(facts, names_as_listed, report);
      ++joined;
      if (i == last || !walks[i]->stopped_there()) break;
    }
  }
  EXPECT_EQ(names_as_listed, NamesAsListed(front.formatted, defined));
  const auto definitions =
      kiv::tool::MakeDefinitions(front.formatted, defined, 0, facts.counted_apart);
  return Outcome(std::move(facts), front, definitions,
                 kiv::tool::LabelPassValues(definitions, front.labels, 0), lines, report);
}

// The walk of a text's second half from the label pass's note at a line
// start, joined to a first half's walk that stops there: the same findings
// as one walk, whenever the first half hands over. `handed_over` says
// whether it did.
WalkOutcome WalkInTwoHalves(const kiv::assembly::AssemblyResult& front,
                            const kiv::assembly::EncodingState& note, bool& handed_over) {
  size_t joined = 0;
  return WalkInPieces(front, {note}, 0, std::nullopt, joined, handed_over);
}

// A text walked in two halves, split where the label pass notes its counts
// at a line start anywhere in it, gives what one walk gives, mistakes and
// all; where the first half arrives with other counts it reads on alone.
TEST(KivCheckRandom, WalkingInTwoHalvesFindsWhatOneWalkFinds) {
  int handed_over_count = 0;
  int read_on_alone = 0;
  for (uint32_t seed = 1; seed <= 400; ++seed) {
    const std::string source = ProgramsInARow(seed, 6);
    const kiv::assembly::AssemblyResult front = kiv::assembly::Assemble(source);
    const WalkOutcome one = WalkWithLookAhead(front, kiv::tool::kMostLabelsAhead);
    const std::vector<kiv::assembly::DefinedLabel> defined = LabelPassList(front.formatted);
    std::mt19937 random(seed);
    for (int split_try = 0; split_try < 4; ++split_try) {
      kiv::assembly::LabelTable scratch;
      kiv::assembly::CreateLabelTable(scratch);
      kiv::assembly::Log log;
      kiv::assembly::SplitNote split{random() % (front.formatted.size() + 1), {}};
      kiv::assembly::BuildLabelList(front.formatted, scratch, log, &split);
      if (!split.state || !kiv::tool::CanWalkFrom(*split.state)) continue;
      bool handed_over = false;
      const WalkOutcome two = WalkInTwoHalves(front, *split.state, handed_over);
      ++(handed_over ? handed_over_count : read_on_alone);
      ExpectSameWalk(one, two, seed);
      EXPECT_EQ(one.facts.end_index, two.facts.end_index) << "seed " << seed;
      EXPECT_EQ(one.facts.far_branch, two.facts.far_branch) << "seed " << seed;
      // The labels the halves placed apart from the pass's index, in order,
      // where they stand.
      std::vector<kiv::tool::CountedApart> counted_apart;
      for (size_t i = 0; i < defined.size() && i < one.stands_at.size(); ++i) {
        if (defined[i].index != one.stands_at[i]) counted_apart.push_back({i, one.stands_at[i]});
      }
      EXPECT_EQ(two.facts.counted_apart, counted_apart) << "seed " << seed;
      ASSERT_EQ(one.facts.statements.size(), two.facts.statements.size()) << "seed " << seed;
      for (size_t i = 0; i < one.facts.statements.size(); ++i) {
        EXPECT_EQ(one.facts.statements[i].offset, two.facts.statements[i].offset);
        EXPECT_EQ(one.facts.statements[i].index, two.facts.statements[i].index);
      }
      ASSERT_EQ(one.facts.sections.size(), two.facts.sections.size()) << "seed " << seed;
      for (size_t i = 0; i < one.facts.sections.size(); ++i) {
        EXPECT_EQ(one.facts.sections[i].offset, two.facts.sections[i].offset);
        EXPECT_EQ(one.facts.sections[i].start, two.facts.sections[i].start);
        EXPECT_EQ(one.facts.sections[i].end, two.facts.sections[i].end);
      }
    }
  }
  // Both ways are taken often.
  EXPECT_GT(handed_over_count, 500);
  EXPECT_GT(read_on_alone, 20);
}

// However the two threads meet, the pieces give what one walk gives, lines
// carried included; where the first walk arrives at a piece with other
// counts, or has read past its start, it reads on alone.
TEST(KivCheckRandom, WalkingInPiecesOnTwoThreadsFindsWhatOneWalkFinds) {
  int handed_over_count = 0;
  int read_on_alone = 0;
  size_t pieces_joined = 0;
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    // Each program's data closed before the next, so that the label pass
    // counts as the walk does where the programs have no mistakes; each with
    // labels of its own, so that la operands reach high indices and draw
    // warnings all along the text.
    std::string source;
    for (uint32_t part = 0; part < 300; ++part) {
      source +=
          SourceGrammar(seed * 300 + part, seed % 2 == 0, "_" + std::to_string(part)).Program() +
          "        .text\n";
    }
    const kiv::assembly::AssemblyResult front = kiv::assembly::Assemble(source);
    const WalkOutcome one = WalkWithLookAhead(front, kiv::tool::kMostLabelsAhead);
    std::mt19937 random(seed);
    std::vector<kiv::assembly::SplitNote> splits;
    for (size_t k = 1; k <= 8; ++k) splits.push_back({front.formatted.size() / 9 * k, {}});
    kiv::assembly::LabelTable scratch;
    kiv::assembly::CreateLabelTable(scratch);
    kiv::assembly::Log log;
    kiv::assembly::BuildLabelList(front.formatted, scratch, log, splits);
    std::vector<kiv::assembly::EncodingState> notes;
    for (const auto& split : splits) {
      if (split.state && kiv::tool::CanWalkFrom(*split.state) &&
          (notes.empty() || notes.back().offset < split.state->offset)) {
        notes.push_back(*split.state);
      }
    }
    if (notes.empty()) continue;
    // Mostly one of the last few, as the check lays them out.
    const size_t last = notes.size() - 1 - random() % std::min<size_t>(notes.size(), 3);
    const auto delay = std::chrono::microseconds(random() % 100);
    size_t joined = 0;
    bool handed_over = false;
    const WalkOutcome in_pieces =
        WalkInPieces(front, std::move(notes), last, delay, joined, handed_over);
    ++(handed_over ? handed_over_count : read_on_alone);
    pieces_joined += joined;
    ExpectSameWalk(one, in_pieces, seed);
    EXPECT_EQ(one.facts.end_index, in_pieces.facts.end_index) << "seed " << seed;
    EXPECT_EQ(one.facts.far_branch, in_pieces.facts.far_branch) << "seed " << seed;
    ASSERT_EQ(one.facts.statements.size(), in_pieces.facts.statements.size()) << "seed " << seed;
    for (size_t i = 0; i < one.facts.statements.size(); ++i) {
      EXPECT_EQ(one.facts.statements[i].offset, in_pieces.facts.statements[i].offset);
      EXPECT_EQ(one.facts.statements[i].index, in_pieces.facts.statements[i].index);
    }
  }
  // Both ways are taken, and the threads meet with more than one piece
  // taken now and then.
  EXPECT_GE(handed_over_count, 5);
  EXPECT_GE(read_on_alone, 5);
  EXPECT_GT(pieces_joined, static_cast<size_t>(handed_over_count));
}

// The starts are passed and taken once each: the first walk passes until it
// comes to a taken one; pieces are taken from the end down to where it is.
TEST(KivPieceStarts, EachStartIsPassedOrTakenOnce) {
  const auto starts_at = [](std::initializer_list<size_t> offsets) {
    std::vector<kiv::assembly::EncodingState> starts;
    for (const size_t offset : offsets) starts.push_back({offset, 0, false, 0});
    return kiv::tool::PieceStarts(std::move(starts));
  };
  kiv::tool::PieceStarts starts = starts_at({10, 20, 30, 40});
  EXPECT_EQ(starts.first_taken(), 4u);
  EXPECT_TRUE(starts.Pass(0));
  EXPECT_FALSE(starts.TakeFrom(0));  // passed already
  EXPECT_TRUE(starts.TakeFrom(3));
  EXPECT_EQ(starts.first_taken(), 3u);
  EXPECT_EQ(starts.TakeNext(), std::optional<size_t>(2));
  EXPECT_TRUE(starts.Pass(1));
  EXPECT_FALSE(starts.Pass(2));                // taken
  EXPECT_EQ(starts.TakeNext(), std::nullopt);  // the first walk is at it
  EXPECT_EQ(starts.first_taken(), 2u);

  kiv::tool::PieceStarts alone = starts_at({10, 20, 30});
  EXPECT_TRUE(alone.TakeFrom(2));
  alone.GoAlone();
  EXPECT_EQ(alone.TakeNext(), std::nullopt);
}

// The same source with tabs for some indents, some lines ended with CR LF
// and, now and then, no line end at the very end.
std::string WithTabsAndCarriageReturns(const std::string& source, uint32_t seed) {
  std::string changed;
  uint32_t line = 0;
  for (size_t i = 0; i < source.size(); ++i) {
    if (source.compare(i, 8, "        ") == 0 && (seed + line) % 3 == 0) {
      changed += '\t';
      i += 7;
      continue;
    }
    if (source[i] == '\n' && (seed + line++) % 4 == 0) changed += '\r';
    changed += source[i];
  }
  if (seed % 5 == 0 && !changed.empty()) changed.pop_back();
  return changed;
}

// Diagnostics the checker has placed on their lines print as those the
// printer places itself.
TEST(KivCheckRandom, DiagnosticsPlacedByTheCheckerPrintAsThoseThePrinterPlaces) {
  size_t placed = 0;
  for (uint32_t seed = 1; seed <= 1500; ++seed) {
    const std::string source =
        WithTabsAndCarriageReturns(SourceGrammar(seed, true).Program(), seed);
    const std::vector<Diagnostic> diagnostics = kiv::tool::CheckSource(source);
    std::vector<Diagnostic> unplaced = diagnostics;
    for (Diagnostic& d : unplaced) {
      placed += d.line != 0 ? 1 : 0;
      d.line = 0;
      d.line_start = 0;
    }
    for (const bool plain : {false, true}) {
      std::ostringstream by_checker;
      std::ostringstream by_printer;
      kiv::tool::PrintDiagnostics(by_checker, "s", source, diagnostics, plain);
      kiv::tool::PrintDiagnostics(by_printer, "s", source, unplaced, plain);
      ASSERT_EQ(by_checker.str(), by_printer.str()) << "seed " << seed << ":\n" << source;
    }
  }
  EXPECT_GT(placed, 1500u);
}

// The lines the walk carries for its findings place them where counting the
// normalised text's lines would: across strings run over line ends and
// operands taken from later lines, for findings made at once and for label
// operands looked up later.
TEST(KivCheckRandom, LinesCarriedByTheWalkAreTheLinesCounted) {
  size_t carried = 0;
  for (uint32_t seed = 1; seed <= 1500; ++seed) {
    const std::string source =
        WithTabsAndCarriageReturns(SourceGrammar(seed, true).Program(), seed);
    const kiv::assembly::AssemblyResult front = kiv::assembly::Assemble(source);
    const kiv::tool::SourceMap lines(front.formatted);
    kiv::tool::Report report;
    kiv::tool::WalkStatements(front.formatted, lines, front.labels, report);
    std::vector<Diagnostic> by_walk = report.Finish();
    std::vector<Diagnostic> counted = by_walk;
    for (Diagnostic& d : counted) {
      carried += d.line != 0 ? 1 : 0;
      d.line = 0;
      d.line_start = 0;
    }
    kiv::tool::MoveToSource(by_walk, front.formatted, source);
    kiv::tool::MoveToSource(counted, front.formatted, source);
    ASSERT_EQ(by_walk.size(), counted.size());
    for (size_t i = 0; i < by_walk.size(); ++i) {
      EXPECT_EQ(by_walk[i].offset, counted[i].offset) << "seed " << seed << ":\n" << source;
      EXPECT_EQ(by_walk[i].line, counted[i].line) << "seed " << seed << ":\n" << source;
      EXPECT_EQ(by_walk[i].line_start, counted[i].line_start) << "seed " << seed;
    }
  }
  EXPECT_GT(carried, 1500u);
}

}  // namespace
