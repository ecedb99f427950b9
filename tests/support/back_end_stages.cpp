#include "tests/support/back_end_stages.h"

#include "assembler/pass1.h"
#include "assembler/pass2.h"
#include "assembler/record_decoder.h"
#include "assembler/record_list.h"

namespace kiv::assembler {

Status RunPass1(std::string_view text, BoundaryTable& table, Log& log) {
  RecordList records;
  return RunPass1(text, table, log, records);
}

Status RunPass2(std::string_view text, const BoundaryTable& table, std::string& image,
                std::string& listing) {
  RecordList records;
  if (!DecodeRecords(text, records)) return Status::kMalformedRecord;
  RunPass2(records, table, image, listing);
  return Status::kOk;
}

}  // namespace kiv::assembler
