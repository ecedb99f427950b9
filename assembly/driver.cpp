#include "assembly/driver.h"

#include <string>

#include "assembly/encoding_pass.h"
#include "assembly/label_pass.h"
#include "assembly/label_table.h"
#include "assembly/log.h"
#include "assembly/normaliser.h"
#include "common/file_io.h"

namespace kiv::assembly {
namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitStageFailed = 255;  // -1
constexpr int kExitNoLog = 10;
constexpr const char* kCannotOpen = "Cannot open input or output file";

// Both files are opened before either is tested, as the stage has always done.
Status RunNormaliser(const FrontEndFiles& files, Log& log, FileBuffer& formatted) {
  const bool read = ReadWholeFile(files.source, formatted);
  OutputFile out(files.formatted, "w");
  if (!read || !out.is_open()) {
    log.Error(kCannotOpen, -1);
    return Status::kFileError;
  }
  // Normalised over its own bytes: the output is never longer.
  formatted.Truncate(static_cast<size_t>(
      Normaliser().Normalise(formatted.view(), formatted.data()) - formatted.data()));
  if (!out.Write(formatted.view()) || !out.Close()) {
    log.Error(kCannotOpen, -1);
    return Status::kFileError;
  }
  return Status::kSuccess;
}

Status RunEncodingPass(const FrontEndFiles& files, std::string_view formatted,
                       const LabelTable& labels, Log& log) {
  OutputFile out(files.object, "w");
  if (!out.is_open()) {
    log.Error(kCannotOpen, -1);
    return Status::kFileError;
  }
  // A failed write is reported once the pass is over, after any error of
  // the pass itself, as when the records were written at the end.
  bool written = true;
  std::string object_text;
  const Status status = EncodeProgram(formatted, labels, log, object_text,
                                      [&](std::string_view records) {
                                        written = out.Write(records) && written;
                                      });
  // The records before a failing statement are kept on disk.
  if (!out.Write(object_text) || !written || !out.Close()) {
    log.Error(kCannotOpen, -1);
    return Status::kFileError;
  }
  return status;
}

Status RunStages(const FrontEndFiles& files, Log& log) {
  FileBuffer formatted;
  Status status = RunNormaliser(files, log, formatted);
  if (status != Status::kSuccess) return status;
  LabelTable labels;
  status = CreateLabelTable(labels);
  if (status != Status::kSuccess) return status;
  status = BuildLabelList(formatted.view(), labels, log);
  if (status != Status::kSuccess) return status;
  return RunEncodingPass(files, formatted.view(), labels, log);
}

}  // namespace

int RunAssembly(const FrontEndFiles& files, std::FILE* console) {
  OutputFile log_file(files.log, "w");
  if (!log_file.is_open()) return kExitNoLog;
  Log log(console);
  const Status status = RunStages(files, log);
  // The console hears of success only once the log holds it too.
  Log success(nullptr);
  if (status == Status::kSuccess) success.Info(" assembly.exe runs successfully");
  log_file.Write(log.text());
  log_file.Write(success.text());
  if (!log_file.Close()) {
    Log(console).Error(kCannotOpen, -1);  // the log itself cannot hold this line
    if (console != nullptr) std::fflush(console);
    return kExitStageFailed;
  }
  if (console != nullptr) {
    std::fwrite(success.text().data(), 1, success.text().size(), console);
    std::fflush(console);
  }
  return status == Status::kSuccess ? kExitSuccess : kExitStageFailed;
}

}  // namespace kiv::assembly
