// Pass 2: walks the records pass 1 decoded, relocates every jump, branch and
// la target, and packs the instructions three to a bundle, starting a new
// bundle at every boundary. Data sections are copied as data lines.
#pragma once

#include <cstddef>
#include <string>

#include "assembler/boundary_table.h"
#include "assembler/output_sink.h"
#include "assembler/record_list.h"

namespace kiv::assembler {

// The most bytes the image of these records can take, for reserving room.
size_t LargestImageSize(const RecordList& records);

// `table` must be the padded table of pass 1 over the same records. Hands
// the bundle image and the bundle listing to `sink` a part at a time.
void RunPass2(const RecordList& records, const BoundaryTable& table, OutputSink& sink);

// The same, appending the whole image and listing to the two strings.
void RunPass2(const RecordList& records, const BoundaryTable& table, std::string& image,
              std::string& listing);

}  // namespace kiv::assembler
