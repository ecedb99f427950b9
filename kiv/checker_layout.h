// Checks that need the whole program laid out: labels the two front-end
// passes count differently, jumps and branches into data, and branch
// distances in bundles, which only the back end's layout gives.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "assembler/boundary_table.h"
#include "assembly/label_table.h"
#include "kiv/checker_facts.h"
#include "kiv/checker_labels.h"
#include "kiv/checker_report.h"
#include "kiv/checker_statements.h"
#include "kiv/source_map.h"

namespace kiv::tool {

// The label pass's value of each definition's name, in their order; none for
// a name the table lacks. Each is looked up `labels_ahead` names after its
// slot was fetched (0: at once).
std::vector<std::optional<uint32_t>> LabelPassValues(std::span<const LabelDefinition> definitions,
                                                     const assembly::LabelTable& labels,
                                                     size_t labels_ahead = kMostLabelsAhead);

// A label whose label-pass value (`values`, as LabelPassValues gives them) is
// not the encoding pass's index where it stands (set by the statement walk):
// say which statement it will really name. Only labels before the first error
// are compared, since the walk's count is exact only up to there.
// `statements` gives the facts with every statement listed, asked for only
// when a label is miscounted.
void CheckLabelCounts(std::string_view formatted, std::span<const LabelDefinition> definitions,
                      std::span<const std::optional<uint32_t>> values, const SourceMap& lines,
                      const std::function<ProgramFacts()>& statements, Report& report);

// The same, where the label pass read every label's name as a scan reads it
// and entered no name twice: its value of each is then the index it entered
// the label with (`entered_at`), and only the labels the walk placed
// elsewhere, `counted_apart` (in source order), can be miscounted.
void CheckLabelCountsAsListed(std::string_view formatted,
                              std::span<const LabelDefinition> counted_apart,
                              const SourceMap& lines,
                              const std::function<ProgramFacts()>& statements, Report& report);

// A target strictly inside a data section is refused by the back end; one at
// a section's first index runs the data as instructions. The walk's indices
// are exact only before `exact_until`, the offset of the first error.
// Most programs jump into data nowhere: with `screen`, a bit for every index
// that some section holds passes over the others at once; without, each
// jump and branch looks for the section that may hold its target (the
// plain way, which a test compares with).
void CheckTransfersIntoData(std::string_view formatted, const ProgramFacts& facts,
                            const SourceMap& lines, size_t exact_until, Report& report,
                            bool screen = true);

// Whether a branch lies so far from its target in instructions that only the
// back end's layout tells whether its distance in bundles fits: the plain
// look among the transfers, which ProgramFacts::far_branch must equal.
bool HasFarBranch(const ProgramFacts& facts);

// A branch's distance in bundles, target bundle minus its own, must fit its
// 18-bit field. `table` is the back end's, padding computed.
void CheckBranchDistances(const ProgramFacts& facts, const assembler::BoundaryTable& table,
                          Report& report);

}  // namespace kiv::tool
