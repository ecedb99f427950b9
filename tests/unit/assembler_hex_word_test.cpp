#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "assembler/hex_word.h"
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

TEST(HexWord, ElevenDigitsAreThoseOfPrintfAndNoMore) {
  for (const uint64_t value : Values((uint64_t{1} << 44) - 1)) {
    std::string out(16, '#');
    WriteHexEleven(out.data() + 2, value);
    EXPECT_EQ(out, "##" + Printed("%011" PRIx64, value) + "###") << value;
  }
}

}  // namespace
}  // namespace kiv::assembler
