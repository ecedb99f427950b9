#include "kiv/definition_feed.h"

#include <chrono>
#include <thread>

namespace kiv::tool {
namespace {

// How many definitions ahead of the one being made the list and the text
// are fetched.
constexpr size_t kFetchAhead = 8;

}  // namespace

DefinitionFeed::DefinitionFeed(std::string_view formatted,
                               const std::vector<assembly::DefinedLabel>& defined,
                               const std::atomic<size_t>& listed,
                               const std::atomic<bool>& pass_ended)
    : formatted_(formatted), growing_(&defined), listed_(&listed), pass_ended_(&pass_ended) {
  // Room for a label every sixteen bytes, more than most sources hold, so
  // that the list is never copied as it grows.
  made_.Reserve(formatted.size() / 16 + 16);
}

DefinitionFeed::DefinitionFeed(std::string_view formatted,
                               std::span<const assembly::DefinedLabel> defined, size_t from,
                               size_t most)
    : formatted_(formatted), whole_(defined), from_(from), known_(defined.size()) {
  if (from > 0 && from <= defined.size()) previous_colon_end_ = defined[from - 1].colon_offset + 1;
  made_.Reserve(std::min(most, defined.size() - std::min(from, defined.size())));
}

void DefinitionFeed::MakeBefore(size_t offset) {
  while (!all_made_) {
    if (from_ + made_.size() >= known_ && !WaitForMore()) {
      all_made_ = true;
      return;
    }
    // Only the entries the pass has told final are read: it may be writing
    // the next ones.
    const assembly::DefinedLabel* const entries =
        growing_ != nullptr ? growing_->data() : whole_.data();
    while (from_ + made_.size() < known_) {
      const size_t next = from_ + made_.size();
      // The pass wrote its list long before, on the other thread: the entry a
      // few labels on, and the text before its name, are fetched now, so that
      // each is at hand when the walk comes to it.
      if (next + kFetchAhead < known_) {
        const assembly::DefinedLabel& later = entries[next + kFetchAhead];
        __builtin_prefetch(&later);
        __builtin_prefetch(formatted_.data() + later.name_offset - (later.name_offset > 0 ? 1 : 0));
      }
      const assembly::DefinedLabel& entry = entries[next];
      const size_t colon = entry.colon_offset;
      // A name the pass reads from a line start, or from just after the colon
      // before it, is the one the scan reads: most names. Only the others are
      // read back from their colon.
      const size_t name = entry.name_offset;
      const bool read_alike = name == previous_colon_end_ || formatted_[name - 1] == '\n';
      made_.PushBack(read_alike
                         ? LabelDefinition{formatted_.substr(name, colon - name), name, colon, true}
                         : DefinitionAt(formatted_, colon, previous_colon_end_));
      LabelDefinition& made = made_[made_.size() - 1];
      made.entered_at = entry.index;
      names_as_listed_ = names_as_listed_ && made.name_offset == entry.name_offset;
      previous_colon_end_ = colon + 1;
      if (colon >= offset) return;
    }
  }
}

bool DefinitionFeed::WaitForMore() {
  if (growing_ == nullptr) return false;  // a whole list: all are made
  for (int tries = 0;; ++tries) {
    // The end is looked at first: once it is seen, the last count is.
    const bool ended = pass_ended_->load(std::memory_order_acquire);
    known_ = listed_->load(std::memory_order_acquire);
    if (from_ + made_.size() < known_) return true;
    if (ended) return false;
    // The pass reads far faster than the walk: this happens near the text's
    // start, before it has listed its first few, or when it has been held
    // up. A wait of more than a moment sleeps rather than spins: the other
    // processor may be a sibling of this one, which spinning would slow.
    constexpr int kSpins = 64;
    if (tries < kSpins) {
      std::this_thread::yield();
    } else {
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
  }
}

}  // namespace kiv::tool
