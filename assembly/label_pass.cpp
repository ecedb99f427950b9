#include "assembly/label_pass.h"

#include "assembly/byte_set_bits.h"
#include "assembly/label_definitions.h"
#include "assembly/label_scan.h"

namespace kiv::assembly {

Status BuildLabelList(std::string_view formatted, LabelTable& table, Log& log, SplitNote* split) {
  // Every label ends in a colon: counting them sizes the table once.
  table.Reserve(table.size() + CountByteSet<':'>(formatted));
  TableDefinitions definitions(table, log);
  LabelScan scan(formatted, definitions, LabelScanState{}, split);
  scan.Run();
  definitions.Finish();
  return Status::kSuccess;
}

}  // namespace kiv::assembly
