#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "assembler/hex_word.h"
#include "assembler/listing_line.h"
#include "common/hex.h"
#include "common/packed_bytes.h"

namespace kiv::assembler {
namespace {

std::string Printed(const char* format, uint64_t value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

std::string EightDigits(uint32_t value) {
  char digits[8];
  Store8(digits, HexDigitsWord(value));
  return std::string(digits, sizeof digits);
}

std::vector<uint64_t> Values(uint64_t mask) {
  // Every digit at every place (the 9/a edge above all), then random ones.
  std::vector<uint64_t> values = {0, mask};
  for (int place = 0; place < 44; place += 4) {
    for (uint64_t digit = 0; digit < 16; ++digit) values.push_back((digit << place) & mask);
  }
  for (const uint64_t pattern : {0x99999999999u, 0xaaaaaaaaaaau, 0x0123456789au, 0xfedcba98765u}) {
    values.push_back(pattern & mask);
  }
  std::mt19937_64 random(3);
  for (int i = 0; i < 2000; ++i) values.push_back(random() & mask);
  return values;
}

TEST(HexWord, EightDigitsAreThoseOfPrintf) {
  for (const uint64_t value : Values(0xffffffffu)) {
    EXPECT_EQ(EightDigits(static_cast<uint32_t>(value)), Printed("%08" PRIx64, value));
  }
}

TEST(HexWord, TwoWordsAtOnceAreTwoSingleWords) {
  const std::vector<uint64_t> values = Values(0xffffffffu);
  for (size_t i = 0; i < values.size(); ++i) {
    const auto first = static_cast<uint32_t>(values[i]);
    const auto second = static_cast<uint32_t>(values[values.size() - 1 - i]);
    const HexDigitWords both = HexDigitsWords(first, second);
    EXPECT_EQ(both.first, HexDigitsWord(first)) << first;
    EXPECT_EQ(both.second, HexDigitsWord(second)) << second;
    EXPECT_EQ(HexDigitsWordsPortable(first, second).first, both.first);
  }
}

TEST(HexWord, ElevenDigitsAreThoseOfPrintfAndNoMore) {
  for (const uint64_t value : Values((uint64_t{1} << 44) - 1)) {
    std::string out(16, '#');
    WriteHexEleven(out.data() + 2, value);
    EXPECT_EQ(out, "##" + Printed("%011" PRIx64, value) + "###") << value;
  }
}

TEST(ListingLine, TheFastLineIsThePlainOneAndWritesOnlyItsSlackBeyond) {
  // Random bundles, and ones whose slots are all of one digit.
  std::mt19937_64 random(11);
  std::vector<BundleBits> bundles;
  for (const uint64_t digit : {0x0u, 0x9u, 0xau, 0xfu}) {
    const uint64_t slot = digit * 0x11111111111u & kSlotMask;
    bundles.push_back(BundleBits{slot} << SlotShift(1) | BundleBits{slot} << SlotShift(2) |
                      BundleBits{slot} << SlotShift(3) | 3u);
  }
  for (int i = 0; i < 3000; ++i) bundles.push_back(BundleBits{random()} << 64 | random());
  for (const BundleBits bundle : bundles) {
    std::string plain(kListingLineLength + 4, '#');
    std::string fast = plain;
    WriteListingLinePlain(plain.data(), bundle);
    WriteListingLine(fast.data(), bundle);
    EXPECT_EQ(fast.substr(0, kListingLineLength), plain.substr(0, kListingLineLength));
    EXPECT_EQ(fast.substr(kListingLineLength + kListingLineSlack), "##");
    EXPECT_EQ(plain.substr(kListingLineLength), "####");
    if (HasFailure()) return;
  }
}

TEST(ListingLine, TheFastPairTextIsThePlainOneAndWritesNothingBeyond) {
  std::mt19937_64 random(13);
  for (int i = 0; i < 3000; ++i) {
    const uint64_t words = i < 4 ? 0x9999999aaaaaaaa9u * static_cast<uint64_t>(i) : random();
    const auto first = static_cast<uint32_t>(words >> 32);
    const auto second = static_cast<uint32_t>(words);
    const bool ends_line = i % 2 == 0;
    std::string plain(kPairTextLength + 2, '#');
    std::string fast = plain;
    WritePairTextPlain(plain.data() + 1, first, second, ends_line);
    WritePairText(fast.data() + 1, first, second, ends_line);
    EXPECT_EQ(fast, plain);
    EXPECT_EQ(plain.front(), '#');
    EXPECT_EQ(plain.back(), '#');
    if (HasFailure()) return;
  }
}

}  // namespace
}  // namespace kiv::assembler
