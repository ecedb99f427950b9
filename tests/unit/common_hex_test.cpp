#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "common/hex.h"

namespace kiv {
namespace {

// WriteHexWord against the digit-by-digit WriteHex: every length of value,
// the 9/a edge at every place, random values; and it stores eight bytes but
// hands back the end of the digits alone.
TEST(Hex, WordAtOnceIsTheDigitByDigitOne) {
  std::vector<uint32_t> values = {0, 1, 0xffffffffu};
  for (int place = 0; place < 32; place += 4) {
    for (uint32_t digit = 0; digit < 16; ++digit) values.push_back(digit << place);
    values.push_back((uint32_t{1} << place) - 1);
  }
  std::mt19937 random(17);
  for (int i = 0; i < 5000; ++i)
    values.push_back(static_cast<uint32_t>(random() >> (random() % 32)));
  for (const uint32_t value : values) {
    char plain[16];
    const std::string expected(plain, WriteHex(plain, value));
    std::string out(12, '#');
    char* const end = WriteHexWord(out.data() + 1, value);
    EXPECT_EQ(std::string(out.data() + 1, end), expected) << value;
    EXPECT_EQ(out.substr(9), "###") << value;
  }
}

}  // namespace
}  // namespace kiv
