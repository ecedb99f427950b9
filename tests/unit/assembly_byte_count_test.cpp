// The block-at-a-time byte count against its plain twin, on random text
// with runs of the counted byte across block ends, and the bit count on
// words of every density.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <string>

#include "assembly/byte_set_bits.h"

namespace {

using kiv::assembly::CountByteSet;
using kiv::assembly::CountSetBits;

size_t CountBytePlain(std::string_view text, char byte) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), byte));
}

TEST(ByteCount, CountsAsThePlainCountDoes) {
  std::mt19937 random(20261207);
  constexpr std::string_view kBytes = "\n\n::a \t\x80\xff";
  std::uniform_int_distribution<size_t> pick(0, kBytes.size() - 1);
  std::uniform_int_distribution<size_t> run(1, 70);
  for (int round = 0; round < 500; ++round) {
    std::string text;
    const auto size = static_cast<size_t>(round * 3);
    while (text.size() < size) text.append(run(random), kBytes[pick(random)]);
    text.resize(size);
    for (size_t from = 0; from <= text.size(); from += 7) {
      const std::string_view part = std::string_view(text).substr(from);
      ASSERT_EQ(CountByteSet<'\n'>(part), CountBytePlain(part, '\n')) << round;
      ASSERT_EQ(CountByteSet<':'>(part), CountBytePlain(part, ':')) << round;
    }
  }
}

// Long texts, some all of the counted byte: a count kept a byte a lane must
// be summed before it passes 255.
TEST(ByteCount, CountsLongTextsAndLongRunsAsThePlainCountDoes) {
  std::mt19937 random(8);
  std::uniform_int_distribution<size_t> size(4000, 20000);
  for (int round = 0; round < 40; ++round) {
    std::string text(size(random), '\n');
    if (round % 4 != 0) {
      std::uniform_int_distribution<size_t> run(1, round % 4 == 1 ? 5000 : 40);
      for (size_t p = 0; p < text.size();) {
        const size_t length = std::min(run(random), text.size() - p);
        std::fill_n(text.begin() + static_cast<std::ptrdiff_t>(p), length, "\n:x"[random() % 3]);
        p += length;
      }
    }
    const std::string_view part = std::string_view(text).substr(round % 17);
    ASSERT_EQ(CountByteSet<'\n'>(part), CountBytePlain(part, '\n')) << round;
    ASSERT_EQ((CountByteSet<':', '\n'>(part)),
              CountBytePlain(part, ':') + CountBytePlain(part, '\n'))
        << round;
  }
}

TEST(ByteCount, CountsTheSetBitsOfAWord) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 10000; ++i) {
    // From sparse to dense words.
    uint64_t bits = random();
    for (int k = 0; k < i % 4; ++k) bits &= random();
    if (i % 8 == 7) bits = ~bits;
    ASSERT_EQ(CountSetBits(bits), static_cast<size_t>(std::popcount(bits))) << bits;
  }
  EXPECT_EQ(CountSetBits(0), 0u);
  EXPECT_EQ(CountSetBits(~uint64_t{0}), 64u);
}

}  // namespace
