#include "kiv/disassembly.h"

#include <algorithm>
#include <span>

#include "common/instruction_word.h"
#include "kiv/data_layout.h"

namespace kiv::tool {
namespace {

constexpr uint32_t kLastRelocatedIndex = 1535;  // la relocates only up to here
constexpr size_t kCommentColumn = 36;

// Lower-case hex, zero-padded to `digits` and longer when the value needs
// it. Written by hand: every jump and branch of a listing names its target
// this way, and a formatted print costs several times as much.
std::string Hex(uint64_t value, int digits) {
  size_t count = 1;
  while (count < 16 && value >> (4 * count) != 0) ++count;
  count = std::max(count, static_cast<size_t>(digits));
  std::string text(count, '0');
  for (size_t i = count; i-- > 0 && value != 0; value >>= 4)
    text[i] = "0123456789abcdef"[value & 0xf];
  return text;
}

std::string SignedText(int64_t value) {
  return value >= 0 ? std::to_string(value) : std::to_string(-value) + "-";
}

// The back end takes a jump to a data section's first line, not one further
// in.
bool InsideData(const Program& program, size_t unit) {
  return program.units[unit].is_data && unit > 0 && program.units[unit - 1].is_data;
}

// A target past the end of the program: the index that the back end puts
// into that bundle, given the padding in force there.
int64_t IndexBeyond(const Program& program, int64_t unit) {
  return 3 * unit - static_cast<int64_t>(program.padding_beyond);
}

// The value operand's text of an instruction in a slot, and what the line
// cannot give back when assembled again (empty when it can).
struct LineValue {
  std::string value;
  std::string_view warning;
};

LineValue JumpValue(const Program& program, const Instruction& instruction, size_t unit) {
  const auto target = TransferTarget(instruction, unit);
  const int64_t count = static_cast<int64_t>(program.units.size());
  if (target && *target < count) {
    const auto at = static_cast<size_t>(*target);
    return {LabelName(at), InsideData(program, at) ? "a jump into data" : ""};
  }
  if (!target) {
    return {ValueText(instruction), "the target is no bundle address and is kept as a number"};
  }
  return {std::to_string(IndexBeyond(program, *target)), "a numeric target beyond the program"};
}

LineValue BranchValue(const Program& program, const Instruction& instruction, size_t unit,
                      int slot) {
  const int64_t target = *TransferTarget(instruction, unit);
  const int64_t count = static_cast<int64_t>(program.units.size());
  if (target >= 0 && target < count) {
    const auto at = static_cast<size_t>(target);
    return {LabelName(at), InsideData(program, at) ? "a branch into data" : ""};
  }
  if (target < 0) return {ValueText(instruction), "a branch before the start of the program"};
  const int64_t own = program.units[unit].first_index + slot;
  return {SignedText(IndexBeyond(program, target) - own - 1), "a branch beyond the program"};
}

// An la holds a bundle address when the back end relocated it, and the
// index itself when the index was beyond 1535: printed as that number, it is
// left alone again. Only a number below 1536 that names no bundle of the
// program cannot come back.
LineValue AddressValue(const Program& program, const Instruction& instruction) {
  const auto target = AddressTarget(instruction, program.units.size());
  if (target && program.units[*target].first_index <= kLastRelocatedIndex) {
    return {LabelName(*target), ""};
  }
  const bool relocated = ImmediateField(instruction.operands.immediate) <= kLastRelocatedIndex;
  return {ValueText(instruction),
          relocated ? "an la of a number below 1536, which the back end would relocate" : ""};
}

LineValue ValueOf(const Program& program, const Instruction& instruction, size_t unit, int slot) {
  const assembly::Mnemonic& row = *instruction.row;
  if (row.form == assembly::OperandForm::kTarget) return JumpValue(program, instruction, unit);
  if (row.form == assembly::OperandForm::kRsTarget) return AddressValue(program, instruction);
  if (IsBranchOpcode(row.opcode)) return BranchValue(program, instruction, unit, slot);
  return {ValueText(instruction), ""};
}

constexpr std::string_view kNoInstruction = "nop";
constexpr std::string_view kNoInstructionWarning = "no instruction is this word";

class Writer {
 public:
  Writer(const Program& program, const DisassemblyOptions& options)
      : program_(program), options_(options) {}

