#include "common/record_writer.h"

#include "common/hex.h"
#include "common/packed_bytes.h"
#include "common/record_format.h"

namespace kiv {

// Each record is formatted in a small buffer and appended at once. The
// buffers leave room for the eight bytes WriteHexWord always stores.

namespace {

// Appends the `used` bytes of a buffer of `kSize`: all kSize of them are
// appended, a copy of a known size that needs no call, and the rest cut off
// again, which only moves the end.
template <size_t kSize>
void AppendFixed(std::string& out, const char (&buffer)[kSize], size_t used) {
  out.append(buffer, kSize);
  out.resize(out.size() - (kSize - used));
}

}  // namespace

void RecordWriter::Instruction(uint32_t head, uint32_t body) {
  // As WriteHexWord does for each, with both words' digits made at once.
  const HexDigitWords digits = HexDigitsWords(head, body);
  char buffer[24];
  buffer[0] = '\n';
  char* p = WriteDigitsOfWord(buffer + 1, digits.first, HexDigitCount(head));
  *p++ = ' ';
  p = WriteDigitsOfWord(p, digits.second, HexDigitCount(body));
  AppendFixed(out_, buffer, static_cast<size_t>(p - buffer));
}

void RecordWriter::ShortInstruction(uint32_t head) {
  char buffer[16];
  char* p = buffer;
  *p++ = '\n';
  p = WriteHexWord(p, head);
  *p++ = ' ';
  *p++ = '0';
  out_.append(buffer, p);
}

void RecordWriter::Spawni(uint32_t first, uint32_t second) {
  char buffer[40];
  char* p = buffer;
  for (const uint32_t value : {first, second}) {
    *p++ = '\n';
    for (const char c : record_format::kSpawniHeadText) *p++ = c;
    *p++ = ' ';
    p = WriteHexWord(p, value);
    *p++ = ' ';
  }
  out_.append(buffer, p);
}

void RecordWriter::DataMarker() {
  out_.push_back('\n');
  out_.append(record_format::kDataMarkerText);
}

void RecordWriter::DataPair(uint32_t first_word, uint32_t second_word) {
  char buffer[1 + record_format::kPairDigits];
  buffer[0] = '\n';
  static_assert(record_format::kPairDigits == 16);
  Store8(buffer + 1, HexDigitsWord(first_word));
  Store8(buffer + 9, HexDigitsWord(second_word));
  out_.append(buffer, sizeof buffer);
}

void RecordWriter::EndOfData() {
  out_.push_back('\n');
  out_.append(record_format::kEndOfDataText);
}

}  // namespace kiv
