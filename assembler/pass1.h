// Pass 1: decodes the intermediate text once and collects every instruction
// index that must begin a bundle, in the same walk.
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

// The same boundaries, and the same kTargetInData check, from records already
// decoded, in a walk of their own over the list: the plain form of pass 1's
// collecting, kept to check the one-walk form against.
Status CollectBoundaries(const RecordList& records, BoundaryTable& table, Log& log);

}  // namespace kiv::assembler
