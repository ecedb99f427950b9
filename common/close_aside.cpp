#include "common/close_aside.h"

#include <unistd.h>

#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace kiv {
namespace {

// The closing threads, joined when the program ends (static objects are
// destroyed after main returns), so that no close is cut short.
class ClosingThreads {
 public:
  void Close(int fd) {
    const std::lock_guard lock(mutex_);
    try {
      threads_.emplace_back([fd] { close(fd); });
    } catch (const std::system_error&) {
      close(fd);
    }
  }

 private:
  std::mutex mutex_;
  std::vector<std::jthread> threads_;
};

}  // namespace

void CloseAside(int fd) {
  static ClosingThreads threads;
  threads.Close(fd);
}

}  // namespace kiv
