// The normaliser over a large source on two threads. A second thread
// normalises the source from the first line start at or after a given offset
// into memory of its own, as if a line started there in code (outside a
// quote and a comment), while the caller normalises up to that point. Only
// when the caller indeed arrives there in code is the second half's text
// handed on after its own; otherwise (a quote runs over the line end before
// it) that text is thrown away and the caller goes on alone. So the text
// handed on is the one-thread normaliser's, byte for byte, by construction.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace kiv::assembly {

// Takes each normalised piece in order; false stops the normaliser.
using NormalisedSink = std::function<bool(std::string_view)>;

// Hands `sink` the normalised text of `source` a cache-sized piece at a
// time, the part from `second_from` on normalised on a second thread unless
// it is npos. False when the sink refused a piece. `second_taken`, when
// given, tells whether the second thread's text was handed on.
bool NormaliseInPieces(std::string_view source, const NormalisedSink& sink,
                       size_t second_from = std::string_view::npos, bool* second_taken = nullptr);

}  // namespace kiv::assembly
