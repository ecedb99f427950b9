#include "assembler/driver.h"

#include <fstream>
#include <string>
#include <string_view>

#include "assembler/boundary_table.h"
#include "assembler/log.h"
#include "assembler/pass1.h"
#include "assembler/pass2.h"
#include "common/file_io.h"

namespace kiv::assembler {
namespace {

constexpr std::string_view kCannotReadInput = " Cannot read file assembler.txt";
constexpr std::string_view kPass2FileError =
    "file read/write error - assembler.txt, bundle.txt, instructions.txt";

// Opens the input again and both outputs, all three before any is tested, so
// the outputs that could be opened are left empty when another could not.
// The records themselves come from the text pass 1 read, so both passes see
// the same file.
Status WriteOutputs(const FileNames& files, std::string_view text, const BoundaryTable& table,
                    Log& log) {
  std::ifstream input(files.input, std::ios::binary);
  OutputFile listing(files.listing, "w");
  OutputFile image(files.image, "wb");
  if (!input.is_open() || !listing.is_open() || !image.is_open()) {
    log.Error(kPass2FileError);
    return Status::kFileError;
  }

  std::string image_bytes;
  std::string listing_text;
  // Pass 1 accepted this text, so pass 2 cannot find a malformed record.
  if (const Status status = RunPass2(text, table, image_bytes, listing_text);
      status != Status::kOk) {
    return status;
  }

  const bool written = listing.Write(listing_text) && image.Write(image_bytes);
  const bool closed = listing.Close() && image.Close();
  if (!written || !closed) {
    log.Error(kPass2FileError);
    return Status::kFileError;
  }
  return Status::kOk;
}

}  // namespace

int RunAssembler(const FileNames& files, std::ostream& console) {
  std::ofstream log_file(files.log, std::ios::out | std::ios::trunc);
  if (!log_file.is_open()) return kExitNoLog;
  Log log(console, log_file);

  std::string text;
  if (!ReadWholeFile(files.input, text)) {
    log.Error(kCannotReadInput);
    return kExitStageFailed;
  }

  BoundaryTable table;
  if (RunPass1(text, table, log) != Status::kOk) return kExitStageFailed;
  table.ComputePadding();
  if (WriteOutputs(files, text, table, log) != Status::kOk) return kExitStageFailed;

  log.Info("assembler.exe runs successfully");
  return kExitSuccess;
}

}  // namespace kiv::assembler
