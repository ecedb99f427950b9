#include "assembly/label_definitions.h"

namespace kiv::assembly {
namespace {

// The index as the log and the table hold it: the 32-bit count, signed.
int32_t Signed(uint32_t index) { return static_cast<int32_t>(index); }

}  // namespace

void TableDefinitions::AsciiFault(uint32_t index) {
  Finish();
  log_.Error("Error ASCII parsing in BuildLabelList", Signed(index));
}

void TableDefinitions::TakeHeld(const HeldDefinitions& held, uint32_t base) {
  // The waiting labels come first; the held ones then go straight in, each
  // slot fetched a fixed number of labels ahead, with no ring to copy through.
  Finish();
  const std::span<const HeldDefinitions::Event> events = held.events();
  const char* name = held.names();
  constexpr size_t kAhead = 16;
  for (size_t i = 0; i < events.size(); ++i) {
    if (i + kAhead < events.size()) table_.PrefetchInsert(events[i + kAhead].query);
    const HeldDefinitions::Event& event = events[i];
    // Indices wrap like the 32-bit count they stand for, so adding the base
    // gives what counting on from it would have given.
    if (event.name_length == HeldDefinitions::kAsciiFault) {
      log_.Error("Error ASCII parsing in BuildLabelList", Signed(base + event.index));
    } else {
      Insert(LabelTable::TakeQuery(event.query, {name, event.name_length}), base + event.index);
      name += event.name_length;
    }
  }
}

}  // namespace kiv::assembly
