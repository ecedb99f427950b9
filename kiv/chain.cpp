#include "kiv/chain.h"

#include "kiv/check.h"
#include "kiv/diagnostics.h"
#include "kiv/image.h"
#include "kiv/program.h"

namespace kiv::tool {

namespace {

ChainResult RunChain(std::string_view source, const assembly::AssembleOptions& options) {
  ChainResult result;
  result.front = assembly::Assemble(source, options);
  result.front_succeeded = result.front.status == assembly::Status::kSuccess;
  if (!result.front_succeeded) return result;
  result.back = assembler::Pack(result.front.object_text);
  result.back_succeeded = result.back.status == assembler::Status::kOk;
  return result;
}

}  // namespace

ChainResult RunChain(std::string_view source, assembly::StatementObserver* observer) {
  assembly::AssembleOptions options;
  options.observer = observer;
  return RunChain(source, options);
}

ChainResult RunChain(std::string_view source, StatementLog& statements) {
  assembly::AssembleOptions options;
  options.observer = &statements;
  options.formatted_sink = [&statements](std::string_view formatted) {
    statements.SetText(formatted);
    return true;
  };
  return RunChain(source, options);
}

bool DisassembleImage(std::string_view image, const DisassemblyOptions& options,
                      Disassembly& disassembly, std::string& error) {
  Image read;
  if (!ReadBinaryImage(image, read, error)) return false;
  disassembly = Disassemble(ReadProgram(read), options);
  return true;
}

RoundTrip RunRoundTrip(std::string_view source) {
  RoundTrip trip;
  ChainResult first = RunChain(source);
  if (!first.succeeded()) return trip;
  trip.applies = true;
  trip.first_image = std::move(first.back.image);
  std::string error;
  if (!DisassembleImage(trip.first_image, {}, trip.disassembly, error)) return trip;
  ChainResult second = RunChain(trip.disassembly.text);
  if (!second.succeeded()) return trip;
  trip.second_image = std::move(second.back.image);
  trip.same = trip.first_image == trip.second_image;
  return trip;
}

}  // namespace kiv::tool

namespace kiv::tool {
namespace {

// The first line of a log that reports an error.
std::string_view FirstErrorLine(std::string_view log) {
  while (!log.empty()) {
    const size_t end = log.find('\n');
    const std::string_view line = log.substr(0, end);
    if (line.find("ERROR") != std::string_view::npos) return line;
    if (end == std::string_view::npos) break;
    log.remove_prefix(end + 1);
  }
  return "stopped";
}

}  // namespace

void ReportFailure(std::ostream& err, std::string_view source_name, std::string_view source,
                   const ChainResult& chain) {
  const std::vector<Diagnostic> diagnostics = CheckSource(source);
  PrintDiagnostics(err, source_name, source, diagnostics, false);
  if (HasError(diagnostics) || chain.succeeded()) return;
  const std::string_view program = chain.front_succeeded ? "assembler" : "assembly";
  const std::string_view log = chain.front_succeeded ? chain.back.log : chain.front.log;
  err << source_name << ": error: " << program << ": " << FirstErrorLine(log) << "\n";
}

bool SourceIsClean(std::string_view source, const ChainResult& chain) {
  return chain.succeeded() && !HasError(CheckSource(source));
}

}  // namespace kiv::tool
