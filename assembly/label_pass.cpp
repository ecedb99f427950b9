#include "assembly/label_pass.h"

#include "assembly/byte_set_bits.h"
#include "assembly/label_definitions.h"
#include "assembly/label_scan.h"

namespace kiv::assembly {

Status BuildLabelList(std::string_view formatted, LabelTable& table, Log& log,
                      std::span<SplitNote> notes) {
  // Every label ends in a colon: counting them sizes the table once.
  table.Reserve(table.size() + CountByteSet<':'>(formatted));
  TableDefinitions definitions(table, log);
  LabelScan scan(formatted, definitions, LabelScanState{}, notes);
  scan.Run();
  definitions.Finish();
  return Status::kSuccess;
}

namespace {

// The table's definitions, each also listed as it is entered.
class ListedDefinitions {
 public:
  ListedDefinitions(std::string_view text, TableDefinitions& table,
                    std::vector<DefinedLabel>& defined, std::atomic<size_t>* listed)
      : text_(text), table_(table), defined_(defined), listed_(listed) {}
  void Define(std::string_view name, uint32_t index) {
    const auto name_offset = static_cast<size_t>(name.data() - text_.data());
    defined_.push_back(DefinedLabel{name_offset, name_offset + name.size(), index});
    // Often enough that a reader is seldom kept waiting, seldom enough that
    // the stores cost nothing; at the start, where the reader waits for the
    // first few, after each doubling.
    constexpr size_t kListedEvery = 256;
    const size_t count = defined_.size();
    if (listed_ != nullptr && (count % kListedEvery == 0 || (count & (count - 1)) == 0)) Tell();
    table_.Define(name, index);
  }
  void AsciiFault(uint32_t index) { table_.AsciiFault(index); }
  void Finish() {
    table_.Finish();
    if (listed_ != nullptr) Tell();
  }

 private:
  void Tell() { listed_->store(defined_.size(), std::memory_order_release); }

  std::string_view text_;
  TableDefinitions& table_;
  std::vector<DefinedLabel>& defined_;
  std::atomic<size_t>* listed_;
};

}  // namespace

Status BuildLabelList(std::string_view formatted, LabelTable& table, Log& log,
                      std::span<SplitNote> notes, std::vector<DefinedLabel>& defined,
                      std::atomic<size_t>* listed, std::optional<size_t> colons) {
  const size_t room = colons ? *colons : CountByteSet<':'>(formatted);
  table.Reserve(table.size() + room);
  defined.reserve(defined.size() + room);
  TableDefinitions entered(table, log);
  ListedDefinitions definitions(formatted, entered, defined, listed);
  LabelScan scan(formatted, definitions, LabelScanState{}, notes);
  scan.Run();
  definitions.Finish();
  return Status::kSuccess;
}

Status BuildLabelList(std::string_view formatted, LabelTable& table, Log& log, SplitNote* split) {
  return BuildLabelList(formatted, table, log,
                        split != nullptr ? std::span<SplitNote>(split, 1) : std::span<SplitNote>());
}

}  // namespace kiv::assembly
