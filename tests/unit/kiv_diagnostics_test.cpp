// How diagnostics are placed and printed: lines and columns (tab stops of 8,
// UTF-8 characters one column each), the source line with a caret that
// stays under its token whatever the reader's tab width, --plain, and the
// order of diagnostics with their notes.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "assembly/normaliser.h"
#include "kiv/checker_comments.h"
#include "kiv/checker_report.h"
#include "kiv/diagnostics.h"
#include "kiv/placed_diagnostics.h"
#include "kiv/source_map.h"

namespace {

using kiv::tool::Diagnostic;
using kiv::tool::Severity;
using kiv::tool::SourceMap;

TEST(KivSourceMap, LocatesLinesColumnsAndLineText) {
  const std::string source = "ab\n\tx\r\nlast";
  const SourceMap map(source);
  EXPECT_EQ(map.line_count(), 3u);

  auto at = map.Locate(1);
  EXPECT_EQ(at.line, 1u);
  EXPECT_EQ(at.column, 2u);
  EXPECT_EQ(at.line_text, "ab");

  at = map.Locate(4);  // x, after a tab
  EXPECT_EQ(at.line, 2u);
  EXPECT_EQ(at.column, 9u);
  EXPECT_EQ(at.line_text, "\tx");  // the carriage return is no part of the text

  at = map.Locate(source.size());  // the end falls on the last line
  EXPECT_EQ(at.line, 3u);
  EXPECT_EQ(at.column, 5u);
  EXPECT_EQ(map.LineStart(2), 7u);
  EXPECT_EQ(map.LineStart(9), source.size());
}

// The sweeps count line ends 64 bytes at a time; the table walks them one by
// one. Both must agree on texts of every shape, long lines and empty ones.
TEST(KivSourceMap, SweepsAgreeWithTheTable) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::string text;
    const int length = std::uniform_int_distribution<int>(0, 700)(random);
    for (int i = 0; i < length; ++i) {
      const int pick = std::uniform_int_distribution<int>(0, 9)(random);
      text += pick < 3 ? '\n' : pick < 4 ? '\t' : static_cast<char>('a' + pick);
    }
    const SourceMap map(text);
    std::vector<size_t> offsets;
    std::vector<size_t> lines;
    for (int i = 0; i < 20; ++i) {
      offsets.push_back(std::uniform_int_distribution<size_t>(0, text.size())(random));
      lines.push_back(std::uniform_int_distribution<size_t>(1, map.line_count() + 2)(random));
    }
    const auto positions = kiv::tool::LocateAll(text, offsets);
    const auto starts = kiv::tool::LineStartsOf(text, lines);
    for (size_t i = 0; i < offsets.size(); ++i) {
      const auto expected = map.Locate(offsets[i]);
      EXPECT_EQ(positions[i].line, expected.line) << round;
      EXPECT_EQ(positions[i].line_start, expected.line_start) << round;
      EXPECT_EQ(positions[i].column, expected.column) << round;
      EXPECT_EQ(positions[i].line_text, expected.line_text) << round;
      EXPECT_EQ(starts[i], map.LineStart(lines[i] - 1)) << round << " line " << lines[i];
    }
  }
}

TEST(KivSourceMap, DisplayColumnsFollowTabStopsAndCharacters) {
  EXPECT_EQ(kiv::tool::DisplayColumn("abc\tx", 4), 9u);
  EXPECT_EQ(kiv::tool::DisplayColumn("abcdefgh\tx", 9), 17u);
  EXPECT_EQ(kiv::tool::DisplayColumn("\t\tx", 2), 17u);
  EXPECT_EQ(kiv::tool::DisplayColumn("a \t x", 4), 10u);
  EXPECT_EQ(kiv::tool::DisplayColumn("\xc3\xa9t x", 4), 4u);  // é is one column
}

TEST(KivPrintDiagnostics, PrintsLocationSourceLineAndCaret) {
  const std::string source = "main:\tli $1, 2\n\tsbi $1, 1 ; why\n";
  const std::vector<Diagnostic> diagnostics{
      {Severity::kError, 16, "unknown mnemonic 'sbi'", 3},
      {Severity::kNote, 6, "a note", 2},
  };
  std::ostringstream out;
  kiv::tool::PrintDiagnostics(out, "prog.s", source, diagnostics, false);
  EXPECT_EQ(out.str(),
            "prog.s:2:9: error: unknown mnemonic 'sbi'\n"
            "\tsbi $1, 1 ; why\n"
            "\t^~~\n"
            "prog.s:1:9: note: a note\n"
            "main:\tli $1, 2\n"
            "     \t^~\n");
}

