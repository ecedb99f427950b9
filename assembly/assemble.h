// The whole front end on a source held in memory: normaliser, label table,
// label pass and encoding pass, in this order, stopping at the first stage
// that fails. The program's driver, the tests, the fuzz target and the
// companion tool all run the front end through this one entry point.
#pragma once

#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "assembly/label_table.h"
#include "assembly/statement_observer.h"
#include "assembly/status.h"

namespace kiv::assembly {

struct AssembleOptions {
  StatementObserver* observer = nullptr;  // costs nothing when null
  // Optional: records handed on in pieces (the driver streams them to the
  // file); object_text then keeps only what the sink did not take.
  std::function<void(std::string_view)> record_sink;
  // Optional: the normalised text, handed on before the passes run (the
  // driver writes it to its file). False stops the run as a file error.
  std::function<bool(std::string_view formatted)> formatted_sink;
  // Optional: called after the label pass, before any record is made (the
  // driver opens the record file). False stops the run as a file error.
  std::function<bool()> records_ready;
  // Optional: called once the encoding pass is over, failing or not, with the
  // records the sink did not take (the driver writes them and closes its
  // file). False makes the run a file error, logged after the pass's own.
  std::function<bool(std::string_view rest)> records_done;
  // Where log lines are also shown as they are made; null for none.
  std::FILE* console = nullptr;
};

struct AssemblyResult {
  Status status = Status::kSuccess;  // the first failing stage's status
  std::string formatted;             // kivAssemblyFormatted.txt
  std::string object_text;           // kivAssembler.txt (what the sink did not take)
  std::string log;                   // the log text, success line included on success
  LabelTable labels;                 // as the label pass left it
};

AssemblyResult Assemble(std::string_view source, const AssembleOptions& options = {});

// The same on a source the run may rewrite: the normalised text takes its
// place (it is never longer) and reaches formatted_sink from there, and
// result.formatted stays empty. Spares the driver a copy of a large source.
AssemblyResult AssembleInPlace(std::span<char> source, const AssembleOptions& options = {});

// The passes alone, on a text the normaliser has already made: the driver
// normalises a large source piece by piece into its file and reads the file
// back. formatted_sink is not called, and result.formatted stays empty.
AssemblyResult AssembleNormalised(std::string_view formatted, const AssembleOptions& options = {});

// The log line of a file that cannot be opened, read or written.
inline constexpr std::string_view kCannotOpenMessage = "Cannot open input or output file";

// The line the log ends with after a successful run.
inline constexpr std::string_view kSuccessMessage = " assembly.exe runs successfully";

}  // namespace kiv::assembly
