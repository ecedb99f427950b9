#include "assembly/assemble.h"

#include <array>

#include "assembly/encoding_pass.h"
#include "assembly/label_pass.h"
#include "assembly/log.h"
#include "assembly/normaliser.h"
#include "common/large_buffer.h"

namespace kiv::assembly {
namespace {

// Normalised a cache-sized piece at a time, so the source is read once and
// the text written once, with no cleared buffer in between.
std::string Normalise(std::string_view source) {
  constexpr size_t kPiece = size_t{64} << 10;
  std::string formatted;
  ReserveLarge(formatted, source.size());
  std::array<char, kPiece> piece;
  Normaliser normaliser;
  for (size_t at = 0; at < source.size(); at += kPiece) {
    const std::string_view part = source.substr(at, kPiece);
    formatted.append(piece.data(), normaliser.Normalise(part, piece.data()));
  }
  return formatted;
}

Status FileError(Log& log) {
  log.Error(kCannotOpenMessage, -1);
  return Status::kFileError;
}

Status RunStages(std::string_view source, const AssembleOptions& options, Log& log,
                 AssemblyResult& result) {
  result.formatted = Normalise(source);
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
