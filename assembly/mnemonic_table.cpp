#include "assembly/mnemonic_table.h"

#include <algorithm>
#include <array>
#include <vector>

#include "common/packed_bytes.h"

namespace kiv::assembly {
namespace {

using C = InstructionClass;

constexpr std::array<Mnemonic, 57> kMnemonics{{
    {"add", C::kRegister, 32},      {"addu", C::kRegister, 33},    {"and", C::kRegister, 36},
    {"div", C::kRegister, 26},      {"divu", C::kRegister, 27},    {"mult", C::kRegister, 24},
    {"multu", C::kRegister, 25},    {"or", C::kRegister, 37},      {"nop", C::kNop, 0},
    {"sll", C::kRegister, 0},       {"srl", C::kRegister, 2},      {"slt", C::kRegister, 42},
    {"sltu", C::kRegister, 43},     {"sub", C::kRegister, 34},     {"subu", C::kRegister, 35},
    {"addi", C::kImmediate, 8},     {"addiu", C::kImmediate, 9},   {"andi", C::kImmediate, 12},
    {"beq", C::kImmediate, 4},      {"bne", C::kImmediate, 5},     {"ori", C::kImmediate, 13},
    {"slti", C::kImmediate, 10},    {"sltiu", C::kImmediate, 11},  {"la", C::kLoadAddress, 36},
    {"lui", C::kImmediate, 15},     {"lw", C::kImmediate, 35},     {"subi", C::kImmediate, 14},
    {"sw", C::kImmediate, 43},      {"j", C::kJump, 2},            {"jr", C::kRegister, 8},
    {"jal", C::kJump, 3},           {"jalr", C::kRegister, 9},     {"add.s", C::kFloat, 256},
    {"sub.s", C::kFloat, 257},      {"mul.s", C::kFloat, 258},     {"div.s", C::kFloat, 259},
    {"add.d", C::kFloat, 272},      {"sub.d", C::kFloat, 273},     {"mul.d", C::kFloat, 274},
    {"div.d", C::kFloat, 275},      {"lwc1", C::kImmediate, 49},   {"swc1", C::kImmediate, 57},
    {"bclt", C::kImmediate, 129},   {"bclf", C::kImmediate, 128},  {"c.lt.s", C::kFloat, 316},
    {"s.lt.d", C::kFloat, 332},     {"halt", C::kHalt, 0},         {"spawni", C::kSpawni, 0},
    {"spawn", C::kSpawn, 0},        {"join", C::kJoin, 0},         {"fork", C::kFork, 0},
    {"ps", C::kProcessorState, 0},  {"psm", C::kImmediate, 249},   {"move", C::kImmediate, 64},
    {"movei", C::kImmediate, 65},   {"li", C::kImmediate, 65},     {"prn", C::kPrint, 20},
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

// Open addressing over the 62 tokens; the table is sparse enough that a
// probe ends after a slot or two.
class TokenIndex {
 public:
  TokenIndex() {
    for (const Directive& d : kDirectives) Add(d.token, {TokenKind::kDirective, d.cls, 0});
    for (const Mnemonic& m : kMnemonics) Add(m.token, {TokenKind::kInstruction, m.cls, m.operation});
  }

  // The classification of a token of one to eight bytes; kNotFound if none.
  Classification Find(std::string_view token) const { return Find(Pack(token), token.size()); }

  // The same for a token already packed.
  Classification Find(uint64_t packed, size_t length) const {
    for (size_t slot = SlotOf(packed);; slot = (slot + 1) % kSlots) {
      const Entry& entry = entries_[slot];
      if (entry.length == 0) return Classification{};
      if (entry.packed == packed && entry.length == length) return entry.classification;
    }
  }

 private:
  static constexpr size_t kSlots = 256;
  struct Entry {
    uint64_t packed = 0;
    size_t length = 0;  // 0: empty
    Classification classification;
  };

  static size_t SlotOf(uint64_t packed) {
    return static_cast<size_t>((packed * 0x9e3779b97f4a7c15u) >> 56);
  }

  void Add(std::string_view token, Classification classification) {
    size_t slot = SlotOf(Pack(token));
    while (entries_[slot].length != 0) slot = (slot + 1) % kSlots;
    entries_[slot] = Entry{Pack(token), token.size(), classification};
  }

  std::array<Entry, kSlots> entries_{};
};

const TokenIndex& Tokens() {
  static const TokenIndex index;
  return index;
}

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
      const bool holds_another = std::any_of(kMnemonics.begin(), kMnemonics.end(), [&](const Mnemonic& other) {
        return other.token.size() < m.token.size() && m.token.find(other.token) != std::string_view::npos;
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

Classification Classify(std::string_view token) {
  if (token.size() > kMaxStatementToken) {
    return token.find(':') != std::string_view::npos
               ? Classification{TokenKind::kLabelDefinition, C::kNop, 0}
               : Classification{};
  }
  if (token.empty()) return Classification{};
  if (HasByte(Pack(token), ':')) return Classification{TokenKind::kLabelDefinition, C::kNop, 0};
  return Tokens().Find(token);
}

bool ContainsMnemonicString(std::string_view text) {
  // Most lines begin with their mnemonic: found whole, it is found as a
  // substring too. Blanks and the first token are found eight bytes at a time.
  size_t first = 0;
  while (text.size() - first >= 8) {
    const uint64_t word = Load8(text.data() + first);
    const uint64_t other = ~(BytesEqual(word, ' ') | BytesEqual(word, '\t')) & kHighBits;
    if (other != 0) {
      first += FirstByte(other);
      break;
    }
    first += 8;
  }
  if (text.size() - first >= 8) {
    const uint64_t word = Load8(text.data() + first);
    const uint64_t end = BytesEqual(word, ' ') | BytesEqual(word, '\t') |
                         BytesEqual(word, '\n') | BytesEqual(word, '\r');
    const size_t length = FirstByte(end);
    if (length > 0 && length < 8 &&
        Tokens().Find(word & LowBytesMask(length), length).kind == TokenKind::kInstruction) {
      return true;
    }
  }
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

}  // namespace kiv::assembly
