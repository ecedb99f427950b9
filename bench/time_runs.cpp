// time_runs: runs one or more commands N times, interleaved round by round,
// and prints for each command one line: best and median wall time in
// nanoseconds and the peak resident set size in KiB over all its runs.
//
//   time_runs --runs 5 --dir WORK -- ./assembly --- ./assembler --- mips-linux-gnu-as -o x.o x.s
//
// Each run starts in --dir with standard input and output on /dev/null
// (standard error is kept). Any run that does not exit with status 0 makes
// time_runs stop and exit with status 1, naming the command.
//
// With --sync, the system writes back all dirty pages before each run,
// untimed: the tens of megabytes the run before wrote (or hundreds, at the
// largest sizes) would otherwise be written back during this one, and the
// kernel slows a writer down once too much waits.
//
// A command may begin with options of its own, before its program name:
//   --cpu N       run it on CPU N only (as `taskset -c N` would, without
//                 timing a second program start)
//   --no-stderr   its standard error goes to /dev/null too (for programs that
//                 report on standard error as part of their work)
#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Command {
  std::vector<char*> argv;  // null-terminated
  int cpu = -1;             // pinned to this CPU when not negative
  bool discard_stderr = false;
  std::vector<int64_t> nanoseconds;
  long max_rss_kib = 0;
  std::string text;
};

int Usage(const char* message) {
  std::fprintf(
      stderr,
      "time_runs: %s\nusage: time_runs [--runs N] [--dir DIR] [--sync] -- [--cpu N] [--no-stderr] "
      "CMD ARGS... [--- [--cpu N] [--no-stderr] CMD ARGS...]...\n",
      message);
  return 2;
}

// Runs the command once; false when it cannot be started or does not exit with 0.
bool RunOnce(Command& command, const char* dir) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) {
    std::perror("time_runs: fork");
    return false;
  }
  if (pid == 0) {
    if (dir != nullptr && chdir(dir) != 0) _exit(126);
    const int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
      dup2(null_fd, STDIN_FILENO);
      dup2(null_fd, STDOUT_FILENO);
      if (command.discard_stderr) dup2(null_fd, STDERR_FILENO);
    }
    if (command.cpu >= 0) {
      cpu_set_t set;
      CPU_ZERO(&set);
      CPU_SET(command.cpu, &set);
      if (sched_setaffinity(0, sizeof set, &set) != 0) {
        std::perror("time_runs: sched_setaffinity");
        _exit(125);
      }
    }
    execvp(command.argv[0], command.argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) {
    std::perror("time_runs: wait4");
    return false;
  }
  const auto stop = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    if (WIFEXITED(status)) {
      std::fprintf(stderr, "time_runs: '%s' exited with status %d\n", command.text.c_str(),
                   WEXITSTATUS(status));
    } else {
      std::fprintf(stderr, "time_runs: '%s' ended by signal %d\n", command.text.c_str(),
                   WIFSIGNALED(status) ? WTERMSIG(status) : -1);
    }
    return false;
  }
  command.nanoseconds.push_back(
      std::chrono::duration_cast<std::chrono::nanoseconds>(stop - start).count());
  command.max_rss_kib = std::max(command.max_rss_kib, usage.ru_maxrss);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  const char* dir = nullptr;
  bool sync_first = false;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg == "--sync") {
      sync_first = true;
      continue;
    }
    if (i + 1 >= argc) return Usage("missing value after an option");
    if (arg == "--runs") {
      const std::string_view value = argv[++i];
      const auto result = std::from_chars(value.data(), value.data() + value.size(), runs);
      if (result.ec != std::errc() || runs < 1) return Usage("bad --runs");
    } else if (arg == "--dir") {
      dir = argv[++i];
    } else {
      return Usage("unknown option");
    }
  }

  std::vector<Command> commands(1);
  for (; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "---") {
      commands.emplace_back();
      continue;
    }
    Command& command = commands.back();
    if (command.argv.empty() && arg == "--no-stderr") {
      command.discard_stderr = true;
      continue;
    }
    if (command.argv.empty() && arg == "--cpu") {
      if (++i >= argc) return Usage("missing CPU after --cpu");
      const std::string_view value = argv[i];
      const auto result = std::from_chars(value.data(), value.data() + value.size(), command.cpu);
      if (result.ec != std::errc() || command.cpu < 0 || command.cpu >= CPU_SETSIZE) {
        return Usage("bad --cpu");
      }
      command.text += "(cpu " + std::string(value) + ")";
      continue;
    }
    if (!command.text.empty()) command.text += ' ';
    command.text += argv[i];
    command.argv.push_back(argv[i]);
  }
  for (Command& command : commands) {
    if (command.argv.empty()) return Usage("empty command");
    command.argv.push_back(nullptr);
  }

  for (int round = 0; round < runs; ++round) {
    for (Command& command : commands) {
      if (sync_first) sync();
      if (!RunOnce(command, dir)) return 1;
    }
  }
  for (Command& command : commands) {
    std::vector<int64_t> sorted = command.nanoseconds;
    std::sort(sorted.begin(), sorted.end());
    const int64_t median = sorted.size() % 2 != 0
                               ? sorted[sorted.size() / 2]
                               : (sorted[sorted.size() / 2 - 1] + sorted[sorted.size() / 2]) / 2;
    std::printf("%lld\t%lld\t%ld\n", static_cast<long long>(sorted.front()),
                static_cast<long long>(median), command.max_rss_kib);
  }
  return 0;
}
