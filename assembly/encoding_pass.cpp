#include "assembly/encoding_pass.h"

#include "assembly/data_directives.h"
#include "assembly/encoding_context.h"
#include "assembly/instruction_encoder.h"
#include "assembly/mnemonic_table.h"
#include "common/large_buffer.h"

namespace kiv::assembly {

namespace {
constexpr size_t kSinkPiece = size_t{1} << 20;
}  // namespace

Status EncodeProgram(std::string_view formatted, const LabelTable& labels, Log& log,
                     std::string& object_text, const RecordSink& sink) {
  // Records take less room than their source; reserving spares the copies of
  // a growing buffer (pages not written are never touched).
  if (sink) {
    object_text.reserve(object_text.size() + kSinkPiece + 64);
  } else {
    ReserveLarge(object_text, object_text.size() + formatted.size());
  }
  EncodingContext context(formatted, labels, log, object_text);
  // Line ends mean nothing here: statements and operands are read as the next
  // tokens wherever they stand.
  std::string_view token;
  while (context.in.NextToken(token)) {
    const Classification classification = Classify(token);
    Status status = Status::kSuccess;
    switch (classification.kind) {
      case TokenKind::kLabelDefinition:
        continue;
      case TokenKind::kNotFound:
        log.Error("Unsupported instruction: ", context.Index());
        return Status::kUnsupportedInstruction;
      case TokenKind::kDirective:
        status = HandleDirective(context, classification.cls);
        break;
      case TokenKind::kInstruction:
        // Until the .text that closes it, a data section's records are read
        // back as data pairs: an instruction there would silently become data.
        if (context.data_open) {
          log.Error("Instruction inside data section: ", context.Index());
          return Status::kMalformedOperand;
        }
        status = EncodeInstruction(context, *classification.mnemonic);
        if (status == Status::kSuccess) ++context.index;
        break;
    }
    if (status != Status::kSuccess) return status;
    if (sink && object_text.size() >= kSinkPiece) {
      sink(object_text);
      object_text.clear();
    }
  }
  return Status::kSuccess;
}

}  // namespace kiv::assembly