TEST(KivPrintDiagnostics, PlainLeavesOutSourceAndCaretLines) {
  const std::string source = "x\ny\n";
  const std::vector<Diagnostic> diagnostics{{Severity::kWarning, 2, "look", 1}};
  std::ostringstream out;
  kiv::tool::PrintDiagnostics(out, "a.s", source, diagnostics, true);
  EXPECT_EQ(out.str(), "a.s:2:1: warning: look\n");
}

TEST(KivPrintDiagnostics, UnderlineStopsAtTheLineEndAndEmptyLinesGetACaret) {
  const std::string source = "ab\n\nlast";
  const std::vector<Diagnostic> diagnostics{
      {Severity::kError, 1, "long", 40},
      {Severity::kError, 3, "empty line", 1},
      {Severity::kError, source.size(), "at the end", 1},
  };
  std::ostringstream out;
  kiv::tool::PrintDiagnostics(out, "f", source, diagnostics, false);
  EXPECT_EQ(out.str(),
            "f:1:2: error: long\nab\n ^\n"
            "f:2:1: error: empty line\n\n^\n"
            "f:3:5: error: at the end\nlast\n    ^\n");
}

TEST(KivPrintDiagnostics, ACharacterOfSeveralBytesTakesOneColumnAndOneCaretPlace) {
  const std::string source =
      "\xc3\xa9\tlw \xc3\xa9"
      "9\n";
  const std::vector<Diagnostic> diagnostics{{Severity::kError, 6, "m", 3}};
  std::ostringstream out;
  kiv::tool::PrintDiagnostics(out, "f", source, diagnostics, false);
  EXPECT_EQ(out.str(),
            "f:1:12: error: m\n\xc3\xa9\tlw \xc3\xa9"
            "9\n \t   ^~\n");
}

// Thousands of diagnostics are printed in two halves, the second formatted
// on a thread of its own: the text is that of printing each alone in turn,
// placed ones and those the printer places itself alike.
TEST(KivPrintDiagnostics, ManyPrintAsEachAloneInTurn) {
  std::mt19937 random(9);
  std::string source;
  for (int line = 0; line < 3000; ++line) {
    // Tabs and characters of several bytes before the token shape the caret line.
    source += std::string(static_cast<size_t>(random() % 6), '\t') +
              (random() % 4 == 0 ? "\xc3\xa9t: " : "") + "add 1 2 3  # x\n";
  }
  std::vector<Diagnostic> diagnostics;
  for (int i = 0; i < 9000; ++i) {
    Diagnostic d;
    d.severity = i % 7 == 0 ? Severity::kNote : Severity::kWarning;
    d.offset = random() % (source.size() + 1);
    d.length = 1 + random() % 4;
    d.message = "number " + std::to_string(i);
    if (i % 3 == 0) {
      const kiv::tool::SourcePosition at = kiv::tool::SourceMap(source).Locate(d.offset);
      d.line = at.line;
      d.line_start = at.line_start;
    }
    diagnostics.push_back(d);
  }
  for (const bool plain : {false, true}) {
    std::ostringstream all;
    kiv::tool::PrintDiagnostics(all, "many.s", source, diagnostics, plain);
    std::ostringstream each;
    for (const Diagnostic& d : diagnostics) {
      kiv::tool::PrintDiagnostics(each, "many.s", source, std::span(&d, 1), plain);
    }
    EXPECT_EQ(all.str(), each.str());
  }
}

TEST(KivReport, SortsByOffsetKeepingNotesWithTheirDiagnostic) {
  kiv::tool::Report report;
  report.Warning(50, 1, "late warning");
  report.Error(10, 1, "duplicate");
  report.Note(2, 1, "first definition");
  report.Error(10, 1, "second at the same place");
  EXPECT_TRUE(report.has_error());
  EXPECT_EQ(report.first_error_offset(), 10u);

  const std::vector<Diagnostic> sorted = report.Finish();
  ASSERT_EQ(sorted.size(), 4u);
  EXPECT_EQ(sorted[0].message, "duplicate");
  EXPECT_EQ(sorted[1].message, "first definition");
  EXPECT_EQ(sorted[1].severity, Severity::kNote);
  EXPECT_EQ(sorted[2].message, "second at the same place");
  EXPECT_EQ(sorted[3].message, "late warning");
}

