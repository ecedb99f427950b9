// Golden-file tests: every case folder under tests/golden/ and examples/ is run against the
// built programs in a fresh temporary directory, and the exit statuses, console output and
// resulting files are compared byte for byte. tests/golden/README.md describes the layout.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct GoldenCase {
  std::string name;
  fs::path dir;
};

// gtest prints this in failure messages and ctest puts it in test names: keep it short and
// free of machine-specific absolute paths.
void PrintTo(const GoldenCase& c, std::ostream* os) {
  *os << (c.dir.parent_path().filename() / c.dir.filename()).string();
}

struct Program {
  const char* name;
  const char* path;
};

constexpr Program kPrograms[] = {{"assembly", KIV_ASSEMBLY_PATH},
                                 {"assembler", KIV_ASSEMBLER_PATH}};

// A case's optional `generate` script, run with bash in the work directory before the
// programs, makes inputs too big to keep in the repository.
constexpr Program kGenerator = {"generate", "/bin/bash"};

// Files above this size are compared, and blessed, by their digest (NAME.digest in out/).
constexpr std::size_t kDigestAbove = 32 * 1024;

// ---------------------------------------------------------------------------------------------
// Small helpers

std::optional<std::string> read_bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool write_bytes(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

bool is_ascii_alnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::string sanitise(std::string_view raw) {
  std::string out;
  for (char c : raw) out += is_ascii_alnum(c) ? c : '_';
  return out.empty() ? "_" : out;
}

bool env_is(const char* name, std::string_view value) {
  const char* v = std::getenv(name);
  return v != nullptr && value == v;
}

// A setup line or a case name must never reach outside the work directory.
bool is_plain_name(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

// Regular files directly in `dir`, by name. Anything else (other than names in `ignored`)
// is reported in `others`, because it can be neither compared nor blessed.
std::map<std::string, std::string> regular_files(const fs::path& dir,
                                                 const std::set<std::string>& ignored,
                                                 std::vector<std::string>& others) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (ignored.contains(name)) continue;
    if (entry.is_symlink() || !entry.is_regular_file()) {
      others.push_back(name);
      continue;
    }
    files[name] = read_bytes(entry.path()).value_or("<unreadable>");
  }
  return files;
}

// ---------------------------------------------------------------------------------------------
// Describing a difference so that it can be fixed without rerunning anything by hand

std::string escape(std::string_view s, std::size_t limit = 160) {
  std::string out;
  for (unsigned char c : s.substr(0, limit)) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c >= 0x7f) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0xf];
    } else {
      out += static_cast<char>(c);
    }
  }
  if (s.size() > limit) out += "...";
  return out;
}

// Stands in for a big file in out/: its size, an FNV-1a hash, and its two ends to read.
std::string digest_of(std::string_view bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (int shift = 60; shift >= 0; shift -= 4) hex += kHex[(hash >> shift) & 0xf];
  constexpr std::size_t kEnd = 48;
  const std::size_t tail = bytes.size() > kEnd ? bytes.size() - kEnd : 0;
  return "size " + std::to_string(bytes.size()) + "\nfnv1a64 " + hex + "\nhead " +
         escape(bytes.substr(0, kEnd)) + "\ntail " + escape(bytes.substr(tail)) + "\n";
}

std::size_t line_start(std::string_view text, std::size_t offset) {
  if (offset == 0) return 0;
  const std::size_t newline = text.rfind('\n', offset - 1);
  return newline == std::string_view::npos ? 0 : newline + 1;
}

// The line holding `offset` with its terminator, so that a missing final newline shows; a long
// line is cut to a window around `offset` so that the difference itself stays visible.
std::string show_line(std::string_view text, std::size_t offset) {
  const std::size_t start = line_start(text, offset);
  if (start >= text.size()) return "<end of file>";
  const std::size_t newline = text.find('\n', start);
  std::string_view line =
      text.substr(start, newline == std::string_view::npos ? newline : newline - start + 1);
  const std::size_t column = offset - start;
  if (column <= 100) return escape(line);
  return "..." + escape(line.substr(column - 60));
}

std::string hex_window(std::string_view bytes, std::size_t offset) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = offset < 8 ? 0 : offset - 8; i < std::min(bytes.size(), offset + 8); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    out += i == offset ? '[' : ' ';
    out += kHex[c >> 4];
    out += kHex[c & 0xf];
    if (i == offset) out += ']';
  }
  if (offset >= bytes.size()) out += " [end of file]";
  return out;
}

