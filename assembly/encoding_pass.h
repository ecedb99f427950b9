// The encoding pass: reads the normalised source as tokens and writes every
// instruction and data directive as records of the intermediate object text.
#pragma once

#include <cstddef>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>

#include "assembly/encoding_state.h"
#include "assembly/label_table.h"
#include "assembly/log.h"
#include "assembly/statement_observer.h"
#include "assembly/status.h"

namespace kiv::assembly {

// Takes the records of a large program a piece at a time, so that they need
// not all be held in memory.
using RecordSink = std::function<void(std::string_view records)>;

// Appends the records to `object_text`. On failure the records written
// before the faulty statement stay; the error has been logged. With a sink,
// the records are handed to it in pieces of about a megabyte, each ending
// with a whole statement, and `object_text` keeps only the rest. An observer
// hears of every statement in order, the failing one included.
//
// Instructions are encoded a batch at a time, so that their labels' slots
// are fetched before they are looked up; the observer hears of each when it
// is written, so the order is still the source's.
Status EncodeProgram(std::string_view formatted, const LabelTable& labels, Log& log,
                     std::string& object_text, const RecordSink& sink = {},
                     StatementObserver* observer = nullptr);

// The same, each statement encoded and written before the next is read: the
// plain way, which the batched way is tested against, observer included.
Status EncodeProgramStatementByStatement(std::string_view formatted, const LabelTable& labels,
                                         Log& log, std::string& object_text,
                                         const RecordSink& sink = {},
                                         StatementObserver* observer = nullptr);

// One part of the batched pass, for a pass run in two halves: encodes from `state` (the text's
// start, or a point between two statements whose state is known) up to the first statement token
// that starts at or after `stop`, writes out the batch, and leaves in `state` where the pass then
// stands. A failure ends the part as it ends the pass, with `state` unchanged. Asked to stop
// through `cancel`, the part ends early at a statement boundary: its work is then meant to be
// thrown away. An observer hears of the part's statements as EncodeProgram tells them, records
// placed from the start of the part's own records.
Status EncodePart(std::string_view formatted, const LabelTable& labels, Log& log,
                  std::string& object_text, const RecordSink& sink, EncodingState& state,
                  size_t stop = std::string_view::npos, std::stop_token cancel = {},
                  StatementObserver* observer = nullptr);

}  // namespace kiv::assembly
