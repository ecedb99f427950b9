#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "assembler/driver.h"
#include "tests/support/test_files.h"

namespace kiv::assembler {
namespace {

namespace fs = std::filesystem;

// A stream the driver writes to, read back as a string.
class CapturedStream {
 public:
  CapturedStream() : file_(std::tmpfile()) {}
  ~CapturedStream() { std::fclose(file_); }
  CapturedStream(const CapturedStream&) = delete;
  CapturedStream& operator=(const CapturedStream&) = delete;

  std::FILE* get() { return file_; }
  void Clear() {
    std::fclose(file_);
    file_ = std::tmpfile();
  }
  std::string str() const {
    std::fflush(file_);
    std::rewind(file_);
    std::string text;
    char buffer[256];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file_)) > 0;)
      text.append(buffer, got);
    return text;
  }

 private:
  std::FILE* file_;
};

// Each test runs in a folder of its own with the program's usual file names.
class AssemblerDriverTest : public ::testing::Test {
 protected:
  const test::ScratchDirectory dir_{"kiv-assembler-driver"};

  void SetUp() override {
    log_ = (dir_ / "kivAssemblerLog.txt").string();
    input_ = (dir_ / "kivAssembler.txt").string();
    listing_ = (dir_ / "kivBundle.txt").string();
    image_ = (dir_ / "kivBinary.txt").string();
  }

  int Run() {
    console_.Clear();
    errors_.Clear();
    return RunAssembler(FileNames{log_.c_str(), input_.c_str(), listing_.c_str(), image_.c_str()},
                        console_.get(), errors_.get());
  }

  static void Write(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
  }
  static std::string Read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }

  // Outputs of an earlier run, which a failing pass 1 must leave alone.
  void WriteOldOutputs() {
    Write(listing_, "old listing");
    Write(image_, "old image");
  }
  void ExpectOldOutputs() {
    EXPECT_EQ(Read(listing_), "old listing");
    EXPECT_EQ(Read(image_), "old image");
  }

  std::string log_, input_, listing_, image_;
  CapturedStream console_;
  CapturedStream errors_;
};

constexpr char kSuccess[] = "INFO: assembler.exe runs successfully\n";

TEST_F(AssemblerDriverTest, SuccessfulRunWritesBothOutputsAndOneInfoLine) {
  Write(input_, "\n20 100003\n38 10100001\n14 13fffe\n3fc 0");
  ASSERT_EQ(Run(), kExitSuccess);
  EXPECT_EQ(console_.str(), kSuccess);
  EXPECT_EQ(errors_.str(), "");
  EXPECT_EQ(Read(log_), kSuccess);
  EXPECT_EQ(Read(listing_),
            "00000000000 00000000000 02000100003 1\n"
            "3fc00000000 01400100000 03810100001 3\n");
  EXPECT_EQ(Read(image_).size(), 2u * 16 + 4);
}

TEST_F(AssemblerDriverTest, EveryRunTruncatesTheLog) {
  Write(input_, "");
  ASSERT_EQ(Run(), kExitSuccess);
  ASSERT_EQ(Run(), kExitSuccess);
  EXPECT_EQ(Read(log_), kSuccess);
}

TEST_F(AssemblerDriverTest, EmptyInputIsASuccessfulRun) {
  Write(input_, "");
  WriteOldOutputs();
  ASSERT_EQ(Run(), kExitSuccess);
  EXPECT_EQ(Read(listing_), "");
  EXPECT_EQ(Read(image_), "\xff\xff\xff\xff");
}

TEST_F(AssemblerDriverTest, MissingInputLeavesTheOutputsAlone) {
  EXPECT_EQ(Run(), kExitStageFailed);
  EXPECT_EQ(console_.str(), "");
  EXPECT_EQ(Read(log_), "ERROR:  Cannot read file assembler.txt\n");
  EXPECT_EQ(errors_.str(), Read(log_));
  EXPECT_FALSE(fs::exists(listing_));
  EXPECT_FALSE(fs::exists(image_));

  WriteOldOutputs();
  EXPECT_EQ(Run(), kExitStageFailed);
  ExpectOldOutputs();
}

TEST_F(AssemblerDriverTest, InputThatCannotBeReadIsReportedLikeAMissingOne) {
  fs::create_directory(input_);
  EXPECT_EQ(Run(), kExitStageFailed);
  EXPECT_EQ(console_.str(), "");
  EXPECT_EQ(Read(log_), "ERROR:  Cannot read file assembler.txt\n");
  EXPECT_EQ(errors_.str(), Read(log_));
  EXPECT_FALSE(fs::exists(listing_));
  EXPECT_FALSE(fs::exists(image_));
}

TEST_F(AssemblerDriverTest, MalformedInputStopsBeforeTheOutputs) {
  Write(input_, "\n3fc 0\n20");
  WriteOldOutputs();
  EXPECT_EQ(Run(), kExitStageFailed);
  EXPECT_EQ(console_.str(), "");
  EXPECT_EQ(Read(log_), "ERROR: Malformed record in assembler.txt\n");
  EXPECT_EQ(errors_.str(), Read(log_));
  ExpectOldOutputs();
}

TEST_F(AssemblerDriverTest, TargetInsideDataStopsBeforeTheOutputs) {
  Write(input_, "\n8 2\nfffe\n0000000000000001\n0000000000000002\nffffffffffffffff");
  WriteOldOutputs();
  EXPECT_EQ(Run(), kExitStageFailed);
  EXPECT_EQ(console_.str(), "");
  EXPECT_EQ(Read(log_), "ERROR: Jump or branch target inside data section\n");
  EXPECT_EQ(errors_.str(), Read(log_));
  ExpectOldOutputs();
}

TEST_F(AssemblerDriverTest, LogThatCannotBeCreatedEndsTheRunSilently) {
  Write(input_, "\n3fc 0");
  log_ = (dir_.path() / "missing" / "kivAssemblerLog.txt").string();
  EXPECT_EQ(Run(), kExitNoLog);
  EXPECT_EQ(console_.str(), "");
  EXPECT_EQ(errors_.str(), "");
  EXPECT_FALSE(fs::exists(listing_));
  EXPECT_FALSE(fs::exists(image_));
}

TEST_F(AssemblerDriverTest, OutputThatCannotBeOpenedLeavesTheOtherEmpty) {
  Write(input_, "\n3fc 0");
  fs::create_directory(listing_);
  Write(image_, "old image");
  EXPECT_EQ(Run(), kExitStageFailed);
  EXPECT_EQ(console_.str(), "");
  EXPECT_EQ(Read(log_),
            "ERROR: file read/write error - assembler.txt, bundle.txt, instructions.txt\n");
  EXPECT_EQ(errors_.str(), Read(log_));
  EXPECT_EQ(Read(image_), "");

  fs::remove(listing_);
  fs::remove(image_);
  fs::create_directory(image_);
  EXPECT_EQ(Run(), kExitStageFailed);
  EXPECT_EQ(Read(listing_), "");
}

}  // namespace
}  // namespace kiv::assembler
