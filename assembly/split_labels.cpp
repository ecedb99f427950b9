#include "assembly/split_labels.h"

#include <optional>
#include <system_error>
#include <thread>

#include "assembly/byte_set_bits.h"
#include "assembly/label_definitions.h"
#include "assembly/label_scan.h"
#include "assembly/second_thread.h"
#include "common/processors.h"

namespace kiv::assembly {
namespace {

// The second thread's guess holds when the first stands at its starting
// point with the plain counts; the index is whatever it is.
bool AsGuessed(const LabelScanState& reached, size_t second_from) {
  LabelScanState guess;
  guess.pos = second_from;
  guess.index = reached.index;
  return reached == guess;
}

// What the second thread read: its definitions and faults, and the note
// when it lies past the point, all with indices from the point on.
struct SecondPart {
  std::optional<HeldDefinitions> held;  // made on the second thread
  SplitNote note;
};

void ReadSecondPart(std::string_view text, size_t second_from, SecondPart& part,
                    std::stop_token cancel) {
  LabelScanState from;
  from.pos = second_from;
  LabelScan scan(text, part.held.emplace(text.substr(second_from)), from,
                 std::span<SplitNote>(&part.note, 1));
  scan.Run(SIZE_MAX, std::move(cancel));
}

// Takes the second part's findings after the first part's own.
void TakeSecondPart(const SecondPart& part, uint32_t base, TableDefinitions& definitions,
                    SplitNote& split) {
  definitions.TakeHeld(*part.held, base);
  if (!split.state && part.note.state) {
    split.state = part.note.state;
    split.state->index += base;
  }
}

}  // namespace

Status BuildLabelListInTwoHalves(std::string_view formatted, LabelTable& table, Log& log,
                                 SplitNote& split) {
  return BuildLabelListInTwoHalves(formatted, table, log, split,
                                   LineStartFrom(formatted, split.from));
}

Status BuildLabelListInTwoHalves(std::string_view formatted, LabelTable& table, Log& log,
                                 SplitNote& split, size_t second_from, bool* second_taken) {
  if (second_taken != nullptr) *second_taken = false;
  if (second_from >= formatted.size()) return BuildLabelList(formatted, table, log, &split);
  SecondPart second{{}, {split.from, {}}};
  std::jthread worker;
  try {
    worker = StartBeside([&](std::stop_token cancel) {
      ReadSecondPart(formatted, second_from, second, std::move(cancel));
    });
  } catch (const std::system_error&) {
    return BuildLabelList(formatted, table, log, &split);  // no thread to be had
  }
  // Every label ends in a colon: counting them sizes the table once.
  table.Reserve(table.size() + CountByteSet<':'>(formatted));
  TableDefinitions definitions(table, log);
  LabelScan first(formatted, definitions, LabelScanState{}, std::span<SplitNote>(&split, 1));
  first.Run(second_from);
  if (!first.at_eof() && AsGuessed(first.state(), second_from)) {
    worker.join();
    TakeSecondPart(second, first.state().index, definitions, split);
    if (second_taken != nullptr) *second_taken = true;
  } else {
    worker.request_stop();
    worker.join();
    first.Run();
  }
  definitions.Finish();
  return Status::kSuccess;
}

}  // namespace kiv::assembly
