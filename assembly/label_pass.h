// BuildLabelList: the first pass over the normalised source. It reads the
// text line by line, enters every label definition with the current
// instruction index, and advances the index by the room each line takes.
#pragma once

#include <string_view>

#include "assembly/label_table.h"
#include "assembly/log.h"
#include "assembly/status.h"

namespace kiv::assembly {

// Logs duplicate labels and .ascii lines without a quote, and goes on:
// the result is always kSuccess.
Status BuildLabelList(std::string_view formatted, LabelTable& table, Log& log);

}  // namespace kiv::assembly
