// The 42-bit instruction word: a 10-bit head (opcode and the top two bits of rs)
// and a 32-bit body. This is the one place that knows where each field sits.
#pragma once

#include <cstdint>

namespace kiv {

namespace opcode {
inline constexpr uint32_t kJ = 2;
inline constexpr uint32_t kJal = 3;
inline constexpr uint32_t kBeq = 4;
inline constexpr uint32_t kBne = 5;
inline constexpr uint32_t kAddi = 8;
inline constexpr uint32_t kFloat = 17;
inline constexpr uint32_t kLa = 36;
inline constexpr uint32_t kBclf = 128;
inline constexpr uint32_t kBclt = 129;
inline constexpr uint32_t kSpawn = 250;
inline constexpr uint32_t kJoin = 251;
inline constexpr uint32_t kSpawni = 252;
inline constexpr uint32_t kPs = 253;
inline constexpr uint32_t kFork = 254;
inline constexpr uint32_t kHalt = 255;
}  // namespace opcode

inline constexpr uint32_t kImmediateMask = 0x3ffff;  // body bits 17-0
inline constexpr uint32_t kTargetMask = 0x3ffffff;   // body bits 25-0

// Register numbers enter their fields by their low 8 bits; rs is split between
// head bits 1-0 (its bits 7-6) and body bits 31-26 (its bits 5-0).
constexpr uint32_t EncodeHead(uint32_t opcode_value, uint32_t rs) {
  return ((opcode_value & 0xffu) << 2) | ((rs & 0xffu) >> 6);
}
constexpr uint32_t RsField(uint32_t rs) { return (rs & 0x3fu) << 26; }
constexpr uint32_t RtField(uint32_t rt) { return (rt & 0xffu) << 18; }
constexpr uint32_t RdField(uint32_t rd) { return (rd & 0xffu) << 10; }
constexpr uint32_t FunctionField(uint32_t function) { return function & 0x3ffu; }
constexpr uint32_t ImmediateField(uint32_t value) { return value & kImmediateMask; }
constexpr uint32_t TargetField(uint32_t value) { return value & kTargetMask; }

constexpr uint32_t OpcodeOfHead(uint32_t head) { return (head >> 2) & 0xffu; }

// Body bits 17-0 read as a signed 18-bit number.
constexpr int32_t SignedImmediate(uint32_t body) {
  const uint32_t field = body & kImmediateMask;
  return (field & 0x20000u) ? static_cast<int32_t>(field) - 0x40000 : static_cast<int32_t>(field);
}

constexpr uint32_t ReplaceImmediate(uint32_t body, uint32_t value) {
  return (body & ~kImmediateMask) | (value & kImmediateMask);
}

constexpr bool IsBranchOpcode(uint32_t op) {
  return op == opcode::kBeq || op == opcode::kBne || op == opcode::kBclf || op == opcode::kBclt;
}

}  // namespace kiv
