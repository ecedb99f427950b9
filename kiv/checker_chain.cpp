#include "kiv/checker_chain.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "assembler/pack.h"

namespace kiv::tool {
namespace {

// Keeps the statement the encoding pass stopped at.
class FailureObserver : public assembly::StatementObserver {
 public:
  void OnStatement(const assembly::StatementEvent& event) override {
    if (event.status != assembly::Status::kSuccess) failed_ = event;
  }
  const std::optional<assembly::StatementEvent>& failed() const { return failed_; }

 private:
  std::optional<assembly::StatementEvent> failed_;
};

// Takes nothing: the check needs pass 1's layout, not the image, and saying
// no to the outputs stops the back end right after pass 1 and padding.
class NoOutput : public assembler::PackOutput {
 public:
  bool Open(size_t /*largest_image_size*/) override { return false; }
  bool Close() override { return false; }
  void Take(std::string_view /*image*/, std::string_view /*listing*/) override {}
};

// "!!ERROR: Unsupported instruction:  5" -> "Unsupported instruction"
std::string LastErrorMessage(std::string_view log, std::string_view prefix) {
  const size_t at = log.rfind(prefix);
  if (at == std::string_view::npos) return "an error";
  std::string_view line = log.substr(at + prefix.size());
  line = line.substr(0, line.find('\n'));
  if (prefix.front() == '!') line = line.substr(0, line.rfind(' '));  // the index
  while (!line.empty() && (line.back() == ' ' || line.back() == ':')) line.remove_suffix(1);
  while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  return std::string(line);
}

}  // namespace

FrontEndRun RunFrontEnd(std::string_view source) {
  FailureObserver observer;
  assembly::AssembleOptions options;
  options.observer = &observer;
  FrontEndRun run{assembly::Assemble(source, options), std::nullopt, 1};
  if (const auto& failed = observer.failed()) {
    run.failing_offset = failed->offset;
    // The statement token alone: its operands may run over lines.
    const std::string_view text = run.result.formatted;
    size_t end = failed->offset;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
    run.failing_length = std::max<size_t>(end - failed->offset, 1);
    run.failing_line_end = std::min(text.find('\n', std::max(failed->end, end)), text.size());
  }
  return run;
}

void ReportFrontEndFailure(const FrontEndRun& run, Report& report) {
  if (run.result.status == assembly::Status::kSuccess) return;
  const size_t offset = run.failing_offset.value_or(0);
  // An error on the failing statement's lines, or before it, already says
  // what the user has to fix.
  if (report.has_error() && report.first_error_offset() <= run.failing_line_end) return;
  report.Error(offset, run.failing_length,
               "the front end stops here: " + LastErrorMessage(run.result.log, "!!ERROR: "));
}

std::optional<assembler::BoundaryTable> RunBackEndLayout(std::string_view object_text,
                                                         const ProgramFacts& facts,
                                                         Report& report) {
  NoOutput no_output;
  assembler::PackOptions options;
  options.output = &no_output;
  assembler::PackResult packed = assembler::Pack(object_text, options);
  // A file error here only means pass 1 accepted the text and NoOutput said no.
  if (packed.status == assembler::Status::kFileError) return std::move(packed.boundaries);
  if (!report.has_error()) {
    const size_t offset = facts.transfers.empty() ? 0 : facts.transfers.front().operand_offset;
    report.Error(offset, 1,
                 "the back end refuses the program: " + LastErrorMessage(packed.log, "ERROR: "));
  }
  return std::nullopt;
}

}  // namespace kiv::tool
