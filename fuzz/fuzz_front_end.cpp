// The whole front end on an in-memory source: normaliser, label table, label
// pass and encoding pass, checking what must hold of their results.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "assembly/assemble.h"
#include "assembly/encoding_pass.h"
#include "assembly/label_pass.h"
#include "assembly/normaliser.h"
#include "assembly/split_encoding.h"
#include "assembly/split_labels.h"
#include "assembly/split_normaliser.h"
#include "assembly/statement_observer.h"
#include "fuzz/invariants.h"

using namespace kiv::assembly;
using kiv::fuzz::Check;

namespace {

// Every statement event, as a tool listening to the pass would keep it.
class EventLog : public StatementObserver {
 public:
  void OnStatement(const StatementEvent& e) override { events_.push_back(e); }
  bool SameAs(const EventLog& other) const {
    return std::equal(events_.begin(), events_.end(), other.events_.begin(), other.events_.end(),
                      [](const StatementEvent& a, const StatementEvent& b) {
                        return a.offset == b.offset && a.end == b.end && a.mnemonic == b.mnemonic &&
                               a.kind == b.kind && a.cls == b.cls && a.index == b.index &&
                               a.records_begin == b.records_begin &&
                               a.records_end == b.records_end && a.status == b.status;
                      });
  }

 private:
  std::vector<StatementEvent> events_;
};

// The pass in two halves from the note against the pass in one piece, with
// and without an observer: the same status, records, log and events.
void CheckTwoHalves(std::string_view formatted, const LabelTable& labels,
                    const EncodingState& note) {
  for (const bool observed : {false, true}) {
    Log whole_log;
    Log split_log;
    std::string whole;
    std::string split;
    EventLog whole_events;
    EventLog split_events;
    const Status whole_status =
        EncodeProgram(formatted, labels, whole_log, whole, {}, observed ? &whole_events : nullptr);
    const Status split_status = EncodeProgramInTwoHalves(formatted, labels, split_log, split, {},
                                                         note, observed ? &split_events : nullptr);
    Check(split_status == whole_status && split == whole && split_log.text() == whole_log.text(),
          "the encoding pass in two halves differed from the pass in one piece");
    Check(split_events.SameAs(whole_events),
          "an observer heard the pass in two halves differently");
  }
}

// The labels in the order the table holds them, as their insertion order
// decides.
std::string SlotText(const LabelTable& labels) {
  std::string text;
  labels.ForEachLabel([&text](std::string_view name, int32_t index) {
    text.append(name).append(" ").append(std::to_string(index)).append("\n");
  });
  return text;
}

// The label pass in two halves, from the line start after the middle and
// from a point inside a line, against the pass in one piece: the same table,
// log and note.
void CheckLabelPassInTwoHalves(std::string_view formatted, const LabelTable& labels, const Log& log,
                               const SplitNote& note) {
  for (const size_t second_from : {formatted.size() / 2, formatted.size() / 3}) {
    LabelTable split_labels;
    Log split_log;
    SplitNote split_note{note.from, {}};
    if (second_from == formatted.size() / 2) {
      BuildLabelListInTwoHalves(formatted, split_labels, split_log, split_note);
    } else {
      BuildLabelListInTwoHalves(formatted, split_labels, split_log, split_note, second_from);
    }
    const bool same_note = split_note.state.has_value() == note.state.has_value() &&
                           (!note.state || (split_note.state->offset == note.state->offset &&
                                            split_note.state->SameCounts(*note.state)));
    Check(SlotText(split_labels) == SlotText(labels) && split_log.text() == log.text() && same_note,
          "the label pass in two halves differed from the pass in one piece");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view source(reinterpret_cast<const char*>(data), size);

  const std::string formatted = NormaliseSource(source);
  // Only comments are dropped; every line end is kept.
  Check(formatted.size() <= source.size(), "normaliser made the text longer");
  Check(std::count(formatted.begin(), formatted.end(), '\n') ==
            std::count(source.begin(), source.end(), '\n'),
        "normaliser changed the number of lines");
  Check(std::count(formatted.begin(), formatted.end(), '"') <=
            std::count(source.begin(), source.end(), '"'),
        "normaliser invented a quote");
  // The second half normalised on a second thread from the middle line on,
  // the guess there right or wrong, leaves the same text.
  std::string in_halves;
  NormaliseInPieces(
      source, [&in_halves](std::string_view piece) { return in_halves.append(piece), true; },
      size / 2);
  Check(in_halves == formatted, "the normaliser in two halves differed from one piece");

  const AssemblyResult result = Assemble(source);
  Check(result.formatted == formatted, "the entry point normalised differently");
  kiv::fuzz::CheckObjectText(result.object_text);

  // CR LF line ends change nothing in a source without strings (inside one, a CR is
  // a character of the string).
  if (source.find_first_of("\"\r") == std::string_view::npos) {
    std::string crlf;
    for (const char c : source) {
      if (c == '\n') crlf.push_back('\r');
      crlf.push_back(c);
    }
    const AssemblyResult crlf_result = Assemble(crlf);
    Check(crlf_result.status == result.status && crlf_result.object_text == result.object_text &&
              crlf_result.log == result.log,
          "CR LF line ends changed the result");
  }
  // The label pass and the encoding pass in two halves, from a point near the
  // middle (the guess there right or wrong), give what each gives in one piece.
  {
    LabelTable labels;
    Log label_log;
    SplitNote note{formatted.size() / 2, {}};
    BuildLabelList(formatted, labels, label_log, &note);
    Check(result.log.starts_with(label_log.text()), "taking the note changed the label pass's log");
    CheckLabelPassInTwoHalves(formatted, labels, label_log, note);
    if (note.state) CheckTwoHalves(formatted, labels, *note.state);
  }
  // A failing pass says why, in one error line at the end of the log.
  if (result.status != Status::kSuccess) {
    Check(result.log.rfind("!!ERROR: ", 0) == 0 ||
              result.log.find("\n!!ERROR: ") != std::string::npos,
          "failing encoding pass logged no error");
  }
  return 0;
}