// Empty when equal; otherwise where and how the two first part ways.
std::string describe_difference(std::string_view expected, std::string_view actual) {
  if (expected == actual) return {};
  const auto mismatch =
      std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
  const auto offset = static_cast<std::size_t>(mismatch.first - expected.begin());

  std::ostringstream out;
  out << "first difference at byte offset " << offset << " (expected " << expected.size()
      << " bytes, actual " << actual.size() << " bytes)\n";
  const bool text =
      expected.find('\0') == std::string_view::npos && actual.find('\0') == std::string_view::npos;
  if (!text) {
    out << "  expected:" << hex_window(expected, offset) << "\n";
    out << "  actual:  " << hex_window(actual, offset) << "\n";
    return out.str();
  }
  // Both agree up to `offset`, so line numbers and the previous line are shared.
  const auto line_no = std::count(expected.begin(), expected.begin() + offset, '\n') + 1;
  if (line_no > 1) {
    const std::size_t previous = line_start(expected, offset) - 1;
    out << "  line " << line_no - 1 << " (same):  " << show_line(expected, previous) << "\n";
  }
  out << "  line " << line_no << " expected: " << show_line(expected, offset) << "\n";
  out << "  line " << line_no << " actual:   " << show_line(actual, offset) << "\n";
  return out.str();
}

// ---------------------------------------------------------------------------------------------
// Running one program

struct RunResult {
  std::string error;  // set when the program could not be run to a normal exit
  int exit_status = -1;
  std::string out;
  std::string err;
};

std::chrono::seconds run_timeout() {
  const char* v = std::getenv("KIV_GOLDEN_TIMEOUT");
  const int seconds = v != nullptr ? std::atoi(v) : 0;
  return std::chrono::seconds(seconds > 0 ? seconds : 60);
}

RunResult failed(const std::string& what) {
  RunResult result;
  result.error = what + ": " + std::strerror(errno);
  return result;
}

// `arguments` follow the program's path in its argv. A `file_size_limit` above 0 caps the
// size of every file the program writes, as a full disk would: writes beyond it fail.
RunResult run_program(const Program& program, const fs::path& work, const fs::path& captures,
                      const std::vector<std::string>& arguments = {}, rlim_t file_size_limit = 0) {
  const std::string out_path = (captures / (std::string(program.name) + ".stdout")).string();
  const std::string err_path = (captures / (std::string(program.name) + ".stderr")).string();
  const std::string work_dir = work.string();
  std::vector<char*> argv{const_cast<char*>(program.path)};
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  // A close-on-exec pipe tells the parent why exec failed, instead of a bare status 127.
  int report[2];
  if (pipe(report) != 0) return failed("pipe");
  fcntl(report[1], F_SETFD, FD_CLOEXEC);

  const pid_t pid = fork();
  if (pid < 0) {
    RunResult fork_failed = failed("fork");
    close(report[0]);
    close(report[1]);
    return fork_failed;
  }
  if (pid == 0) {
    close(report[0]);
    const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const rlimit limit{file_size_limit, file_size_limit};
    if (file_size_limit > 0) signal(SIGXFSZ, SIG_IGN);  // a write past it then fails (EFBIG)
    if (in >= 0 && out >= 0 && err >= 0 && dup2(in, 0) >= 0 && dup2(out, 1) >= 0 &&
        dup2(err, 2) >= 0 && chdir(work_dir.c_str()) == 0 &&
        (file_size_limit == 0 || setrlimit(RLIMIT_FSIZE, &limit) == 0)) {
      execv(program.path, argv.data());
    }
    const int e = errno;
    (void)!write(report[1], &e, sizeof e);
    _exit(127);
  }
  close(report[1]);
  int exec_errno = 0;
  ssize_t got;
  do {
    got = read(report[0], &exec_errno, sizeof exec_errno);
  } while (got < 0 && errno == EINTR);
  close(report[0]);

  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + run_timeout();
  bool timed_out = false;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return failed("waitpid");
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      timed_out = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }

  RunResult result;
  result.out = read_bytes(out_path).value_or("");
  result.err = read_bytes(err_path).value_or("");
  if (got == static_cast<ssize_t>(sizeof exec_errno)) {
    result.error = std::string("cannot run ") + program.path + ": " + std::strerror(exec_errno);
  } else if (timed_out) {
    result.error = "killed after " + std::to_string(run_timeout().count()) +
                   " s (set KIV_GOLDEN_TIMEOUT to allow longer)";
  } else if (WIFSIGNALED(status)) {
    const int sig = WTERMSIG(status);
    result.error = "killed by signal " + std::to_string(sig) + " (" + strsignal(sig) + ")";
  } else {
    result.exit_status = WEXITSTATUS(status);
  }
  return result;
}

