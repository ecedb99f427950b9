#include "kiv/definition_feed.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace kiv::tool {

DefinitionFeed::DefinitionFeed(std::string_view formatted,
                               const std::vector<assembly::DefinedLabel>& defined,
                               const std::atomic<size_t>& listed,
                               const std::atomic<bool>& pass_ended)
    : formatted_(formatted), growing_(&defined), listed_(&listed), pass_ended_(&pass_ended) {}

DefinitionFeed::DefinitionFeed(std::string_view formatted,
                               std::span<const assembly::DefinedLabel> defined, size_t from)
    : formatted_(formatted),
      whole_(defined),
      from_(std::min(from, defined.size())),
      known_(defined.size()) {
  if (from_ > 0) previous_colon_end_ = defined[from_ - 1].colon_offset + 1;
}

void DefinitionFeed::CompareName(const assembly::DefinedLabel& entry) {
  const LabelDefinition read = DefinitionAt(formatted_, entry.colon_offset, previous_colon_end_);
  names_as_listed_ = names_as_listed_ && read.name_offset == entry.name_offset;
}

bool DefinitionFeed::WaitForMore() {
  if (growing_ == nullptr) return false;  // a whole list: all are known
  const size_t had = known_;
  for (int tries = 0;; ++tries) {
    // The end is looked at first: once it is seen, the last count is.
    const bool ended = pass_ended_->load(std::memory_order_acquire);
    known_ = listed_->load(std::memory_order_acquire);
    if (known_ > had) return true;
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

LabelDefinition ListedDefinition(std::string_view formatted,
                                 std::span<const assembly::DefinedLabel> defined, size_t i) {
  const assembly::DefinedLabel& entry = defined[i];
  const size_t previous_colon_end = i > 0 ? defined[i - 1].colon_offset + 1 : 0;
  const size_t name = entry.name_offset;
  const size_t colon = entry.colon_offset;
  LabelDefinition made =
      ReadAsScanned(formatted, name, previous_colon_end)
          ? LabelDefinition{formatted.substr(name, colon - name), name, colon, true}
          : DefinitionAt(formatted, colon, previous_colon_end);
  made.entered_at = entry.index;
  made.stands_at = entry.index;
  return made;
}

LargeArray<LabelDefinition> MakeDefinitions(std::string_view formatted,
                                            std::span<const assembly::DefinedLabel> defined,
                                            size_t from,
                                            std::span<const CountedApart> counted_apart) {
  LargeArray<LabelDefinition> made;
  from = std::min(from, defined.size());
  made.Reserve(defined.size() - from);
  for (size_t i = from; i < defined.size(); ++i) {
    made.PushBack(ListedDefinition(formatted, defined, i));
  }
  for (const CountedApart& apart : counted_apart) {
    if (apart.definition >= from && apart.definition < defined.size()) {
      made[apart.definition - from].stands_at = apart.stands_at;
    }
  }
  return made;
}

std::vector<LabelDefinition> CountedApartDefinitions(
    std::string_view formatted, std::span<const assembly::DefinedLabel> defined,
    std::span<const CountedApart> counted_apart) {
  std::vector<LabelDefinition> made;
  made.reserve(counted_apart.size());
  for (const CountedApart& apart : counted_apart) {
    made.push_back(ListedDefinition(formatted, defined, apart.definition));
    made.back().stands_at = apart.stands_at;
  }
  return made;
}

}  // namespace kiv::tool
