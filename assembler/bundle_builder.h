// The pending bundle and the slot the next instruction fills. Slots fill in
// the order 1, 2, 3; a boundary, a data section or the end of the input ends
// a bundle early, with its empty slots zero.
#pragma once

#include <cstdint>

#include "assembler/bundle_bits.h"
#include "common/instruction_word.h"

namespace kiv::assembler {

class BundleBuilder {
 public:
  // Puts one instruction in the next slot; true when that was slot 3 and the
  // bundle is full. A spawni (its two words `body` and `second`) fills its
  // bundle without a slot, but moves the slot on like any instruction; since
  // it always begins a bundle, the boundary after it ends that bundle.
  bool Add(uint32_t head, uint32_t body, uint32_t second) {
    const uint32_t slot = next_slot_;
    next_slot_ = slot == 3 ? 1 : slot + 1;
    if (OpcodeOfHead(head) == opcode::kSpawni) {
      bundle_ = SpawniBundle(body, second);
      return false;
    }
    // Each slot by its own constant, so that every shift is a fixed one.
    switch (slot) {
      case 1:
        bundle_ = PlaceSlot(0, 1, head, body);
        return false;
      case 2:
        bundle_ = PlaceSlot(bundle_, 2, head, body);
        return false;
      default:
        bundle_ = PlaceSlot(bundle_, 3, head, body);
        return true;
    }
  }

  // Whether an instruction waits in a bundle not yet full.
  bool pending() const { return next_slot_ != 1; }

  // The bundle, leaving the builder empty.
  BundleBits Take() {
    const BundleBits bundle = bundle_;
    bundle_ = 0;
    next_slot_ = 1;
    return bundle;
  }

 private:
  BundleBits bundle_ = 0;
  uint32_t next_slot_ = 1;
};

}  // namespace kiv::assembler
