#include "assembly/split_encoding.h"

#include <system_error>
#include <thread>

namespace kiv::assembly {
namespace {

// The second half's work, kept aside until the first half knows whether it
// belongs to the outcome.
struct SecondHalf {
  Log log;  // shown on the console only if it is taken
  std::string records;
  Status status = Status::kSuccess;
};

// Appends what the second half made, as if the first had gone on to make it.
Status TakeSecondHalf(const SecondHalf& second, Log& log, std::string& object_text,
                      const RecordSink& sink) {
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
                                const EncodingState& split) {
  if (split.offset > formatted.size())
    return EncodeProgram(formatted, labels, log, object_text, sink);
  SecondHalf second;
  std::jthread worker;
  try {
    worker = std::jthread([&](std::stop_token cancel) {
      EncodingState from = split;
      second.status = EncodePart(formatted, labels, second.log, second.records, {}, from,
                                 std::string_view::npos, cancel);
    });
  } catch (const std::system_error&) {
    return EncodeProgram(formatted, labels, log, object_text, sink);  // no thread to be had
  }
  EncodingState reached;
  const Status status =
      EncodePart(formatted, labels, log, object_text, sink, reached, split.offset);
  // The second half started where the first now stands only if nothing the
  // first read runs past the noted offset, and the counts agree.
  if (status == Status::kSuccess && reached.offset <= split.offset && reached.SameCounts(split)) {
    worker.join();
    return TakeSecondHalf(second, log, object_text, sink);
  }
  worker.request_stop();
  worker.join();
  if (status != Status::kSuccess) return status;
  return EncodePart(formatted, labels, log, object_text, sink, reached);
}

}  // namespace kiv::assembly
