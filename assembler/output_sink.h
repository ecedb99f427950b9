// Where pass 2's outputs go. Pass 2 hands them over a part at a time, so that
// the image and listing of a large program need never be held whole: each
// part is built in the same few hundred kilobytes, which stay in the cache,
// rather than in fresh memory that must first be cleared by the system.
#pragma once

#include <string_view>

namespace kiv::assembler {

class OutputSink {
 public:
  virtual ~OutputSink() = default;
  // The next bytes of the image and of the listing, in order; either may be
  // empty. They stay valid only for the call.
  virtual void Take(std::string_view image_part, std::string_view listing_part) = 0;
};

}  // namespace kiv::assembler
