// The source text `kiv dis` prints for a program read back from an image:
// one statement per line, a label at every bundle that a jump, branch or
// `la` names, the data section as directives, and a comment with the
// bundle address, slot and raw word after objdump's `address: hex`.
#pragma once

#include <string>
#include <vector>

#include "kiv/program.h"

namespace kiv::tool {

struct DisassemblyOptions {
  bool addresses = true;  // bundle address and slot in the comment
  bool raw = true;        // the raw word or pair in the comment
};

// A line of source and what it cannot give back when assembled again.
struct SourceLine {
  std::string text;
  std::string warning;
};

struct Disassembly {
  std::string text;
  std::vector<std::string> warnings;  // "ADDRESS: message", one per warned line
};

// The label that names unit `unit`: L and its byte address in hex.
std::string LabelName(size_t unit);

// The instruction in a slot (0-2) of a bundle unit, as dis prints it.
SourceLine InstructionLine(const Program& program, size_t unit, int slot);

// Its text alone, appended to `text`.
void AppendInstructionText(std::string& text, const Program& program, size_t unit, int slot);

Disassembly Disassemble(const Program& program, const DisassemblyOptions& options);

}  // namespace kiv::tool
