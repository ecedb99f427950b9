// Builds the two outputs of pass 2 in memory: the bundle image (16-byte units,
// least significant byte first, closed by four 0xff bytes) and the bundle
// listing (the same units as hexadecimal text, one line each).
#pragma once

#include <cstdint>

#include "assembler/bundle_bits.h"
#include "assembler/bundle_builder.h"
#include "assembler/listing_line.h"
#include "assembler/output_buffer.h"
#include "common/packed_bytes.h"

namespace kiv::assembler {

class BundlePacker {
 public:
  BundlePacker(OutputBuffer& image, OutputBuffer& listing) : image_(image), listing_(listing) {}

  // Puts one instruction into the next slot of the pending bundle; filling
  // slot 3 writes the bundle. Only the low 16 bits of `head` are used; a
  // spawni's second word is `second`, ignored for other instructions.
  void PackInstruction(uint32_t head, uint32_t body, uint32_t second) {
    if (builder_.Add(head, body, second)) WriteBundle(builder_.Take());
  }

  // Writes the pending bundle, if an instruction waits in one.
  void EndBundle() {
    if (builder_.pending()) WriteBundle(builder_.Take());
  }

  // One data pair: 8 bytes of the image and two words of a listing line,
  // which `ends_line` closes (every second pair of a data section).
  void WriteDataPair(uint32_t first_word, uint32_t second_word, bool ends_line);

  // The four 0xff bytes that end the image.
  void Finish();

 private:
  void WriteBundle(BundleBits bundle) {
    char* const bytes = image_.Extend(16);
    Store8(bytes, static_cast<uint64_t>(bundle));
    Store8(bytes + 8, static_cast<uint64_t>(bundle >> 64));
    WriteListingLine(listing_.Extend(kListingLineLength, kListingLineSlack), bundle);
  }

  BundleBuilder builder_;
  OutputBuffer& image_;
  OutputBuffer& listing_;
};

}  // namespace kiv::assembler
