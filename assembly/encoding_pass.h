// The encoding pass: reads the normalised source as tokens and writes every
// instruction and data directive as records of the intermediate object text.
#pragma once

#include <string>
#include <string_view>

#include "assembly/label_table.h"
#include "assembly/log.h"
#include "assembly/status.h"

namespace kiv::assembly {

// Appends the records to `object_text`. On failure the records written
// before the faulty statement stay; the error has been logged.
Status EncodeProgram(std::string_view formatted, const LabelTable& labels, Log& log,
                     std::string& object_text);

}  // namespace kiv::assembly
