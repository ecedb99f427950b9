#include "kiv/checker_chain.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "assembler/pack.h"
#include "assembly/byte_set_bits.h"
#include "assembly/encoding_pass.h"
#include "assembly/label_pass.h"
#include "assembly/log.h"
#include "assembly/normaliser.h"
#include "assembly/second_thread.h"
#include "assembly/split_encoding.h"
#include "assembly/statement_observer.h"

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

void NoteFailure(const assembly::StatementEvent& failed, FrontEndRun& run) {
  run.failing_offset = failed.offset;
  // The statement token alone: its operands may run over lines.
  const std::string_view text = run.formatted;
  size_t end = failed.offset;
  while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
  run.failing_length = std::max<size_t>(end - failed.offset, 1);
  run.failing_line_end = std::min(text.find('\n', std::max(failed.end, end)), text.size());
}

// The encoding pass again, with an observer, into a log and records of its
// own: the statement it stops at is the one the first run stopped at.
void FindFailure(FrontEndRun& run) {
  assembly::Log log;
  std::string object_text;
  FailureObserver observer;
  assembly::EncodeProgram(run.formatted, run.labels, log, object_text, {}, &observer);
  if (observer.failed()) NoteFailure(*observer.failed(), run);
}

// Small enough to stay in the cache from the normaliser to the colon count.
constexpr size_t kNormalisedPiece = size_t{256} << 10;

}  // namespace

void MakeLabelRoom(FrontEndRun& run, size_t labels) {
  assembly::CreateLabelTable(run.labels);
  run.labels.Reserve(labels);
  run.defined.reserve(labels);
}

void RunLabelPass(std::string_view source, FrontEndRun& run,
                  const std::function<void()>& formatted_ready, std::atomic<size_t>* listed,
                  const std::function<std::optional<size_t>()>& label_room) {
  assembly::Log log;
  // Normalised a piece at a time straight into room of the source's size
  // (the text is never longer), each piece's colons counted while it is
  // still in the cache, unless another thread counts them: the label pass
  // makes its room from them rather than read the whole text once more
  // first. The room may have been made by the caller already, for a thread
  // of its own to enter its pages.
  if (run.formatted_room.size() < source.size()) run.formatted_room = LargeBlock(source.size());
  char* const text = static_cast<char*>(run.formatted_room.data());
  assembly::Normaliser normaliser;
  char* end = text;
  size_t colons = 0;
  const bool count_here = !label_room;
  for (size_t at = 0; at < source.size(); at += kNormalisedPiece) {
    char* const piece = end;
    end = normaliser.Normalise(source.substr(at, kNormalisedPiece), piece);
    if (count_here) {
      colons +=
          assembly::CountByteSet<':'>(std::string_view(piece, static_cast<size_t>(end - piece)));
    }
  }
  run.formatted = std::string_view(text, static_cast<size_t>(end - text));
  if (formatted_ready) formatted_ready();
  // The room made elsewhere is for the source's colons: only comments are
  // dropped from the text, which has no colon the source lacks.
  const std::optional<size_t> room = label_room ? label_room() : std::nullopt;
  if (room) {
    colons = *room;
  } else {
    if (!count_here) colons = assembly::CountByteSet<':'>(run.formatted);
    assembly::CreateLabelTable(run.labels);
  }
  // On a large text the label pass notes the counts at line starts spread
  // over it: the check's walk is split at one of them, chosen once the pass
  // has ended, and a failing source is encoded in two halves from the
  // middle one, as the front end's own driver does.
  const size_t size = run.formatted.size();
  std::vector<assembly::SplitNote> notes;
  if (assembly::WorthASecondThread(size)) {
    for (size_t k = 1; k < kWalkStarts; ++k) notes.push_back({size / kWalkStarts * k, {}});
  }
  run.status =
      assembly::BuildLabelList(run.formatted, run.labels, log, notes, run.defined, listed, colons);
  for (size_t i = 0; i < notes.size(); ++i) {
    const assembly::SplitNote& note = notes[i];
    if (!note.state) break;
    if (i + 1 == kWalkStarts / 2) run.split_state = note.state;
    if (run.walk_starts.empty() || run.walk_starts.back().offset != note.state->offset) {
      run.walk_starts.push_back(*note.state);
    }
  }
  run.log = log.text();
}

void RunEncodingPass(FrontEndRun& run) {
  if (run.status != assembly::Status::kSuccess) return;
  assembly::Log log;
  // Most sources pass: only a failing one is encoded again, with an
  // observer, to find the statement it stops at.
  run.status = run.split_state
                   ? assembly::EncodeProgramInTwoHalves(run.formatted, run.labels, log,
                                                        run.object_text, {}, *run.split_state)
                   : assembly::EncodeProgram(run.formatted, run.labels, log, run.object_text);
  if (run.status != assembly::Status::kSuccess) FindFailure(run);
  run.log += log.text();
}

void RunFrontEnd(std::string_view source, FrontEndRun& run,
                 const std::function<void()>& labels_ready,
                 const std::function<void()>& formatted_ready) {
  RunLabelPass(source, run, formatted_ready);
  if (labels_ready) labels_ready();
  RunEncodingPass(run);
}

void ReportFrontEndFailure(const FrontEndRun& run, Report& report) {
  if (run.status == assembly::Status::kSuccess) return;
  const size_t offset = run.failing_offset.value_or(0);
  // An error on the failing statement's lines, or before it, already says
  // what the user has to fix.
  if (report.has_error() && report.first_error_offset() <= run.failing_line_end) return;
  report.Error(offset, run.failing_length,
               "the front end stops here: " + LastErrorMessage(run.log, "!!ERROR: "));
}

BackEndLayout RunBackEndLayout(std::string_view object_text) {
  // The check needs pass 1's layout, not the image.
  assembler::PackResult packed = assembler::Pack(object_text, {.layout_only = true});
  BackEndLayout layout;
  if (packed.status == assembler::Status::kOk) {
    layout.table = std::move(packed.boundaries);
  } else {
    layout.refusal = LastErrorMessage(packed.log, "ERROR: ");
  }
  return layout;
}

void ReportBackEndRefusal(const BackEndLayout& layout, const ProgramFacts& facts, Report& report) {
  if (layout.table || report.has_error()) return;
  const size_t offset = facts.transfers.empty() ? 0 : facts.transfers[0].operand_offset;
  report.Error(offset, 1, "the back end refuses the program: " + layout.refusal);
}

}  // namespace kiv::tool
