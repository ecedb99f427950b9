#include "assembler/driver.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "assembler/log.h"
#include "assembler/pack.h"
#include "common/file_io.h"
#include "common/mapped_file.h"

namespace kiv::assembler {
namespace {

constexpr std::string_view kCannotReadInput = " Cannot read file assembler.txt";

// Writes the listing as pass 2 hands it on, and the image when it comes whole
// after the listing: the files are written in the same order as when both
// were built first, so that a run stopped by the system part way (a
// file-size limit) leaves the same files behind.
class FileOutput : public PackOutput {
 public:
  FileOutput(const FileNames& files, MappedFile& text) : files_(files), text_(text) {}

  // Opens the input again and both outputs, all three before any is tested,
  // so the outputs that could be opened are left empty when another could
  // not. The text is let go first: packing no longer reads it.
  bool Open(size_t /*largest_image_size*/) override {
    text_ = MappedFile();
    input_.reset(std::fopen(files_.input, "rb"));
    listing_.emplace(files_.listing, "w", OldOutput::kWriteOver);
    image_.emplace(files_.image, "wb", OldOutput::kWriteOver);
    return input_ && listing_->is_open() && image_->is_open();
  }
  // A write that fails is found by Close.
  void Take(std::string_view image_part, std::string_view listing_part) override {
    listing_->Write(listing_part);
    image_->Write(image_part);
  }
  bool Close() override {
    const bool listing_written = listing_->Close();
    const bool image_written = image_->Close();
    if (listing_written && image_written) return true;
    // A failed file is left empty; its partner is emptied too, so that no
    // image stands beside a listing it does not match, as when one of them
    // cannot be opened.
    OutputFile(files_.listing, "w").Close();
    OutputFile(files_.image, "wb").Close();
    return false;
  }

 private:
  const FileNames& files_;
  MappedFile& text_;
  struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, CloseFile> input_;
  std::optional<OutputFile> listing_;
  std::optional<OutputFile> image_;
};

// The log's text, the lines for standard output and standard error of a
// run, and whether it succeeded.
struct RunRecord {
  std::string log;
  std::string console;
  std::string errors;
  bool succeeded = false;
};

RunRecord ReadAndPack(const FileNames& files) {
  MappedFile text;
  if (!MapWholeFile(files.input, text)) {
    Log log;
    log.Error(kCannotReadInput);
    return RunRecord{log.text(), log.console(), log.errors(), false};
  }
  FileOutput output(files, text);
  PackResult result = Pack(text.view(), PackOptions{.output = &output});
  return RunRecord{std::move(result.log), std::move(result.console), std::move(result.errors),
                   result.status == Status::kOk};
}

// The text, written whole and flushed at once.
void Show(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

}  // namespace

int RunAssembler(const FileNames& files, std::FILE* console, std::FILE* errors) {
  OutputFile log_file(files.log, "w");
  if (!log_file.is_open()) return kExitNoLog;

  // Lines reach the console only once the log holds them too. A log that
  // cannot be written fails the run (and is left empty): standard output stays
  // silent, as for every failure, and standard error says why, since the log
  // cannot. A failing stage's error line goes to standard error as well, so
  // that a failed run is never silent on the terminal.
  const RunRecord run = ReadAndPack(files);
  log_file.Write(run.log);
  if (!log_file.Close()) {
    std::fprintf(errors, "ERROR: cannot write %s\n", files.log);
    std::fflush(errors);
    return kExitStageFailed;
  }
  Show(errors, run.errors);
  Show(console, run.console);
  return run.succeeded ? kExitSuccess : kExitStageFailed;
}

}  // namespace kiv::assembler
