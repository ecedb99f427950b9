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
#pragma once

#include <cstdio>

namespace kiv {

// Like std::fopen(path, mode) for a writing mode ("w" or "wb").
std::FILE* OpenOutputFile(const char* path, const char* mode);

}  // namespace kiv
