#include "common/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/close_aside.h"
#include "common/processors.h"

namespace kiv {
namespace {

constexpr mode_t kPermissionBits = 07777;
// From this size on, freeing an old file's cached pages takes long enough
// (about 0.1 ms a megabyte) to be worth a thread of its own.
constexpr off_t kFreedAside = off_t{4} << 20;

// Whether the file `old` describes is one that removing and making anew
// leaves as a truncating open would: a regular file with data, no other
// name, owned by this user and writable by its owner (a truncating open of a
// file the owner may not write fails, and must still fail).
bool IsReplaceable(const struct stat& old) {
  return S_ISREG(old.st_mode) && old.st_size > 0 && old.st_nlink == 1 && old.st_uid == geteuid() &&
         (old.st_mode & S_IWUSR) != 0;
}

// The new file takes the old one's group and permissions, which the
// directory's defaults and the process's mask may have made different.
void MatchOldFile(int fd, const struct stat& old) {
  struct stat made {};
  if (fstat(fd, &made) != 0) return;
  if (made.st_gid != old.st_gid) (void)fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  if ((made.st_mode & kPermissionBits) != (old.st_mode & kPermissionBits)) {
    (void)fchmod(fd, old.st_mode & kPermissionBits);
  }
}

// A descriptor for a fresh file in place of the old one, or -1 when the old
// file is not replaceable or is still there; then nothing has changed.
int ReplaceFile(const char* path) {
  struct stat old {};
  if (lstat(path, &old) != 0 || !IsReplaceable(old)) return -1;
  // A large old file is held across its removal, so that its pages are freed
  // by the last close, beside the program, not by the removal on its path.
  const int held = old.st_size >= kFreedAside && MayUseTwoProcessors()
                       ? open(path, O_PATH | O_NOFOLLOW | O_CLOEXEC)
                       : -1;
  const bool removed = unlink(path) == 0;
  if (held >= 0) CloseAside(held);
  if (!removed) return -1;
  const int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, old.st_mode & kPermissionBits);
  if (fd >= 0) MatchOldFile(fd, old);
  return fd;
}

// A descriptor for the old file opened for writing without truncation, or
// -1 when it is not replaceable; then nothing has changed.
int OpenToWriteOver(const char* path) {
  struct stat old {};
  if (lstat(path, &old) != 0 || !IsReplaceable(old)) return -1;
  const int fd = open(path, O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return -1;
  // Another file may have taken the name between the two looks.
  struct stat opened {};
  if (fstat(fd, &opened) != 0 || opened.st_dev != old.st_dev || opened.st_ino != old.st_ino ||
      !IsReplaceable(opened)) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

OpenedOutput OpenOutputFile(const char* path, const char* mode, OldOutput old) {
  OpenedOutput opened;
  int fd = -1;
  if (old == OldOutput::kWriteOver) {
    fd = OpenToWriteOver(path);
    opened.written_over = fd >= 0;
  }
  if (fd < 0) fd = ReplaceFile(path);
  if (fd < 0) {
    opened.file = std::fopen(path, mode);  // also when another process made it meanwhile
    opened.written_over = false;
    return opened;
  }
  opened.file = fdopen(fd, mode);  // never truncates
  if (opened.file == nullptr) {
    close(fd);
    opened.written_over = false;
  }
  return opened;
}

}  // namespace kiv
