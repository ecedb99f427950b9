#include "assembly/assemble.h"

#include "assembly/encoding_pass.h"
#include "assembly/label_pass.h"
#include "assembly/log.h"
#include "assembly/normaliser.h"
#include "assembly/second_thread.h"
#include "assembly/split_encoding.h"
#include "assembly/split_labels.h"

namespace kiv::assembly {
namespace {

Status FileError(Log& log) {
  log.Error(kCannotOpenMessage, -1);
  return Status::kFileError;
}

// Everything after the normaliser and its file, on the text it made.
Status RunPasses(std::string_view formatted, const AssembleOptions& options, Log& log,
                 AssemblyResult& result) {
  Status status = CreateLabelTable(result.labels);
  if (status != Status::kSuccess) return status;
  // A large text is read by the label pass and encoded in two halves on two
  // threads, from a point near its middle that the label pass notes on its
  // way. An observer still hears of every statement in order; with a record
  // sink as well it keeps the encoding pass in one piece.
  SplitNote split{formatted.size() / 2, {}};
  const bool second_thread = WorthASecondThread(formatted.size());
  status = second_thread ? BuildLabelListInTwoHalves(formatted, result.labels, log, split)
                         : BuildLabelList(formatted, result.labels, log);
  if (status != Status::kSuccess) return status;
  if (options.observer != nullptr && options.record_sink) split.state.reset();
  if (options.records_ready && !options.records_ready()) return FileError(log);
  status = split.state
               ? EncodeProgramInTwoHalves(formatted, result.labels, log, result.object_text,
                                          options.record_sink, *split.state, options.observer)
               : EncodeProgram(formatted, result.labels, log, result.object_text,
                               options.record_sink, options.observer);
  if (options.records_done && !options.records_done(result.object_text)) return FileError(log);
  return status;
}

// The normalised text handed on first, then the passes.
Status HandOnAndRun(std::string_view formatted, const AssembleOptions& options, Log& log,
                    AssemblyResult& result) {
  if (options.formatted_sink && !options.formatted_sink(formatted)) return FileError(log);
  return RunPasses(formatted, options, log, result);
}

void FinishLog(const Log& log, AssemblyResult& result) {
  result.log = log.text();
  if (result.status == Status::kSuccess) {
    Log success(nullptr);
    success.Info(kSuccessMessage);
    result.log += success.text();
  }
}

}  // namespace

AssemblyResult Assemble(std::string_view source, const AssembleOptions& options) {
  AssemblyResult result;
  Log log(options.console);
  result.formatted = NormaliseSource(source);
  result.status = HandOnAndRun(result.formatted, options, log, result);
  FinishLog(log, result);
  return result;
}

AssemblyResult AssembleInPlace(std::span<char> source, const AssembleOptions& options) {
  AssemblyResult result;
  Log log(options.console);
  const char* const end = Normaliser().Normalise({source.data(), source.size()}, source.data());
  const std::string_view formatted(source.data(), static_cast<size_t>(end - source.data()));
  result.status = HandOnAndRun(formatted, options, log, result);
  FinishLog(log, result);
  return result;
}

AssemblyResult AssembleNormalised(std::string_view formatted, const AssembleOptions& options) {
  AssemblyResult result;
  Log log(options.console);
  result.status = RunPasses(formatted, options, log, result);
  FinishLog(log, result);
  return result;
}

}  // namespace kiv::assembly
