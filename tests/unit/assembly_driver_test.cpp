// The front end's run over real files: stage order, what each failure
// leaves on disk, and the log being truncated at every run.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "assembly/assemble.h"
#include "assembly/driver.h"
#include "tests/support/test_files.h"

namespace kiv::assembly {
namespace {

namespace fs = std::filesystem;

class AssemblyDriverTest : public ::testing::Test {
 protected:
  const test::ScratchDirectory dir_{"kiv-assembly-driver"};

  void SetUp() override {
    source_ = Path("kivAssembly.txt");
    formatted_ = Path("kivAssemblyFormatted.txt");
    object_ = Path("kivAssembler.txt");
    log_ = Path("kivAssemblyLog.txt");
  }

  std::string Path(const char* name) const { return (dir_ / name).string(); }

  int Run() {
    return RunAssembly(
        FrontEndFiles{source_.c_str(), formatted_.c_str(), object_.c_str(), log_.c_str()}, nullptr);
  }

  static void Write(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
  }
  static std::string Read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  std::string source_, formatted_, object_, log_;
};

constexpr char kSuccessLine[] = " INFO:  assembly.exe runs successfully \n";

TEST_F(AssemblyDriverTest, SuccessWritesAllThreeFilesAndOneInfoLine) {
  Write(source_, "main: li $4, 3 ; start\nhalt\n");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Read(formatted_), "main: li  4  3 \nhalt\n");
  EXPECT_EQ(Read(object_), "\n20 100003\n3fc 0");
  EXPECT_EQ(Read(log_), kSuccessLine);
}

TEST_F(AssemblyDriverTest, LogIsTruncatedAtEveryRun) {
  Write(source_, "a: halt\na: halt\n");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Read(log_), std::string("!!ERROR: Duplicate label founded 1\n") + kSuccessLine);
}

TEST_F(AssemblyDriverTest, MissingSourceStopsBeforeTheEncodingPass) {
  Write(object_, "old records");
  EXPECT_EQ(Run(), 255);
  EXPECT_EQ(Read(log_), "!!ERROR: Cannot open input or output file -1\n");
  EXPECT_EQ(Read(object_), "old records");
}

TEST_F(AssemblyDriverTest, LogThatCannotBeCreatedTouchesNothingElse) {
  fs::create_directory(log_);
  Write(source_, "halt\n");
  EXPECT_EQ(Run(), 10);
  EXPECT_FALSE(fs::exists(formatted_));
  EXPECT_FALSE(fs::exists(object_));
}

TEST_F(AssemblyDriverTest, FailingStatementKeepsEarlierRecordsOnDisk) {
  Write(source_, "li 1, 2\nj nowhere\nhalt\n");
  EXPECT_EQ(Run(), 255);
  EXPECT_EQ(Read(object_), "\n20 40002");
  EXPECT_EQ(Read(log_), "!!ERROR: Immediate value error in instruction2:  1\n");
}

TEST_F(AssemblyDriverTest, ObjectFileThatCannotBeOpenedFailsTheRun) {
  fs::create_directory(object_);
  Write(source_, "halt\n");
  EXPECT_EQ(Run(), 255);
  EXPECT_EQ(Read(log_), "!!ERROR: Cannot open input or output file -1\n");
  EXPECT_EQ(Read(formatted_), "halt\n");
}

// A source of a few megabytes, which the driver maps rather than reads; the
// small sources of the other tests take the way of reading.
std::string MappedSizeSource(const std::string& head) {
  std::string source = head;
  while (source.size() < (size_t{2} << 20)) source += "halt # stop\n";
  return source;
}

TEST_F(AssemblyDriverTest, FormattedFileThatCannotBeCreatedStopsBeforeThePasses) {
  fs::create_directory(formatted_);
  for (const std::string& source : {std::string("halt\n"), MappedSizeSource("")}) {
    Write(source_, source);
    Write(object_, "old records");
    EXPECT_EQ(Run(), 255);
    EXPECT_EQ(Read(log_), "!!ERROR: Cannot open input or output file -1\n");
    EXPECT_EQ(Read(object_), "old records");
  }
}

TEST_F(AssemblyDriverTest, SourceThatIsItsOwnFormattedFileIsReadBeforeItIsRewritten) {
  formatted_ = source_;
  Write(source_, "x: li $4, 3 # set\nj x\n");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Read(formatted_), "x: li  4  3 \nj x\n");
  EXPECT_EQ(Read(object_), "\n20 100003\n8 0");
  // Mapped, the source would vanish under the rewritten file.
  const std::string large = MappedSizeSource("x: li $4, 3 # set\nj x\n");
  Write(source_, large);
  EXPECT_EQ(Run(), 0);
  const AssemblyResult expected = Assemble(large);
  EXPECT_EQ(Read(formatted_), expected.formatted);
  EXPECT_EQ(Read(object_), expected.object_text);
}

TEST_F(AssemblyDriverTest, LargeSourceGivesTheFilesOfTheInMemoryRun) {
  // The driver normalises a large source piece by piece into its file and
  // runs the passes on the file read back: comments, quotes and lines cut by
  // the pieces must come out as the in-memory entry point makes them.
  std::mt19937 random(5);
  std::string source;
  for (int line = 0; source.size() < (size_t{3} << 20); ++line) {
    source.append("L").append(std::to_string(line)).append(": addi $1, $2, ");
    source.append(std::to_string(random() % 100));
    source += random() % 3 == 0 ? " # a \"quoted\" note;\n" : "\n";
    if (random() % 50 == 0) {
      source.append("\tbne $1, $0, L").append(std::to_string(line / 2)).append(" ; back\n");
    }
  }
  source += "j nowhere\n";
  Write(source_, source);
  EXPECT_EQ(Run(), 255);
  const AssemblyResult expected = Assemble(source);
  EXPECT_EQ(Read(formatted_), expected.formatted);
  EXPECT_EQ(Read(object_), expected.object_text);
  EXPECT_EQ(Read(log_), expected.log);
}

}  // namespace
}  // namespace kiv::assembly
