// Where pass 2's outputs go. Pass 2 hands the listing over a part at a time,
// so that the listing of a large program need never be held whole: each part
// is built in the same few hundred kilobytes, which stay in the cache, rather
// than in fresh memory that must first be cleared by the system. The image,
// which is written after the listing, is built whole in one buffer and handed
// over once, with the last listing part, rather than copied part by part into
// another.
#pragma once

#include <string_view>

namespace kiv::assembler {

class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // The next bytes of the listing, in order, and with the last of them the
  // whole image (empty before). They stay valid only for the call.
  virtual void Take(std::string_view image_part, std::string_view listing_part) = 0;
};

}  // namespace kiv::assembler
