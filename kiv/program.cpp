#include "kiv/program.h"

#include <algorithm>
#include <optional>

#include "common/instruction_word.h"
#include "kiv/data_layout.h"

namespace kiv::tool {
namespace {

constexpr uint32_t kBundleBytes = 16;

constexpr int kMaxStringExtensions = 4;

bool EndsBundle(uint32_t op) {
  return op == opcode::kJal || op == opcode::kSpawn || op == opcode::kFork || op == opcode::kHalt;
}

uint32_t OpcodeOf(const Instruction& instruction) { return instruction.row->opcode; }

// False when the unit cannot be a bundle the back end
// writes: a slot that decodes to nothing, a join or spawni among slots, an
// instruction that ends its bundle with more after it.
bool IsWellFormedBundle(const ProgramUnit& unit) {
  if (unit.bundle.kind == BundleKind::kMalformed) return false;
  if (unit.bundle.kind != BundleKind::kSlots) return true;
  for (int slot = 0; slot < unit.bundle.count; ++slot) {
    const auto instruction = InstructionAt(unit, slot);
    if (!instruction) return false;
    const uint32_t op = OpcodeOf(*instruction);
    if (op == opcode::kJoin) return false;
    if (EndsBundle(op) && slot + 1 < unit.bundle.count) return false;
  }
  return true;
}

// Only jumps, branches and la name a unit; most words need no decoding to
// see that they are none of them.
bool MayNameUnit(const ProgramUnit& unit, int slot) {
  if (unit.bundle.kind != BundleKind::kSlots) return false;
  const auto op = static_cast<uint32_t>(unit.bundle.words[slot] >> 34) & 0xffu;
  return op == opcode::kJ || op == opcode::kJal || op == opcode::kLa || IsBranchOpcode(op);
}

// Whether the unit's last instruction makes the next one begin a bundle.
bool LastEndsBundle(const ProgramUnit& unit) {
  const auto last = InstructionAt(unit, InstructionCount(unit) - 1);
  return last && EndsBundle(OpcodeOf(*last));
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
  explicit Classifier(const Image& image) : image_(image) {
    const size_t n = image.units.size();
    program_.units.resize(n);
    valid_.resize(n);
    data_.resize(n);
    for (size_t k = 0; k < n; ++k) {
      program_.units[k].raw = image.units[k];
      program_.units[k].bundle = DecodeBundle(image.units[k]);
    }
  }

  Program Run() {
    const size_t n = image_.units.size();
    const bool from_listing = !image_.kinds.empty() && image_.kinds[0] != UnitKind::kUnknown;
    for (size_t k = 0; k < n; ++k) {
      // A listing says what each line is; only an image needs every word tried.
      valid_[k] = from_listing ? image_.kinds[k] == UnitKind::kBundle
                               : IsWellFormedBundle(program_.units[k]);
      data_[k] = !valid_[k];
    }
    if (image_.trailing_pair) RunToEnd();
    if (!from_listing) {
      TakeDataLookingNeighbours();
      CompleteStrings();
      StartStringsWhole();
    }
    return Finish();
  }

 private:
  // The section left open at the end runs from its first line to the end.
  void RunToEnd() {
    size_t k = data_.size();
    while (k > 0 && !valid_[k - 1]) --k;
    while (k > 0 && data_[k - 1]) --k;
    for (; k < data_.size(); ++k) data_[k] = true;
  }

  // Units named by jumps and branches of the units now taken as bundles.
  std::vector<uint8_t> Targets() const {
    std::vector<uint8_t> targeted(data_.size());
    for (size_t k = 0; k < data_.size(); ++k) {
      if (data_[k]) continue;
      for (int slot = 0; slot < InstructionCount(program_.units[k]); ++slot) {
        if (!MayNameUnit(program_.units[k], slot)) continue;
        const auto instruction = InstructionAt(program_.units[k], slot);
        if (!instruction) continue;
        const auto target = TransferTarget(*instruction, k);
        if (target && *target >= 0 && static_cast<size_t>(*target) < targeted.size()) {
          targeted[static_cast<size_t>(*target)] = 1;
        }
      }
    }
    return targeted;
  }

  // A bundle unit followed by a boundary, or full, or alone by its kind.
  bool Closed(size_t k, const std::vector<uint8_t>& targeted) const {
    const ProgramUnit& unit = program_.units[k];
    const size_t next = k + 1;
    if (unit.bundle.kind != BundleKind::kSlots || unit.bundle.count == 3) return true;
    if (next == data_.size() || targeted[next] || data_[next]) return true;
    if (LastEndsBundle(unit)) return true;
    const BundleKind following = program_.units[next].bundle.kind;
    return following == BundleKind::kJoin || following == BundleKind::kSpawni;
  }

  // Data lines can look like bundles: two small words read as a bundle of
  // nops. The bytes come out the same either way; only the reading is
  // plainer when such units join the section beside them. A partial bundle
  // this leaves without a boundary after it gets an empty section there.
  void TakeDataLookingNeighbours() {
    const std::vector<uint8_t> targeted = Targets();
    const std::vector<uint8_t> before = data_;
    const size_t n = data_.size();
    for (size_t k = 0; k < n; ++k) {
      if (!before[k]) continue;
      for (size_t j = k; j > 0 && !data_[j - 1] && Joins(j - 1, targeted); --j) data_[j - 1] = true;
      for (size_t j = k + 1; j < n && !before[j] && Joins(j, targeted); ++j) data_[j] = true;
    }
  }

  // A string is written 16 bytes at a time, so a section whose last pair
  // starts a string chunk goes on into the next unit, whatever that unit
  // looks like (a string's end beside a zero word reads as a spawni bundle).
  void CompleteStrings() {
    const std::vector<uint8_t> targeted = Targets();
    const size_t n = data_.size();
    for (size_t end = 1; end < n; ++end) {
      if (!data_[end - 1] || data_[end] || targeted[end]) continue;
      size_t begin = end - 1;
      while (begin > 0 && data_[begin - 1]) --begin;
      for (int more = 0; more < kMaxStringExtensions && end < n && !targeted[end]; ++more) {
        if (!EndsMidString(begin, end)) break;
        data_[end++] = true;
      }
    }
  }

  // A section read from a unit that goes on with a string begun in a unit
  // before it (beside a word there that lets that unit pass for a bundle)
  // cuts the string's 16-byte chunks out of step: its filler then lands
  // beside other data, and bytes no string can carry come out as '?', so the
  // reading would not give the image back. Such a section starts a unit or
  // a few earlier, where it reads with nothing to warn of, when no jump or
  // branch names the units it takes. What a section warns of from its true
  // start (four ff bytes in a string, say) no earlier start takes away, so
  // such a section stays as it is.
  void StartStringsWhole() {
    std::optional<std::vector<uint8_t>> targeted;  // found only when needed: it seldom is
    const size_t n = data_.size();
    for (size_t begin = 1; begin < n; ++begin) {
      if (!data_[begin] || data_[begin - 1]) continue;
      size_t end = begin;
      while (end < n && data_[end]) ++end;
      // Only a section that opens with string bytes can have been cut.
      if (FirstWord(PairOf(image_.units[begin], 0)) == 0 || ReadsClean(begin, end)) continue;
      if (!targeted) targeted = Targets();
      for (size_t start = begin; start > 0 && begin - start < kMaxStringExtensions;) {
        if ((*targeted)[--start] || data_[start]) break;
        // Read whole: the unit may join the section before it.
        size_t from = start;
        while (from > 0 && data_[from - 1]) --from;
        if (!ReadsClean(from, end)) continue;
        for (size_t k = start; k < begin; ++k) data_[k] = true;
        break;
      }
    }
  }

  std::vector<DataItem> Items(size_t begin, size_t end) const {
    std::vector<DataPair> pairs;
    for (size_t k = begin; k < end; ++k) {
      pairs.push_back(PairOf(image_.units[k], 0));
      pairs.push_back(PairOf(image_.units[k], 1));
    }
    return LayOutData(pairs, {});
  }

  bool ReadsClean(size_t begin, size_t end) const {
    const std::vector<DataItem> items = Items(begin, end);
    return std::all_of(items.begin(), items.end(),
                       [](const DataItem& item) { return item.warning.empty(); });
  }

  bool EndsMidString(size_t begin, size_t end) const {
    const std::vector<DataItem> items = Items(begin, end);
    return !items.empty() && items.back().kind == DataItemKind::kAscii &&
           items.back().pair_count == 1;
  }

  bool Joins(size_t k, const std::vector<uint8_t>& targeted) const {
    return !targeted[k] && LooksLikeData(image_.units[k]);
  }

  Program Finish() {
    const std::vector<uint8_t> targeted = Targets();
    const size_t n = data_.size();
    uint32_t index = 0;
    for (size_t k = 0; k < n; ++k) {
      ProgramUnit& unit = program_.units[k];
      unit.first_index = index;
      unit.is_data = data_[k];
      if (unit.is_data) {
        if (k == 0 || !data_[k - 1]) program_.sections.push_back({k, k});
        program_.sections.back().end = k + 1;
      } else if (!Closed(k, targeted)) {
        program_.sections.push_back({k + 1, k + 1});
      }
      index += unit.is_data ? 3 : InstructionCount(unit);
    }
    if (image_.trailing_pair) {
      if (program_.sections.empty() || program_.sections.back().end != n) {
        program_.sections.push_back({n, n});
      }
      ++index;
    }
    program_.trailing_pair = image_.trailing_pair;
    program_.index_count = index;
    return std::move(program_);
  }

  const Image& image_;
  Program program_;
  std::vector<uint8_t> valid_;
  std::vector<uint8_t> data_;
};

void MarkTargets(Program& program) {
  const size_t n = program.units.size();
  for (size_t k = 0; k < n; ++k) {
    if (program.units[k].is_data) continue;
    for (int slot = 0; slot < InstructionCount(program.units[k]); ++slot) {
      if (!MayNameUnit(program.units[k], slot)) continue;
      const auto instruction = InstructionAt(program.units[k], slot);
      if (!instruction) continue;
      if (const auto target = TransferTarget(*instruction, k);
          target && *target >= 0 && static_cast<size_t>(*target) < n) {
        program.units[static_cast<size_t>(*target)].targeted = true;
      }
      if (const auto target = AddressTarget(*instruction, n)) {
        program.units[*target].la_target = true;
      }
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
      !LastEndsBundle(last)) {
    slot_end -= static_cast<uint32_t>(3 - last.bundle.count);
  }
  return slot_end - program.index_count;
}

}  // namespace

std::optional<Instruction> InstructionAt(const ProgramUnit& unit, int slot) {
  if (unit.is_data || slot < 0 || slot >= InstructionCount(unit)) return std::nullopt;
  switch (unit.bundle.kind) {
    case BundleKind::kSpawni:
      return SpawniInstruction(unit.bundle.spawni_first, unit.bundle.spawni_second);
    case BundleKind::kMalformed:
      return std::nullopt;
    default:
      return DecodeWord(unit.bundle.words[slot]);
  }
}

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
