// Decodes the whole intermediate text into a RecordList in one go. It reads
// exactly what RecordReader reads (the same records, the same refusals); it
// is the back end's own only for speed, taking the usual short numbers eight
// bytes at a time.
#pragma once

#include <string_view>

#include "assembler/record_list.h"

namespace kiv::assembler {

// Appends the records of `text` to `records`; false, with `records` holding
// those before it, at the first record RecordReader would report malformed.
bool DecodeRecords(std::string_view text, RecordList& records);

class BoundaryCollector;

// The same records handed to `collector`, which keeps them and finds pass
// 1's boundaries as they come.
bool DecodeRecords(std::string_view text, BoundaryCollector& collector);

}  // namespace kiv::assembler
