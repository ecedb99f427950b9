#include "bench/source_generator.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstddef>
#include <numeric>
#include <utility>

namespace kiv::bench {
namespace {

// ---------------------------------------------------------------------------
// Random numbers. The main stream draws the instructions in order; whatever a
// forward reference must know in advance (which positions carry a label, what
// a data section holds, the target blocks of the boundary-heavy profile) is a
// hash of the seed and the position, so it can be asked at any time.

constexpr uint64_t SplitMix(uint64_t x) {
  x += 0x9e3779b97f4a7c15ull;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

constexpr uint64_t kSaltStream = 1;
constexpr uint64_t kSaltLabel = 2;
constexpr uint64_t kSaltLabelName = 3;
constexpr uint64_t kSaltSection = 4;
constexpr uint64_t kSaltBlock = 5;

constexpr uint64_t Hash(uint64_t seed, uint64_t salt, uint64_t value) {
  return SplitMix(SplitMix(seed ^ SplitMix(salt)) ^ value);
}

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    state_ += 0x9e3779b97f4a7c15ull;
    return SplitMix(state_);
  }
  // Uniform enough for the small ranges drawn here.
  uint64_t Below(uint64_t n) { return Next() % n; }
  int64_t Range(int64_t lo, int64_t hi) {
    return lo + static_cast<int64_t>(Below(static_cast<uint64_t>(hi - lo + 1)));
  }
  bool Chance(uint32_t permille) { return Below(1000) < permille; }

