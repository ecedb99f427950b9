// The word-at-a-time token scan against its byte-by-byte twin, on random
// text rich in the bytes whose classes sit next to each other: blanks and
// the other white space, control bytes that belong to tokens, bytes just
// above a blank and bytes beyond ASCII (whose top bit the word test must
// not take for a mark).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "kiv/token_scan.h"

namespace {

using kiv::tool::SkipLineSpace;
using kiv::tool::SkipLineSpacePlain;
using kiv::tool::TokenEnd;
using kiv::tool::TokenEndPlain;

std::string RandomText(std::mt19937& random, size_t size) {
  constexpr std::string_view kBytes = "    \t\n\r\v\f\x01\x1f!!a,$\x7f\x80\xa0\xff";
  std::uniform_int_distribution<size_t> pick(0, kBytes.size() - 1);
  std::uniform_int_distribution<int> run(1, 12);
  std::string text;
  while (text.size() < size) text.append(static_cast<size_t>(run(random)), kBytes[pick(random)]);
  text.resize(size);
  return text;
}

TEST(KivTokenScan, MatchesThePlainScanEverywhere) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 400; ++round) {
    const std::string text = RandomText(random, static_cast<size_t>(round % 70));
    for (size_t pos = 0; pos <= text.size(); ++pos) {
      ASSERT_EQ(SkipLineSpace(text, pos), SkipLineSpacePlain(text, pos)) << round << " " << pos;
      ASSERT_EQ(TokenEnd(text, pos), TokenEndPlain(text, pos)) << round << " " << pos;
    }
  }
}

TEST(KivTokenScan, StopsAtLineEndsAndKeepsControlBytesInTokens) {
  const std::string text = "        \t  add\x01x  \n  $3\x80\n";
  EXPECT_EQ(SkipLineSpace(text, 0), 11u);
  EXPECT_EQ(TokenEnd(text, 11), 16u);       // the \x01 is part of the token
  EXPECT_EQ(SkipLineSpace(text, 16), 18u);  // the line end stops the skip
  EXPECT_EQ(TokenEnd(text, 21), 24u);       // so is a byte beyond ASCII
  EXPECT_EQ(TokenEnd(text, 23), 24u);
}

}  // namespace
