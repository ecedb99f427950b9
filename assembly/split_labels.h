// The label pass on two threads, for large texts: a second thread reads the
// text from a line start near the middle, guessing that the walk stands
// there as it does at the start of a text (outside any string, no data
// section open, no .word pairs waiting), and holds what it finds with
// indices counted from there. The first thread reads up to that point and
// checks the guess: on a match the held definitions follow its own, their
// indices counted on from where it stands; otherwise (a string or a data
// section runs over the point, or a .word's number is read past it) the held
// work is thrown away and the first thread reads on alone. Either way the
// table, the log and the note are BuildLabelList's, by construction.
#pragma once

#include <cstddef>
#include <string_view>

#include "assembly/label_pass.h"
#include "assembly/label_table.h"
#include "assembly/log.h"
#include "assembly/status.h"

namespace kiv::assembly {

// As BuildLabelList with a note; the second thread starts at the first line
// start at or after split.from.
Status BuildLabelListInTwoHalves(std::string_view formatted, LabelTable& table, Log& log,
                                 SplitNote& split);

// The same with the second thread starting at `second_from`, any offset at
// all: a wrong guess only takes longer. `second_taken` (may be null) tells
// whether the second thread's work was taken or thrown away.
Status BuildLabelListInTwoHalves(std::string_view formatted, LabelTable& table, Log& log,
                                 SplitNote& split, size_t second_from,
                                 bool* second_taken = nullptr);

}  // namespace kiv::assembly
