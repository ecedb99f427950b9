// The back end's run from start to end: log, pass 1, padding, pass 2, outputs.
#pragma once

#include <ostream>

namespace kiv::assembler {

struct FileNames {
  const char* log;
  const char* input;    // the intermediate text
  const char* listing;  // the bundle listing, text
  const char* image;    // the bundle image, binary
};

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitNoLog = 10;
inline constexpr int kExitStageFailed = 255;  // -1 as a process exit status

// Runs every stage in order and stops at the first that fails; errors are
// logged, never printed. Returns the process exit status.
int RunAssembler(const FileNames& files, std::ostream& console);

}  // namespace kiv::assembler
