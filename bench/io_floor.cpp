// io_floor: the file input and output of the whole tool chain with no work
// between them, the floor its time is measured against.
//
//   io_floor --read kivAssembly.txt --write floor/kivAssemblyFormatted.txt 31140000
//            --write floor/kivAssembler.txt 18000000 ... --read floor/kivAssembler.txt ...
//
// The steps run in order, in one process. --read FILE reads FILE whole into
// memory (the bytes the next writes take); --write FILE SIZE writes SIZE bytes
// to FILE (over the file already there, as the chain writes its outputs), the
// bytes last read repeated as often as needed (the first step must be a read).
// The benchmark passes the files the two programs read and the sizes of the
// files they wrote, so that the same bytes go in and the same byte counts come
// out as in a run of the chain. Reads and writes are single system calls where
// the kernel allows, on a buffer that is never cleared or copied: what a
// program that does nothing but read its input and write its outputs costs.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

// An open file descriptor, closed when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }
  // Closes now, so that a failing close is seen (it can report a failed write).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

// The bytes of the last file read. Left uninitialised: the read fills them.
struct Buffer {
  std::unique_ptr<char[]> bytes;
  size_t size = 0;
};

bool Fail(const char* what, const std::string& path) {
  std::fprintf(stderr, "io_floor: %s %s: %s\n", what, path.c_str(), std::strerror(errno));
  return false;
}

bool ReadWhole(const std::string& path, Buffer& buffer) {
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return Fail("cannot open", path);
  struct stat status {};
  if (fstat(file.get(), &status) != 0) return Fail("cannot stat", path);
  buffer.size = static_cast<size_t>(status.st_size);
  buffer.bytes.reset(new char[buffer.size == 0 ? 1 : buffer.size]);
  for (size_t done = 0; done < buffer.size;) {
    const ssize_t got = read(file.get(), buffer.bytes.get() + done, buffer.size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Fail("cannot read", path);
    if (got == 0) {
      buffer.size = done;  // the file shrank since fstat
      break;
    }
    done += static_cast<size_t>(got);
  }
  return true;
}

bool WriteSized(const std::string& path, uint64_t size, const Buffer& buffer) {
  // As the chain writes its outputs: over the file of the run before, in place,
  // then cut to length; the file's cached pages are taken again.
  FileDescriptor file(open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
  if (file.get() < 0) return Fail("cannot create", path);
  // An empty input still gives a file of the right size, made of blanks.
  const std::string blanks(buffer.size > 0 ? 0 : 4096, ' ');
  const char* source = buffer.size > 0 ? buffer.bytes.get() : blanks.data();
  const size_t period = buffer.size > 0 ? buffer.size : blanks.size();
  for (uint64_t left = size; left > 0;) {
    const size_t piece = left < period ? static_cast<size_t>(left) : period;
    for (size_t done = 0; done < piece;) {
      const ssize_t put = write(file.get(), source + done, piece - done);
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) return Fail("cannot write", path);
      done += static_cast<size_t>(put);
    }
    left -= piece;
  }
  if (ftruncate(file.get(), static_cast<off_t>(size)) != 0) return Fail("cannot cut", path);
  if (!file.Close()) return Fail("cannot close", path);
  return true;
}

int Usage(const char* message) {
  std::fprintf(stderr, "io_floor: %s\nusage: io_floor (--read FILE | --write FILE BYTES)...\n",
               message);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  struct Step {
    bool read;
    std::string path;
    uint64_t size;
  };
  std::vector<Step> steps;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--read" && i + 1 < argc) {
      steps.push_back({true, argv[++i], 0});
    } else if (arg == "--write" && i + 2 < argc) {
      const std::string path = argv[++i];
      const std::string_view value = argv[++i];
      uint64_t size = 0;
      const auto result = std::from_chars(value.data(), value.data() + value.size(), size);
      if (result.ec != std::errc() || result.ptr != value.data() + value.size()) {
        return Usage("bad byte count");
      }
      steps.push_back({false, path, size});
    } else {
      return Usage("unknown option or missing value");
    }
  }
  if (steps.empty() || !steps.front().read) return Usage("the first step must be --read");

  Buffer buffer;
  for (const Step& step : steps) {
    const bool ok =
        step.read ? ReadWhole(step.path, buffer) : WriteSized(step.path, step.size, buffer);
    if (!ok) return 1;
  }
  return 0;
}