 private:
  uint64_t state_;
};

// ---------------------------------------------------------------------------
// The instruction set as the generator sees it: every mnemonic of the tool
// chain, the MIPS32 instruction it becomes for GNU as, and its weight in each
// of the three mixes.

enum class Form : uint8_t {
  kThreeRegisters,        // add rd, rs, rt
  kMultiply,              // mult rd, rs, rt      -> mult rs, rt
  kDivide,                // div rd, rs, rt       -> div $0, rs, rt
  kShift,                 // sll rd, rs, rt       -> sllv rd, rs, rt
  kFloatThree,            // add.s fd, fs, ft
  kFloatCompare,          // c.lt.s fd, fs, ft    -> c.lt.s fs, ft
  kImmediateSigned,       // addi rt, rs, imm (negative allowed)
  kImmediateUnsigned,     // andi rt, rs, imm
  kSubtractImmediate,     // subi rt, rs, imm     -> addiu rt, rs, -imm
  kLoadUpper,             // lui rt, rs, imm      -> lui rt, imm
  kMemory,                // lw rt, off(base)
  kFloatMemory,           // lwc1 ft, off(base)
  kBranch,                // beq rs, rt, label
  kFlagBranch,            // bclt label           -> bc1t label
  kJump,                  // j label
  kCall,                  // jal label
  kJumpRegister,          // jr rs
  kJumpRegisterLink,      // jalr rs, rd          -> jalr rd, rs
  kLoadAddress,           // la r, label          -> addiu r, $0, %lo(label)
  kLoadImmediate,         // li rt, imm
  kMove,                  // move rt, rs
  kNop,                   // nop
  kSpawn,                 // spawn rs, rt         -> or rs, rs, rt
  kSpawni,                // spawni a, b          -> ori $2, $0, a
  kJoin,                  // join                 -> and $3, $3, $3
  kFork,                  // fork                 -> or $3, $3, $0
  kProcessorState,        // ps rt, rs            -> addu rt, rs, $0
  kProcessorStateMemory,  // psm rt, off(rs)      -> addiu rt, rs, off
  kHalt,                  // halt                 -> xor $2, $2, $2
  kPrint,                 // prn                  -> addu $4, $4, $0
};

struct OpInfo {
  std::string_view kiv;
  std::string_view gnu;
  Form form;
  uint16_t weight_typical;   // typical, label-heavy, data-heavy
  uint16_t weight_boundary;  // boundary-heavy: mostly branches and jumps
  uint16_t weight_lean;      // lean: integer core, about 10 % branches and 10 % jumps
};

enum class Mix : uint8_t { kTypical, kBoundary, kLean };

uint16_t WeightIn(const OpInfo& op, Mix mix) {
  switch (mix) {
    case Mix::kBoundary:
      return op.weight_boundary;
    case Mix::kLean:
      return op.weight_lean;
    case Mix::kTypical:
      break;
  }
  return op.weight_typical;
}

using F = Form;
constexpr std::array<OpInfo, 57> kOps{{
    {"add", "add", F::kThreeRegisters, 30, 10, 60},
    {"addu", "addu", F::kThreeRegisters, 30, 10, 40},
    {"and", "and", F::kThreeRegisters, 12, 4, 15},
    {"div", "div", F::kDivide, 4, 2, 0},
    {"divu", "divu", F::kDivide, 2, 1, 0},
    {"mult", "mult", F::kMultiply, 6, 2, 0},
    {"multu", "multu", F::kMultiply, 3, 1, 0},
    {"or", "or", F::kThreeRegisters, 12, 4, 15},
    {"nop", "nop", F::kNop, 15, 5, 0},
    {"sll", "sllv", F::kShift, 10, 3, 15},
    {"srl", "srlv", F::kShift, 8, 3, 10},
    {"slt", "slt", F::kThreeRegisters, 14, 5, 20},
    {"sltu", "sltu", F::kThreeRegisters, 6, 2, 5},
    {"sub", "sub", F::kThreeRegisters, 20, 6, 30},
    {"subu", "subu", F::kThreeRegisters, 10, 3, 10},
    {"addi", "addi", F::kImmediateSigned, 40, 12, 60},
    {"addiu", "addiu", F::kImmediateSigned, 45, 14, 70},
    {"andi", "andi", F::kImmediateUnsigned, 10, 3, 15},
    {"beq", "beq", F::kBranch, 55, 300, 45},
    {"bne", "bne", F::kBranch, 55, 300, 45},
    {"ori", "ori", F::kImmediateUnsigned, 12, 4, 15},
    {"slti", "slti", F::kImmediateSigned, 6, 2, 10},
    {"sltiu", "sltiu", F::kImmediateUnsigned, 4, 1, 5},
    {"la", "addiu", F::kLoadAddress, 20, 6, 10},
    {"lui", "lui", F::kLoadUpper, 8, 3, 10},
    {"lw", "lw", F::kMemory, 80, 25, 150},
    {"subi", "addiu", F::kSubtractImmediate, 10, 3, 0},
    {"sw", "sw", F::kMemory, 60, 18, 110},
    {"j", "j", F::kJump, 20, 80, 40},
    {"jr", "jr", F::kJumpRegister, 25, 8, 15},
    {"jal", "jal", F::kCall, 30, 60, 35},
    {"jalr", "jalr", F::kJumpRegisterLink, 6, 2, 0},
    {"add.s", "add.s", F::kFloatThree, 4, 1, 0},
    {"sub.s", "sub.s", F::kFloatThree, 3, 1, 0},
    {"mul.s", "mul.s", F::kFloatThree, 4, 1, 0},
    {"div.s", "div.s", F::kFloatThree, 2, 1, 0},
    {"add.d", "add.d", F::kFloatThree, 4, 1, 0},
    {"sub.d", "sub.d", F::kFloatThree, 3, 1, 0},
    {"mul.d", "mul.d", F::kFloatThree, 4, 1, 0},
    {"div.d", "div.d", F::kFloatThree, 2, 1, 0},
    {"lwc1", "lwc1", F::kFloatMemory, 8, 2, 0},
    {"swc1", "swc1", F::kFloatMemory, 6, 2, 0},
    {"bclt", "bc1t", F::kFlagBranch, 5, 40, 0},
    {"bclf", "bc1f", F::kFlagBranch, 5, 40, 0},
    {"c.lt.s", "c.lt.s", F::kFloatCompare, 3, 1, 0},
    {"s.lt.d", "c.lt.d", F::kFloatCompare, 2, 1, 0},
    {"halt", "xor", F::kHalt, 3, 2, 0},
    {"spawni", "ori", F::kSpawni, 3, 2, 0},
    {"spawn", "or", F::kSpawn, 5, 2, 0},
    {"join", "and", F::kJoin, 4, 2, 0},
    {"fork", "or", F::kFork, 4, 2, 0},
    {"ps", "addu", F::kProcessorState, 3, 1, 0},
    {"psm", "addiu", F::kProcessorStateMemory, 3, 1, 0},
    {"move", "move", F::kMove, 30, 9, 20},
    {"movei", "li", F::kLoadImmediate, 5, 2, 0},
    {"li", "li", F::kLoadImmediate, 40, 12, 40},
    {"prn", "addu", F::kPrint, 4, 2, 0},
}};

// ---------------------------------------------------------------------------
// Profiles.

enum class Names : uint8_t {
  kShort,  // loop_1234
  kLong,   // compute_partial_sum_1234
  kTiny,   // L1234
};

struct ProfileParams {
  uint32_t label_permille;           // chance that an instruction carries a label
  uint32_t own_line_permille;        // chance that a label stands on its own line
  Names names;                       // how code labels are spelt
  bool label_data_lines;             // a label on every data line too
  bool permuted_targets;             // branch and jump targets cover (almost) every instruction
  Mix mix;                           // which weights draw the instructions
  bool single_section;               // one data section only, early in the program
  bool header_comment;               // a first line that says how the source was made
  bool compact_layout;               // a tab before the mnemonic and one blank after it
  uint64_t data_period;              // a data section before every data_period-th instruction
  int64_t groups_min, groups_max;    // word runs (each with its strings) per section
  int64_t words_min, words_max;      // .word lines per run
  int64_t strings_min, strings_max;  // .ascii lines per run (the first run has one at least)
  int64_t string_min, string_max;    // string lengths
  uint64_t far_max;                  // farthest branch distance in instructions
  uint32_t far_permille;             // chance that a branch goes far
  uint32_t comment_permille;         // chance of a trailing comment
};

ProfileParams ParamsOf(Profile profile) {
  ProfileParams p{};
  p.label_permille = 170;
  p.own_line_permille = 300;
  p.data_period = 2000;
  p.groups_min = p.groups_max = 1;
  p.words_min = 2;
  p.words_max = 8;
  p.strings_min = 1;
  p.strings_max = 2;
  p.string_min = 4;
  p.string_max = 40;
  // MIPS branches reach 32767 instructions; stay well inside.
  p.far_max = 20000;
  p.far_permille = 150;
  p.comment_permille = 80;
  p.header_comment = true;
  switch (profile) {
    case Profile::kTypical:
      break;
    case Profile::kLabelHeavy:
      p.label_permille = 1000;
      p.own_line_permille = 0;
      p.names = Names::kLong;
      p.label_data_lines = true;
      p.comment_permille = 40;
      break;
    case Profile::kBoundaryHeavy:
      p.label_permille = 1000;
      p.own_line_permille = 0;
      p.permuted_targets = true;
      p.mix = Mix::kBoundary;
      p.comment_permille = 40;
      break;
    case Profile::kDataHeavy:
      p.data_period = 24;
      p.groups_min = 1;
      p.groups_max = 3;
      p.words_min = 4;
      p.words_max = 24;
      p.strings_min = 1;
      p.strings_max = 3;
      p.string_min = 8;
      p.string_max = 60;
      // Data takes about three indices per instruction here, and the tool
      // chain's branch offsets count data indices too (18-bit field).
      p.far_max = 4000;
      break;
    case Profile::kLean:
      // What GNU as reads fastest: nothing but statements, one per line.
      p.label_permille = 100;
      p.own_line_permille = 0;
      p.names = Names::kTiny;
      p.mix = Mix::kLean;
      p.single_section = true;
      p.header_comment = false;
      p.compact_layout = true;
      p.comment_permille = 0;
      break;
  }
  return p;
}

constexpr std::array<std::string_view, 8> kShortPrefixes{"loop",  "next", "skip", "done",
                                                         "again", "body", "case", "exit"};
constexpr std::array<std::string_view, 8> kLongPrefixes{
    "compute_partial_sum", "update_thread_state", "check_bounds_again",  "scan_input_buffer",
    "finish_outer_loop",   "copy_row_elements",   "handle_next_request", "merge_sorted_runs"};
constexpr std::array<std::string_view, 8> kComments{
    "# loop counter",    "# next element",  "# save the result", "# advance the pointer",
    "# call the helper", "# restore state", "# check the bound", "# start a worker"};
constexpr std::array<std::string_view, 32> kVocabulary{
    "alpha", "beta",  "thread", "bundle", "result", "value",  "error", "ready",
    "start", "done",  "count",  "sum",    "row",    "column", "table", "Hello",
    "world", "queue", "worker", "index",  "buffer", "ok",     "check", "range",
    "out",   "of",    "input",  "next",   "retry",  "slot",   "data",  "words"};

constexpr size_t kFlushBytes = 1 << 20;
constexpr size_t kBlock = 16;  // target blocks of the boundary-heavy profile

// One instruction as drawn, before it is rendered in either syntax.
struct Statement {
  uint8_t op = 0;
  uint8_t r1 = 0, r2 = 0, r3 = 0;
  int32_t imm = 0, imm2 = 0;
  uint64_t target = 0;        // code position (branches, jumps; la to code)
  bool la_to_data = false;    // la: a data label of section `target`
  bool la_to_string = false;  // la: its first string rather than its table
  int8_t comment = -1;
};

class Generator {
 public:
  Generator(const GeneratorOptions& options, const std::function<void(std::string_view)>& sink)
      : options_(options),
        params_(ParamsOf(options.profile)),
        sink_(sink),
        rng_(Hash(options.seed, kSaltStream, 0)),
        gnu_(options.syntax == Syntax::kGnu) {
    out_.reserve(kFlushBytes + 4096);
    uint32_t total = 0;
    for (size_t i = 0; i < kOps.size(); ++i) {
      total += WeightIn(kOps[i], params_.mix);
      cumulative_[i] = total;
    }
  }

