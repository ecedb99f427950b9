// Opening an output file for writing from its first byte, as a truncating
// open does, without waiting for the system to finish writing out the file
// of the run before.
//
// Truncating a file whose last contents are still being written to disk
// waits for that writing (milliseconds, for a file of any size, on common
// file systems), and some file systems start writing a truncated file out
// as soon as it is closed. A file of the run before that only this program's
// user could have made is therefore removed and made anew instead: the same
// name, owner, group and permissions, and the same bytes once written.
// Everything else (a link to a device, a directory, a read-only file, a file
// with other names, one owned by someone else, an empty file) is opened by a
// plain truncating open, so that it succeeds or fails exactly as before.
// Such a file of the run before may instead be written over in place.
#pragma once

#include <cstdio>

namespace kiv {

// What becomes of a file of the run before that may be replaced.
enum class OldOutput {
  // Removed and made anew: it reads as empty from the start of the run (for
  // the logs, whose last line tells whether the run succeeded).
  kReplace,
  // Written over from its first byte, its length cut to what was written
  // when the writer closes it (see OpenedOutput). The system keeps the old
  // file's cached pages and writes the new bytes into them; removing the file
  // would free them, and the new file would take as many fresh pages, which
  // the system must clear (and which, in a virtual machine whose host has
  // taken back memory left free for a moment, fault in from the host).
  kWriteOver,
};

struct OpenedOutput {
  std::FILE* file = nullptr;
  // The file was opened without truncation: its old bytes past what the
  // writer writes are still there until it cuts the file to length.
  bool written_over = false;
};

// Like std::fopen(path, mode) for a writing mode ("w" or "wb").
OpenedOutput OpenOutputFile(const char* path, const char* mode,
                            OldOutput old = OldOutput::kReplace);

}  // namespace kiv
