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

Status BuildLabelList(std::string_view formatted, LabelTable& table, Log& log, SplitNote* split) {
  return BuildLabelList(formatted, table, log,
                        split != nullptr ? std::span<SplitNote>(split, 1) : std::span<SplitNote>());
}

}  // namespace kiv::assembly
