// Appends the records of the intermediate object text to a buffer. Every
// record begins with a line break, so the text starts with one and ends
// without one.
#pragma once

#include <cstdint>
#include <string>

namespace kiv {

class RecordWriter {
 public:
  explicit RecordWriter(std::string& out) : out_(out) {}

  void Instruction(uint32_t head, uint32_t body);            // "%x %x"
  void ShortInstruction(uint32_t head);                      // "%x 0"
  void Spawni(uint32_t first, uint32_t second);              // "3f0 %x " twice
  void DataMarker();                                         // "fffe"
  void DataPair(uint32_t first_word, uint32_t second_word);  // 16 digits
  void EndOfData();                                          // sixteen f digits

 private:
  std::string& out_;
};

}  // namespace kiv
