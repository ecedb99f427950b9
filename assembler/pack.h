// The back end in one call: pass 1, padding and pass 2 over an intermediate
// text in memory. The driver, the fuzz targets, the benchmarks, the tests and
// the companion tool all pack through here, so the stage sequence and the
// log it leaves are written once.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "assembler/boundary_table.h"
#include "assembler/output_sink.h"
#include "assembler/status.h"

namespace kiv::assembler {

// Where the image and listing go when the caller streams them (the driver to
// its files) rather than taking them whole from the result.
class PackOutput : public OutputSink {
 public:
  // Called once pass 1 has accepted the text, before the first Take; the text
  // is not read again after this call. The image takes at most
  // `largest_image_size` bytes. False when the outputs cannot be opened.
  virtual bool Open(size_t largest_image_size) = 0;
  // After the last Take; false when not every byte could be written.
  virtual bool Close() = 0;
};

struct PackOptions {
  // Stops after pass 1 and padding, building no image or listing and logging
  // no success line: for callers that want only where each instruction goes.
  bool layout_only = false;
  // When set, the image and listing go here and the result's stay empty.
  PackOutput* output = nullptr;
};

struct PackResult {
  Status status = Status::kOk;  // the first failing stage's status
  std::string image;            // the bundle image's bytes (empty on failure)
  std::string listing;          // the bundle listing's text (empty on failure)
  std::string log;              // the log file's text, the success line included
  std::string console;          // the lines the driver shows on standard output
  std::string errors;           // the error lines it shows on standard error
  BoundaryTable boundaries;     // padded: which slot and bundle each index takes
};

PackResult Pack(std::string_view object_text, const PackOptions& options = {});

}  // namespace kiv::assembler
