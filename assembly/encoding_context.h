// State shared by the encoding pass, its instruction encoders and its data
// directives while one source is encoded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "assembly/encoding_state.h"
#include "assembly/label_table.h"
#include "assembly/log.h"
#include "assembly/source_scanner.h"
#include "assembly/status.h"
#include "common/record_writer.h"

namespace kiv::assembly {

struct EncodingContext {
  EncodingContext(std::string_view formatted, const LabelTable& label_table, Log& pass_log,
                  std::string& object_text)
      : in(formatted), object(object_text), out(object_text), labels(label_table), log(pass_log) {}
  // Going on from `state`, as if the text before it had been encoded.
  EncodingContext(std::string_view formatted, const LabelTable& label_table, Log& pass_log,
                  std::string& object_text, const EncodingState& state)
      : in(formatted, state.offset),
        object(object_text),
        out(object_text),
        labels(label_table),
        log(pass_log),
        index(state.index),
        data_open(state.data_open),
        data_words(state.data_words) {}

  // Where the pass stands now, between two statements.
  EncodingState State() const { return {in.position(), index, data_open, data_words}; }

  // The index of the statement being encoded, as logged.
  int32_t Index() const { return static_cast<int32_t>(index); }
  // Logs "Invalid operand: " and ends the pass.
  Status InvalidOperand() {
    log.Error("Invalid operand: ", Index());
    return Status::kMalformedOperand;
  }

  SourceScanner in;
  std::string& object;  // the records written so far
  RecordWriter out;
  const LabelTable& labels;
  Log& log;
  uint32_t index = 0;       // wraps like the 32-bit index it stands for
  bool data_open = false;   // between a .rdata and the .text that closes it
  uint32_t data_words = 0;  // .word pairs of the open stretch
};

}  // namespace kiv::assembly
