#include "assembly/instruction_encoder.h"

#include <array>

#include "assembly/number_parser.h"
#include "common/instruction_word.h"

namespace kiv::assembly {
namespace {

// How a class-I mnemonic lays out its operands, chosen by its operation number.
enum class ImmediateForm { kGeneral, kMemory, kMove, kLoadImmediate, kFlagBranch };

ImmediateForm FormOf(uint16_t operation) {
  switch (operation) {
    case 35: case 43: case 49: case 57: case 249: return ImmediateForm::kMemory;
    case 64: return ImmediateForm::kMove;
    case 65: return ImmediateForm::kLoadImmediate;
    case 128: case 129: return ImmediateForm::kFlagBranch;
    default: return ImmediateForm::kGeneral;
  }
}

constexpr std::string_view kLoadAddressError = "Immediate value error in instruction: ";
constexpr std::string_view kJumpError = "Immediate value error in instruction2: ";
constexpr std::string_view kImmediateError = "Immediate value error in instruction3: ";

template <size_t N>
bool ReadTokens(EncodingContext& context, std::array<std::string_view, N>& tokens) {
  for (std::string_view& token : tokens) {
    if (!context.in.NextToken(token)) return false;
  }
  return true;
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// An immediate token is a number when it begins with a digit; otherwise it
// names a label (even "-5"). Branches take the distance from the instruction
// after them; everything else takes the label's index.
Status ResolveImmediate(EncodingContext& context, std::string_view token, bool relative,
                        std::string_view error_message, uint32_t& value) {
  if (IsDecimalDigit(token.front())) {
    value = static_cast<uint32_t>(ParseNumber(token));
    return Status::kSuccess;
  }
  int32_t label_index = 0;
  if (context.labels.FindLabel(token, label_index) != Status::kSuccess) {
    context.log.Error(error_message, context.Index());
    return Status::kMissingLabel;
  }
  value = static_cast<uint32_t>(label_index);
  if (relative) value = value - context.index - 1;
  return Status::kSuccess;
}

Status EncodeRegisterClass(EncodingContext& context, uint32_t opcode_value, uint16_t function,
                           bool is_float) {
  uint32_t rs = 0, rt = 0, rd = 0;
  if (!is_float && function == 8) {  // jr rs
    std::array<std::string_view, 1> t;
    if (!ReadTokens(context, t)) return context.InvalidOperand();
    rs = RegisterNumber(t[0]);
  } else if (!is_float && function == 9) {  // jalr rs, rd
    std::array<std::string_view, 2> t;
    if (!ReadTokens(context, t)) return context.InvalidOperand();
    rs = RegisterNumber(t[0]);
    rd = RegisterNumber(t[1]);
  } else {  // rd, rs, rt
    std::array<std::string_view, 3> t;
    if (!ReadTokens(context, t)) return context.InvalidOperand();
    rd = RegisterNumber(t[0]);
    rs = RegisterNumber(t[1]);
    rt = RegisterNumber(t[2]);
  }
  context.out.Instruction(EncodeHead(opcode_value, rs),
                          RsField(rs) | RtField(rt) | RdField(rd) | FunctionField(function));
  return Status::kSuccess;
}

Status EncodeImmediateClass(EncodingContext& context, uint16_t operation) {
  uint32_t opcode_value = operation;
  uint32_t rs = 0, rt = 0, immediate = 0;
  std::string_view immediate_token;
  switch (FormOf(operation)) {
    case ImmediateForm::kGeneral: {
      std::array<std::string_view, 3> t;
      if (!ReadTokens(context, t)) return context.InvalidOperand();
      rt = RegisterNumber(t[0]);
      rs = RegisterNumber(t[1]);
      immediate_token = t[2];
      break;
    }
    case ImmediateForm::kMemory: {  // rt, offset, base
      std::array<std::string_view, 3> t;
      if (!ReadTokens(context, t)) return context.InvalidOperand();
      rt = RegisterNumber(t[0]);
      immediate_token = t[1];
      rs = RegisterNumber(t[2]);
      break;
    }
    case ImmediateForm::kMove: {  // addi rt, rs, 0
      std::array<std::string_view, 2> t;
      if (!ReadTokens(context, t)) return context.InvalidOperand();
      rt = RegisterNumber(t[0]);
      rs = RegisterNumber(t[1]);
      opcode_value = opcode::kAddi;
      break;
    }
    case ImmediateForm::kLoadImmediate: {  // addi rt, 0, immediate
      std::array<std::string_view, 2> t;
      if (!ReadTokens(context, t)) return context.InvalidOperand();
      rt = RegisterNumber(t[0]);
      immediate_token = t[1];
      opcode_value = opcode::kAddi;
      break;
    }
    case ImmediateForm::kFlagBranch: {
      std::array<std::string_view, 1> t;
      if (!ReadTokens(context, t)) return context.InvalidOperand();
      immediate_token = t[0];
      break;
    }
  }
  if (!immediate_token.empty()) {
    const Status status = ResolveImmediate(context, immediate_token, IsBranchOpcode(operation),
                                           kImmediateError, immediate);
    if (status != Status::kSuccess) return status;
  }
  context.out.Instruction(EncodeHead(opcode_value, rs),
                          RsField(rs) | RtField(rt) | ImmediateField(immediate));
  return Status::kSuccess;
}

Status EncodeJump(EncodingContext& context, uint16_t operation) {
  std::array<std::string_view, 1> t;
  if (!ReadTokens(context, t)) return context.InvalidOperand();
  uint32_t target = 0;
  const Status status = ResolveImmediate(context, t[0], false, kJumpError, target);
  if (status != Status::kSuccess) return status;
  // The whole body is the target, not cut to the 26-bit field.
  context.out.Instruction(EncodeHead(operation, 0), target);
  return Status::kSuccess;
}

Status EncodeLoadAddress(EncodingContext& context) {
  std::array<std::string_view, 2> t;
  if (!ReadTokens(context, t)) return context.InvalidOperand();
  // The register of la is always a number: sp is not recognised here.
  const auto rs = static_cast<uint32_t>(ParseNumber(t[0]));
  uint32_t target = 0;
  const Status status = ResolveImmediate(context, t[1], false, kLoadAddressError, target);
  if (status != Status::kSuccess) return status;
  context.out.Instruction(EncodeHead(opcode::kLa, rs), RsField(rs) | TargetField(target));
  return Status::kSuccess;
}

// ps takes rt then rs; spawn takes rs then rt.
Status EncodeTwoRegisters(EncodingContext& context, uint32_t opcode_value, bool rt_first) {
  std::array<std::string_view, 2> t;
  if (!ReadTokens(context, t)) return context.InvalidOperand();
  const uint32_t first = RegisterNumber(t[0]);
  const uint32_t second = RegisterNumber(t[1]);
  const uint32_t rs = rt_first ? second : first;
  const uint32_t rt = rt_first ? first : second;
  context.out.Instruction(EncodeHead(opcode_value, rs), RsField(rs) | RtField(rt));
  return Status::kSuccess;
}

Status EncodeSpawni(EncodingContext& context) {
  int32_t first = 0, second = 0;
  if (!context.in.ReadInteger(first) || !context.in.ReadInteger(second)) {
    return context.InvalidOperand();
  }
  context.out.Spawni(static_cast<uint32_t>(first), static_cast<uint32_t>(second));
  return Status::kSuccess;
}

}  // namespace

uint32_t RegisterNumber(std::string_view token) {
  if (token.size() >= 2 && (token[0] == 's' || token[0] == 'S') &&
      (token[1] == 'p' || token[1] == 'P')) {
    return 29;
  }
  return static_cast<uint32_t>(ParseNumber(token));
}

Status EncodeInstruction(EncodingContext& context, InstructionClass cls, uint16_t operation) {
  using C = InstructionClass;
  switch (cls) {
    case C::kRegister: return EncodeRegisterClass(context, 0, operation, false);
    case C::kFloat: return EncodeRegisterClass(context, opcode::kFloat, operation, true);
    case C::kImmediate: return EncodeImmediateClass(context, operation);
    case C::kJump: return EncodeJump(context, operation);
    case C::kLoadAddress: return EncodeLoadAddress(context);
    case C::kProcessorState: return EncodeTwoRegisters(context, opcode::kPs, true);
    case C::kSpawn: return EncodeTwoRegisters(context, opcode::kSpawn, false);
    case C::kSpawni: return EncodeSpawni(context);
    case C::kHalt: context.out.ShortInstruction(EncodeHead(opcode::kHalt, 0)); break;
    case C::kFork: context.out.ShortInstruction(EncodeHead(opcode::kFork, 0)); break;
    case C::kJoin: context.out.ShortInstruction(EncodeHead(opcode::kJoin, 0)); break;
    case C::kPrint: context.out.ShortInstruction(EncodeHead(operation, 0)); break;
    // nop is the all-zero word, so that it takes an index in the back end too.
    case C::kNop: context.out.Instruction(0, 0); break;
    default: break;  // directive classes never reach here
  }
  return Status::kSuccess;
}

}  // namespace kiv::assembly