std::string stderr_note(const Program& program, const RunResult& run) {
  if (run.err.empty()) return {};
  return "\n" + std::string(program.name) + " stderr:\n" + run.err.substr(0, 4000);
}

// ---------------------------------------------------------------------------------------------
// Case folders

struct SetupStep {
  std::string command;
  std::string name;
};

// Parses `setup`; returns an error message for anything it does not understand, so that a
// typo cannot silently turn into a case that tests nothing.
std::string parse_setup(const fs::path& file, std::vector<SetupStep>& steps) {
  const auto text = read_bytes(file);
  if (!text) return {};
  std::istringstream lines(*text);
  std::string raw;
  for (int line_no = 1; std::getline(lines, raw); ++line_no) {
    const std::string_view line = trim(raw);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t space = line.find_first_of(" \t");
    const std::string command(line.substr(0, space));
    const std::string name(space == std::string_view::npos ? "" : trim(line.substr(space)));
    const bool known = command == "mkdir" || command == "chmod-ro" || command == "dev-full" ||
                       (command == "file-size-limit" && !name.empty() &&
                        name.find_first_not_of("0123456789") == std::string::npos);
    if (!known || !is_plain_name(name)) {
      return "setup line " + std::to_string(line_no) + " not understood: " + std::string(line);
    }
    steps.push_back({command, name});
  }
  return {};
}

std::string apply_setup(const std::vector<SetupStep>& steps, const fs::path& work) {
  for (const auto& step : steps) {
    const fs::path target = work / step.name;
    std::error_code ec;
    if (step.command == "file-size-limit") continue;  // applied when the programs start
    if (step.command == "mkdir") {
      if (!fs::create_directory(target, ec)) return "setup: cannot mkdir " + step.name;
    } else if (step.command == "dev-full") {
      fs::create_symlink("/dev/full", target, ec);  // every write to it fails: a full disk
      if (ec) return "setup: cannot make " + step.name + " a link to /dev/full";
    } else {
      fs::permissions(target,
                      fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read, ec);
      if (ec || !fs::is_regular_file(target)) return "setup: cannot chmod-ro " + step.name;
    }
  }
  return {};
}

// Copies in/ into the work dir; in/ may be absent for a "no input file" case.
std::string copy_inputs(const fs::path& in, const fs::path& work) {
  std::error_code ec;
  if (!fs::exists(in, ec)) return {};
  for (const auto& entry : fs::directory_iterator(in)) {
    if (!entry.is_regular_file()) {
      return "in/ may hold only regular files: " + entry.path().filename().string();
    }
    fs::copy_file(entry.path(), work / entry.path().filename(), ec);
    if (ec) return "cannot copy " + entry.path().string() + ": " + ec.message();
    fs::permissions(work / entry.path().filename(),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                        fs::perms::others_read,
                    ec);
  }
  return {};
}

// A program's optional NAME.args: one argument per line, taken as it stands.
std::vector<std::string> read_arguments(const fs::path& file) {
  std::vector<std::string> arguments;
  std::istringstream lines(read_bytes(file).value_or(""));
  for (std::string line; std::getline(lines, line);) arguments.push_back(line);
  return arguments;
}

