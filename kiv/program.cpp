#include "kiv/program.h"

#include <algorithm>

#include "common/instruction_word.h"

namespace kiv::tool {
namespace {

constexpr uint32_t kBundleBytes = 16;
constexpr int kMaxRounds = 16;  // each round only widens the data section

bool EndsBundle(uint32_t op) {
  return op == opcode::kJal || op == opcode::kSpawn || op == opcode::kFork || op == opcode::kHalt;
}

uint32_t OpcodeOf(const Instruction& instruction) { return instruction.row->opcode; }

// Decodes the unit as a bundle; false when it cannot be one the back end
// writes: a slot that decodes to nothing, a join or spawni among slots, an
// instruction that ends its bundle with more after it.
bool DecodeAsBundle(Unit raw, ProgramUnit& unit) {
  unit.bundle = DecodeBundle(raw);
  switch (unit.bundle.kind) {
    case BundleKind::kMalformed:
      return false;
    case BundleKind::kJoin:
      unit.slots[0] = DecodeWord(unit.bundle.words[0]);
      return true;
    case BundleKind::kSpawni:
      unit.slots[0] = SpawniInstruction(unit.bundle.spawni_first, unit.bundle.spawni_second);
      return true;
    case BundleKind::kSlots:
      break;
  }
  for (int slot = 0; slot < unit.bundle.count; ++slot) {
    unit.slots[slot] = DecodeWord(unit.bundle.words[slot]);
    if (!unit.slots[slot]) return false;
    const uint32_t op = OpcodeOf(*unit.slots[slot]);
    if (op == opcode::kJoin) return false;
    if (EndsBundle(op) && slot + 1 < unit.bundle.count) return false;
  }
  return true;
}

bool IsPrintable(unsigned char c) { return (c >= 0x20 && c < 0x7f && c != '"') || c == 0x11; }

bool LooksLikeData(Unit unit) {
  if (FirstWord(PairOf(unit, 0)) == 0 && FirstWord(PairOf(unit, 1)) == 0) return true;
  for (int i = 0; i < 16; ++i) {
    if (!IsPrintable(static_cast<unsigned char>(unit >> (8 * i)))) return false;
  }
  return true;
}

class Classifier {
 public:
  explicit Classifier(const Image& image) : image_(image), program_() {
    const size_t n = image.units.size();
    program_.units.resize(n);
    valid_.resize(n);
    for (size_t k = 0; k < n; ++k) {
      program_.units[k].raw = image.units[k];
      valid_[k] = DecodeAsBundle(image.units[k], program_.units[k]);
    }
  }

  Program Run() {
    const size_t n = image_.units.size();
    begin_ = end_ = n;
    has_section_ = image_.trailing_pair.has_value();
    if (!image_.kinds.empty() && image_.kinds[0] != UnitKind::kUnknown) {
      FromListing();
    } else {
      for (size_t k = 0; k < n; ++k) {
        if (!valid_[k]) Cover(k, k + 1);
      }
      for (int round = 0; round < kMaxRounds && Widen(); ++round) {
      }
      if (has_section_) TakeDataLookingNeighbours();
    }
    if (image_.trailing_pair) end_ = n;
    return Finish();
  }

 private:
  void Cover(size_t from, size_t to) {
    if (!has_section_) {
      begin_ = from;
      end_ = to;
      has_section_ = true;
      return;
    }
    begin_ = std::min(begin_, from);
    end_ = std::max(end_, to);
  }

  void FromListing() {
    for (size_t k = 0; k < image_.kinds.size(); ++k) {
      if (image_.kinds[k] == UnitKind::kData) Cover(k, k + 1);
    }
  }

  bool IsText(size_t k) const { return !has_section_ || k < begin_ || k >= end_; }

  // Units named by jumps and branches of the units now taken as bundles.
  std::vector<uint8_t> Targets() const {
    std::vector<uint8_t> targeted(image_.units.size());
    for (size_t k = 0; k < image_.units.size(); ++k) {
      if (!IsText(k)) continue;
      for (const auto& slot : program_.units[k].slots) {
        if (!slot) continue;
        const auto target = TransferTarget(*slot, k);
        if (target && *target >= 0 && static_cast<size_t>(*target) < targeted.size()) {
          targeted[static_cast<size_t>(*target)] = 1;
        }
      }
    }
    return targeted;
  }

  bool Closed(size_t k, const std::vector<uint8_t>& targeted) const {
    const ProgramUnit& unit = program_.units[k];
    const size_t next = k + 1;
    if (unit.bundle.kind != BundleKind::kSlots || unit.bundle.count == 3) return true;
    if (next == image_.units.size() || targeted[next]) return true;
    if (has_section_ && next == begin_) return true;
    if (EndsBundle(OpcodeOf(*unit.slots[unit.bundle.count - 1]))) return true;
    const BundleKind following = program_.units[next].bundle.kind;
    return valid_[next] && IsText(next) &&
           (following == BundleKind::kJoin || following == BundleKind::kSpawni);
  }

