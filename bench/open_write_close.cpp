// open_write_close: the smallest useful C++ program, for the start-up
// benchmark. It opens one file in the current directory, writes one line and
// closes it, through the standard library's streams like any C++ program, so
// the dynamic linking of the C++ run-time and the process start and exit are
// all it costs. The two programs are timed against it on a small source.
#include <fstream>

int main() {
  std::ofstream out("openWriteClose.txt", std::ios::binary | std::ios::trunc);
  out << "one line\n";
  out.close();
  return out ? 0 : 1;
}