  void Run() {
    PutHeader();
    const uint64_t n = options_.instructions;
    for (uint64_t p = 0; p < n; ++p) {
      if (HasSection(p)) EmitSection(SectionAt(p));
      if (Labeled(p)) EmitCodeLabel(p);
      Render(Draw(p));
      if (out_.size() >= kFlushBytes) Flush();
    }
    Flush();
  }

 private:
  // --- labels and sections, by position --------------------------------------

  bool Labeled(uint64_t p) const {
    return p == 0 || Hash(options_.seed, kSaltLabel, p) % 1000 < params_.label_permille;
  }

  // Where the only section of a single-section profile stands: after the
  // first thousand instructions, so that its labels stay at small indices,
  // or in the middle of a smaller program.
  uint64_t SingleSectionPosition() const {
    return std::min<uint64_t>(options_.instructions / 2, 1000);
  }

  bool HasSection(uint64_t p) const {
    if (params_.single_section) return p > 0 && p == SingleSectionPosition();
    const uint64_t period = params_.data_period;
    return p > 0 && p % period == period / 2;
  }

  uint64_t SectionAt(uint64_t p) const {
    return params_.single_section ? 0 : p / params_.data_period;
  }

  // The first labelled position at or after t, else the last one before it.
  uint64_t LabelNear(uint64_t t) const {
    for (uint64_t q = t; q < options_.instructions; ++q) {
      if (Labeled(q)) return q;
    }
    for (uint64_t q = std::min(t, options_.instructions - 1);; --q) {
      if (Labeled(q)) return q;
    }
  }

