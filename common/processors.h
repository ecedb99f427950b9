// The processors a second thread runs on. Whether it can run beside the first
// at all: only when the process may run on two processors or more (one, as
// under taskset, keeps every program on its plain one-thread way); and a
// helper started so that it does not share its starter's processor.
#pragma once

#include <stop_token>
#include <thread>
#include <type_traits>
#include <utility>

namespace kiv {

bool MayUseTwoProcessors();

// The processor the calling thread runs on now; -1 where that cannot be told.
int CurrentProcessor();

// For a thread just started to work beside the one that started it, which
// ran on processor `starter`: the system places a new thread on its starter's
// processor now and then (when the other one is busy for a moment), and the
// two then take turns on it for up to 16 ms before it moves one of them. Run
// first on the new thread, this moves it at once to another processor the
// process may use, then lets it run on any of them again. Does nothing when
// it runs elsewhere already, or when there is no other processor.
void MoveOffProcessor(int starter);

// A thread that runs `run` (given the thread's stop token if it takes one)
// beside the calling thread, moved off the caller's processor first. The
// caller gives way once: a new thread placed on its processor would wait up
// to a scheduler tick (4 ms here) for its first turn, and only then move.
template <typename Run>
std::jthread StartBeside(Run run) {
  std::jthread thread(
      [starter = CurrentProcessor(), run = std::move(run)](std::stop_token stop) mutable {
        MoveOffProcessor(starter);
        if constexpr (std::is_invocable_v<Run&, std::stop_token>) {
          run(std::move(stop));
        } else {
          run();
        }
      });
  std::this_thread::yield();
  return thread;
}

}  // namespace kiv
