#include "kiv/chain.h"

#include "kiv/check.h"
#include "kiv/diagnostics.h"
#include "kiv/image.h"
#include "kiv/program.h"

namespace kiv::tool {

namespace {

// Keeps the image as the back end hands it on and lets the listing go by: a
// caller that reads only the image need not hold a listing twice its size.
class ImageOnly : public assembler::PackOutput {
 public:
  explicit ImageOnly(std::string& image) : image_(image) {}
  bool Open(size_t largest_image_size) override {
    image_.reserve(largest_image_size);
    return true;
  }
  void Take(std::string_view image_part, std::string_view /*listing_part*/) override {
    image_.append(image_part);
  }
  bool Close() override { return true; }

 private:
  std::string& image_;
};

ChainResult RunChain(std::string_view source, const assembly::AssembleOptions& options,
                     bool image_only) {
  ChainResult result;
  result.front = assembly::Assemble(source, options);
  result.front_succeeded = result.front.status == assembly::Status::kSuccess;
  if (!result.front_succeeded) return result;
  std::string image;
  ImageOnly output(image);
  result.back =
      assembler::Pack(result.front.object_text, {.output = image_only ? &output : nullptr});
  if (image_only) result.back.image = std::move(image);
  result.back_succeeded = result.back.status == assembler::Status::kOk;
  return result;
}

}  // namespace

ChainResult RunChain(std::string_view source, assembly::StatementObserver* observer) {
  assembly::AssembleOptions options;
  options.observer = observer;
  return RunChain(source, options, false);
}

ChainResult RunChain(std::string_view source, StatementLog& statements) {
  assembly::AssembleOptions options;
  options.observer = &statements;
  options.formatted_sink = [&statements](std::string_view formatted) {
    statements.SetText(formatted);
    return true;
  };
  return RunChain(source, options, true);
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
