// The back end's run from start to end: reads the intermediate text, packs
// it, writes the image, the listing and the log.
#pragma once

#include <ostream>

#include "common/exit_status.h"

namespace kiv::assembler {

struct FileNames {
  const char* log = "kivAssemblerLog.txt";
  const char* input = "kivAssembler.txt";  // the intermediate text
  const char* listing = "kivBundle.txt";   // the bundle listing, text
  const char* image = "kivBinary.txt";     // the bundle image, binary
};

// Runs every stage in order and stops at the first that fails; errors are
// logged, never printed. Returns the process exit status (common/exit_status.h).
int RunAssembler(const FileNames& files, std::ostream& console);

}  // namespace kiv::assembler
