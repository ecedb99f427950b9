// Runs the programs' own stages in memory, writing no file, and makes sure
// the check is never silent about a source they refuse.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "assembler/boundary_table.h"
#include "assembly/assemble.h"
#include "kiv/checker_facts.h"
#include "kiv/checker_report.h"

namespace kiv::tool {

struct FrontEndRun {
  assembly::AssemblyResult result;
  // Where the encoding pass stopped, in the normalised text, when it failed.
  std::optional<size_t> failing_offset;
  size_t failing_length = 1;
  // The end of the line on which the failing statement's operands end.
  size_t failing_line_end = 0;
};

FrontEndRun RunFrontEnd(std::string_view source);

// When the front end failed and no error stands at or before the statement
// it stopped at, one is added there with the program's own message.
void ReportFrontEndFailure(const FrontEndRun& run, Report& report);

// The back end's pass 1 and padding over the front end's records; no image is
// built. Empty when pass 1 refuses the text: then an error is added unless
// the check already found one.
std::optional<assembler::BoundaryTable> RunBackEndLayout(std::string_view object_text,
                                                         const ProgramFacts& facts, Report& report);

}  // namespace kiv::tool
