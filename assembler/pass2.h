// Pass 2: reads the intermediate text again, relocates every jump, branch and
// la target, and packs the instructions three to a bundle, starting a new
// bundle at every boundary. Data sections are copied as data lines.
#pragma once

#include <string>
#include <string_view>

#include "assembler/boundary_table.h"
#include "assembler/status.h"

namespace kiv::assembler {

// `table` must be the padded table of pass 1 over the same text. Appends the
// bundle image and the bundle listing; returns kMalformedRecord, with both
// left incomplete, for text that pass 1 would have refused.
Status RunPass2(std::string_view text, const BoundaryTable& table, std::string& image,
                std::string& listing);

}  // namespace kiv::assembler
