#include "assembler/pack.h"

#include "assembler/log.h"
#include "assembler/pass1.h"
#include "assembler/pass2.h"
#include "assembler/record_list.h"

namespace kiv::assembler {
namespace {

// The names are those of the program this one replaces; scripts match them.
constexpr std::string_view kOutputError =
    "file read/write error - assembler.txt, bundle.txt, instructions.txt";
constexpr std::string_view kSuccess = "assembler.exe runs successfully";

Status StreamOutputs(const RecordList& records, const BoundaryTable& table, PackOutput& output,
                     Log& log) {
  if (!output.Open(LargestImageSize(records))) {
    log.Error(kOutputError);
    return Status::kFileError;
  }
  RunPass2(records, table, output);
  if (!output.Close()) {
    log.Error(kOutputError);
    return Status::kFileError;
  }
  return Status::kOk;
}

}  // namespace

PackResult Pack(std::string_view object_text, const PackOptions& options) {
  PackResult result;
  Log log;
  RecordList records;
  result.status = RunPass1(object_text, result.boundaries, log, records);
  if (result.status == Status::kOk) {
    result.boundaries.ComputePadding();
    if (options.layout_only) {
      // The boundaries are all the caller asked for.
    } else if (options.output != nullptr) {
      result.status = StreamOutputs(records, result.boundaries, *options.output, log);
    } else {
      RunPass2(records, result.boundaries, result.image, result.listing);
    }
  }
  if (result.status == Status::kOk && !options.layout_only) log.Info(kSuccess);
  result.log = log.text();
  result.console = log.console();
  result.errors = log.errors();
  return result;
}

}  // namespace kiv::assembler