  void PutCodeLabelName(uint64_t p) {
    const uint64_t h = Hash(options_.seed, kSaltLabelName, p);
    switch (params_.names) {
      case Names::kShort:
        Put(kShortPrefixes[h % kShortPrefixes.size()]);
        Put("_");
        break;
      case Names::kLong:
        Put(kLongPrefixes[h % kLongPrefixes.size()]);
        Put("_");
        break;
      case Names::kTiny:
        Put("L");
        break;
    }
    PutNumber(p);
  }

  void PutTableName(uint64_t section, int64_t word) {
    Put(params_.names == Names::kLong ? "lookup_table_" : "tbl_");
    PutNumber(section);
    if (word > 0) {
      Put("_");
      PutNumber(static_cast<uint64_t>(word));
    }
  }

  void PutStringName(uint64_t section, int64_t index) {
    Put(params_.names == Names::kLong ? "message_text_" : "msg_");
    PutNumber(section);
    Put("_");
    PutNumber(static_cast<uint64_t>(index));
  }

  // The section that la at position p refers to: the last one before p, else
  // the first one after it; none when the source has no section.
  bool SectionFor(uint64_t p, uint64_t& section) const {
    if (params_.single_section) {
      section = 0;
      return SingleSectionPosition() > 0;
    }
    const uint64_t period = params_.data_period;
    const uint64_t half = period / 2;
    if (p >= half && half > 0) {
      section = (p - (p - half) % period) / period;
      return true;
    }
    if (half < options_.instructions && half > 0) {
      section = 0;
      return true;
    }
    return false;
  }

  // --- drawing ----------------------------------------------------------------

  uint8_t Register() { return static_cast<uint8_t>(rng_.Range(1, 31)); }
  uint8_t FloatRegister() { return static_cast<uint8_t>(2 * rng_.Range(0, 15)); }

