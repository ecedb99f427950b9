#include "kiv/checker_layout.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/instruction_word.h"
#include "kiv/lookup_ring.h"

namespace kiv::tool {
namespace {

// The statement that begins at an instruction index, for a message: its token
// and line, or where the index falls when no statement begins there.
std::string DescribeIndex(uint32_t index, const ProgramFacts& facts, std::string_view formatted,
                          const SourceMap& lines) {
  const auto& statements = facts.statements;
  // Directives that take no room share their index with what follows them:
  // the last statement at the index is the one that fills it.
  auto after = std::upper_bound(statements.begin(), statements.end(), index,
                                [](uint32_t i, const StatementFact& s) { return i < s.index; });
  std::string text = "index " + std::to_string(index);
  if (after != statements.begin() && std::prev(after)->index == index && index < facts.end_index) {
    const StatementFact& at = *std::prev(after);
    return text + ", " + Quoted(formatted.substr(at.offset, at.length)) + " on line " +
           std::to_string(lines.Locate(at.offset).line);
  }
  if (index >= facts.end_index) return text + ", past the end of the program";
  if (after == statements.begin()) return text;
  const StatementFact& within = *std::prev(after);
  return text + ", within " + Quoted(formatted.substr(within.offset, within.length)) + " on line " +
         std::to_string(lines.Locate(within.offset).line);
}

// A bit for every index that some data section holds, up to the end of the
// last: a target whose bit is clear lies in no section. Kept off for
// indices so large that the bits would take more room than they save.
class DataIndices {
 public:
  DataIndices(const std::vector<SectionFact>& sections, bool screen) {
    constexpr uint32_t kMostIndices = uint32_t{1} << 28;
    uint32_t end = 0;
    for (const SectionFact& section : sections) end = std::max(end, section.end);
    screened_ = screen && end <= kMostIndices;
    if (!screened_) return;
    bits_.assign(end / 64 + 1, 0);
    for (const SectionFact& section : sections) {
      for (uint32_t i = section.start; i < section.end; ++i)
        bits_[i / 64] |= uint64_t{1} << (i % 64);
    }
  }
  bool MayHold(uint32_t index) const {
    if (!screened_) return true;
    return index / 64 < bits_.size() && ((bits_[index / 64] >> (index % 64)) & 1) != 0;
  }

