// Both programs run in memory on one source, as `assembly && assembler`
// would run them on files: the front end, then (when it succeeded) the back
// end on its records.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/pack.h"
#include "assembly/assemble.h"
#include "kiv/disassembly.h"
#include "kiv/slot_sources.h"

namespace kiv::tool {

struct ChainResult {
  assembly::AssemblyResult front;
  assembler::PackResult back;  // untouched when the front end failed
  bool front_succeeded = false;
  bool back_succeeded = false;
  bool succeeded() const { return front_succeeded && back_succeeded; }
};

ChainResult RunChain(std::string_view source, assembly::StatementObserver* observer = nullptr);

// With the statements collected for `kiv list`, which reads the image only:
// the result's listing stays empty.
ChainResult RunChain(std::string_view source, StatementLog& statements);

// An image's bytes disassembled; false with a reason when they are no image.
bool DisassembleImage(std::string_view image, const DisassemblyOptions& options,
                      Disassembly& disassembly, std::string& error);

// Source -> chain -> dis -> chain. `applies` is false when the first chain
// fails (nothing to compare); `same` tells whether both images are equal.
struct RoundTrip {
  bool applies = false;
  bool same = false;
  std::string first_image;
  std::string second_image;
  Disassembly disassembly;
};

RoundTrip RunRoundTrip(std::string_view source);

}  // namespace kiv::tool

namespace kiv::tool {

// What a subcommand prints when the chain or the checker refuses a source:
// the diagnostics of `kiv check`, or, where the checker names no error,
// the error line of the program that stopped.
void ReportFailure(std::ostream& err, std::string_view source_name, std::string_view source,
                   const ChainResult& chain);

// The checker has no error to report and both programs succeeded.
bool SourceIsClean(std::string_view source, const ChainResult& chain);

}  // namespace kiv::tool
