// Random programs for the front end's differential tests.
#pragma once

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::assembly::testing {

// Fewer than `most` of `lines`, drawn at random, each put after a random line
// end of `source`: the odd lines that throw a split of the text off.
inline std::string WithLinesInserted(std::string source, std::mt19937& random,
                                     std::span<const std::string_view> lines, uint32_t most) {
  for (auto n = random() % most; n > 0; --n) {
    const size_t at = source.find('\n', random() % (source.size() + 1));
    if (at != std::string::npos) source.insert(at + 1, lines[random() % lines.size()]);
  }
  return source;
}

// Statements of every operand form, with numbers, sp and labels (most
// defined, a few not) as operands, data sections, and now and then a fault:
// an unknown token, an instruction inside data, operands that run out.
class RandomProgram {
 public:
  explicit RandomProgram(uint32_t seed) : random_(seed) {}

  std::string Make(int statements, bool with_faults) {
    std::string source;
    for (int i = 0; i < statements; ++i) {
      if (Below(4) == 0) source.append(Label(40)).append(": ");
      source += Statement(with_faults) + "\n";
    }
    if (with_faults && Below(3) == 0) source.resize(Below(static_cast<uint32_t>(source.size())));
    return source;
  }

 private:
  uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(random_() % bound); }

  // One of the first `bound` label names.
  std::string Label(uint32_t bound) {
    return std::string("L").append(std::to_string(Below(bound)));
  }

  std::string Operand() {
    switch (Below(5)) {
      case 0:
        return "sp";
      case 1:
        return Label(46);  // L40 to L45 are never defined
      default:
        return std::to_string(Below(300));
    }
  }

  std::string Statement(bool with_faults) {
    static const std::vector<std::string> kMnemonics = {
        "add",    "sub", "jr",  "jalr", "addi",   "beq",  "bne",  "lw",   "sw",
        "move",   "li",  "la",  "j",    "jal",    "bclt", "halt", "nop",  "spawn",
        "spawni", "ps",  "psm", "prn",  "c.lt.s", "lui",  "subi", "join", "fork"};
    const uint32_t kind = Below(with_faults ? 40 : 36);
    if (kind < 30) {
      std::string text = kMnemonics[Below(static_cast<uint32_t>(kMnemonics.size()))];
      for (uint32_t n = 0; n < 3; ++n) text.append(n == 0 ? " " : ", ").append(Operand());
      return text;
    }
    switch (kind) {
      case 30:
        return ".rdata\n.word " + std::to_string(Below(9)) + "\n.ascii \"ab\"\n.text";
      case 31:
        return ".rdata\n.word 1\n.align 2\n.word 2\n.text";
      case 32:
      case 33:
        return "j " + Label(40);
      case 34:
        return "beq 1 2 " + Label(40) + " # note";
      case 35:
        return "spawni 3 4";
      case 36:
        return "bogus 1";
      case 37:
        return ".rdata\nadd 1 2 3\n.text";
      case 38:
        return "spawni 3 x";
      default:
        return "add 1";
    }
  }

  std::mt19937 random_;
};

}  // namespace kiv::assembly::testing
