// Pass 1: decodes the intermediate text once and collects every instruction
// index that must begin a bundle.
#pragma once

#include <cstdint>
#include <string_view>

#include "assembler/boundary_table.h"
#include "assembler/log.h"
#include "assembler/record_list.h"
#include "assembler/status.h"

namespace kiv::assembler {

// Decodes `text` into the empty `records`, for pass 2, and fills `table` from
// them (ComputePadding is left to the caller). Each data section's first
// index is a boundary too. Returns kMalformedRecord for a record it cannot
// read and kTargetInData for a jump or branch target strictly inside a data
// section, logging the error in both cases.
Status RunPass1(std::string_view text, BoundaryTable& table, Log& log, RecordList& records);

}  // namespace kiv::assembler
