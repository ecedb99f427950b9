// Walks the normalised source statement by statement, as the encoding pass
// reads it, but keeps every instruction's operands within its own line: a
// fault is reported where it is, and the walk goes on at the next line.
#pragma once

#include <string_view>

#include "assembly/label_table.h"
#include "kiv/checker_facts.h"
#include "kiv/checker_report.h"
#include "kiv/source_map.h"

namespace kiv::tool {

// `lines` maps the normalised text; `labels` holds the label pass's values.
ProgramFacts WalkStatements(std::string_view formatted, const SourceMap& lines,
                            const assembly::LabelTable& labels, Report& report);

}  // namespace kiv::tool
