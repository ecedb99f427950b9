// The promise of `kiv dis`: a valid program in the usual form, built from
// the fuzz bytes, goes through the chain, is disassembled, and goes through
// the chain again; both images must be the same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "assembly/mnemonic_table.h"
#include "fuzz/invariants.h"
#include "kiv/chain.h"

namespace {

using kiv::assembly::Mnemonic;
using kiv::assembly::OperandForm;

// Hands out the fuzz bytes as small numbers; zeros once they run out.
class ByteSource {
 public:
  ByteSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return position_ >= size_; }
  uint32_t Next(uint32_t bound) {  // in [0, bound)
    uint32_t value = 0;
    for (int i = 0; i < 4 && position_ < size_; ++i) value = value << 8 | data_[position_++];
    return bound == 0 ? 0 : value % bound;
  }
  uint32_t Byte() { return position_ < size_ ? data_[position_++] : 0; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

constexpr uint32_t kMaxInstructions = 300;  // keeps every label below index 1536
constexpr uint32_t kMaxDataItems = 24;

// A program in the usual form: one statement per line, labels at line
// starts, code and data sections, every label operand defined.
class ProgramBuilder {
 public:
  explicit ProgramBuilder(ByteSource& bytes) : bytes_(bytes) {}

  std::string Build() {
    const uint32_t statements = 1 + bytes_.Byte() % 64 * 4;
    // Labels of code name instructions; labels of data name data items.
    code_labels_ = 1 + bytes_.Byte() % 8;
    data_labels_ = bytes_.Byte() % 6;
    for (uint32_t i = 0; i < statements && !bytes_.empty(); ++i) {
      if (bytes_.Byte() % 8 == 0) {
        DataSection();
      } else {
        Instruction();
      }
    }
    // Every label used is defined: the rest stand before a final halt and in
    // a last data section.
    for (; next_code_label_ < code_labels_; ++next_code_label_) {
      text_ += "C" + std::to_string(next_code_label_) + ":\n";
    }
    text_ += "    halt\n";
    if (next_data_label_ < data_labels_) {
      text_ += "    .rdata\n";
      for (; next_data_label_ < data_labels_; ++next_data_label_) {
        text_ += "D" + std::to_string(next_data_label_) + ":\n    .word 7\n";
      }
      text_ += "    .text\n";
    }
    return text_;
  }

 private:
  std::string Register() {
    const uint32_t choice = bytes_.Byte();
    if (choice == 255) return "$sp";
    return "$" + std::to_string(choice);
  }

  std::string Immediate() {
    const uint32_t value = bytes_.Next(1u << 17);
    return bytes_.Byte() % 2 ? std::to_string(value) + "-" : std::to_string(value);
  }

  std::string CodeLabel() { return "C" + std::to_string(bytes_.Byte() % code_labels_); }
  std::string AnyLabel() {
    if (data_labels_ > 0 && bytes_.Byte() % 2)
      return "D" + std::to_string(bytes_.Byte() % data_labels_);
    return CodeLabel();
  }

  std::string Operands(const Mnemonic& row) {
    const bool branch =
        row.opcode == 4 || row.opcode == 5 || row.opcode == 128 || row.opcode == 129;
    // Other immediates may name a label too: they take its index.
    const std::string value = branch ? CodeLabel() : bytes_.Byte() % 8 ? Immediate() : AnyLabel();
    switch (row.form) {
      case OperandForm::kNone:
        return "";
      case OperandForm::kRdRsRt:
        return Register() + ", " + Register() + ", " + Register();
      case OperandForm::kRs:
        return Register();
      case OperandForm::kRsRd:
        return Register() + ", " + Register();
      case OperandForm::kRtRsImmediate:
        return Register() + ", " + Register() + ", " + value;
      case OperandForm::kRtImmediateRs:
        return Register() + ", " + value + "(" + Register() + ")";
      case OperandForm::kRtRs:
        return Register() + ", " + Register();
      case OperandForm::kRtImmediate:
        return Register() + ", " + value;
      case OperandForm::kImmediate:
        return value;
      case OperandForm::kTarget:
        return CodeLabel();
      case OperandForm::kRsTarget:
        // A label, or an index beyond 1535 that the back end leaves alone.
        return std::to_string(bytes_.Byte()) + ", " +
               (bytes_.Byte() % 4 ? AnyLabel() : std::to_string(1536 + bytes_.Next(1u << 17)));
      case OperandForm::kRsRt:
        return Register() + ", " + Register();
      case OperandForm::kTwoIntegers:
        return std::to_string(static_cast<int32_t>(bytes_.Next(0xffffffffu))) + " " +
               std::to_string(static_cast<int32_t>(bytes_.Next(0xffffffffu)));
    }
    return "";
  }

  void Instruction() {
    if (instructions_++ >= kMaxInstructions) return;
    if (next_code_label_ < code_labels_ && bytes_.Byte() % 3 == 0) {
      text_ += "C" + std::to_string(next_code_label_++) + ":\n";
    }
    const auto rows = kiv::assembly::Mnemonics();
    const Mnemonic& row = rows[bytes_.Byte() % rows.size()];
    text_ += "    " + std::string(row.token) + " " + Operands(row) + "\n";
  }

  std::string String() {
    const uint32_t length = bytes_.Byte() % 40;
    std::string text;
    for (uint32_t i = 0; i < length; ++i) {
      char c = static_cast<char>(' ' + bytes_.Byte() % 95);
      if (c == '"') c = '_';  // a string cannot hold its quote
      text += c;
    }
    // The label pass takes a line holding these for that directive.
    if (text.find(".word") != std::string::npos || text.find(".rdata") != std::string::npos) {
      std::replace(text.begin(), text.end(), '.', ':');
    }
    return text;
  }

  void DataSection() {
    text_ += "    .rdata\n";
    const uint32_t items = 1 + bytes_.Byte() % kMaxDataItems;
    for (uint32_t i = 0; i < items; ++i) {
      if (next_data_label_ < data_labels_ && bytes_.Byte() % 3 == 0) {
        text_ += "D" + std::to_string(next_data_label_++) + ":\n";
      }
      switch (bytes_.Byte() % 4) {
        case 0:
        case 1:
          text_ +=
              "    .word " + std::to_string(static_cast<int32_t>(bytes_.Next(0xffffffffu))) + "\n";
          break;
        case 2:
          text_ += "    .ascii \"" + String() + "\"\n";
          break;
        default:
          text_ += "    .align 4\n";
          break;
      }
    }
    text_ += "    .text\n";
  }

  ByteSource& bytes_;
  std::string text_;
  uint32_t code_labels_ = 1;
  uint32_t data_labels_ = 0;
  uint32_t next_code_label_ = 0;
  uint32_t next_data_label_ = 0;
  uint32_t instructions_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ByteSource bytes(data, size);
  const std::string source = ProgramBuilder(bytes).Build();
  const kiv::tool::RoundTrip trip = kiv::tool::RunRoundTrip(source);
  if (!trip.applies) return 0;  // e.g. a branch into data: the chain refuses it
  if (!trip.same) {
    std::fprintf(stderr, "--- source\n%s\n--- disassembly\n%s\n", source.c_str(),
                 trip.disassembly.text.c_str());
    kiv::fuzz::Fail("the disassembly assembles to another image");
  }
  return 0;
}
