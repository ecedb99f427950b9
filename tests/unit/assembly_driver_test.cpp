// The front end's run over real files: stage order, what each failure
// leaves on disk, and the log being truncated at every run.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "assembly/driver.h"

namespace kiv::assembly {
namespace {

namespace fs = std::filesystem;

class AssemblyDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::path(::testing::TempDir()) / (std::string("assembly_driver_") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    source_ = Path("kivAssembly.txt");
    formatted_ = Path("kivAssemblyFormatted.txt");
    object_ = Path("kivAssembler.txt");
    log_ = Path("kivAssemblyLog.txt");
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const char* name) const { return (dir_ / name).string(); }

  int Run() {
    return RunAssembly(
        FrontEndFiles{source_.c_str(), formatted_.c_str(), object_.c_str(), log_.c_str()},
        nullptr);
  }

  static void Write(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
  }
  static std::string Read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  fs::path dir_;
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

}  // namespace
}  // namespace kiv::assembly
