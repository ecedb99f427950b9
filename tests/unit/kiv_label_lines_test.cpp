// The symbol table's search for label definitions, which reads only the
// lines holding a colon or a quote, against the plain line-by-line reading,
// on random sources dense in what changes the reading: quotes that run over
// lines, comments, colons in and out of both, blank and CR line ends.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "kiv/label_lines.h"

namespace {

using kiv::tool::LabelLine;
using kiv::tool::LabelLines;
using kiv::tool::LabelLinesPlain;
using kiv::tool::LineIndex;

std::string RandomSource(std::mt19937& random) {
  constexpr std::string_view kPieces[] = {"a", "loop", " ",  "\t",   ":",          ": ",  "\"",
                                          "#", ";",    "\n", "\r\n", "add $1, $2", "x:y", "\n\n"};
  std::uniform_int_distribution<size_t> pick(0, std::size(kPieces) - 1);
  std::uniform_int_distribution<int> count(0, 200);
  std::string source;
  for (int i = count(random); i > 0; --i) source += kPieces[pick(random)];
  return source;
}

TEST(KivLabelLines, TheSearchFindsWhatTheLineByLineReadingFinds) {
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    const std::string source = RandomSource(random);
    const LineIndex lines(source);
    const std::vector<LabelLine> fast = LabelLines(source, lines);
    const std::vector<LabelLine> plain = LabelLinesPlain(lines);
    ASSERT_EQ(fast.size(), plain.size()) << source;
    for (size_t i = 0; i < fast.size(); ++i) {
      EXPECT_EQ(fast[i].name, plain[i].name) << source;
      EXPECT_EQ(fast[i].line, plain[i].line) << source;
    }
  }
}

TEST(KivLabelLines, QuotesAcrossLinesAndCommentsHideColons) {
  const std::string source = "start: add\n\"open\nhidden: x\" after: y\n# note: z\n  last:";
  const LineIndex lines(source);
  const std::vector<LabelLine> found = LabelLines(source, lines);
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].name, "start");
  EXPECT_EQ(found[0].line, 1u);
  // The name runs from the line start, through the quote that closed there.
  EXPECT_EQ(found[1].name, "hidden: x\" after");
  EXPECT_EQ(found[1].line, 3u);
  EXPECT_EQ(found[2].name, "last");
  EXPECT_EQ(found[2].line, 5u);
}

}  // namespace