  uint64_t BranchTarget(uint64_t p) {
    if (params_.permuted_targets) return PermutedTarget(p);
    const uint64_t n = options_.instructions;
    const bool far = rng_.Chance(params_.far_permille);
    const uint64_t d = static_cast<uint64_t>(
        far ? rng_.Range(64, static_cast<int64_t>(params_.far_max)) : rng_.Range(1, 16));
    const bool backward = rng_.Chance(450);
    const uint64_t t = backward ? (p >= d ? p - d : 0) : std::min(p + d, n - 1);
    return LabelNear(t);
  }

  uint64_t AnyTarget() { return LabelNear(rng_.Below(options_.instructions)); }

  // Boundary-heavy: within each block of 16 positions a permutation maps the
  // branch at position p to its target, so nearly every position that holds
  // a branch makes another position of its block a target.
  uint64_t PermutedTarget(uint64_t p) {
    const uint64_t block = p / kBlock;
    if (block != perm_block_ || !perm_valid_) {
      const uint64_t base = block * kBlock;
      perm_size_ = static_cast<size_t>(std::min<uint64_t>(kBlock, options_.instructions - base));
      std::iota(perm_.begin(), perm_.begin() + static_cast<ptrdiff_t>(perm_size_), uint8_t{0});
      Rng block_rng(Hash(options_.seed, kSaltBlock, block));
      for (size_t i = perm_size_; i > 1; --i) {
        std::swap(perm_[i - 1], perm_[block_rng.Below(i)]);
      }
      perm_block_ = block;
      perm_valid_ = true;
    }
    return block * kBlock + perm_[p - block * kBlock];
  }

  Statement Draw(uint64_t p) {
    Statement s;
    const uint64_t pick = rng_.Below(cumulative_.back());
    s.op = static_cast<uint8_t>(std::upper_bound(cumulative_.begin(), cumulative_.end(), pick) -
                                cumulative_.begin());
    switch (kOps[s.op].form) {
      case F::kThreeRegisters:
      case F::kMultiply:
      case F::kDivide:
      case F::kShift:
        s.r1 = Register();
        s.r2 = Register();
        s.r3 = Register();
        break;
      case F::kFloatThree:
      case F::kFloatCompare:
        s.r1 = FloatRegister();
        s.r2 = FloatRegister();
        s.r3 = FloatRegister();
        break;
      case F::kImmediateSigned:
        s.r1 = Register();
        s.r2 = Register();
        s.imm = static_cast<int32_t>(rng_.Chance(250) ? -rng_.Range(1, 2048) : rng_.Range(0, 2047));
        break;
      case F::kImmediateUnsigned:
      case F::kLoadUpper:
        s.r1 = Register();
        s.r2 = Register();
        s.imm = static_cast<int32_t>(rng_.Range(0, 32767));
        break;
      case F::kSubtractImmediate:
        s.r1 = Register();
        s.r2 = Register();
        s.imm = static_cast<int32_t>(rng_.Range(1, 255));
        break;
      case F::kMemory:
        s.r1 = Register();
        s.r2 = rng_.Chance(400) ? 29 : Register();  // often the stack pointer
        s.imm = static_cast<int32_t>(4 * rng_.Range(-64, 255));
        break;
      case F::kFloatMemory:
        s.r1 = FloatRegister();
        s.r2 = rng_.Chance(400) ? 29 : Register();
        s.imm = static_cast<int32_t>(4 * rng_.Range(0, 255));
        break;
      case F::kBranch:
        s.r1 = Register();
        s.r2 = rng_.Chance(300) ? 0 : Register();
        s.target = BranchTarget(p);
        break;
      case F::kFlagBranch:
        s.target = BranchTarget(p);
        break;
      case F::kJump:
        s.target = (params_.permuted_targets || rng_.Chance(500)) ? BranchTarget(p) : AnyTarget();
        break;
      case F::kCall:
        s.target =
            (params_.permuted_targets && !rng_.Chance(125)) ? PermutedTarget(p) : AnyTarget();
        break;
      case F::kJumpRegister:
        s.r1 = rng_.Chance(800) ? 31 : Register();
        break;
      case F::kJumpRegisterLink:
        s.r1 = static_cast<uint8_t>(rng_.Range(1, 30));  // not the link register itself
        s.r2 = 31;
        break;
      case F::kLoadAddress: {
        s.r1 = Register();
        uint64_t section = 0;
        if (SectionFor(p, section)) {
          s.la_to_data = true;
          s.target = section;
          s.la_to_string = rng_.Chance(400);
        } else {
          s.target = AnyTarget();
        }
        break;
      }
      case F::kLoadImmediate:
        s.r1 = Register();
        s.imm = static_cast<int32_t>(rng_.Range(0, 32767));
        break;
      case F::kMove:
      case F::kSpawn:
      case F::kProcessorState:
        s.r1 = Register();
        s.r2 = Register();
        break;
      case F::kProcessorStateMemory:
        s.r1 = Register();
        s.r2 = Register();
        s.imm = static_cast<int32_t>(4 * rng_.Range(0, 15));
        break;
      case F::kSpawni:
        s.imm = static_cast<int32_t>(rng_.Range(0, 15));
        s.imm2 = static_cast<int32_t>(rng_.Range(1, 16));
        break;
      case F::kNop:
      case F::kJoin:
      case F::kFork:
      case F::kHalt:
      case F::kPrint:
        break;
    }
    if (rng_.Chance(params_.comment_permille)) {
      s.comment = static_cast<int8_t>(rng_.Below(kComments.size()));
    }
    return s;
  }

