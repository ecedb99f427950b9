#include "common/record_writer.h"

#include "common/hex.h"
#include "common/record_format.h"

namespace kiv {

// Each record is formatted in a small buffer and appended at once.

void RecordWriter::Instruction(uint32_t head, uint32_t body) {
  char buffer[32];
  char* p = buffer;
  *p++ = '\n';
  p = WriteHex(p, head);
  *p++ = ' ';
  p = WriteHex(p, body);
  out_.append(buffer, p);
}

void RecordWriter::ShortInstruction(uint32_t head) {
  char buffer[16];
  char* p = buffer;
  *p++ = '\n';
  p = WriteHex(p, head);
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
    p = WriteHex(p, value);
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
  WriteHexDigits(buffer + 1, (uint64_t{first_word} << 32) | second_word,
                 record_format::kPairDigits);
  out_.append(buffer, sizeof buffer);
}

void RecordWriter::EndOfData() {
  out_.push_back('\n');
  out_.append(record_format::kEndOfDataText);
}

}  // namespace kiv
