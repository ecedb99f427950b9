// Packed short strings and the byte-wise tests on them, against plain
// byte-by-byte answers for every length and every byte value.
#include <gtest/gtest.h>

#include <string>

#include "common/packed_bytes.h"

namespace kiv {
namespace {

uint64_t PackedByHand(const std::string& bytes) {
  uint64_t word = 0;
  for (size_t k = 0; k < bytes.size(); ++k) {
    word |= uint64_t{static_cast<unsigned char>(bytes[k])} << (8 * k);
  }
  return word;
}

TEST(PackedBytes, LoadsEveryLengthWithoutTheBytesAfterIt) {
  const std::string source =
      "\x01\xff"
      "abc\x80\x7f"
      "defghijk";
  for (size_t start = 0; start + 8 <= source.size(); ++start) {
    for (size_t length = 0; length <= 8; ++length) {
      const std::string bytes = source.substr(start, length);
      EXPECT_EQ(LoadUpTo8(source.data() + start, length), PackedByHand(bytes))
          << start << " " << length;
    }
    EXPECT_EQ(Load8(source.data() + start), PackedByHand(source.substr(start, 8)));
  }
}

TEST(PackedBytes, ByteTestsAreExactForEveryByteValueInEveryPosition) {
  for (int value = 0; value < 256; ++value) {
    for (size_t position = 0; position < 8; ++position) {
      // The neighbours are chosen to provoke carries and borrows.
      for (const int neighbour : {0x00, 0x01, 0x7f, 0x80, 0xff, 0x20, 0x0a}) {
        std::string bytes(8, static_cast<char>(neighbour));
        bytes[position] = static_cast<char>(value);
        const uint64_t word = Load8(bytes.data());
        uint64_t zero = 0, blank = 0, range = 0;
        for (size_t k = 0; k < 8; ++k) {
          const auto b = static_cast<unsigned char>(bytes[k]);
          const uint64_t high = uint64_t{0x80} << (8 * k);
          if (b == 0) zero |= high;
          if (b == ' ') blank |= high;
          if (b >= '\t' && b <= '\r') range |= high;
        }
        ASSERT_EQ(ZeroBytes(word), zero) << value << " at " << position;
        ASSERT_EQ(BytesEqual(word, ' '), blank) << value << " at " << position;
        ASSERT_EQ(BytesInRange(word, '\t', '\r'), range) << value << " at " << position;
      }
    }
  }
  EXPECT_EQ(FirstByte(0), 8u);
  EXPECT_EQ(FirstByte(uint64_t{0x80} << 40), 5u);
}

}  // namespace
}  // namespace kiv