  // --- rendering ----------------------------------------------------------------

  void PutHeader() {
    if (params_.header_comment) {
      Put("# Generated by generate_source: profile ");
      Put(ProfileName(options_.profile));
      Put(", ");
      PutNumber(options_.instructions);
      Put(" instructions, seed ");
      PutNumber(options_.seed);
      Put(gnu_ ? " (MIPS32 for GNU as).\n" : ".\n");
    }
    if (gnu_) Put("        .set    noreorder\n        .set    noat\n");
    Put("        .text\n");
  }

  void EmitCodeLabel(uint64_t p) {
    const size_t start = out_.size();
    PutCodeLabelName(p);
    Put(":");
    if (rng_.Chance(params_.own_line_permille)) {
      Put("\n");
      label_column_ = 0;
    } else {
      label_column_ = out_.size() - start;
    }
  }

  // Pads to the mnemonic column after whatever label stands on the line; the
  // compact layout puts one tab there instead.
  void Indent() {
    if (params_.compact_layout) {
      Put("\t");
    } else if (label_column_ == 0) {
      Put("        ");
    } else if (label_column_ < 8) {
      out_.append(8 - label_column_, ' ');
    } else {
      Put(" ");
    }
    label_column_ = 0;
  }

  void Mnemonic(std::string_view name) {
    Indent();
    Put(name);
    const bool aligned = !params_.compact_layout && name.size() < 7;
    out_.append(aligned ? 7 - name.size() : 1, ' ');
  }

  void Reg(uint8_t r) {
    if (r == 29 && writing_base_) {
      Put("$sp");
      return;
    }
    Put("$");
    PutNumber(r);
  }
  void FloatReg(uint8_t r) {
    Put(gnu_ ? "$f" : "$");
    PutNumber(r);
  }
  // Negative numbers: -5 for GNU as, 5- for the tool chain.
  void Signed(int64_t v) {
    if (v < 0 && gnu_) Put("-");
    PutNumber(static_cast<uint64_t>(v < 0 ? -v : v));
    if (v < 0 && !gnu_) Put("-");
  }
  void Sep() { Put(", "); }
  void Regs(uint8_t a, uint8_t b) {
    Reg(a);
    Sep();
    Reg(b);
  }
  void Regs(uint8_t a, uint8_t b, uint8_t c) {
    Regs(a, b);
    Sep();
    Reg(c);
  }
  void FloatRegs(uint8_t a, uint8_t b) {
    FloatReg(a);
    Sep();
    FloatReg(b);
  }
  // offset(base); a base of 29 is written $sp.
  void Address(int32_t offset, uint8_t base) {
    Signed(offset);
    Put("(");
    writing_base_ = true;
    Reg(base);
    writing_base_ = false;
    Put(")");
  }

