#include "assembly/mnemonic_table.h"

#include <array>
#include <unordered_map>
#include <vector>

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

// Tokens are unique, so a hashed look-up gives what the ordered comparison gives.
const std::unordered_map<std::string_view, Classification>& TokenIndex() {
  static const auto index = [] {
    std::unordered_map<std::string_view, Classification> map;
    for (const Directive& d : kDirectives) {
      map.emplace(d.token, Classification{TokenKind::kDirective, d.cls, 0});
    }
    for (const Mnemonic& m : kMnemonics) {
      map.emplace(m.token, Classification{TokenKind::kInstruction, m.cls, m.operation});
    }
    return map;
  }();
  return index;
}

// Mnemonics grouped by first byte, for the substring scan of the label pass.
const std::array<std::vector<std::string_view>, 256>& MnemonicsByFirstByte() {
  static const auto groups = [] {
    std::array<std::vector<std::string_view>, 256> table;
    for (const Mnemonic& m : kMnemonics) {
      table[static_cast<unsigned char>(m.token.front())].push_back(m.token);
    }
    return table;
  }();
  return groups;
}

}  // namespace

std::span<const Mnemonic> Mnemonics() { return kMnemonics; }

Classification Classify(std::string_view token) {
  if (token.find(':') != std::string_view::npos) {
    return Classification{TokenKind::kLabelDefinition, C::kNop, 0};
  }
  const auto& index = TokenIndex();
  const auto it = index.find(token);
  if (it == index.end()) return Classification{};
  return it->second;
}

bool ContainsMnemonicString(std::string_view text) {
  const auto& groups = MnemonicsByFirstByte();
  for (size_t i = 0; i < text.size(); ++i) {
    for (std::string_view m : groups[static_cast<unsigned char>(text[i])]) {
      if (text.substr(i, m.size()) == m) return true;
    }
  }
  return false;
}

}  // namespace kiv::assembly
