#include "assembly/driver.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "assembly/assemble.h"
#include "assembly/log.h"
#include "assembly/normaliser.h"
#include "assembly/second_thread.h"
#include "assembly/split_normaliser.h"
#include "common/exit_status.h"
#include "common/file_io.h"
#include "common/mapped_file.h"

namespace kiv::assembly {
namespace {

// The front end's run with its texts kept in files: the formatted text is
// written before the passes, the records as the encoding pass makes them.
class FileRun {
 public:
  FileRun(const FrontEndFiles& files, std::FILE* console) : files_(files), console_(console) {}

  // The log text of the run; the success line ends it on success.
  std::string Run(Status& status) {
    // A small source, one that cannot be mapped, or one that is itself the
    // formatted file about to be rewritten, is read into memory instead: below
    // a megabyte, mapping two files costs more than the pages it spares.
    constexpr size_t kMapFrom = size_t{1} << 20;
    std::error_code error;
    const auto size = std::filesystem::file_size(files_.source, error);
    MappedFile source;
    if (error || size < kMapFrom || !MapWholeFile(files_.source, source) ||
        std::filesystem::equivalent(files_.source, files_.formatted, error)) {
      return RunInMemory(status);
    }
    OutputFile formatted(files_.formatted, "w", OldOutput::kWriteOver);
    if (!formatted.is_open() || !WriteNormalised(source.view(), formatted)) {
      return CannotOpen(status);
    }
    // The passes read the formatted text back from its file's cached pages,
    // so no copy of the source is ever held in fresh memory.
    MappedFile text;
    std::string normalised;
    if (!MapWholeFile(files_.formatted, text)) normalised = NormaliseSource(source.view());
    source = MappedFile();  // not read again: a large source need not stay mapped beside its text
    AssemblyResult result =
        AssembleNormalised(normalised.empty() ? text.view() : normalised, Options(nullptr));
    status = result.status;
    return std::move(result.log);
  }

 private:
  std::string RunInMemory(Status& status) {
    // Both files are opened before either is tested, as the stage has always
    // done: a missing source still leaves an empty formatted file.
    FileBuffer source;
    const bool read = ReadWholeFile(files_.source, source);
    OutputFile formatted(files_.formatted, "w", OldOutput::kWriteOver);
    if (!read || !formatted.is_open()) return CannotOpen(status);
    AssemblyResult result = AssembleInPlace({source.data(), source.size()}, Options(&formatted));
    status = result.status;
    return std::move(result.log);
  }

  std::string CannotOpen(Status& status) {
    Log log(console_);
    log.Error(kCannotOpenMessage, -1);
    status = Status::kFileError;
    return log.text();
  }

  // The normaliser's text, a cache-sized piece at a time, straight to the
  // file; a large source's second half is normalised on a second thread.
  static bool WriteNormalised(std::string_view source, OutputFile& formatted) {
    const size_t second_from =
        WorthASecondThread(source.size()) ? source.size() / 2 : std::string_view::npos;
    const bool written = NormaliseInPieces(
        source, [&formatted](std::string_view piece) { return formatted.Write(piece); },
        second_from);
    return formatted.Close() && written;
  }

 private:
  // With the formatted file still to write when it is given.
  AssembleOptions Options(OutputFile* formatted) {
    AssembleOptions options;
    options.console = console_;
    if (formatted != nullptr) {
      options.formatted_sink = [formatted](std::string_view text) {
        return formatted->Write(text) && formatted->Close();
      };
    }
    options.records_ready = [this] {
      object_.emplace(files_.object, "w", OldOutput::kWriteOver);
      return object_->is_open();
    };
    // A failed write is reported once the pass is over, after any error of
    // the pass itself, as when the records were written at the end.
    options.record_sink = [this](std::string_view records) {
      written_ = object_->Write(records) && written_;
    };
    // The records before a failing statement are kept on disk.
    options.records_done = [this](std::string_view rest) {
      return object_->Write(rest) && written_ && object_->Close();
    };
    return options;
  }

  const FrontEndFiles& files_;
  std::FILE* console_;
  std::optional<OutputFile> object_;
  bool written_ = true;
};

}  // namespace

int RunAssembly(const FrontEndFiles& files, std::FILE* console) {
  OutputFile log_file(files.log, "w");
  if (!log_file.is_open()) return kExitNoLog;
  Status status = Status::kSuccess;
  const std::string log_text = FileRun(files, console).Run(status);
  log_file.Write(log_text);
  if (!log_file.Close()) {
    Log(console).Error(kCannotOpenMessage, -1);  // the log itself cannot hold this line
    if (console != nullptr) std::fflush(console);
    return kExitStageFailed;
  }
  // The console hears of success only once the log holds it too.
  if (console != nullptr && status == Status::kSuccess) {
    Log success(nullptr);
    success.Info(kSuccessMessage);
    std::fwrite(success.text().data(), 1, success.text().size(), console);
  }
  if (console != nullptr) std::fflush(console);
  return status == Status::kSuccess ? kExitSuccess : kExitStageFailed;
}

}  // namespace kiv::assembly