std::optional<int> parse_status(const fs::path& file) {
  const auto text = read_bytes(file);
  if (!text) return std::nullopt;
  const std::string digits(trim(*text));
  if (digits.empty() || digits.size() > 3 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  return std::stoi(digits);
}

void collect_cases(const fs::path& root, const std::string& prefix,
                   std::vector<GoldenCase>& cases) {
  std::error_code ec;
  if (!fs::is_directory(root, ec)) return;  // e.g. examples/ in a clone that has none yet
  std::vector<fs::path> dirs;
  for (const auto& entry : fs::directory_iterator(root, ec)) {
    if (entry.is_directory() && entry.path().filename().string().front() != '.') {
      dirs.push_back(entry.path());
    }
  }
  std::sort(dirs.begin(), dirs.end());
  for (const auto& dir : dirs) {
    cases.push_back({prefix + sanitise(dir.filename().string()), dir});
  }
}

std::vector<GoldenCase> discover_cases() {
  std::vector<GoldenCase> cases;
  collect_cases(KIV_GOLDEN_DIR, "", cases);
  collect_cases(KIV_EXAMPLES_DIR, "example_", cases);
  // Sanitising can make two names equal, and gtest refuses duplicate names.
  std::set<std::string> seen;
  for (auto& c : cases) {
    const std::string base = c.name;
    for (int n = 2; !seen.insert(c.name).second; ++n) c.name = base + "_" + std::to_string(n);
  }
  return cases;
}

// Big files are kept as NAME.digest (see digest_of), both in out/ and when comparing.
std::map<std::string, std::string> with_digests(std::map<std::string, std::string> files) {
  std::map<std::string, std::string> result;
  for (auto& [name, bytes] : files) {
    if (bytes.size() > kDigestAbove) {
      result[name + ".digest"] = digest_of(bytes);
    } else {
      result[name] = std::move(bytes);
    }
  }
  return result;
}

// Rewrites out/ from the work dir; only regular files inside the case's own out/ are removed.
std::string bless_outputs(const fs::path& out_dir,
                          const std::map<std::string, std::string>& actual) {
  std::error_code ec;
  fs::create_directories(out_dir, ec);
  if (ec) return "cannot create " + out_dir.string() + ": " + ec.message();
  for (const auto& entry : fs::directory_iterator(out_dir)) {
    const std::string name = entry.path().filename().string();
    if (actual.contains(name)) continue;
    if (entry.is_symlink() || !entry.is_regular_file()) {
      return "out/ holds " + name + ", which is not a regular file; remove it by hand";
    }
    fs::remove(entry.path(), ec);
    if (ec) return "cannot remove stale " + entry.path().string();
  }
  for (const auto& [name, bytes] : actual) {
    if (read_bytes(out_dir / name) == bytes) continue;
    if (!write_bytes(out_dir / name, bytes)) return "cannot write " + (out_dir / name).string();
  }
  return {};
}

// Removes the temporary directory when the case passes; keeps it, and says where, otherwise.
class TempRoot {
 public:
  explicit TempRoot(const std::string& case_name) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                          "/kiv-golden-" + case_name + "-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;
  ~TempRoot() {
    if (path_.empty()) return;
    if (::testing::Test::HasFailure()) {
      std::cerr << "[ golden ] kept work directory " << (path_ / "work").string() << "\n";
    } else {
      std::error_code ec;
      fs::remove_all(path_, ec);
    }
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

class GoldenCaseTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenCaseTest, Matches) {
  const fs::path& dir = GetParam().dir;
  const bool update = env_is("KIV_GOLDEN_UPDATE", "1");

  std::vector<SetupStep> setup;
  const std::string setup_error = parse_setup(dir / "setup", setup);
  if (!setup_error.empty()) FAIL() << setup_error;
  const bool read_only_needed = std::any_of(
      setup.begin(), setup.end(), [](const SetupStep& s) { return s.command == "chmod-ro"; });
  if (read_only_needed && geteuid() == 0) {
    GTEST_SKIP() << "chmod-ro cannot stop root from writing a file";
  }

  std::vector<const Program*> to_run;
  for (const auto& program : kPrograms) {
    if (fs::exists(dir / (std::string(program.name) + ".status"))) to_run.push_back(&program);
  }
  ASSERT_FALSE(to_run.empty()) << "case runs nothing: add assembly.status and/or "
                                  "assembler.status to "
                               << dir.string();

  TempRoot root(GetParam().name);
  ASSERT_FALSE(root.path().empty()) << "mkdtemp failed: " << std::strerror(errno);
  const fs::path work = root.path() / "work";
  fs::create_directory(work);

  const std::string input_error = copy_inputs(dir / "in", work);
  if (!input_error.empty()) FAIL() << input_error;
  if (fs::exists(dir / "generate")) {
    const RunResult generated =
        run_program(kGenerator, work, root.path(), {(dir / "generate").string()});
    if (!generated.error.empty() || generated.exit_status != 0) {
      FAIL() << "generate failed: "
             << (generated.error.empty() ? "exit status " + std::to_string(generated.exit_status)
                                         : generated.error)
             << stderr_note(kGenerator, generated);
    }
  }
  const std::string apply_error = apply_setup(setup, work);
  if (!apply_error.empty()) FAIL() << apply_error;
  rlim_t file_size_limit = 0;
  for (const auto& step : setup) {
    if (step.command == "file-size-limit") file_size_limit = std::stoull(step.name);
  }

  std::vector<std::pair<const Program*, RunResult>> runs;
  for (const Program* program : to_run) {
    const auto arguments = read_arguments(dir / (std::string(program->name) + ".args"));
    RunResult run = run_program(*program, work, root.path(), arguments, file_size_limit);
    if (!run.error.empty()) {
      ADD_FAILURE() << program->name << ": " << run.error << stderr_note(*program, run);
    }
    runs.emplace_back(program, std::move(run));
  }

  std::set<std::string> setup_entries;
  for (const auto& step : setup) {
    if (step.command == "mkdir" || step.command == "dev-full") setup_entries.insert(step.name);
  }
  std::vector<std::string> odd_entries;
  const auto actual = with_digests(regular_files(work, setup_entries, odd_entries));
  for (const auto& name : odd_entries) {
    ADD_FAILURE() << "work directory holds " << name << ", which is not a regular file";
  }
  if (update) {
    // Never bless a crash, a hang or an output that cannot be stored.
    if (fs::is_symlink(dir / "out")) ADD_FAILURE() << "refusing to update out/: it is a symlink";
    if (HasFailure()) return;
    for (const auto& [program, run] : runs) {
      const fs::path status_file = dir / (std::string(program->name) + ".status");
      const fs::path stdout_file = dir / (std::string(program->name) + ".stdout");
      if (parse_status(status_file) != run.exit_status) {
        EXPECT_TRUE(write_bytes(status_file, std::to_string(run.exit_status) + "\n"));
      }
      if (read_bytes(stdout_file) != run.out) {
        EXPECT_TRUE(write_bytes(stdout_file, run.out));
      }
    }
    const std::string bless_error = bless_outputs(dir / "out", actual);
    if (!bless_error.empty()) ADD_FAILURE() << bless_error;
    return;
  }

  for (const auto& [program, run] : runs) {
    if (!run.error.empty()) continue;  // already reported; it has no status to compare
    const std::string name = program->name;
    const fs::path status_file = dir / (name + ".status");
    const std::optional<int> expected_status = parse_status(status_file);
    if (!expected_status) {
      ADD_FAILURE() << status_file.string() << " must hold a decimal exit status";
    } else {
      EXPECT_EQ(*expected_status, run.exit_status)
          << name << " exit status" << stderr_note(*program, run);
    }
    const fs::path stdout_file = dir / (name + ".stdout");
    const std::string diff = describe_difference(read_bytes(stdout_file).value_or(""), run.out);
    if (!diff.empty()) {
      ADD_FAILURE() << name << " stdout differs from " << stdout_file.string() << ": " << diff
                    << stderr_note(*program, run);
    }
  }

  // A missing out/ means no files are expected (git cannot hold an empty folder).
  std::vector<std::string> odd_expected;
  const auto expected = regular_files(dir / "out", {}, odd_expected);
  for (const auto& name : odd_expected) ADD_FAILURE() << "out/ holds non-file " << name;
  for (const auto& [name, bytes] : expected) {
    const auto found = actual.find(name);
    if (found == actual.end()) {
      ADD_FAILURE() << "missing file: " << name << " (in out/, not produced)";
      continue;
    }
    const std::string diff = describe_difference(bytes, found->second);
    if (!diff.empty()) ADD_FAILURE() << "file " << name << " differs: " << diff;
  }
  for (const auto& [name, bytes] : actual) {
    if (!expected.contains(name)) ADD_FAILURE() << "extra file: " << name << " (not in out/)";
  }
}

INSTANTIATE_TEST_SUITE_P(Golden, GoldenCaseTest, ::testing::ValuesIn(discover_cases()),
                         [](const ::testing::TestParamInfo<GoldenCase>& param_info) {
                           return param_info.param.name;
                         });

// A checkout may have no cases yet; that is not a failure of the code under test.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(GoldenCaseTest);

}  // namespace
