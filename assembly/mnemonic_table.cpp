#include "assembly/mnemonic_table.h"

#include <algorithm>
#include <array>
#include <bit>
#include <vector>

#include "assembly/byte_set_bits.h"
#include "common/packed_bytes.h"

namespace kiv::assembly {
namespace {

using C = InstructionClass;
using F = OperandForm;

constexpr Mnemonic Register(std::string_view token, uint16_t function, F form = F::kRdRsRt) {
  return {token, C::kRegister, function, form, 0, function, RecordKind::kInstruction};
}
constexpr Mnemonic Float(std::string_view token, uint16_t function) {
  return {token, C::kFloat, function, F::kRdRsRt, 17, function, RecordKind::kInstruction};
}
// move, movei and li are addi with one operand fixed at zero: their
// operation numbers differ from the opcode they are written with.
constexpr Mnemonic Immediate(std::string_view token, uint16_t operation, F form,
                             uint8_t opcode_value) {
  return {token, C::kImmediate, operation, form, opcode_value, 0, RecordKind::kInstruction};
}
constexpr Mnemonic Immediate(std::string_view token, uint8_t opcode_value, F form) {
  return Immediate(token, opcode_value, form, opcode_value);
}
constexpr Mnemonic Other(std::string_view token, C cls, uint16_t operation, F form,
                         uint8_t opcode_value, RecordKind record = RecordKind::kInstruction) {
  return {token, cls, operation, form, opcode_value, 0, record};
}

constexpr RecordKind kShort = RecordKind::kShort;

constexpr std::array<Mnemonic, 57> kMnemonics{{
    Register("add", 32),
    Register("addu", 33),
    Register("and", 36),
    Register("div", 26),
    Register("divu", 27),
    Register("mult", 24),
    Register("multu", 25),
    Register("or", 37),
    // nop is the all-zero word, so that it takes an index in the back end too.
    Other("nop", C::kNop, 0, F::kNone, 0),
    Register("sll", 0),
    Register("srl", 2),
    Register("slt", 42),
    Register("sltu", 43),
    Register("sub", 34),
    Register("subu", 35),
    Immediate("addi", 8, F::kRtRsImmediate),
    Immediate("addiu", 9, F::kRtRsImmediate),
    Immediate("andi", 12, F::kRtRsImmediate),
    Immediate("beq", 4, F::kRtRsImmediate),
    Immediate("bne", 5, F::kRtRsImmediate),
    Immediate("ori", 13, F::kRtRsImmediate),
    Immediate("slti", 10, F::kRtRsImmediate),
    Immediate("sltiu", 11, F::kRtRsImmediate),
    Other("la", C::kLoadAddress, 36, F::kRsTarget, 36),
    Immediate("lui", 15, F::kRtRsImmediate),
    Immediate("lw", 35, F::kRtImmediateRs),
    Immediate("subi", 14, F::kRtRsImmediate),
    Immediate("sw", 43, F::kRtImmediateRs),
    Other("j", C::kJump, 2, F::kTarget, 2),
    Register("jr", 8, F::kRs),
    Other("jal", C::kJump, 3, F::kTarget, 3),
    Register("jalr", 9, F::kRsRd),
    Float("add.s", 256),
    Float("sub.s", 257),
    Float("mul.s", 258),
    Float("div.s", 259),
    Float("add.d", 272),
    Float("sub.d", 273),
    Float("mul.d", 274),
    Float("div.d", 275),
    Immediate("lwc1", 49, F::kRtImmediateRs),
    Immediate("swc1", 57, F::kRtImmediateRs),
    Immediate("bclt", 129, F::kImmediate),
    Immediate("bclf", 128, F::kImmediate),
    Float("c.lt.s", 316),
    Float("s.lt.d", 332),
    Other("halt", C::kHalt, 0, F::kNone, 255, kShort),
    Other("spawni", C::kSpawni, 0, F::kTwoIntegers, 252, RecordKind::kSpawni),
    Other("spawn", C::kSpawn, 0, F::kRsRt, 250),
    Other("join", C::kJoin, 0, F::kNone, 251, kShort),
    Other("fork", C::kFork, 0, F::kNone, 254, kShort),
    Other("ps", C::kProcessorState, 0, F::kRtRs, 253),
    Immediate("psm", 249, F::kRtImmediateRs),
    Immediate("move", 64, F::kRtRs, 8),
    Immediate("movei", 65, F::kRtImmediate, 8),
    Immediate("li", 65, F::kRtImmediate, 8),
    Other("prn", C::kPrint, 20, F::kNone, 20, kShort),
}};

bool IsBlankOrLineEnd(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

struct Directive {
  std::string_view token;
  InstructionClass cls;
};

constexpr std::array<Directive, 5> kDirectives{{
    {".rdata", C::kRdata},
    {".word", C::kWord},
    {".ascii", C::kAscii},
    {".align", C::kAlign},
    {".text", C::kText},
}};

// No mnemonic or directive is longer than eight bytes, so each packs into
// one 64-bit word (unused bytes zero), and a token is found by comparing
// words: no string hashing, no call.
constexpr size_t kMaxStatementToken = 8;

uint64_t Pack(std::string_view token) {
  return LoadUpTo8(token.data(), std::min(token.size(), kMaxStatementToken));
}

// The first eight bytes at `text[i]`, zero beyond the end of the text.
uint64_t PackAt(std::string_view text, size_t i) {
  const size_t left = text.size() - i;
  return left >= kMaxStatementToken ? Load8(text.data() + i) : LoadUpTo8(text.data() + i, left);
}

uint64_t LowBytesMask(size_t length) {
  return length >= kMaxStatementToken ? ~uint64_t{0} : (uint64_t{1} << (8 * length)) - 1;
}

// The packing of a known token, at compile time.
constexpr uint64_t PackConstant(std::string_view token) {
  uint64_t packed = 0;
  for (size_t k = 0; k < token.size() && k < kMaxStatementToken; ++k) {
    packed |= uint64_t{static_cast<unsigned char>(token[k])} << (8 * k);
  }
  return packed;
}

// A slot per packed word, with a multiplier chosen so that each of the 62
// tokens has the slot its word hashes to: a token is found by one probe, or
// is not known, without a loop whose exit the processor must guess. Built at
// compile time, which also proves that no two tokens share a slot.
class TokenIndex {
 public:
  constexpr TokenIndex() {
    for (const Directive& d : kDirectives) Add(d.token, {TokenKind::kDirective, d.cls, nullptr});
    for (const Mnemonic& m : kMnemonics) Add(m.token, {TokenKind::kInstruction, m.cls, &m});
  }

  // The classification of a token of one to eight bytes; kNotFound if none.
  Classification Find(std::string_view token) const { return Find(Pack(token), token.size()); }

  // The same for a token already packed.
  Classification Find(uint64_t packed, size_t length) const {
    const Entry& entry = entries_[SlotOf(packed)];
    return entry.packed == packed && entry.length == length ? entry.classification
                                                            : Classification{};
  }

 private:
  static constexpr size_t kSlots = 256;
  struct Entry {
    uint64_t packed = 0;
    size_t length = 0;  // 0: empty
    Classification classification;
  };

  static constexpr size_t SlotOf(uint64_t packed) {
    return static_cast<size_t>((packed * 0x62827e2b827ecca3u) >> 56);
  }

  constexpr void Add(std::string_view token, Classification classification) {
    Entry& entry = entries_[SlotOf(PackConstant(token))];
    // Not a constant expression: two tokens in one slot stop the build.
    if (entry.length != 0) throw "two tokens share a slot of the token index";
    entry = Entry{PackConstant(token), token.size(), classification};
  }

  std::array<Entry, kSlots> entries_{};
};

constexpr TokenIndex kTokenIndex;

const TokenIndex& Tokens() { return kTokenIndex; }

bool HasByte(uint64_t word, char byte) {
  constexpr uint64_t kOnes = 0x0101010101010101u;
  const uint64_t x = word ^ (kOnes * static_cast<unsigned char>(byte));
  return ((x - kOnes) & ~x & (kOnes << 7)) != 0;
}

// The mnemonics a substring search must try: one that holds another (addu
// holds add, jal holds j) is found through the shorter one. Grouped by
// first byte, each as its packed bytes and the mask of its length.
struct Needle {
  uint64_t packed;
  uint64_t mask;
};

const std::array<std::vector<Needle>, 256>& NeedlesByFirstByte() {
  static const auto groups = [] {
    std::array<std::vector<Needle>, 256> table;
    for (const Mnemonic& m : kMnemonics) {
      const bool holds_another =
          std::any_of(kMnemonics.begin(), kMnemonics.end(), [&](const Mnemonic& other) {
            return other.token.size() < m.token.size() &&
                   m.token.find(other.token) != std::string_view::npos;
          });
      if (holds_another) continue;
      table[static_cast<unsigned char>(m.token.front())].push_back(
          Needle{Pack(m.token), LowBytesMask(m.token.size())});
    }
    return table;
  }();
  return groups;
}

}  // namespace

std::span<const Mnemonic> Mnemonics() { return kMnemonics; }

uint32_t DirectiveNamesIn(std::string_view text) {
  static_assert(kDirectives[0].cls == C::kRdata && kDirectives[1].cls == C::kWord &&
                kDirectives[2].cls == C::kAscii && kDirectives[3].cls == C::kAlign &&
                kDirectives[4].cls == C::kText);
  // Every name begins with its dot: the text is compared only after dots,
  // in one pass, and each name as one masked word, without a branch.
  static constexpr auto kPacked = [] {
    std::array<uint64_t, kDirectives.size()> packed{};
    for (size_t k = 0; k < kDirectives.size(); ++k) {
      for (size_t i = 0; i < kDirectives[k].token.size(); ++i) {
        packed[k] |= uint64_t{static_cast<unsigned char>(kDirectives[k].token[i])} << (8 * i);
      }
    }
    return packed;
  }();
  uint32_t found = 0;
  for (size_t dot = text.find('.'); dot != std::string_view::npos; dot = text.find('.', dot + 1)) {
    const uint64_t here = PackAt(text, dot);  // zero past the end, where no name has a zero
    for (size_t k = 0; k < kDirectives.size(); ++k) {
      const uint64_t mask = LowBytesMask(kDirectives[k].token.size());
      found |= static_cast<uint32_t>((here & mask) == kPacked[k]) << k;
    }
  }
  return found;
}

Classification Classify(std::string_view token) {
  if (token.size() > kMaxStatementToken) {
    return token.find(':') != std::string_view::npos
               ? Classification{TokenKind::kLabelDefinition, C::kNop, nullptr}
               : Classification{};
  }
  if (token.empty()) return Classification{};
  if (HasByte(Pack(token), ':'))
    return Classification{TokenKind::kLabelDefinition, C::kNop, nullptr};
  return Tokens().Find(token);
}

Classification ClassifyFollowed(std::string_view token) {
  if (token.size() > kMaxStatementToken || token.empty()) return Classify(token);
  const uint64_t packed = Load8(token.data()) & LowBytesMask(token.size());
  if (HasByte(packed, ':')) return Classification{TokenKind::kLabelDefinition, C::kNop, nullptr};
  return Tokens().Find(packed, token.size());
}

namespace {

// True when the first token of a line of 16 bytes or more is a mnemonic,
// found from the blanks and line ends of its first 16 bytes as bits, without
// a loop; false when it is not, or does not end within them.
bool FirstTokenIsMnemonic(std::string_view line) {
  if (line.size() < 16) return false;
  const uint32_t blanks = ByteSetBits16<' ', '\t'>(line.data());
  const uint32_t ends = blanks | ByteSetBits16<'\n', '\r'>(line.data());
  const auto first = static_cast<size_t>(std::countr_zero(~blanks));  // 16 when all are blank
  const auto length = static_cast<size_t>(std::countr_zero((ends | 0x10000u) >> first));
  if (length == 0 || length >= 8 || first + length >= 16 || first + 8 > line.size()) return false;
  return Tokens().Find(Load8(line.data() + first) & LowBytesMask(length), length).kind ==
         TokenKind::kInstruction;
}

// The search for a line whose first token is no mnemonic (or not one found
// in its first 16 bytes). Kept out of line, so that the usual line pays for
// none of its set-up.
[[gnu::noinline]] bool ContainsMnemonicStringAfterFirstToken(std::string_view text) {
  size_t first = 0;
  while (first < text.size() && (text[first] == ' ' || text[first] == '\t')) ++first;
  size_t last = first;
  while (last < text.size() && !IsBlankOrLineEnd(text[last])) ++last;
  if (last > first && last - first <= kMaxStatementToken &&
      Tokens().Find(text.substr(first, last - first)).kind == TokenKind::kInstruction) {
    return true;
  }
  const auto& groups = NeedlesByFirstByte();
  for (size_t i = 0; i < text.size(); ++i) {
    const auto& needles = groups[static_cast<unsigned char>(text[i])];
    if (needles.empty()) continue;
    const uint64_t here = PackAt(text, i);
    for (const Needle& needle : needles) {
      // Bytes past the end read as zero, and no mnemonic holds a zero byte.
      if ((here & needle.mask) == needle.packed) return true;
    }
  }
  return false;
}

}  // namespace

bool ContainsMnemonicString(std::string_view text) {
  // Most lines begin with their mnemonic: found whole, it is found as a
  // substring too.
  return FirstTokenIsMnemonic(text) || ContainsMnemonicStringAfterFirstToken(text);
}

}  // namespace kiv::assembly