// A report placed in two batches, the first while the rest is still to be
// found, against the whole report sorted and placed at once: random groups
// (a diagnostic and up to two notes) at random offsets, many of them equal,
// in a text whose source has comments the normalised text lacks, and lines
// shorter than the text's, past which an offset does not lie on its line.
// Reports in order already (handed back as they are) and out of order, with
// notes behind their diagnostic and now and then one first of all, against
// a plain stable sort of the groups.
TEST(KivReport, FinishMatchesAPlainSortOfTheGroups) {
  std::mt19937 random(11);
  for (int round = 0; round < 500; ++round) {
    kiv::tool::Report report;
    std::vector<std::vector<std::string>> groups;  // messages, the group's first first
    std::vector<size_t> keys;
    size_t offset = 0;
    const bool ascending = round % 2 == 0;
    const int count = std::uniform_int_distribution<int>(0, 12)(random);
    for (int g = 0; g < count; ++g) {
      offset = ascending ? offset + random() % 3 : random() % 20;
      const std::string name = std::to_string(round) + "." + std::to_string(g);
      const bool leading_note = g == 0 && random() % 4 == 0;
      if (leading_note) {
        report.Note(offset, 1, name);
      } else {
        report.Warning(offset, 1, name);
      }
      groups.push_back({name});
      keys.push_back(offset);
      for (int n = static_cast<int>(random() % 3); n > 0; --n) {
        report.Note(random() % 20, 1, name + " note " + std::to_string(n));
        groups.back().push_back(name + " note " + std::to_string(n));
      }
    }
    std::vector<size_t> order(groups.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    std::vector<std::string> expected;
    for (const size_t g : order)
      expected.insert(expected.end(), groups[g].begin(), groups[g].end());
    std::vector<std::string> finished;
    for (const Diagnostic& d : report.Finish()) finished.push_back(d.message);
    ASSERT_EQ(finished, expected) << round;
    EXPECT_TRUE(report.Finish().empty());
  }
}

TEST(KivReport, PlacedInTwoBatchesItMatchesOneBatch) {
  std::mt19937 random(5);
  for (int round = 0; round < 500; ++round) {
    std::string formatted;
    std::string source;
    for (int line = 0; line < 1 + round % 30; ++line) {
      const std::string code(static_cast<size_t>(random() % 12), 'x');
      formatted += code + "\n";
      const size_t kept = random() % 4 == 0 ? random() % (code.size() + 1) : code.size();
      source += code.substr(0, kept) + (random() % 2 == 0 ? " # note\n" : "\n");
    }
    if (round % 3 == 0) source.pop_back();  // no line end after the last line
    struct Group {
      Severity severity;
      size_t offset;
      std::vector<size_t> notes;
    };
    std::vector<Group> groups(static_cast<size_t>(random() % 40));
    for (Group& g : groups) {
      g.severity = random() % 2 == 0 ? Severity::kError : Severity::kWarning;
      g.offset = random() % (formatted.size() + 1) / 4 * 4;  // often the same offset
      for (auto n = random() % 3; n > 0; --n) g.notes.push_back(random() % formatted.size());
    }
    const auto add = [](kiv::tool::Report& report, const Group& g, size_t number) {
      const std::string name = std::to_string(number);
      if (g.severity == Severity::kError) {
        report.Error(g.offset, 1, name);
      } else {
        report.Warning(g.offset, 1, name);
      }
      for (const size_t note : g.notes) report.Note(note, 1, name + " note");
    };
    kiv::tool::Report whole;
    for (size_t i = 0; i < groups.size(); ++i) add(whole, groups[i], i);
    std::vector<Diagnostic> expected = whole.Finish();
    kiv::tool::MoveToSource(expected, formatted, source);

    kiv::tool::Report report;
    const size_t split = groups.empty() ? 0 : random() % (groups.size() + 1);
    for (size_t i = 0; i < split; ++i) add(report, groups[i], i);
    kiv::tool::PlacedDiagnostics earlier = kiv::tool::PlaceDiagnostics(report, formatted, source);
    for (size_t i = split; i < groups.size(); ++i) add(report, groups[i], i);
    const std::vector<Diagnostic> merged = kiv::tool::MergePlaced(
        std::move(earlier), kiv::tool::PlaceDiagnostics(report, formatted, source));

    ASSERT_EQ(merged.size(), expected.size());
    for (size_t i = 0; i < merged.size(); ++i) {
      EXPECT_EQ(merged[i].message, expected[i].message) << round << " " << i;
      EXPECT_EQ(merged[i].offset, expected[i].offset) << round << " " << i;
      EXPECT_EQ(merged[i].line, expected[i].line) << round << " " << i;
      EXPECT_EQ(merged[i].line_start, expected[i].line_start) << round << " " << i;
    }
  }
}

TEST(KivReport, QuotesLongTokensShortened) {
  EXPECT_EQ(kiv::tool::Quoted("sbi"), "'sbi'");
  const std::string quoted = kiv::tool::Quoted(std::string(1000, 'x'));
  EXPECT_EQ(quoted, "'" + std::string(40, 'x') + "...'");
  EXPECT_EQ(kiv::tool::Quoted(std::string("a\0b\xef\t", 5)), "'a\\x00b\\xef\\x09'");
}

TEST(KivComments, OnlyAnOddNumberOfQuotesInACommentIsReported) {
  using kiv::tool::CheckQuotesInComments;
  EXPECT_TRUE(CheckQuotesInComments("a # \"x\"\nb\n").empty());           // even: harmless
  EXPECT_TRUE(CheckQuotesInComments("d \"# no comment\"\ne\n").empty());  // inside a string
  EXPECT_TRUE(CheckQuotesInComments("e # \"last line").empty());          // no line after it

  const std::string source = "x: .ascii \";\" ; it\"s\nhalt\n";
  const std::vector<Diagnostic> found = CheckQuotesInComments(source);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].offset, source.find("it\"s") + 2);
  EXPECT_EQ(found[0].severity, Severity::kWarning);

  // After an odd comment the next line is inside quotes: its # starts no
  // comment, so nothing more is reported there.
  EXPECT_EQ(CheckQuotesInComments("a # \"\nb # \"\nc # \"\n").size(), 2u);
}

