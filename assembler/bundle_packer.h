// Builds the two outputs of pass 2 in memory: the bundle image (16-byte units,
// least significant byte first, closed by four 0xff bytes) and the bundle
// listing (the same units as hexadecimal text, one line each).
//
// A bundle is assembled in four 32-bit accumulator words, W0 holding bits
// 31-0 up to W3 holding bits 127-96: bits 1-0 count the instructions, slot k
// (k = 1, 2, 3) holds one 42-bit instruction word at bits 2 + 42(k-1) up.
#pragma once

#include <cstdint>
#include <string>

namespace kiv::assembler {

class BundlePacker {
 public:
  BundlePacker(std::string& image, std::string& listing) : image_(image), listing_(listing) {}

  // Puts one instruction into `slot` (1 to 3) of the pending bundle; filling
  // slot 3 writes the bundle. Only the low 16 bits of `head` are used.
  // A spawni (opcode 252) places its two words, `body` and `second`, instead
  // of using a slot; its bundle is written by the next Flush.
  void PackInstruction(uint32_t head, uint32_t body, uint32_t second, uint32_t slot);

  // Writes the pending bundle, its empty slots zero.
  void Flush();

  // One data pair: 8 bytes of the image and two words of a listing line,
  // which `ends_line` closes (every second pair of a data section).
  void WriteDataPair(uint32_t first_word, uint32_t second_word, bool ends_line);

  // The four 0xff bytes that end the image.
  void Finish();

 private:
  uint32_t w0_ = 0;
  uint32_t w1_ = 0;
  uint32_t w2_ = 0;
  uint32_t w3_ = 0;
  std::string& image_;
  std::string& listing_;
};

}  // namespace kiv::assembler
