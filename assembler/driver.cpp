#include "assembler/driver.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "assembler/boundary_table.h"
#include "assembler/log.h"
#include "assembler/output_sink.h"
#include "assembler/pass1.h"
#include "assembler/pass2.h"
#include "assembler/record_list.h"
#include "common/file_io.h"
#include "common/large_buffer.h"

namespace kiv::assembler {
namespace {

constexpr std::string_view kCannotReadInput = " Cannot read file assembler.txt";
constexpr std::string_view kPass2FileError =
    "file read/write error - assembler.txt, bundle.txt, instructions.txt";

// Writes the listing as pass 2 hands it on, and keeps the image to write it
// once the listing is whole: the files are written in the same order as when
// both were built first, so that a run stopped by the system part way (a
// file-size limit) leaves the same files behind.
class FileSink : public OutputSink {
 public:
  FileSink(OutputFile& image, OutputFile& listing, size_t image_size)
      : image_(image), listing_(listing) {
    ReserveLarge(image_bytes_, image_size);
  }
  void Take(std::string_view image_part, std::string_view listing_part) override {
    listing_.Write(listing_part);
    image_bytes_.append(image_part);
  }
  void WriteImage() { image_.Write(image_bytes_); }

 private:
  OutputFile& image_;
  OutputFile& listing_;
  std::string image_bytes_;
};

// Opens the input again and both outputs, all three before any is tested, so
// the outputs that could be opened are left empty when another could not.
// The records themselves are those pass 1 decoded, so both passes see the
// same file.
Status WriteOutputs(const FileNames& files, const RecordList& records, const BoundaryTable& table,
                    Log& log) {
  std::ifstream input(files.input, std::ios::binary);
  OutputFile listing(files.listing, "w");
  OutputFile image(files.image, "wb");
  if (!input.is_open() || !listing.is_open() || !image.is_open()) {
    log.Error(kPass2FileError);
    return Status::kFileError;
  }

  // A write that fails is found by Close below.
  FileSink sink(image, listing, LargestImageSize(records));
  RunPass2(records, table, sink);
  sink.WriteImage();

  const bool listing_written = listing.Close();
  const bool image_written = image.Close();
  if (!listing_written || !image_written) {
    // A failed file is left empty; its partner is emptied too, so that no
    // image stands beside a listing it does not match, as when one of them
    // cannot be opened.
    OutputFile(files.listing, "w").Close();
    OutputFile(files.image, "wb").Close();
    log.Error(kPass2FileError);
    return Status::kFileError;
  }
  return Status::kOk;
}

// Pass 1, padding and pass 2 with the outputs; false at the first that fails.
bool RunStages(const FileNames& files, Log& log) {
  BoundaryTable table;
  RecordList records;
  {
    // The text is let go once decoded, before the outputs are built.
    FileBuffer text;
    if (!ReadWholeFile(files.input, text)) {
      log.Error(kCannotReadInput);
      return false;
    }
    if (RunPass1(text.view(), table, log, records) != Status::kOk) return false;
  }
  table.ComputePadding();
  if (WriteOutputs(files, records, table, log) != Status::kOk) return false;
  log.Info("assembler.exe runs successfully");
  return true;
}

}  // namespace

int RunAssembler(const FileNames& files, std::ostream& console) {
  std::ofstream log_file(files.log, std::ios::out | std::ios::trunc);
  if (!log_file.is_open()) return kExitNoLog;

  // Info lines reach the console only once the log holds them too. A log that
  // cannot be written fails the run: the console stays silent, as for every
  // failure, and standard error says why, since the log cannot.
  std::ostringstream console_lines;
  Log log(console_lines, log_file);
  const bool succeeded = RunStages(files, log);
  log_file.close();
  if (log_file.fail()) {
    std::ofstream(files.log, std::ios::out | std::ios::trunc);  // nothing half-written
    std::cerr << "ERROR: cannot write " << files.log << '\n';
    return kExitStageFailed;
  }
  console << console_lines.str() << std::flush;
  return succeeded ? kExitSuccess : kExitStageFailed;
}

}  // namespace kiv::assembler
