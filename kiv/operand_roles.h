// The operand tokens each operand form reads, in source order, with the
// name a message gives each one.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "assembly/mnemonic_table.h"

namespace kiv::tool {

enum class OperandRole : unsigned char { kRegister, kRegisterNumber, kValue, kInteger };

struct OperandSlot {
  OperandRole role;
  std::string_view name;  // rd, rs, rt, immediate, offset, target, integer
};

struct OperandRoles {
  size_t count = 0;
  std::array<OperandSlot, 3> slots{};
};

constexpr OperandRoles MakeRoles(assembly::OperandForm form) {
  using F = assembly::OperandForm;
  constexpr OperandSlot rd{OperandRole::kRegister, "rd"};
  constexpr OperandSlot rs{OperandRole::kRegister, "rs"};
  constexpr OperandSlot rt{OperandRole::kRegister, "rt"};
  constexpr OperandSlot immediate{OperandRole::kValue, "immediate"};
  constexpr OperandSlot offset{OperandRole::kValue, "offset"};
  constexpr OperandSlot target{OperandRole::kValue, "target"};
  constexpr OperandSlot integer{OperandRole::kInteger, "integer"};
  switch (form) {
    case F::kRdRsRt:
      return {3, {rd, rs, rt}};
    case F::kRs:
      return {1, {rs}};
    case F::kRsRd:
      return {2, {rs, rd}};
    case F::kRtRsImmediate:
      return {3, {rt, rs, immediate}};
    case F::kRtImmediateRs:
      return {3, {rt, offset, rs}};
    case F::kRtRs:
      return {2, {rt, rs}};
    case F::kRtImmediate:
      return {2, {rt, immediate}};
    case F::kImmediate:
      return {1, {offset}};
    case F::kTarget:
      return {1, {target}};
    case F::kRsTarget:  // la reads its register through the number parser only
      return {2, {OperandSlot{OperandRole::kRegisterNumber, "rs"}, target}};
    case F::kRsRt:
      return {2, {rs, rt}};
    case F::kTwoIntegers:
      return {2, {integer, integer}};
    case F::kNone:
      break;
  }
  return {};
}

// One entry per operand form, in the order of the enumeration.
inline constexpr auto kRolesByForm = [] {
  std::array<OperandRoles, static_cast<size_t>(assembly::OperandForm::kTwoIntegers) + 1> table{};
  for (size_t form = 0; form < table.size(); ++form) {
    table[form] = MakeRoles(static_cast<assembly::OperandForm>(form));
  }
  return table;
}();

constexpr const OperandRoles& RolesOf(assembly::OperandForm form) {
  return kRolesByForm[static_cast<size_t>(form)];
}

inline size_t OperandCount(const assembly::Mnemonic& row) { return RolesOf(row.form).count; }

}  // namespace kiv::tool