  // One round: a partial bundle with no boundary after it moves the data
  // section's start just behind it, or its end past it. True on a change.
  bool Widen() {
    const std::vector<uint8_t> targeted = Targets();
    const size_t n = image_.units.size();
    const size_t old_begin = begin_, old_end = end_;
    const bool old_section = has_section_;
    for (size_t k = 0; k < n; ++k) {
      if (!IsText(k) || Closed(k, targeted)) continue;
      if (!has_section_) {
        Cover(k + 1, k + 1);  // an empty data section closes the bundle
      } else if (k < begin_) {
        begin_ = k + 1;
      } else {
        end_ = k + 1;
      }
    }
    return begin_ != old_begin || end_ != old_end || has_section_ != old_section;
  }

  // Data lines can look like bundles: two small words read as a bundle of
  // nops. Units next to the data section that look like data (two word
  // pairs, or sixteen printable string bytes) and that no jump or branch
  // names join it, as long as every partial bundle stays closed; the bytes
  // come out the same either way, only the reading is plainer.
  void TakeDataLookingNeighbours() {
    const std::vector<uint8_t> targeted = Targets();
    const size_t old_begin = begin_, old_end = end_;
    while (begin_ > 0 && !targeted[begin_ - 1] && LooksLikeData(image_.units[begin_ - 1])) {
      --begin_;
    }
    while (end_ < image_.units.size() && !targeted[end_] && LooksLikeData(image_.units[end_])) {
      ++end_;
    }
    const std::vector<uint8_t> still_targeted = Targets();
    for (size_t k = 0; k < image_.units.size(); ++k) {
      if (IsText(k) && !Closed(k, still_targeted)) {
        begin_ = old_begin;
        end_ = old_end;
        return;
      }
    }
  }

  Program Finish() {
    Program& program = program_;
    program.has_data_section = has_section_;
    program.data_begin = has_section_ ? begin_ : image_.units.size();
    program.data_end = has_section_ ? end_ : image_.units.size();
    program.trailing_pair = image_.trailing_pair;
    uint32_t index = 0;
    for (size_t k = 0; k < program.units.size(); ++k) {
      ProgramUnit& unit = program.units[k];
      unit.first_index = index;
      unit.is_data = !IsText(k);
      if (unit.is_data) unit.slots = {};
      index += unit.is_data ? 3 : InstructionCount(unit);
    }
    if (image_.trailing_pair) ++index;
    program.index_count = index;
    return std::move(program_);
  }

  const Image& image_;
  Program program_;
  std::vector<uint8_t> valid_;
  bool has_section_ = false;
  size_t begin_ = 0;
  size_t end_ = 0;
};

void MarkTargets(Program& program) {
  const size_t n = program.units.size();
  for (size_t k = 0; k < n; ++k) {
    for (const auto& slot : program.units[k].slots) {
      if (!slot) continue;
      if (const auto target = TransferTarget(*slot, k);
          target && *target >= 0 && static_cast<size_t>(*target) < n) {
        program.units[static_cast<size_t>(*target)].targeted = true;
      }
      if (const auto target = AddressTarget(*slot, n)) program.units[*target].la_target = true;
    }
  }
}

// Past the program, bundles start where the slot positions left off; a
// bundle left partly filled at the very end only counts when something
// closed it.
uint32_t PaddingBeyond(const Program& program) {
  if (program.units.empty()) return 0;
  const ProgramUnit& last = program.units.back();
  auto slot_end = static_cast<uint32_t>(3 * program.units.size());
  if (!last.is_data && last.bundle.kind == BundleKind::kSlots && last.bundle.count < 3 &&
      !EndsBundle(OpcodeOf(*last.slots[last.bundle.count - 1]))) {
    slot_end -= static_cast<uint32_t>(3 - last.bundle.count);
  }
  return slot_end - program.index_count;
}

}  // namespace

int InstructionCount(const ProgramUnit& unit) {
  if (unit.is_data) return 0;
  return unit.bundle.kind == BundleKind::kSlots ? unit.bundle.count : 1;
}

std::optional<int64_t> TransferTarget(const Instruction& instruction, size_t from) {
  const uint32_t op = instruction.row->opcode;
  const uint32_t value = instruction.operands.immediate;
  if (instruction.row->form == assembly::OperandForm::kTarget) {
    if (value % kBundleBytes != 0) return std::nullopt;
    return value / kBundleBytes;
  }
  if (IsBranchOpcode(op)) return static_cast<int64_t>(from) + SignedImmediate(value);
  return std::nullopt;
}

std::optional<size_t> AddressTarget(const Instruction& instruction, size_t unit_count) {
  if (instruction.row->form != assembly::OperandForm::kRsTarget) return std::nullopt;
  const uint32_t field = instruction.operands.immediate;
  if (field % kBundleBytes != 0 || field / kBundleBytes >= unit_count) return std::nullopt;
  return field / kBundleBytes;
}

Program ReadProgram(const Image& image) {
  Program program = Classifier(image).Run();
  MarkTargets(program);
  program.padding_beyond = PaddingBeyond(program);
  return program;
}

}  // namespace kiv::tool
