#include "assembly/assemble.h"

#include "assembly/encoding_pass.h"
#include "assembly/label_pass.h"
#include "assembly/log.h"
#include "assembly/normaliser.h"

namespace kiv::assembly {
namespace {

Status FileError(Log& log) {
  log.Error(kCannotOpenMessage, -1);
  return Status::kFileError;
}

Status RunStages(std::string_view source, const AssembleOptions& options, Log& log,
                 AssemblyResult& result) {
  result.formatted = NormaliseSource(source);
  if (options.formatted_sink && !options.formatted_sink(result.formatted)) return FileError(log);
  Status status = CreateLabelTable(result.labels);
  if (status != Status::kSuccess) return status;
  status = BuildLabelList(result.formatted, result.labels, log);
  if (status != Status::kSuccess) return status;
  if (options.records_ready && !options.records_ready()) return FileError(log);
  status = EncodeProgram(result.formatted, result.labels, log, result.object_text,
                         options.record_sink, options.observer);
  if (options.records_done && !options.records_done(result.object_text)) return FileError(log);
  return status;
}

}  // namespace

AssemblyResult Assemble(std::string_view source, const AssembleOptions& options) {
  AssemblyResult result;
  Log log(options.console);
  result.status = RunStages(source, options, log, result);
  result.log = log.text();
  if (result.status == Status::kSuccess) {
    Log success(nullptr);
    success.Info(kSuccessMessage);
    result.log += success.text();
  }
  return result;
}

}  // namespace kiv::assembly
