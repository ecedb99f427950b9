// A helper thread moved off its starter's processor: it leaves that processor
// at once, and is left free to run on every processor the process may use.
#include <gtest/gtest.h>
#include <sched.h>

#include <thread>

#include "common/processors.h"

namespace kiv {
namespace {

cpu_set_t OwnProcessors() {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  EXPECT_EQ(sched_getaffinity(0, sizeof cpus, &cpus), 0);
  return cpus;
}

void KeepTo(const cpu_set_t& cpus) { ASSERT_EQ(sched_setaffinity(0, sizeof cpus, &cpus), 0); }

cpu_set_t Only(int cpu) {
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(cpu, &one);
  return one;
}

int FirstOf(const cpu_set_t& cpus) {
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (CPU_ISSET(cpu, &cpus)) return cpu;
  }
  return -1;
}

// Each case runs on a thread of its own, whose processors it may narrow.
template <typename Case>
void OnOwnThread(Case run) {
  std::thread(run).join();
}

TEST(MoveOffProcessorTest, LeavesTheStartersProcessorWithEveryProcessorStillAllowed) {
  const cpu_set_t allowed = OwnProcessors();
  if (CPU_COUNT(&allowed) < 2) GTEST_SKIP() << "the process may use one processor only";
  OnOwnThread([&] {
    // Where a new thread lands by chance, made certain: on its starter's.
    const int starter = FirstOf(allowed);
    KeepTo(Only(starter));
    ASSERT_EQ(CurrentProcessor(), starter);
    KeepTo(allowed);
    MoveOffProcessor(starter);
    EXPECT_NE(CurrentProcessor(), starter);
    const cpu_set_t after = OwnProcessors();
    EXPECT_TRUE(CPU_EQUAL(&after, &allowed)) << "the thread was left tied to some processors";
  });
}

TEST(MoveOffProcessorTest, StaysWhereItIsWhenElsewhereAlreadyOrWithNowhereToGo) {
  const cpu_set_t allowed = OwnProcessors();
  OnOwnThread([&] {
    const int here = FirstOf(allowed);
    const cpu_set_t pinned = Only(here);
    KeepTo(pinned);
    // Its only processor is the starter's: nowhere else to go.
    MoveOffProcessor(here);
    // Running elsewhere than the starter already, or no starter known.
    MoveOffProcessor(here + 1);
    MoveOffProcessor(-1);
    MoveOffProcessor(CPU_SETSIZE);
    EXPECT_EQ(CurrentProcessor(), here);
    const cpu_set_t after = OwnProcessors();
    EXPECT_TRUE(CPU_EQUAL(&after, &pinned));
  });
}

}  // namespace
}  // namespace kiv
