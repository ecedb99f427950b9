// The subcommands as a user runs them: `kiv build` leaves exactly the files
// of `assembly && assembler` or nothing, `kiv list` names the source line of
// every slot and data line, `kiv dis` prints source the front end takes back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kiv/commands.h"
#include "tests/support/test_files.h"

namespace kiv::tool {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::SourceDir;
using test::WriteFile;

class KivCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ =
        fs::temp_directory_path() /
        ("kiv-commands-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(directory_);
    fs::create_directories(directory_);
  }
  void TearDown() override { fs::remove_all(directory_); }

  int Run(std::vector<std::string> words) {
    std::vector<std::string_view> args(words.begin(), words.end());
    out_.str("");
    err_.str("");
    return RunKiv(args, out_, err_);
  }

  fs::path directory_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(KivCommands, BuildWritesWhatBothProgramsWriteForEveryExample) {
  for (const auto& entry : fs::directory_iterator(SourceDir() / "examples")) {
    const fs::path source = entry.path() / "in" / "kivAssembly.txt";
    const fs::path out = directory_ / entry.path().filename();
    fs::create_directories(out);
    ASSERT_EQ(Run({"build", source.string(), "-o", out.string()}), kExitOk) << err_.str();
    size_t files = 0;
    for (const auto& written : fs::directory_iterator(out)) {
      const fs::path expected = entry.path() / "out" / written.path().filename();
      EXPECT_EQ(ReadFile(written.path()), ReadFile(expected)) << written.path();
      ++files;
    }
    EXPECT_EQ(files, 6u);
  }
}

TEST_F(KivCommands, BuildOfAFailingSourceWritesNothing) {
  const fs::path source = directory_ / "bad.s";
  WriteFile(source, "li 1, 2\nsbi 1, 2, 3\n");
  const fs::path out = directory_ / "out";
  fs::create_directories(out);
  WriteFile(out / "kivBinary.txt", "an earlier image");
  EXPECT_EQ(Run({"build", source.string(), "-o", out.string()}), kExitInputError);
  EXPECT_FALSE(err_.str().empty());
  EXPECT_EQ(ReadFile(out / "kivBinary.txt"), "an earlier image");
  EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
}

TEST_F(KivCommands, BuildIntoAMissingDirectoryFailsWithoutLeftovers) {
  const fs::path source = directory_ / "good.s";
  WriteFile(source, "halt\n");
  EXPECT_EQ(Run({"build", source.string(), "-o", (directory_ / "none" / "x").string()}),
            kExitInputError);
  EXPECT_EQ(Run({"build"}), kExitInputError);  // no kivAssembly.txt here
  EXPECT_EQ(Run({"build", "a", "b"}), kExitUsage);
}

TEST_F(KivCommands, ListNamesTheSourceLineOfEverySlotAndDataLine) {
  const fs::path source = directory_ / "prog.s";
  WriteFile(source,
            "        .rdata\n"
            "table:  .word 5\n"
            "        .word 6\n"
            "        .text\n"
            "main:   la 4, table\n"
            "        halt\n");
  ASSERT_EQ(Run({"list", source.string()}), kExitOk) << err_.str();
  const std::string listing = out_.str();
  EXPECT_NE(listing.find("0000+0    0000000000000005"), std::string::npos) << listing;
  EXPECT_NE(listing.find("    2  table:  .word 5"), std::string::npos) << listing;
  EXPECT_NE(listing.find("0000+8    0000000000000006"), std::string::npos) << listing;
  EXPECT_NE(listing.find("0010      bundle, slot count field 2"), std::string::npos) << listing;
  EXPECT_NE(listing.find("la $4, L0000"), std::string::npos) << listing;
  EXPECT_NE(listing.find("    5  main:   la 4, table"), std::string::npos) << listing;
  EXPECT_NE(listing.find("    6          halt"), std::string::npos) << listing;
  EXPECT_NE(listing.find("0010.3    (padding)"), std::string::npos) << listing;
  // Symbols: label, index, bundle address, line.
  EXPECT_NE(listing.find("table                               0  0000        2"), std::string::npos)
      << listing;
  EXPECT_NE(listing.find("main                                3  0010        5"), std::string::npos)
      << listing;
}

TEST_F(KivCommands, ListOfAFailingSourceReportsAndPrintsNothing) {
  const fs::path source = directory_ / "bad.s";
  WriteFile(source, "li 1, 2\nj nowhere\n");
  EXPECT_EQ(Run({"list", source.string()}), kExitInputError);
  EXPECT_TRUE(out_.str().empty());
  EXPECT_NE(err_.str().find("bad.s"), std::string::npos) << err_.str();
}

TEST_F(KivCommands, DisOptionsLeaveOutAddressesAndRawWords) {
  const fs::path source = directory_ / "prog.s";
  WriteFile(source, "loop: addi 1, 1, 1\nj loop\n");
  ASSERT_EQ(Run({"build", source.string(), "-o", directory_.string()}), kExitOk) << err_.str();
  const fs::path image = directory_ / "kivBinary.txt";
  ASSERT_EQ(Run({"dis", image.string()}), kExitOk) << err_.str();
  EXPECT_EQ(out_.str(),
            "L0000:\n"
            "    addi $1, $1, 1                   # 0000.1: 02004040001\n"
            "    j L0000                          # 0000.2: 00800000000\n");
  ASSERT_EQ(Run({"dis", "--no-raw", image.string()}), kExitOk);
  EXPECT_NE(out_.str().find("# 0000.2:\n"), std::string::npos) << out_.str();
  ASSERT_EQ(Run({"dis", "--no-addresses", "--no-raw", image.string()}), kExitOk);
  EXPECT_EQ(out_.str(), "L0000:\n    addi $1, $1, 1\n    j L0000\n");
  // The listing reads back to the same program.
  ASSERT_EQ(Run({"dis", "--listing", "--no-addresses", (directory_ / "kivBundle.txt").string()}),
            kExitOk);
  EXPECT_EQ(out_.str(),
            "L0000:\n"
            "    addi $1, $1, 1                   # 02004040001\n"
            "    j L0000                          # 00800000000\n");
  EXPECT_EQ(Run({"dis", "--bogus"}), kExitUsage);
  EXPECT_EQ(Run({"dis", source.string()}), kExitInputError);  // not an image
}

}  // namespace
}  // namespace kiv::tool
