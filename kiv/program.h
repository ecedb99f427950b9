// An image read back as a program: which units are bundles and which are the
// data section's lines, the instructions of every bundle, where each unit
// starts in instruction indices, and the units that jumps, branches and `la`
// name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "kiv/bundle.h"
#include "kiv/disassembler.h"
#include "kiv/image.h"

namespace kiv::tool {

struct ProgramUnit {
  Unit raw = 0;  // the unit's 16 bytes
  bool is_data = false;
  Bundle bundle;             // when not data
  uint32_t first_index = 0;  // front-end instruction index where the unit starts
  bool targeted = false;     // a jump or branch names it (it begins at a boundary)
  bool la_target = false;    // an `la` names it
};

// A data section: units [begin, end), empty when it only closes the bundle
// before it.
struct DataSection {
  size_t begin = 0;
  size_t end = 0;
};

struct Program {
  std::vector<ProgramUnit> units;
  std::vector<DataSection> sections;  // ascending, apart from each other
  // The half unit of a section left open at the end of the program; that
  // section is the last one and runs to the end.
  std::optional<DataPair> trailing_pair;
  uint32_t index_count = 0;  // instruction indices the whole program takes
  // The padding in force beyond the program, for targets past its end.
  uint32_t padding_beyond = 0;
};

// The instructions a bundle unit holds: its filled slots, join or spawni.
int InstructionCount(const ProgramUnit& unit);

// The instruction in slot 0-2, decoded when asked (a large image holds a
// million); empty for data, padding and words no mnemonic encodes.
std::optional<Instruction> InstructionAt(const ProgramUnit& unit, int slot);

// Where a jump or branch in unit `from` leads, as a unit number (possibly
// outside the program); empty for other instructions and for a jump body
// that is no bundle address.
std::optional<int64_t> TransferTarget(const Instruction& instruction, size_t from);

// The unit an `la` names when its field is a bundle address, else empty.
std::optional<size_t> AddressTarget(const Instruction& instruction, size_t unit_count);

// Decides bundle or data line for every unit. A listing says it line by
// line. For a binary image the rule is: every unit that is no well-formed
// bundle is a data line, and runs of them are data sections; a unit next to
// a section that looks like data (two word pairs, or sixteen printable
// bytes) and that no jump or branch names joins it, and so does the unit
// that completes a string the section's last pair begins; when the section's
// first pair goes on with a string begun before it, the units back to the
// string's start (a few at most) join it too. A bundle left partly filled is
// followed by a boundary (a jump or branch target, the instruction after jal,
// spawn, fork or halt, join, spawni, a data section); where none is seen, an
// empty data section after it gives that boundary.
// Every reading makes the same bytes; this one keeps the data plain and the
// code whole.
Program ReadProgram(const Image& image);

}  // namespace kiv::tool
