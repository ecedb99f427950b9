// Label operands in the statement walk. The label table is far larger than
// the caches in a big program and its look-ups go to random places: each
// slot is fetched when the operand is read and looked up a dozen or so label
// operands later, when it has arrived.
#include <algorithm>
#include <iterator>
#include <span>
#include <string>
#include <utility>

#include "common/instruction_word.h"
#include "kiv/checker_operands.h"
#include "kiv/statement_walker.h"

namespace kiv::tool {
namespace {

constexpr uint32_t kLastRelocatedIndex = 1535;  // the back end relocates la targets up to here
constexpr uint32_t kTargetMask26 = (uint32_t{1} << 26) - 1;

}  // namespace

void StatementWalker::DeferLabelUse(const LabelUse& use) {
  if (!labels_final_) {
    if (!options_.labels_ready->load(std::memory_order_acquire)) {
      waiting_uses_.PushBack(use);
      return;
    }
    TakeWaitingLabelUses();
  }
  pending_uses_.Add(PendingUse{use, labels_.PrepareFind(use.operand)},
                    [this](const PendingUse& pending) { ResolveLabelUse(pending); });
}

void StatementWalker::ResolveLabelUse(const PendingUse& pending) {
  // What it finds lies on the use's line, up to its operand's end, not
  // where the walk stands now.
  const size_t line = std::exchange(line_, pending.use.line);
  const size_t line_start = std::exchange(line_start_, pending.use.line_start);
  const size_t pos = std::exchange(pos_, Offset(pending.use.operand) + pending.use.operand.size());
  uint32_t value = 0;
  if (LabelValue(pending, value)) CheckTarget(pending.use, value, true);
  line_ = line;
  line_start_ = line_start;
  pos_ = pos;
}

void StatementWalker::TakeWaitingLabelUses() {
  labels_final_ = true;
  // Their names were read long before, and are hashed now: each is fetched
  // a few uses ahead of its hashing.
  constexpr size_t kNamesAhead = 16;
  const std::span<const LabelUse> uses = waiting_uses_.span();
  for (size_t i = 0; i < uses.size(); ++i) {
    if (i + kNamesAhead < uses.size()) __builtin_prefetch(uses[i + kNamesAhead].operand.data());
    pending_uses_.Add(PendingUse{uses[i], labels_.PrepareFind(uses[i].operand)},
                      [this](const PendingUse& pending) { ResolveLabelUse(pending); });
  }
  waiting_uses_.Release();
}

void StatementWalker::ResolveLabelUses() {
  if (!labels_final_) {
    options_.labels_ready->wait(false, std::memory_order_acquire);
    TakeWaitingLabelUses();
  }
  pending_uses_.Drain([this](const PendingUse& pending) { ResolveLabelUse(pending); });
}

void StatementWalker::MergeTransfers() {
  LargeArray<TransferFact>& transfers = facts_.transfers;
  // Most programs name their targets by label: nothing to merge then.
  if (transfers.empty()) {
    std::swap(transfers, label_transfers_);
  } else if (!label_transfers_.empty()) {
    LargeArray<TransferFact> merged;
    merged.AssignZeros(transfers.size() + label_transfers_.size());
    std::merge(transfers.begin(), transfers.end(), label_transfers_.begin(), label_transfers_.end(),
               merged.begin(), [](const TransferFact& a, const TransferFact& b) {
                 return a.operand_offset < b.operand_offset;
               });
    std::swap(transfers, merged);
  }
  label_transfers_.Release();
}

// An la beyond what the back end relocates, and every jump and branch for
// the checks of the whole layout.
void StatementWalker::CheckTarget(const LabelUse& use, uint32_t value, bool via_label) {
  const uint32_t op = use.row->opcode;
  const size_t offset = Offset(use.operand);
  if (op == opcode::kLa && (value & kTargetMask26) > kLastRelocatedIndex) {
    report_.Warning(offset, use.operand.size(),
                    "'la' target index " + std::to_string(value & kTargetMask26) +
                        " is beyond 1535: the back end leaves it unrelocated, an instruction "
                        "index where a byte address is meant");
  }
  if (IsBranchOpcode(op) || IsJumpOpcode(op)) {
    const TransferFact transfer{
        offset, static_cast<uint32_t>(use.operand.size()), use.index, value, op, via_label};
    (via_label ? label_transfers_ : facts_.transfers).PushBack(transfer);
    if (IsBranchOpcode(op) && !NearInInstructions(transfer)) facts_.far_branch = true;
  }
}

// A label operand: its label-pass value; for a branch that value is also the
// target, and its distance must fit the 18-bit field.
bool StatementWalker::LabelValue(const PendingUse& pending, uint32_t& value) {
  const LabelUse& use = pending.use;
  const std::string_view operand = use.operand;
  int32_t label_index = 0;
  const bool minus = operand.front() == '-' || operand.front() == '+';
  if (labels_.FindLabel(pending.query, label_index) != assembly::Status::kSuccess) {
    std::string message = "undefined label " + Quoted(operand);
    std::string lower(operand);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (lower != operand && labels_.FindLabel(lower, label_index) == assembly::Status::kSuccess) {
      message += ": labels are case-sensitive, and " + Quoted(lower) + " is defined";
    }
    if (minus) {
      message += ": an operand that does not begin with a digit names a label, so " +
                 Quoted(operand) + " is not a number; " + SignAdvice(operand);
    }
    report_.Error(Offset(operand), operand.size(), std::move(message));
    return false;
  }
  if (minus) {
    report_.Warning(Offset(operand), operand.size(),
                    Quoted(operand) + " names the label " + Quoted(operand) +
                        ", not a number; to mean the number, " + SignAdvice(operand));
  }
  value = static_cast<uint32_t>(label_index);
  const uint32_t op = use.row->opcode;
  if (IsBranchOpcode(op)) {
    const int64_t distance = int64_t{label_index} - int64_t{use.index} - 1;
    if (distance < -(int64_t{1} << 17) || distance >= (int64_t{1} << 17)) {
      report_.Warning(Offset(operand), operand.size(),
                      "branch distance " + std::to_string(distance) +
                          " instructions does not fit its 18-bit field: the branch lands "
                          "elsewhere");
    }
  } else if (op == opcode::kLa) {
    if (value > kTargetMask26) {
      report_.Warning(Offset(operand), operand.size(),
                      "label " + Quoted(operand) + " (index " + std::to_string(value) +
                          ") does not fit the 26-bit 'la' target field");
    }
  } else if (!IsJumpOpcode(op) && !FitsImmediateField(label_index, IsLogicalImmediate(op))) {
    report_.Warning(Offset(operand), operand.size(),
                    "label " + Quoted(operand) + " (index " + std::to_string(value) +
                        ") does not fit the 18-bit immediate field: it reads as " +
                        std::to_string(IsLogicalImmediate(op) ? int64_t{value & kImmediateMask}
                                                              : int64_t{SignedImmediate(value)}));
  }
  return true;
}

}  // namespace kiv::tool