 private:
  bool screened_ = false;
  std::vector<uint64_t> bits_;
};

}  // namespace

std::vector<std::optional<uint32_t>> LabelPassValues(std::span<const LabelDefinition> definitions,
                                                     const assembly::LabelTable& labels,
                                                     size_t labels_ahead) {
  std::vector<std::optional<uint32_t>> values(definitions.size());
  struct Pending {
    size_t definition;
    assembly::LabelTable::Query query;
  };
  const auto look_up = [&](const Pending& pending) {
    int32_t value = 0;
    if (labels.FindLabel(pending.query, value) == assembly::Status::kSuccess) {
      values[pending.definition] = static_cast<uint32_t>(value);
    }
  };
  LookupRing<Pending, kMostLabelsAhead> pending(labels_ahead);
  for (size_t i = 0; i < definitions.size(); ++i) {
    pending.Add(Pending{i, labels.PrepareFind(definitions[i].name)}, look_up);
  }
  pending.Drain(look_up);
  return values;
}

namespace {

struct Miscounted {
  const LabelDefinition* definition;
  uint32_t value;  // the label pass's
};

void ReportMiscounted(std::string_view formatted, std::span<const Miscounted> miscounted,
                      const SourceMap& lines, const std::function<ProgramFacts()>& statements,
                      Report& report) {
  if (miscounted.empty()) return;
  const ProgramFacts facts = statements();
  for (const Miscounted& label : miscounted) {
    const LabelDefinition& definition = *label.definition;
    report.Warning(definition.name_offset, std::max<size_t>(definition.name.size(), 1),
                   "label " + Quoted(definition.name) + " names " +
                       DescribeIndex(label.value, facts, formatted, lines) + ", not " +
                       DescribeIndex(definition.stands_at, facts, formatted, lines) +
                       " where it stands: the label pass counts by lines, and a line before "
                       "it holds two statements, a string holding a directive's name, or "
                       "operands without their instruction");
  }
}

}  // namespace

void CheckLabelCounts(std::string_view formatted, std::span<const LabelDefinition> definitions,
                      std::span<const std::optional<uint32_t>> values, const SourceMap& lines,
                      const std::function<ProgramFacts()>& statements, Report& report) {
  std::vector<Miscounted> miscounted;
  for (size_t i = 0; i < definitions.size() && i < values.size(); ++i) {
    const LabelDefinition& definition = definitions[i];
    if (definition.colon_offset >= report.first_error_offset()) break;
    if (definition.first && values[i] && *values[i] != definition.stands_at) {
      miscounted.push_back(Miscounted{&definition, *values[i]});
    }
  }
  ReportMiscounted(formatted, miscounted, lines, statements, report);
}

void CheckLabelCountsAsListed(std::string_view formatted,
                              std::span<const LabelDefinition> counted_apart,
                              const SourceMap& lines,
                              const std::function<ProgramFacts()>& statements, Report& report) {
  std::vector<Miscounted> miscounted;
  for (const LabelDefinition& definition : counted_apart) {
    if (definition.colon_offset >= report.first_error_offset()) break;
    miscounted.push_back(Miscounted{&definition, definition.entered_at});
  }
  ReportMiscounted(formatted, miscounted, lines, statements, report);
}

// The walk's indices are exact up to the first error: only sections closed
// before it, and numeric branch targets counted before it, are compared.
void CheckTransfersIntoData(std::string_view formatted, const ProgramFacts& facts,
                            const SourceMap& lines, size_t exact_until, Report& report,
                            bool screen) {
  const DataIndices data(facts.sections, screen);
  for (const TransferFact& transfer : facts.transfers) {
    if (!transfer.via_label && transfer.operand_offset >= exact_until) continue;
    if (!data.MayHold(transfer.target)) continue;
    // Sections are in ascending order of index: the last one starting at or
    // before the target is the only one that can hold it.
    const auto after =
        std::upper_bound(facts.sections.begin(), facts.sections.end(), transfer.target,
                         [](uint32_t target, const SectionFact& s) { return target < s.start; });
    if (after == facts.sections.begin()) continue;
    const SectionFact& section = *std::prev(after);
    if (transfer.target >= section.end || section.end_offset >= exact_until) continue;
    const std::string operand(formatted.substr(transfer.operand_offset, transfer.operand_length));
    const std::string where =
        "the data section of line " + std::to_string(lines.Locate(section.offset).line);
    if (transfer.target == section.start) {
      report.Warning(transfer.operand_offset, transfer.operand_length,
                     "jump or branch to " + Quoted(operand) + ", the start of " + where +
                         ": the data would run as instructions");
    } else {
      report.Error(transfer.operand_offset, transfer.operand_length,
                   "jump or branch target " + Quoted(operand) + " (index " +
                       std::to_string(transfer.target) + ") lies inside " + where +
                       "; the back end refuses it: only a section's first item can be a "
                       "target");
    }
  }
}

bool HasFarBranch(const ProgramFacts& facts) {
  return std::any_of(facts.transfers.begin(), facts.transfers.end(), [](const TransferFact& t) {
    return IsBranchOpcode(t.opcode) && !NearInInstructions(t);
  });
}

void CheckBranchDistances(const ProgramFacts& facts, const assembler::BoundaryTable& table,
                          Report& report) {
  for (const TransferFact& transfer : facts.transfers) {
    if (!IsBranchOpcode(transfer.opcode) || NearInInstructions(transfer)) continue;
    const uint32_t own = (transfer.index + table.PaddingAtIndex(transfer.index)) / 3;
    const uint32_t target =
        (transfer.target + table.PaddingOfBoundary(transfer.target).value_or(0)) / 3;
    const int64_t distance = int64_t{target} - int64_t{own};
    if (distance >= kBranchLowest && distance <= kBranchHighest) continue;
    report.Warning(transfer.operand_offset, transfer.operand_length,
                   "branch distance of " + std::to_string(distance) +
                       " bundles does not fit its 18-bit field (-131072 to 131071): the "
                       "branch lands elsewhere; jump there with 'j' instead");
  }
}

}  // namespace kiv::tool