  void Render(const Statement& s) {
    const OpInfo& op = kOps[s.op];
    Mnemonic(gnu_ ? op.gnu : op.kiv);
    switch (op.form) {
      case F::kThreeRegisters:
      case F::kShift:
        Regs(s.r1, s.r2, s.r3);
        break;
      case F::kMultiply:  // GNU: mult rs, rt
        if (gnu_) {
          Regs(s.r2, s.r3);
        } else {
          Regs(s.r1, s.r2, s.r3);
        }
        break;
      case F::kDivide:  // GNU: div $0, rs, rt
        Regs(gnu_ ? 0 : s.r1, s.r2, s.r3);
        break;
      case F::kFloatThree:
        FloatRegs(s.r1, s.r2);
        Sep();
        FloatReg(s.r3);
        break;
      case F::kFloatCompare:  // GNU: c.lt.s fs, ft
        if (!gnu_) {
          FloatReg(s.r1);
          Sep();
        }
        FloatRegs(s.r2, s.r3);
        break;
      case F::kImmediateSigned:
      case F::kImmediateUnsigned:
        Regs(s.r1, s.r2);
        Sep();
        Signed(s.imm);
        break;
      case F::kSubtractImmediate:  // GNU: addiu rt, rs, -imm
        Regs(s.r1, s.r2);
        Sep();
        Signed(gnu_ ? -s.imm : s.imm);
        break;
      case F::kLoadUpper:  // GNU: lui rt, imm
        if (gnu_) {
          Reg(s.r1);
        } else {
          Regs(s.r1, s.r2);
        }
        Sep();
        Signed(s.imm);
        break;
      case F::kMemory:
        Reg(s.r1);
        Sep();
        Address(s.imm, s.r2);
        break;
      case F::kFloatMemory:
        FloatReg(s.r1);
        Sep();
        Address(s.imm, s.r2);
        break;
      case F::kBranch:
        Regs(s.r1, s.r2);
        Sep();
        PutCodeLabelName(s.target);
        break;
      case F::kFlagBranch:
      case F::kJump:
      case F::kCall:
        PutCodeLabelName(s.target);
        break;
      case F::kJumpRegister:
        Reg(s.r1);
        break;
      case F::kJumpRegisterLink:  // GNU: jalr rd, rs
        if (gnu_) {
          Regs(s.r2, s.r1);
        } else {
          Regs(s.r1, s.r2);
        }
        break;
      case F::kLoadAddress:  // GNU: addiu r, $0, %lo(label)
        Reg(s.r1);
        Sep();
        if (gnu_) Put("$0, %lo(");
        if (!s.la_to_data) {
          PutCodeLabelName(s.target);
        } else if (s.la_to_string) {
          PutStringName(s.target, 0);
        } else {
          PutTableName(s.target, 0);
        }
        if (gnu_) Put(")");
        break;
      case F::kLoadImmediate:
        Reg(s.r1);
        Sep();
        Signed(s.imm);
        break;
      case F::kMove:
        Regs(s.r1, s.r2);
        break;
      case F::kSpawn:  // GNU: or rs, rs, rt
        if (gnu_) {
          Regs(s.r1, s.r1, s.r2);
        } else {
          Regs(s.r1, s.r2);
        }
        break;
      case F::kSpawni:  // GNU: ori $2, $0, a
        if (gnu_) {
          Put("$2, $0, ");
          Signed(s.imm);
        } else {
          Signed(s.imm);
          Sep();
          Signed(s.imm2);
        }
        break;
      case F::kProcessorState:  // GNU: addu rt, rs, $0
        Regs(s.r1, s.r2);
        if (gnu_) Put(", $0");
        break;
      case F::kProcessorStateMemory:  // GNU: addiu rt, rs, off
        Reg(s.r1);
        Sep();
        if (gnu_) {
          Reg(s.r2);
          Sep();
          Signed(s.imm);
        } else {
          Address(s.imm, s.r2);
        }
        break;
      case F::kJoin:
        if (gnu_) Put("$3, $3, $3");
        break;
      case F::kFork:
        if (gnu_) Put("$3, $3, $0");
        break;
      case F::kHalt:
        if (gnu_) Put("$2, $2, $2");
        break;
      case F::kPrint:
        if (gnu_) Put("$4, $4, $0");
        break;
      case F::kNop:
        break;
    }
    if (s.comment >= 0) {
      Put("    ");
      Put(kComments[static_cast<size_t>(s.comment)]);
    }
    // Mnemonics without operands leave their padding behind.
    while (!out_.empty() && out_.back() == ' ') out_.pop_back();
    Put("\n");
  }

