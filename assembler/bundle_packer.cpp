#include "assembler/bundle_packer.h"

#include "common/hex.h"
#include "common/instruction_word.h"

namespace kiv::assembler {
namespace {

void AppendLittleEndian(std::string& out, uint32_t word) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<char>((word >> shift) & 0xffu));
}

}  // namespace

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
  char* b = bytes;
  for (const uint32_t word : {w0_, w1_, w2_, w3_}) {
    for (int shift = 0; shift < 32; shift += 8) *b++ = static_cast<char>((word >> shift) & 0xffu);
  }
  image_.append(bytes, sizeof bytes);

  // Slot 3, slot 2 and slot 1 as head and body digits, then the count. Each
  // field is cut to its width, so the line is always 38 characters.
  char line[38];
  char* p = line;
  p = WriteHexDigits(p, w3_ >> 30, 1);
  p = WriteHexDigits(p, (w2_ >> 30) + (w3_ << 2), 8);
  p = WriteHexDigits(p, (w2_ >> 22) & 0xffu, 2);
  *p++ = ' ';
  p = WriteHexDigits(p, w2_ & 0x3fffffu, 6);
  p = WriteHexDigits(p, (w1_ >> 12) & 0xfffffu, 5);
  *p++ = ' ';
  p = WriteHexDigits(p, ((w1_ << 2) & 0x3ffcu) + (w0_ >> 30), 4);
  p = WriteHexDigits(p, (w0_ >> 2) & 0xfffffffu, 7);
  *p++ = ' ';
  p = WriteHexDigits(p, w0_ & 3u, 1);
  *p++ = '\n';
  listing_.append(line, p);

  w0_ = w1_ = w2_ = w3_ = 0;
}

void BundlePacker::WriteDataPair(uint32_t first_word, uint32_t second_word, bool ends_line) {
  // Memory order is the 64-bit pair from its least significant byte up.
  AppendLittleEndian(image_, second_word);
  AppendLittleEndian(image_, first_word);
  AppendHexFixed(listing_, second_word, 8);
  listing_.push_back(' ');
  AppendHexFixed(listing_, first_word, 8);
  listing_.push_back(ends_line ? '\n' : ' ');
}

void BundlePacker::Finish() { image_.append(4, '\xff'); }

}  // namespace kiv::assembler
