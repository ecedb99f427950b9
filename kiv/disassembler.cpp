#include "kiv/disassembler.h"

#include <array>
#include <charconv>

#include "common/instruction_word.h"

namespace kiv::tool {
namespace {

using assembly::Mnemonic;
using assembly::OperandForm;

// The mnemonic table indexed the other way round: by opcode, and by function
// number for the two opcodes whose rows share it. The first row in table
// order wins, so opcode 8 gives addi, not move, movei or li.
class ReverseTable {
 public:
  ReverseTable() {
    for (const Mnemonic& row : assembly::Mnemonics()) {
      if (row.cls == assembly::InstructionClass::kNop) {
        nop_ = &row;
        continue;
      }
      if (row.record == assembly::RecordKind::kSpawni) {
        spawni_ = &row;
        continue;
      }
      const Mnemonic*& slot = row.opcode == 0                ? by_register_function_[row.function]
                              : row.opcode == opcode::kFloat ? by_float_function_[row.function]
                                                             : by_opcode_[row.opcode];
      if (slot == nullptr) slot = &row;
    }
  }

  const Mnemonic* Find(uint32_t op, uint32_t function) const {
    if (op == 0) return by_register_function_[function];
    if (op == opcode::kFloat) return by_float_function_[function];
    return by_opcode_[op];
  }
  const Mnemonic* nop() const { return nop_; }
  const Mnemonic* spawni() const { return spawni_; }

 private:
  std::array<const Mnemonic*, 256> by_opcode_{};
  std::array<const Mnemonic*, 1024> by_register_function_{};
  std::array<const Mnemonic*, 1024> by_float_function_{};
  const Mnemonic* nop_ = nullptr;
  const Mnemonic* spawni_ = nullptr;
};

const ReverseTable& Table() {
  static const ReverseTable table;
  return table;
}

uint32_t ValueFieldOf(OperandForm form, uint32_t body) {
  switch (form) {
    case OperandForm::kTarget:
      return body;
    case OperandForm::kRsTarget:
      return TargetField(body);
    case OperandForm::kRtRsImmediate:
    case OperandForm::kRtImmediateRs:
    case OperandForm::kRtImmediate:
    case OperandForm::kImmediate:
      return ImmediateField(body);
    default:
      return 0;
  }
}

void AppendRegister(std::string& text, uint32_t number) {
  char digits[4] = {'$'};
  const auto end = std::to_chars(digits + 1, digits + sizeof digits, number & 0xffu).ptr;
  text.append(digits, end);
}

}  // namespace

std::optional<Instruction> DecodeWord(uint64_t word) {
  const auto head = static_cast<uint32_t>(word >> 32);
  const auto body = static_cast<uint32_t>(word);
  if (word == 0) return Instruction{Table().nop(), {}};
  const Mnemonic* row = Table().Find(OpcodeOfHead(head), FunctionField(body));
  if (row == nullptr) return std::nullopt;
  Instruction instruction{row, {}};
  assembly::Operands& operands = instruction.operands;
  operands.rs = (head & 3u) << 6 | body >> 26;
  operands.rt = (body >> 18) & 0xffu;
  operands.rd = (body >> 10) & 0xffu;
  operands.immediate = ValueFieldOf(row->form, body);
  // Fields the form does not use must be zero, or the word is not this row's.
  if (WordOf(assembly::Encode(*row, operands)) != word) return std::nullopt;
  return instruction;
}

Instruction SpawniInstruction(uint32_t first, uint32_t second) {
  Instruction instruction{Table().spawni(), {}};
  instruction.operands.immediate = first;
  instruction.operands.second = second;
  return instruction;
}

bool HasTargetOperand(const Mnemonic& row) {
  return row.form == OperandForm::kTarget || row.form == OperandForm::kRsTarget ||
         IsBranchOpcode(row.opcode);
}

std::string ValueText(const Instruction& instruction) {
  const uint32_t value = instruction.operands.immediate;
  switch (instruction.row->form) {
    case OperandForm::kTarget:
    case OperandForm::kRsTarget:
      return std::to_string(value);
    default: {
      const int32_t signed_value = SignedImmediate(value);
      if (signed_value >= 0) return std::to_string(signed_value);
      // The number parser negates for a minus anywhere; after the digits
      // it cannot be taken for a label.
      return std::to_string(-static_cast<int64_t>(signed_value)) + "-";
    }
  }
}

std::string FormatInstruction(const Instruction& instruction, std::string_view value) {
  std::string text;
  AppendInstruction(text, instruction, value);
  return text;
}

void AppendInstruction(std::string& text, const Instruction& instruction, std::string_view value) {
  const Mnemonic& row = *instruction.row;
  const assembly::Operands& ops = instruction.operands;
  text += row.token;
  bool first = true;
  const auto separate = [&] {
    text += first ? " " : ", ";
    first = false;
  };
  const auto reg = [&](uint32_t number) {
    separate();
    AppendRegister(text, number);
  };
  const auto val = [&] {
    separate();
    text += value;
  };
  switch (row.form) {
    case OperandForm::kNone:
      break;
    case OperandForm::kRdRsRt:
      reg(ops.rd), reg(ops.rs), reg(ops.rt);
      break;
    case OperandForm::kRs:
      reg(ops.rs);
      break;
    case OperandForm::kRsRd:
      reg(ops.rs), reg(ops.rd);
      break;
    case OperandForm::kRtRsImmediate:
      reg(ops.rt), reg(ops.rs), val();
      break;
    case OperandForm::kRtImmediateRs:  // offset(base)
      reg(ops.rt), val();
      text += '(';
      AppendRegister(text, ops.rs);
      text += ')';
      break;
    case OperandForm::kRtRs:
      reg(ops.rt), reg(ops.rs);
      break;
    case OperandForm::kRtImmediate:
      reg(ops.rt), val();
      break;
    case OperandForm::kImmediate:
    case OperandForm::kTarget:
      val();
      break;
    case OperandForm::kRsTarget:
      reg(ops.rs), val();
      break;
    case OperandForm::kRsRt:
      reg(ops.rs), reg(ops.rt);
      break;
    case OperandForm::kTwoIntegers:
      separate();
      text += std::to_string(static_cast<int32_t>(ops.immediate));
      separate();
      text += std::to_string(static_cast<int32_t>(ops.second));
      break;
  }
}

}  // namespace kiv::tool
