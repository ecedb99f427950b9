// The front end's object text fed to the back end: whatever the front end
// accepts, the back end either packs into whole units or refuses for a jump
// or branch into data; it never finds a record it cannot read.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "assembler/boundary_table.h"
#include "assembler/log.h"
#include "assembler/pass1.h"
#include "assembler/pass2.h"
#include "assembly/assemble.h"
#include "fuzz/invariants.h"

using kiv::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view source(reinterpret_cast<const char*>(data), size);

  const kiv::assembly::AssemblyResult front = kiv::assembly::Assemble(source);
  if (front.status != kiv::assembly::Status::kSuccess) return 0;
  const std::string& object = front.object_text;
  const bool ends_in_data = kiv::fuzz::CheckObjectText(object);

  std::ostream discard(nullptr);
  kiv::assembler::Log back_log(discard, discard);
  kiv::assembler::BoundaryTable table;
  const kiv::assembler::Status pass1 = kiv::assembler::RunPass1(object, table, back_log);
  if (pass1 == kiv::assembler::Status::kTargetInData) return 0;
  Check(pass1 == kiv::assembler::Status::kOk, "back end refused the front end's text");
  table.ComputePadding();

  std::string image;
  std::string listing;
  Check(kiv::assembler::RunPass2(object, table, image, listing) == kiv::assembler::Status::kOk,
        "pass 2 refused the front end's text");
  kiv::fuzz::CheckOutputs(image, listing, ends_in_data);
  return 0;
}
