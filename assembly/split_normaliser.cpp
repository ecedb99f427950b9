#include "assembly/split_normaliser.h"

#include <memory>
#include <system_error>
#include <thread>

#include "assembly/normaliser.h"
#include "assembly/second_thread.h"
#include "common/large_block.h"
#include "common/processors.h"

namespace kiv::assembly {
namespace {

// Small enough to stay in the cache between the normaliser and the sink.
constexpr size_t kPiece = size_t{256} << 10;

bool NormaliseRange(Normaliser& normaliser, std::string_view text, char* piece,
                    const NormalisedSink& sink) {
  for (size_t at = 0; at < text.size(); at += kPiece) {
    const char* end = normaliser.Normalise(text.substr(at, kPiece), piece);
    if (!sink({piece, static_cast<size_t>(end - piece)})) return false;
  }
  return true;
}

// The second half, normalised whole into a block of its own: the output is
// never longer than what it is made from.
class SecondHalf {
 public:
  explicit SecondHalf(std::string_view text) : text_(text) {}
  void Run() {
    block_ = LargeBlock(text_.size());
    char* const out = static_cast<char*>(block_.data());
    length_ = static_cast<size_t>(Normaliser().Normalise(text_, out) - out);
  }
  std::string_view normalised() const { return {static_cast<const char*>(block_.data()), length_}; }

 private:
  std::string_view text_;
  LargeBlock block_;
  size_t length_ = 0;
};

}  // namespace

bool NormaliseInPieces(std::string_view source, const NormalisedSink& sink, size_t second_from,
                       bool* second_taken) {
  if (second_taken != nullptr) *second_taken = false;
  const auto piece = std::make_unique_for_overwrite<char[]>(kPiece);
  Normaliser first;
  const size_t split = second_from == std::string_view::npos ? std::string_view::npos
                                                             : LineStartFrom(source, second_from);
  if (split == std::string_view::npos || split == 0 || split == source.size()) {
    return NormaliseRange(first, source, piece.get(), sink);
  }
  SecondHalf second(source.substr(split));
  std::jthread worker;
  try {
    worker = StartBeside([&second] { second.Run(); });
  } catch (const std::system_error&) {
    return NormaliseRange(first, source, piece.get(), sink);  // no thread to be had
  }
  if (!NormaliseRange(first, source.substr(0, split), piece.get(), sink)) return false;
  worker.join();
  if (first.InCode()) {
    if (second_taken != nullptr) *second_taken = true;
    return second.normalised().empty() || sink(second.normalised());
  }
  return NormaliseRange(first, source.substr(split), piece.get(), sink);
}

}  // namespace kiv::assembly
