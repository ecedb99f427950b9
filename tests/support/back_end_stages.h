// Back-end passes called one at a time on a text, for tests that look at a
// single pass; the programs run them only through Pack.
#pragma once

#include <string>
#include <string_view>

#include "assembler/boundary_table.h"
#include "assembler/log.h"
#include "assembler/status.h"

namespace kiv::assembler {

// Pass 1 with the decoded records dropped (ComputePadding left to the caller).
Status RunPass1(std::string_view text, BoundaryTable& table, Log& log);

// Pass 2 on the text, decoded again, appending to both outputs; returns
// kMalformedRecord, with both outputs left as they were, for a text that
// pass 1 would have refused.
Status RunPass2(std::string_view text, const BoundaryTable& table, std::string& image,
                std::string& listing);

}  // namespace kiv::assembler
