#include "assembly/split_encoding.h"

#include <system_error>
#include <thread>
#include <vector>

#include "common/processors.h"

namespace kiv::assembly {
namespace {

// The second half's statements, heard before the first half's: kept, and
// told on in order once the first half has been told of its own.
class HeldStatements : public StatementObserver {
 public:
  // Room for the statements of `text_size` bytes, a short line each at most,
  // so that a million events are not copied as the list grows.
  void Reserve(size_t text_size) { events_.reserve(text_size / 16); }
  void OnStatement(const StatementEvent& event) override { events_.push_back(event); }
  // Its records now follow `records_before` bytes of the first half's.
  void TellOn(StatementObserver& observer, size_t records_before) const {
    for (StatementEvent event : events_) {
      event.records_begin += records_before;
      event.records_end += records_before;
      observer.OnStatement(event);
    }
  }

 private:
  std::vector<StatementEvent> events_;
};

// The second half's work, kept aside until the first half knows whether it
// belongs to the outcome.
struct SecondHalf {
  Log log;  // shown on the console only if it is taken
  std::string records;
  Status status = Status::kSuccess;
  HeldStatements statements;
};

// Appends what the second half made, as if the first had gone on to make it.
Status TakeSecondHalf(const SecondHalf& second, Log& log, std::string& object_text,
                      const RecordSink& sink, StatementObserver* observer) {
  // Only without a sink: the first half's records are then all still here.
  if (observer != nullptr) second.statements.TellOn(*observer, object_text.size());
  log.Append(second.log);
  if (sink) {
    if (!object_text.empty()) sink(object_text);
    if (!second.records.empty()) sink(second.records);
    object_text.clear();
  } else {
    object_text += second.records;
  }
  return second.status;
}

}  // namespace

Status EncodeProgramInTwoHalves(std::string_view formatted, const LabelTable& labels, Log& log,
                                std::string& object_text, const RecordSink& sink,
                                const EncodingState& split, StatementObserver* observer) {
  if (split.offset > formatted.size() || (observer != nullptr && sink))
    return EncodeProgram(formatted, labels, log, object_text, sink, observer);
  SecondHalf second;
  if (observer != nullptr) second.statements.Reserve(formatted.size() - split.offset);
  std::jthread worker;
  try {
    worker = StartBeside([&](std::stop_token cancel) {
      EncodingState from = split;
      second.status =
          EncodePart(formatted, labels, second.log, second.records, {}, from,
                     std::string_view::npos, cancel, observer ? &second.statements : nullptr);
    });
  } catch (const std::system_error&) {
    // No thread to be had.
    return EncodeProgram(formatted, labels, log, object_text, sink, observer);
  }
  EncodingState reached;
  const Status status =
      EncodePart(formatted, labels, log, object_text, sink, reached, split.offset, {}, observer);
  // The second half started where the first now stands only if nothing the
  // first read runs past the noted offset, and the counts agree.
  if (status == Status::kSuccess && reached.offset <= split.offset && reached.SameCounts(split)) {
    worker.join();
    return TakeSecondHalf(second, log, object_text, sink, observer);
  }
  worker.request_stop();
  worker.join();
  if (status != Status::kSuccess) return status;
  return EncodePart(formatted, labels, log, object_text, sink, reached, std::string_view::npos, {},
                    observer);
}

}  // namespace kiv::assembly
