// The window scan of a line's tokens against its byte-by-byte twin, on random
// text rich in white space of every kind, control bytes that belong to
// tokens and bytes beyond ASCII, asked from positions that jump back and
// forth as the statement walk's do (a look ahead, a skip to the line end).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "kiv/line_tokens.h"

namespace {

using kiv::tool::LineTokens;
using kiv::tool::NextOnLinePlain;

std::string RandomText(std::mt19937& random, size_t size) {
  constexpr std::string_view kBytes = "    \t\n\r\v\f\x01\x1f!!a,$\x7f\x80\xa0\xff";
  std::uniform_int_distribution<size_t> pick(0, kBytes.size() - 1);
  // Runs up to 80 bytes long: tokens and gaps that cross the window.
  std::uniform_int_distribution<int> run(1, 80);
  std::string text;
  while (text.size() < size) {
    const char c = kBytes[pick(random)];
    text.append(static_cast<size_t>(c == '\n' ? 1 : run(random) % (c == ' ' ? 80 : 9) + 1), c);
  }
  text.resize(size);
  return text;
}

TEST(KivLineTokens, MatchesThePlainScanFromEveryPosition) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 300; ++round) {
    const std::string text = RandomText(random, static_cast<size_t>(round * 3 % 400));
    LineTokens tokens(text);
    // In order, as the walk reads a line; then from random places.
    size_t pos = 0;
    size_t plain_pos = 0;
    std::uniform_int_distribution<size_t> place(0, text.size());
    for (int step = 0; step < 600; ++step) {
      if (step % 7 == 6) pos = plain_pos = place(random);
      std::string_view token;
      std::string_view plain_token;
      const bool found = tokens.Next(pos, token);
      ASSERT_EQ(found, NextOnLinePlain(text, plain_pos, plain_token)) << round << " " << step;
      ASSERT_EQ(pos, plain_pos) << round << " " << step;
      if (found) {
        ASSERT_EQ(token.data(), plain_token.data());
        ASSERT_EQ(token.size(), plain_token.size());
      } else if (pos < text.size()) {
        ++pos;  // past the line end, as the walk goes on
        ++plain_pos;
      }
    }
  }
}

TEST(KivLineTokens, StopsAtTheLineEndAndKeepsControlBytesInTokens) {
  const std::string text = "  li\x01x  21 \n\t\tjr 31" + std::string(70, ' ') + "x";
  LineTokens tokens(text);
  size_t pos = 0;
  std::string_view token;
  ASSERT_TRUE(tokens.Next(pos, token));
  EXPECT_EQ(token, "li\x01x");
  ASSERT_TRUE(tokens.Next(pos, token));
  EXPECT_EQ(token, "21");
  EXPECT_FALSE(tokens.Next(pos, token));
  EXPECT_EQ(text[pos], '\n');  // left at the line end, not past it
  ++pos;
  ASSERT_TRUE(tokens.Next(pos, token));
  EXPECT_EQ(token, "jr");
  ASSERT_TRUE(tokens.Next(pos, token));
  EXPECT_EQ(token, "31");
  // A gap longer than the window, then a token at the very end.
  ASSERT_TRUE(tokens.Next(pos, token));
  EXPECT_EQ(token, "x");
  EXPECT_FALSE(tokens.Next(pos, token));
  EXPECT_EQ(pos, text.size());
}

}  // namespace