// The block scan against the byte-by-byte one, on random text dense in
// quotes, comment starts and line ends, so that comments start inside
// strings, quotes carry over line ends and texts end inside comments; and
// on text with few line ends, whose comments run over several 64-byte
// blocks. The comments it notes move every offset of the normalised text to
// the same line and column of the source; the colons it counts are the
// source's.
TEST(KivComments, TheBlockScanMatchesThePlainOne) {
  using kiv::tool::CheckQuotesInComments;
  using kiv::tool::CheckQuotesInCommentsPlain;
  std::mt19937 random(7);
  constexpr std::string_view kDense = "\"\"#;\n\nab: \t";
  constexpr std::string_view kSparse = "\"#;\nabcdefgh:  \t\tabcdefgh      xyzxyzxyzxyz";
  std::uniform_int_distribution<size_t> size(0, 300);
  size_t reported = 0;
  for (int round = 0; round < 4000; ++round) {
    const std::string_view bytes = round % 4 == 3 ? kSparse : kDense;
    std::uniform_int_distribution<size_t> pick(0, bytes.size() - 1);
    std::string text(size(random) * (round % 4 == 3 ? 3 : 1), ' ');
    for (char& c : text) c = bytes[pick(random)];
    kiv::tool::CommentMap comments;
    size_t colons = 0;
    const std::vector<Diagnostic> fast = CheckQuotesInComments(text, &comments, &colons);
    const std::vector<Diagnostic> plain = CheckQuotesInCommentsPlain(text);
    ASSERT_EQ(fast.size(), plain.size()) << text;
    // Never fewer than the normalised text holds: the label pass's room.
    ASSERT_EQ(colons, static_cast<size_t>(std::count(text.begin(), text.end(), ':'))) << text;
    for (size_t i = 0; i < fast.size(); ++i) {
      ASSERT_EQ(fast[i].offset, plain[i].offset) << text;
      ASSERT_EQ(fast[i].message, plain[i].message);
    }
    reported += fast.size();
    const std::string formatted = kiv::assembly::NormaliseSource(text);
    const SourceMap source_lines(text);
    const SourceMap formatted_lines(formatted);
    std::vector<size_t> offsets(formatted.size() + 1);
    std::iota(offsets.begin(), offsets.end(), size_t{0});
    if (round % 2 == 1) std::reverse(offsets.begin(), offsets.end());  // in any order
    const std::vector<size_t> dropped = comments.DroppedBefore(offsets);
    for (size_t i = 0; i < offsets.size(); ++i) {
      const kiv::tool::SourcePosition at = formatted_lines.Locate(offsets[i]);
      ASSERT_EQ(offsets[i] + dropped[i],
                source_lines.LineStart(at.line - 1) + (offsets[i] - at.line_start))
          << text << " offset " << offsets[i];
    }
  }
  EXPECT_GT(reported, 1000u);  // the texts did reach the warning often
}

TEST(KivComments, MergeKeepsNotesBehindTheirDiagnostic) {
  std::vector<Diagnostic> diagnostics{
      {Severity::kError, 10, "duplicate", 1},
      {Severity::kNote, 2, "first here", 1},
      {Severity::kWarning, 30, "later", 1},
  };
  kiv::tool::MergeDiagnostics(diagnostics, {{Severity::kWarning, 1, "quote a", 1},
                                            {Severity::kWarning, 5, "quote b", 1},
                                            {Severity::kWarning, 40, "quote c", 1}});
  std::vector<std::string> order;
  for (const Diagnostic& d : diagnostics) order.push_back(d.message);
  EXPECT_EQ(order, (std::vector<std::string>{"quote a", "quote b", "duplicate", "first here",
                                             "later", "quote c"}));
}

}  // namespace
