#include "assembler/bundle_packer.h"

#include "assembler/hex_word.h"
#include "common/instruction_word.h"
#include "common/packed_bytes.h"

namespace kiv::assembler {

void BundlePacker::PackInstruction(uint32_t head, uint32_t body, uint32_t second, uint32_t slot) {
  head &= 0xffffu;
  const uint32_t op = OpcodeOfHead(head);
  if (op == opcode::kSpawni) {
    // Bits 33-2 the first word, bits 67-36 the second; W3 stays zero since a
    // spawni always begins its bundle.
    w0_ = body << 2;
    w1_ = (body >> 30) | (second << 4);
    w2_ = second >> 28;
    return;
  }
  // Parts are added rather than or-ed: heads of at most 10 bits never overlap
  // the next field, and wider ones carry into it the same way every time.
  switch (slot) {
    case 1:
      // A join's bundle counts no instruction.
      w0_ = (body << 2) + (op == opcode::kJoin ? 0u : 1u);
      w1_ = (body >> 30) + (head << 2);
      break;
    case 2:
      w0_ += 1;
      w1_ += body << 12;
      w2_ += (body >> 20) + (head << 12);
      break;
    default:
      w0_ += 1;
      w2_ += body << 22;
      w3_ = (body >> 10) + (head << 22);
      Flush();
      break;
  }
}

void BundlePacker::Flush() {
  char bytes[16];
  Store8(bytes, (uint64_t{w1_} << 32) | w0_);
  Store8(bytes + 8, (uint64_t{w3_} << 32) | w2_);
  image_.append(bytes, sizeof bytes);

  // Slot 3, slot 2 and slot 1, each its 42 bits as eleven digits, then the
  // count: always 38 characters.
  constexpr uint64_t kSlotMask = (uint64_t{1} << 42) - 1;
  char line[38];
  WriteHexEleven(line, ((uint64_t{w3_} << 32) | w2_) >> 22);
  line[11] = ' ';
  WriteHexEleven(line + 12, (((uint64_t{w2_} << 32) | w1_) >> 12) & kSlotMask);
  line[23] = ' ';
  WriteHexEleven(line + 24, (((uint64_t{w1_} << 32) | w0_) >> 2) & kSlotMask);
  line[35] = ' ';
  line[36] = static_cast<char>('0' + (w0_ & 3u));
  line[37] = '\n';
  listing_.append(line, sizeof line);

  w0_ = w1_ = w2_ = w3_ = 0;
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