  Disassembly Run() {
    const size_t n = program_.units.size();
    size_t next_section = 0;
    const auto sections = std::span(program_.sections);
    for (size_t k = 0; k < n; ++k) {
      while (next_section < sections.size() && sections[next_section].begin == k) {
        WriteData(sections[next_section++]);
      }
      if (program_.units[k].is_data) continue;
      if (program_.units[k].targeted || program_.units[k].la_target) Label(k);
      for (int slot = 0; slot < InstructionCount(program_.units[k]); ++slot) {
        const SourceLine line = InstructionLine(program_, k, slot);
        const bool two_words = program_.units[k].bundle.kind == BundleKind::kSpawni;
        Line(line, Hex(k * 16, 4) + "." + std::to_string(slot + 1),
             Hex(SlotRaw(k, slot), two_words ? 16 : 11));
      }
    }
    while (next_section < sections.size()) WriteData(sections[next_section++]);
    return std::move(result_);
  }

 private:
  uint64_t SlotRaw(size_t k, int slot) const {
    const Bundle& bundle = program_.units[k].bundle;
    if (bundle.kind == BundleKind::kSpawni) {
      return uint64_t{bundle.spawni_second} << 32 | bundle.spawni_first;
    }
    return bundle.words[slot];
  }

  void Label(size_t unit) { result_.text += LabelName(unit) + ":\n"; }

  void Line(const SourceLine& line, const std::string& address, const std::string& raw) {
    std::string text = "    " + line.text;
    std::string comment;
    const auto add = [&comment](std::string_view separator, std::string_view part) {
      if (!comment.empty()) comment.append(separator);
      comment.append(part);
    };
    if (options_.addresses) add(" ", address + ":");
    if (options_.raw && !raw.empty()) add(" ", raw);
    if (!line.warning.empty()) {
      add("  ", "warning: " + line.warning);
      result_.warnings.push_back(address + ": " + line.warning);
    }
    if (!comment.empty()) {
      if (text.size() < kCommentColumn) text.resize(kCommentColumn, ' ');
      text += " # " + comment;
    }
    result_.text += text + "\n";
  }

  void WriteData(const DataSection& section) {
    std::vector<DataPair> pairs;
    std::vector<size_t> labels;
    for (size_t k = section.begin; k < section.end; ++k) {
      const ProgramUnit& unit = program_.units[k];
      if (unit.targeted || unit.la_target) labels.push_back(2 * (k - section.begin));
      pairs.push_back(PairOf(unit.raw, 0));
      pairs.push_back(PairOf(unit.raw, 1));
    }
    const bool open = program_.trailing_pair && section.end == program_.units.size() &&
                      &section == &program_.sections.back();
    if (open) pairs.push_back(*program_.trailing_pair);
    result_.text += "    .rdata\n";
    for (const DataItem& item : LayOutData(pairs, labels)) WriteItem(section, item, pairs);
    if (!open) result_.text += "    .text\n";
  }

  void WriteItem(const DataSection& section, const DataItem& item,
                 const std::vector<DataPair>& pairs) {
    for (size_t label : item.labels) Label(section.begin + label / 2);
    const size_t byte = (section.begin * 2 + item.first_pair) * 8;
    const std::string address = Hex(byte, 4);
    switch (item.kind) {
      case DataItemKind::kWord:
        Line({".word " + std::to_string(item.word), item.warning}, address,
             Hex(pairs[item.first_pair], 16));
        break;
      case DataItemKind::kAscii:
        Line({".ascii \"" + item.text + "\"", item.warning}, address, "");
        break;
      case DataItemKind::kAlign:
        // An .align that only settles a label's index writes nothing.
        if (item.pair_count == 0) {
          result_.text += "    .align 4\n";
        } else {
          Line({".align 4", item.warning}, address, Hex(kFillerPair, 16));
        }
        break;
    }
  }

  const Program& program_;
  const DisassemblyOptions& options_;
  Disassembly result_;
};

}  // namespace

std::string LabelName(size_t unit) {
  std::string name(1, 'L');
  name += Hex(unit * 16, 4);
  return name;
}

SourceLine InstructionLine(const Program& program, size_t unit, int slot) {
  // A listing may call a unit a bundle that no bundle the back end writes
  // can be; its slot keeps its place.
  const auto decoded = InstructionAt(program.units[unit], slot);
  if (!decoded) return {std::string(kNoInstruction), std::string(kNoInstructionWarning)};
  const LineValue value = ValueOf(program, *decoded, unit, slot);
  return {FormatInstruction(*decoded, value.value), std::string(value.warning)};
}

void AppendInstructionText(std::string& text, const Program& program, size_t unit, int slot) {
  const auto decoded = InstructionAt(program.units[unit], slot);
  if (!decoded) {
    text += kNoInstruction;
    return;
  }
  AppendInstruction(text, *decoded, ValueOf(program, *decoded, unit, slot).value);
}

Disassembly Disassemble(const Program& program, const DisassemblyOptions& options) {
  return Writer(program, options).Run();
}

}  // namespace kiv::tool
