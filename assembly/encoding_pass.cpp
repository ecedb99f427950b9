#include "assembly/encoding_pass.h"

#include "assembly/data_directives.h"
#include "assembly/encoding_context.h"
#include "assembly/instruction_batch.h"
#include "assembly/instruction_encoder.h"
#include "assembly/mnemonic_table.h"
#include "common/large_buffer.h"

namespace kiv::assembly {

namespace {
constexpr size_t kSinkPiece = size_t{1} << 20;

Status EncodeStatement(EncodingContext& context, const Classification& classification) {
  switch (classification.kind) {
    case TokenKind::kLabelDefinition:
      return Status::kSuccess;
    case TokenKind::kNotFound:
      context.log.Error("Unsupported instruction: ", context.Index());
      return Status::kUnsupportedInstruction;
    case TokenKind::kDirective:
      return HandleDirective(context, classification.cls);
    case TokenKind::kInstruction:
      break;
  }
  // Until the .text that closes it, a data section's records are read back
  // as data pairs: an instruction there would silently become data.
  if (context.data_open) {
    context.log.Error("Instruction inside data section: ", context.Index());
    return Status::kMalformedOperand;
  }
  const Status status = EncodeInstruction(context, *classification.mnemonic);
  if (status == Status::kSuccess) ++context.index;
  return status;
}

// Encodes one statement and tells the observer about it.
Status EncodeObserved(EncodingContext& context, std::string_view token,
                      const Classification& classification, size_t records_handed_on,
                      StatementObserver& observer) {
  StatementEvent event;
  event.offset = context.in.position() - token.size();
  event.mnemonic = classification.mnemonic;
  event.kind = classification.kind;
  event.cls = classification.cls;
  event.index = context.index;
  event.records_begin = records_handed_on + context.object.size();
  event.status = EncodeStatement(context, classification);
  event.end = context.in.position();
  event.records_end = records_handed_on + context.object.size();
  if (classification.kind != TokenKind::kLabelDefinition) observer.OnStatement(event);
  return event.status;
}

// Hands the records to the sink in pieces of about kSinkPiece, each ending
// with a whole statement; without a sink they all stay in the object text.
class RecordPieces {
 public:
  RecordPieces(const RecordSink& sink, std::string& object, size_t formatted_size)
      : sink_(sink), object_(object) {
    // Records take less room than their source; reserving spares the copies
    // of a growing buffer (pages not written are never touched).
    if (sink_) {
      object_.reserve(object_.size() + kSinkPiece + 64);
    } else {
      ReserveLarge(object_, object_.size() + formatted_size);
    }
  }

  void AfterStatement() {
    if (sink_ && object_.size() >= kSinkPiece) {
      sink_(object_);
      handed_on_ += object_.size();
      object_.clear();
    }
  }

  size_t handed_on() const { return handed_on_; }
  const size_t& handed_on_ref() const { return handed_on_; }

 private:
  const RecordSink& sink_;
  std::string& object_;
  size_t handed_on_ = 0;
};

// The statement token classified with one load where the text allows.
Classification ClassifyStatement(std::string_view text, std::string_view token) {
  const auto left = static_cast<size_t>(text.data() + text.size() - token.data());
  return left >= 8 ? ClassifyFollowed(token) : Classify(token);
}

// Instructions go into the batch; any other statement writes the batch first,
// so that records and log lines keep the order of the source.
Status EncodeBatched(EncodingContext& context, InstructionBatch& batch, std::string_view token,
                     const Classification& classification, size_t records_handed_on,
                     StatementObserver* observer) {
  if (classification.kind == TokenKind::kLabelDefinition) return Status::kSuccess;
  if (classification.kind == TokenKind::kInstruction && !context.data_open) {
    return batch.Add(context, *classification.mnemonic, token);
  }
  const Status status = batch.Write(context);
  if (status != Status::kSuccess) return status;
  return observer == nullptr
             ? EncodeStatement(context, classification)
             : EncodeObserved(context, token, classification, records_handed_on, *observer);
}

// The batched pass from `state`. A part (kPart) also ends at the first
// statement at or after `stop`, or when asked to through `cancel`; the whole
// pass tests neither, as it runs for every statement.
template <bool kPart>
Status EncodeFrom(std::string_view formatted, const LabelTable& labels, Log& log,
                  std::string& object_text, const RecordSink& sink, EncodingState& state,
                  size_t stop, const std::stop_token& cancel, StatementObserver* observer) {
  // Records take less room than the text they come from.
  RecordPieces pieces(sink, object_text, formatted.size() - state.offset);
  EncodingContext context(formatted, labels, log, object_text, state);
  // The observer hears of each instruction when the batch writes it, and of
  // every other statement after the batch has been written: in source order.
  InstructionBatch batch(observer, &pieces.handed_on_ref());
  std::string_view token;
  for (;;) {
    // Reading a token moves only the scanner: the counts are the same after.
    const size_t before = context.in.position();
    bool end = !context.in.NextToken(token);
    if constexpr (kPart) {
      end = end || static_cast<size_t>(token.data() - formatted.data()) >= stop ||
            cancel.stop_requested();
    }
    if (end) {
      EncodingState reached = context.State();
      reached.offset = before;
      const Status status = batch.Write(context);
      if (status == Status::kSuccess) state = reached;
      return status;
    }
    const Status status = EncodeBatched(context, batch, token, ClassifyStatement(formatted, token),
                                        pieces.handed_on(), observer);
    if (status != Status::kSuccess) return status;
    pieces.AfterStatement();
  }
}

}  // namespace

Status EncodeProgram(std::string_view formatted, const LabelTable& labels, Log& log,
                     std::string& object_text, const RecordSink& sink,
                     StatementObserver* observer) {
  // The whole pass is one part: from the start of the text to its end.
  EncodingState state;
  return EncodeFrom<false>(formatted, labels, log, object_text, sink, state, std::string_view::npos,
                           {}, observer);
}

Status EncodeProgramStatementByStatement(std::string_view formatted, const LabelTable& labels,
                                         Log& log, std::string& object_text, const RecordSink& sink,
                                         StatementObserver* observer) {
  RecordPieces pieces(sink, object_text, formatted.size());
  EncodingContext context(formatted, labels, log, object_text);
  // Line ends mean nothing here: statements and operands are read as the next
  // tokens wherever they stand.
  std::string_view token;
  while (context.in.NextToken(token)) {
    const Classification classification = Classify(token);
    const Status status = observer == nullptr ? EncodeStatement(context, classification)
                                              : EncodeObserved(context, token, classification,
                                                               pieces.handed_on(), *observer);
    if (status != Status::kSuccess) return status;
    pieces.AfterStatement();
  }
  return Status::kSuccess;
}

Status EncodePart(std::string_view formatted, const LabelTable& labels, Log& log,
                  std::string& object_text, const RecordSink& sink, EncodingState& state,
                  size_t stop, std::stop_token cancel, StatementObserver* observer) {
  return EncodeFrom<true>(formatted, labels, log, object_text, sink, state, stop, cancel, observer);
}

}  // namespace kiv::assembly
