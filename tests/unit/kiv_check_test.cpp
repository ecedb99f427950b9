// `kiv check` as a command (exit statuses, file names, options), and the
// checks that need programs too large for a golden case: distances beyond
// the 18-bit fields.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "kiv/check.h"
#include "kiv/checker_chain.h"
#include "kiv/checker_layout.h"
#include "kiv/commands.h"

namespace {

namespace fs = std::filesystem;
using kiv::tool::Diagnostic;
using kiv::tool::Severity;

// A fresh directory to run a command in; the old working directory is
// restored afterwards.
class InTemporaryDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    dir_ = fs::temp_directory_path() /
           ("kiv_check_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }
  static void Write(const std::string& name, const std::string& text) {
    std::ofstream(name, std::ios::binary) << text;
  }
  int Run(std::vector<std::string_view> args) {
    out_.str("");
    err_.str("");
    return kiv::tool::RunCheckCommand(args, out_, err_);
  }

  std::ostringstream out_;
  std::ostringstream err_;

 private:
  fs::path previous_;
  fs::path dir_;
};

TEST_F(InTemporaryDirectory, CleanSourceExitsZeroAndPrintsNothing) {
  Write("kivAssembly.txt", "main: li $1, 2\n      halt\n");
  EXPECT_EQ(Run({}), kiv::tool::kExitOk);
  EXPECT_EQ(err_.str(), "");
  EXPECT_EQ(out_.str(), "");
}

TEST_F(InTemporaryDirectory, DefaultSourceIsNamedInDiagnostics) {
  Write("kivAssembly.txt", "  sbi 1 2 3\n");
  EXPECT_EQ(Run({}), kiv::tool::kExitInputError);
  EXPECT_EQ(err_.str(), "kivAssembly.txt:1:3: error: unknown mnemonic 'sbi'\n  sbi 1 2 3\n  ^~~\n");
}

TEST_F(InTemporaryDirectory, WarningsAloneExitZero) {
  Write("p.s", "li $t0, 1\n");
  EXPECT_EQ(Run({"--plain", "p.s"}), kiv::tool::kExitOk);
  EXPECT_EQ(err_.str().rfind("p.s:1:5: warning: register name 't0'", 0), 0u) << err_.str();
  EXPECT_EQ(err_.str().find('^'), std::string::npos);  // --plain
}

TEST_F(InTemporaryDirectory, MissingFileIsAnErrorNamingIt) {
  EXPECT_EQ(Run({"nowhere.s"}), kiv::tool::kExitInputError);
  EXPECT_NE(err_.str().find("'nowhere.s'"), std::string::npos) << err_.str();
  EXPECT_EQ(Run({}), kiv::tool::kExitInputError);
  EXPECT_NE(err_.str().find("'kivAssembly.txt'"), std::string::npos) << err_.str();
}

TEST_F(InTemporaryDirectory, BadUsageExitsTwo) {
  EXPECT_EQ(Run({"--bogus"}), kiv::tool::kExitUsage);
  EXPECT_EQ(Run({"a.s", "b.s"}), kiv::tool::kExitUsage);
  EXPECT_EQ(Run({"--help"}), kiv::tool::kExitOk);
  EXPECT_NE(out_.str().find("usage: kiv check"), std::string::npos);
}

// A source of several megabytes puts the command's heap on huge pages before
// the check: what it prints must be what the check in memory gives, warnings
// on both halves of the walk and an error near the end included.
TEST_F(InTemporaryDirectory, LargeSourceGivesWhatTheCheckInMemoryGives) {
  std::string text;
  for (int i = 0; text.size() < (size_t{5} << 20); ++i) {
    const std::string n = std::to_string(i);
    text += "l" + n + ":  add $1, $2, $3\n        la $4, l" + n + "\n        beq $1, $2, l" + n +
            "  # loop " + n + "\n";
  }
  text += "        j nowhere\n";
  Write("big.s", text);
  std::ostringstream expected;
  const std::vector<Diagnostic> diagnostics = kiv::tool::CheckSource(text);
  kiv::tool::PrintDiagnostics(expected, "big.s", text, diagnostics, false);
  ASSERT_GT(diagnostics.size(), 1000u);
  EXPECT_EQ(Run({"big.s"}), kiv::tool::kExitInputError);
  EXPECT_TRUE(err_.str() == expected.str())
      << "the command printed " << err_.str().size() << " bytes, the check in memory "
      << expected.str().size();
}

std::vector<std::string> Messages(const std::vector<Diagnostic>& diagnostics) {
  std::vector<std::string> messages;
  for (const Diagnostic& d : diagnostics) messages.push_back(d.message);
  return messages;
}

bool AnyStartsWith(const std::vector<Diagnostic>& diagnostics, std::string_view prefix) {
  for (const Diagnostic& d : diagnostics) {
    if (d.message.starts_with(prefix)) return true;
  }
  return false;
}

// A string of 700000 bytes takes 131250 indices: past what an 18-bit signed
// field holds.
std::string FarProgram(const std::string& first_line) {
  return first_line + "\n        .rdata\n        .ascii \"" + std::string(700000, 'a') +
         "\"\n        .text\nfar:    halt\n";
}

TEST(KivCheckFar, BranchBeyondItsFieldIsAWarning) {
  const std::vector<Diagnostic> diagnostics = kiv::tool::CheckSource(FarProgram("beq $1, $2, far"));
  EXPECT_FALSE(kiv::tool::HasError(diagnostics));
  EXPECT_TRUE(AnyStartsWith(diagnostics, "branch distance 131250 instructions"))
      << testing::PrintToString(Messages(diagnostics));
}

TEST(KivCheckFar, LabelCutToTheImmediateFieldIsAWarning) {
  const std::vector<Diagnostic> diagnostics = kiv::tool::CheckSource(FarProgram("li $1, far"));
  EXPECT_TRUE(
      AnyStartsWith(diagnostics,
                    "label 'far' (index 131251) does not fit the 18-bit immediate field: it "
                    "reads as -130893"))
      << testing::PrintToString(Messages(diagnostics));
  // A jump holds all 32 bits: nothing to say.
  EXPECT_TRUE(kiv::tool::CheckSource(FarProgram("j far")).empty());
}

TEST(KivCheckLayout, BranchDistanceCountsBundlesOfTheBackEnd) {
  kiv::tool::ProgramFacts facts;
  facts.transfers.PushBack(
      kiv::tool::TransferFact{10, 3, 0, 400000, 4, true});  // beq at 0 to index 400000
  facts.transfers.PushBack(kiv::tool::TransferFact{30, 3, 5, 9, 5, true});  // bne nearby
  kiv::assembler::BoundaryTable table;
  table.Insert(400000);
  table.Insert(9);
  table.ComputePadding();
  kiv::tool::Report report;
  kiv::tool::CheckBranchDistances(facts, table, report);
  const std::vector<Diagnostic> diagnostics = report.Finish();
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_EQ(diagnostics[0].offset, 10u);
  EXPECT_TRUE(diagnostics[0].message.starts_with("branch distance of 133334 bundles"))
      << diagnostics[0].message;
}

// The screen of data indices passes over only targets no section holds:
// random sections (some empty, some overlapping, as after an error) and
// targets in, at the start of, around and far past them, against the plain
// search for each.
TEST(KivCheckLayout, ScreenedJumpsIntoDataFindWhatThePlainSearchFinds) {
  std::mt19937 random(11);
  const auto pick = [&random](uint32_t below) { return static_cast<uint32_t>(random() % below); };
  const std::string text(4096, 'x');
  const kiv::tool::SourceMap lines(text);
  int found = 0;
  for (int round = 0; round < 400; ++round) {
    kiv::tool::ProgramFacts facts;
    uint32_t index = pick(50);
    for (uint32_t s = pick(6); s > 0; --s) {
      const uint32_t start = round % 7 == 0 ? pick(200) : index + pick(40);
      const uint32_t end = start + pick(30);
      facts.sections.push_back({pick(4000), pick(4096), start, end});
      index = std::max(index, end);
    }
    std::sort(facts.sections.begin(), facts.sections.end(),
              [](const auto& a, const auto& b) { return a.start < b.start; });
    for (int t = 0; t < 30; ++t) {
      const uint32_t target = t % 10 == 0 ? 0xfffffff0u + pick(16) : pick(index + 20);
      facts.transfers.PushBack(kiv::tool::TransferFact{pick(4000), 1 + pick(3), pick(300), target,
                                                       t % 2 == 0 ? 2u : 4u, t % 3 == 0});
    }
    const size_t exact_until = round % 4 == 0 ? pick(4096) : SIZE_MAX;
    kiv::tool::Report screened;
    kiv::tool::CheckTransfersIntoData(text, facts, lines, exact_until, screened, true);
    kiv::tool::Report plain;
    kiv::tool::CheckTransfersIntoData(text, facts, lines, exact_until, plain, false);
    const auto a = screened.Finish();
    const auto b = plain.Finish();
    ASSERT_EQ(a.size(), b.size()) << round;
    for (size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(a[i].offset, b[i].offset) << round;
      EXPECT_EQ(a[i].message, b[i].message) << round;
    }
    found += static_cast<int>(a.size());
  }
  EXPECT_GT(found, 200);  // many targets do land in data
}

TEST(KivCheckChain, FrontEndFailureGetsAnErrorUnlessOneStandsBeforeIt) {
  kiv::tool::FrontEndRun run;
  kiv::tool::RunFrontEnd("li 1 2\nli 3 4\nbogus\n", run);
  ASSERT_TRUE(run.failing_offset.has_value());
  EXPECT_EQ(*run.failing_offset, 14u);

  kiv::tool::Report empty;
  kiv::tool::ReportFrontEndFailure(run, empty);
  const std::vector<Diagnostic> added = empty.Finish();
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0].offset, 14u);
  EXPECT_EQ(added[0].length, 5u);
  EXPECT_EQ(added[0].message, "the front end stops here: Unsupported instruction");

  kiv::tool::Report earlier;
  earlier.Error(3, 1, "an error before it");
  kiv::tool::ReportFrontEndFailure(run, earlier);
  EXPECT_EQ(earlier.Finish().size(), 1u);
}

TEST(KivCheckChain, ASuccessfulFrontEndAddsNothing) {
  kiv::tool::FrontEndRun run;
  bool told = false;
  kiv::tool::RunFrontEnd("halt\n", run, [&] { told = true; });
  EXPECT_TRUE(told);
  EXPECT_FALSE(run.failing_offset.has_value());
  kiv::tool::Report report;
  kiv::tool::ReportFrontEndFailure(run, report);
  EXPECT_FALSE(report.has_error());
}

TEST(KivCheckSource, DiagnosticsPointIntoTheSourceBehindComments) {
  // The normalised text drops the comment; offsets must still be the source's.
  const std::string source = "li 1 2 # a comment\n  sbi 1\n";
  const std::vector<Diagnostic> diagnostics = kiv::tool::CheckSource(source);
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_EQ(source.substr(diagnostics[0].offset, 3), "sbi");
}

}  // namespace
