#include "assembly/data_directives.h"

#include <array>
#include <cstdint>

#include "assembly/index_rules.h"

namespace kiv::assembly {
namespace {

constexpr uint32_t kFillerWord = 0x11111111;
constexpr char kFillerByte = 0x11;

void FlushWords(EncodingContext& context) {
  if (StretchNeedsFiller(context.data_words)) context.out.DataPair(kFillerWord, kFillerWord);
  context.index += StretchEndIndices(context.data_words);
  context.data_words = 0;
}

Status OutsideDataSection(EncodingContext& context) {
  context.log.Error("Data directive outside data section: ", context.Index());
  return Status::kMalformedOperand;
}

// Packs string bytes eight at a time into data pairs: bytes 0-3 form the
// second word and bytes 4-7 the first, each with its lowest byte least
// significant, so the string lies in the image in source order.
class StringPacker {
 public:
  explicit StringPacker(EncodingContext& context) : context_(context) {}

  // False when the group would read back as the end-of-data record.
  bool Add(char c) {
    group_[count_ % 8] = static_cast<unsigned char>(c);
    ++count_;
    if (count_ % 8 != 0) return true;
    const uint32_t first = Word(4);
    const uint32_t second = Word(0);
    group_.fill(0);
    if (first == 0xffffffffu) return false;
    context_.out.DataPair(first, second);
    return true;
  }

  uint64_t count() const { return count_; }

 private:
  uint32_t Word(size_t start) const {
    return static_cast<uint32_t>(group_[start]) | static_cast<uint32_t>(group_[start + 1]) << 8 |
           static_cast<uint32_t>(group_[start + 2]) << 16 |
           static_cast<uint32_t>(group_[start + 3]) << 24;
  }

  EncodingContext& context_;
  std::array<unsigned char, 8> group_{};
  uint64_t count_ = 0;
};

Status EncodeAscii(EncodingContext& context) {
  // The directive is followed by one separator, then the opening quote. A
  // missing quote is reported and the character taken as if it were one.
  char c = 0;
  context.in.NextChar(c);
  if (!context.in.NextChar(c) || c != '"')
    context.log.Error("Error ASCII parsing", context.Index());

  const size_t written_before = context.object.size();
  auto fail = [&] {
    context.object.resize(written_before);  // nothing of a faulty string is kept
    context.log.Error("Error ASCII parsing", context.Index());
    return Status::kMalformedOperand;
  };
  StringPacker packer(context);
  for (;;) {
    if (!context.in.NextChar(c)) return fail();  // not closed before the end
    if (c == '"') break;
    if (!packer.Add(c)) return fail();
  }
  while (packer.count() % 16 != 0) packer.Add(kFillerByte);
  context.index += static_cast<uint32_t>(StringIndices(packer.count()));
  return Status::kSuccess;
}

}  // namespace

Status HandleDirective(EncodingContext& context, InstructionClass cls) {
  switch (cls) {
    case InstructionClass::kRdata:
      if (!context.data_open) {
        context.data_open = true;
        context.out.DataMarker();
        context.data_words = 0;
      }
      return Status::kSuccess;
    case InstructionClass::kWord: {
      if (!context.data_open) return OutsideDataSection(context);
      int32_t value = 0;
      if (!context.in.ReadInteger(value)) return context.InvalidOperand();
      context.out.DataPair(0, static_cast<uint32_t>(value));
      context.index += PairIndices(context.data_words++);
      return Status::kSuccess;
    }
    case InstructionClass::kAscii:
      if (!context.data_open) return OutsideDataSection(context);
      return EncodeAscii(context);
    case InstructionClass::kAlign:
      FlushWords(context);
      context.in.SkipInteger();  // the alignment itself has no effect
      return Status::kSuccess;
    case InstructionClass::kText:
      if (context.data_open) {
        FlushWords(context);
        context.out.EndOfData();
        context.data_open = false;
      }
      return Status::kSuccess;
    default:
      return Status::kSuccess;
  }
}

}  // namespace kiv::assembly