  // A data section: runs of .word lines, each closed by .align and followed by
  // strings. The table label is on the first word; label-heavy labels every
  // line. Its contents are a hash of the section number.
  void EmitSection(uint64_t section) {
    Rng r(Hash(options_.seed, kSaltSection, section));
    Put(gnu_ ? "        .data\n" : "        .rdata\n");
    const int64_t groups = r.Range(params_.groups_min, params_.groups_max);
    int64_t word = 0;
    int64_t string = 0;
    for (int64_t g = 0; g < groups; ++g) {
      const int64_t words = r.Range(params_.words_min, params_.words_max);
      for (int64_t w = 0; w < words; ++w, ++word) {
        const size_t start = out_.size();
        if (word == 0 || params_.label_data_lines) {
          PutTableName(section, word);
          Put(":");
          label_column_ = out_.size() - start;
        }
        Indent();
        Put(".word   ");
        const int64_t value = r.Chance(200) ? -r.Range(1, 1000) : r.Range(0, 100000);
        if (value < 0) Put("-");
        PutNumber(static_cast<uint64_t>(value < 0 ? -value : value));
        Put("\n");
      }
      Put("        .align  2\n");
      const int64_t strings =
          r.Range(g == 0 ? std::max<int64_t>(1, params_.strings_min) : params_.strings_min,
                  params_.strings_max);
      for (int64_t k = 0; k < strings; ++k, ++string) {
        const size_t start = out_.size();
        PutStringName(section, string);
        Put(":");
        label_column_ = out_.size() - start;
        Indent();
        // One blank between the directive and the opening quote.
        Put(".ascii \"");
        const auto length = static_cast<size_t>(r.Range(params_.string_min, params_.string_max));
        size_t used = 0;
        for (;;) {
          const std::string_view w = kVocabulary[r.Below(kVocabulary.size())];
          const size_t extra = (used == 0 ? 0 : 1) + w.size();
          if (used + extra > length && used > 0) break;
          if (used > 0) Put(r.Chance(100) ? "," : " ");
          Put(w);
          used += extra;
          if (used >= length) break;
        }
        if (r.Chance(300)) Put("!");
        Put("\"\n");
      }
    }
    Put("        .text\n");
  }

  // --- output -----------------------------------------------------------------

  void Put(std::string_view text) { out_.append(text); }
  void PutNumber(uint64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out_.append(buffer, result.ptr);
  }
  void Flush() {
    if (!out_.empty()) sink_(out_);
    out_.clear();
  }

  const GeneratorOptions options_;
  const ProfileParams params_;
  const std::function<void(std::string_view)>& sink_;
  Rng rng_;
  const bool gnu_;
  std::array<uint32_t, kOps.size()> cumulative_{};
  std::string out_;
  size_t label_column_ = 0;
  bool writing_base_ = false;  // a base register of 29 is written $sp
  std::array<uint8_t, kBlock> perm_{};
  size_t perm_size_ = 0;
  uint64_t perm_block_ = 0;
  bool perm_valid_ = false;
};

}  // namespace

std::optional<Profile> ParseProfile(std::string_view name) {
  if (name == "typical") return Profile::kTypical;
  if (name == "label-heavy") return Profile::kLabelHeavy;
  if (name == "boundary-heavy") return Profile::kBoundaryHeavy;
  if (name == "data-heavy") return Profile::kDataHeavy;
  if (name == "lean") return Profile::kLean;
  return std::nullopt;
}

std::optional<Syntax> ParseSyntax(std::string_view name) {
  if (name == "kiv") return Syntax::kKiv;
  if (name == "gnu") return Syntax::kGnu;
  return std::nullopt;
}

std::string_view ProfileName(Profile profile) {
  switch (profile) {
    case Profile::kTypical:
      return "typical";
    case Profile::kLabelHeavy:
      return "label-heavy";
    case Profile::kBoundaryHeavy:
      return "boundary-heavy";
    case Profile::kDataHeavy:
      return "data-heavy";
    case Profile::kLean:
      return "lean";
  }
  return "typical";
}

void GenerateSource(const GeneratorOptions& options,
                    const std::function<void(std::string_view)>& sink) {
  if (options.instructions == 0) {
    sink(options.syntax == Syntax::kGnu ? "        .set    noreorder\n        .text\n"
                                        : "        .text\n");
    return;
  }
  Generator(options, sink).Run();
}

std::string GenerateSourceText(const GeneratorOptions& options) {
  std::string text;
  GenerateSource(options, [&](std::string_view piece) { text.append(piece); });
  return text;
}

}  // namespace kiv::bench
