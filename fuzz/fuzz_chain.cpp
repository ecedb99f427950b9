// The front end's object text fed to the back end: whatever the front end
// accepts, the back end either packs into whole units or refuses for a jump
// or branch into data; it never finds a record it cannot read. And `kiv
// check` finds an error exactly when one of the programs refuses the source:
// it skips running them on a source it finds clean.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "assembler/pack.h"
#include "assembly/assemble.h"
#include "fuzz/invariants.h"
#include "kiv/check.h"

using kiv::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view source(reinterpret_cast<const char*>(data), size);

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
