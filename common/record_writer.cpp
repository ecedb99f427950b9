#include "common/record_writer.h"

#include "common/hex.h"

namespace kiv {

void RecordWriter::Instruction(uint32_t head, uint32_t body) {
  out_.push_back('\n');
  AppendHex(out_, head);
  out_.push_back(' ');
  AppendHex(out_, body);
}

void RecordWriter::ShortInstruction(uint32_t head) {
  out_.push_back('\n');
  AppendHex(out_, head);
  out_.append(" 0");
}

void RecordWriter::Spawni(uint32_t first, uint32_t second) {
  out_.append("\n3f0 ");
  AppendHex(out_, first);
  out_.append(" \n3f0 ");
  AppendHex(out_, second);
  out_.push_back(' ');
}

void RecordWriter::DataMarker() { out_.append("\nfffe"); }

void RecordWriter::DataPair(uint32_t first_word, uint32_t second_word) {
  out_.push_back('\n');
  AppendHexFixed(out_, first_word, 8);
  AppendHexFixed(out_, second_word, 8);
}

void RecordWriter::EndOfData() { out_.append("\nffffffffffffffff"); }

}  // namespace kiv
