#include "assembler/bundle_packer.h"

#include <cstring>

#include "assembler/listing_line.h"
#include "common/packed_bytes.h"

namespace kiv::assembler {

void BundlePacker::WriteDataPair(uint32_t first_word, uint32_t second_word, bool ends_line) {
  // Memory order is the 64-bit pair from its least significant byte up.
  Store8(image_.Extend(8), (uint64_t{first_word} << 32) | second_word);
  WritePairText(listing_.Extend(kPairTextLength), first_word, second_word, ends_line);
}

void BundlePacker::Finish() { std::memset(image_.Extend(4), 0xff, 4); }

}  // namespace kiv::assembler
