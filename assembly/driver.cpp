#include "assembly/driver.h"

#include <optional>
#include <string>

#include "assembly/assemble.h"
#include "assembly/log.h"
#include "common/file_io.h"

namespace kiv::assembly {
namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitStageFailed = 255;  // -1
constexpr int kExitNoLog = 10;

// The front end's run with its texts kept in files: the formatted text is
// written before the passes, the records as the encoding pass makes them.
class FileRun {
 public:
  FileRun(const FrontEndFiles& files, std::FILE* console) : files_(files), console_(console) {}

  // The log text of the run; the success line ends it on success.
  std::string Run(Status& status) {
    // Both files are opened before either is tested, as the stage has always
    // done: a missing source still leaves an empty formatted file.
    FileBuffer source;
    const bool read = ReadWholeFile(files_.source, source);
    OutputFile formatted(files_.formatted, "w");
    if (!read || !formatted.is_open()) {
      Log log(console_);
      log.Error(kCannotOpenMessage, -1);
      status = Status::kFileError;
      return log.text();
    }
    AssemblyResult result = AssembleInPlace({source.data(), source.size()}, Options(formatted));
    status = result.status;
    return std::move(result.log);
  }

 private:
  AssembleOptions Options(OutputFile& formatted) {
    AssembleOptions options;
    options.console = console_;
    options.formatted_sink = [&formatted](std::string_view text) {
      return formatted.Write(text) && formatted.Close();
    };
    options.records_ready = [this] {
      object_.emplace(files_.object, "w");
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
