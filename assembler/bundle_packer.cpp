#include "assembler/bundle_packer.h"

#include "assembler/hex_word.h"
#include "common/packed_bytes.h"

namespace kiv::assembler {

void BundlePacker::WriteBundle(BundleBits bundle) {
  char bytes[16];
  Store8(bytes, static_cast<uint64_t>(bundle));
  Store8(bytes + 8, static_cast<uint64_t>(bundle >> 64));
  image_.append(bytes, sizeof bytes);

  // Slot 3, slot 2 and slot 1, each its 42 bits as eleven digits, then the
  // count: always 38 characters.
  char line[38];
  WriteHexEleven(line, SlotWord(bundle, 3));
  line[11] = ' ';
  WriteHexEleven(line + 12, SlotWord(bundle, 2));
  line[23] = ' ';
  WriteHexEleven(line + 24, SlotWord(bundle, 1));
  line[35] = ' ';
  line[36] = static_cast<char>('0' + CountField(bundle));
  line[37] = '\n';
  listing_.append(line, sizeof line);
}

void BundlePacker::WriteDataPair(uint32_t first_word, uint32_t second_word, bool ends_line) {
  // Memory order is the 64-bit pair from its least significant byte up.
  char bytes[8];
  Store8(bytes, (uint64_t{first_word} << 32) | second_word);
  image_.append(bytes, sizeof bytes);
  char text[18];
  Store8(text, HexDigitsWord(second_word));
  text[8] = ' ';
  Store8(text + 9, HexDigitsWord(first_word));
  text[17] = ends_line ? '\n' : ' ';
  listing_.append(text, sizeof text);
}

void BundlePacker::Finish() { image_.append(4, '\xff'); }

}  // namespace kiv::assembler
