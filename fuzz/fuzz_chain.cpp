// The front end's object text fed to the back end: whatever the front end
// accepts, the back end either packs into whole units or refuses for a jump
// or branch into data; it never finds a record it cannot read. And `kiv
// check` finds an error exactly when one of the programs refuses the source:
// it skips running them on a source it finds clean. Its walk takes the
// label definitions from the label pass's list of them, which holds every
// colon its own scan of the text finds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "assembler/pack.h"
#include "assembly/assemble.h"
#include "assembly/label_pass.h"
#include "assembly/log.h"
#include "assembly/normaliser.h"
#include "fuzz/invariants.h"
#include "kiv/check.h"
#include "kiv/checker_labels.h"

using kiv::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view source(reinterpret_cast<const char*>(data), size);

  const std::string formatted = kiv::assembly::NormaliseSource(source);
  kiv::assembly::LabelTable labels;
  kiv::assembly::CreateLabelTable(labels);
  kiv::assembly::Log log;
  std::vector<kiv::assembly::DefinedLabel> defined;
  kiv::assembly::BuildLabelList(formatted, labels, log, {}, defined);
  const std::vector<kiv::tool::LabelDefinition> scanned =
      kiv::tool::ScanLabelDefinitions(formatted);
  Check(defined.size() == scanned.size(), "the label pass listed other definitions than the scan");
  for (size_t i = 0; i < defined.size(); ++i) {
    Check(defined[i].colon_offset == scanned[i].colon_offset,
          "the label pass listed a colon the scan does not find");
  }

  const bool check_found_error = kiv::tool::HasError(kiv::tool::CheckSource(source));
  const kiv::assembly::AssemblyResult front = kiv::assembly::Assemble(source);
  if (front.status != kiv::assembly::Status::kSuccess) {
    Check(check_found_error, "kiv check found no error in a source the front end refuses");
    return 0;
  }
  const std::string& object = front.object_text;
  const bool ends_in_data = kiv::fuzz::CheckObjectText(object);

  const kiv::assembler::PackResult packed = kiv::assembler::Pack(object);
  if (packed.status == kiv::assembler::Status::kTargetInData) {
    Check(check_found_error, "kiv check found no error in a source the back end refuses");
    return 0;
  }
  Check(packed.status == kiv::assembler::Status::kOk, "back end refused the front end's text");
  kiv::fuzz::CheckOutputs(packed.image, packed.listing, ends_in_data);
  return 0;
}
