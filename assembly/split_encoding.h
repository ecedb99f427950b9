// The encoding pass on two threads, for large texts: the label pass notes
// the state the encoding pass will have at a line near the middle, and a
// second thread encodes from there while the first encodes up to it. When
// the first arrives, it checks the note against where it really stands: on
// a match the second half's records and log lines follow its own; otherwise
// (the passes can count apart on odd sources, or the first half failed) the
// second half's work is thrown away and the first goes on alone. Either way
// the outcome is EncodeProgram's, byte for byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "assembly/encoding_pass.h"
#include "assembly/encoding_state.h"
#include "assembly/label_table.h"
#include "assembly/log.h"
#include "assembly/status.h"

namespace kiv::assembly {

// As EncodeProgram. `split` is the label pass's note; any state at all
// gives the right outcome, a wrong one only takes longer. The second half's
// records reach the sink in one piece, after the first's. An observer hears
// of every statement in order: the second half's are held until the first
// half's have been told. With both a sink and an observer the pass stays in
// one piece, as the held statements' records would have nowhere to point.
Status EncodeProgramInTwoHalves(std::string_view formatted, const LabelTable& labels, Log& log,
                                std::string& object_text, const RecordSink& sink,
                                const EncodingState& split, StatementObserver* observer = nullptr);

}  // namespace kiv::assembly
