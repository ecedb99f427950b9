// The back end's run from start to end: reads the intermediate text, packs
// it, writes the image, the listing and the log.
#pragma once

#include <cstdio>

#include "common/exit_status.h"

namespace kiv::assembler {

struct FileNames {
  const char* log = "kivAssemblerLog.txt";
  const char* input = "kivAssembler.txt";  // the intermediate text
  const char* listing = "kivBundle.txt";   // the bundle listing, text
  const char* image = "kivBinary.txt";     // the bundle image, binary
};

// Runs every stage in order and stops at the first that fails. Info lines go
// to the log and `console` (standard output); error lines to the log and
// `errors` (standard error), never to standard output. Returns the process
// exit status (common/exit_status.h).
int RunAssembler(const FileNames& files, std::FILE* console, std::FILE* errors);

}  // namespace kiv::assembler
