// What the programs do with their arguments: only --help and --version change anything, the
// first of them decides, and an answer that cannot be written is not a success.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "common/program_info.h"

namespace kiv {
namespace {

ProgramRequest RequestFor(std::initializer_list<const char*> arguments) {
  const std::vector<const char*> list(arguments);
  return ReadProgramRequest(list);
}

TEST(ProgramRequestTest, AnythingButTheTwoOptionsRunsTheProgram) {
  EXPECT_EQ(RequestFor({}), ProgramRequest::kRun);
  EXPECT_EQ(RequestFor({"-h", "-v", "help", "--HELP", "--help=1", "--versions", ""}),
            ProgramRequest::kRun);
}

TEST(ProgramRequestTest, EitherOptionCountsWhereverItStands) {
  EXPECT_EQ(RequestFor({"--help"}), ProgramRequest::kHelp);
  EXPECT_EQ(RequestFor({"x", "y", "--help"}), ProgramRequest::kHelp);
  EXPECT_EQ(RequestFor({"x", "--version"}), ProgramRequest::kVersion);
}

TEST(ProgramRequestTest, TheFirstOfTheTwoDecides) {
  EXPECT_EQ(RequestFor({"--version", "--help"}), ProgramRequest::kVersion);
  EXPECT_EQ(RequestFor({"--help", "--version"}), ProgramRequest::kHelp);
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string Contents(std::FILE* file) {
  std::string text;
  std::rewind(file);
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

TEST(AnswerProgramRequestTest, WritesNothingWhenTheProgramShouldRun) {
  const char* argv[] = {"assembly", "-h", nullptr};
  File out(std::tmpfile());
  ASSERT_TRUE(out);
  EXPECT_EQ(AnswerProgramRequest(kAssemblyInfo, 2, argv, out.get()), std::nullopt);
  EXPECT_EQ(Contents(out.get()), "");
}

TEST(AnswerProgramRequestTest, IgnoresTheProgramNameInArgvZero) {
  const char* argv[] = {"--help", nullptr};
  File out(std::tmpfile());
  ASSERT_TRUE(out);
  EXPECT_EQ(AnswerProgramRequest(kAssemblerInfo, 1, argv, out.get()), std::nullopt);
}

TEST(AnswerProgramRequestTest, PrintsTheUsageOrTheVersionLine) {
  const char* help[] = {"assembler", "--help", nullptr};
  File out(std::tmpfile());
  ASSERT_TRUE(out);
  EXPECT_EQ(AnswerProgramRequest(kAssemblerInfo, 2, help, out.get()), 0);
  EXPECT_EQ(Contents(out.get()), kAssemblerInfo.usage);

  const char* version[] = {"assembly", "--version", nullptr};
  File version_out(std::tmpfile());
  ASSERT_TRUE(version_out);
  EXPECT_EQ(AnswerProgramRequest(kAssemblyInfo, 2, version, version_out.get()), 0);
  EXPECT_EQ(Contents(version_out.get()),
            "assembly (kiv tool chain) " + std::string(kToolChainVersion) + "\n");
}

TEST(AnswerProgramRequestTest, FailsWhenTheAnswerCannotBeWritten) {
  File full(std::fopen("/dev/full", "w"));
  if (!full) GTEST_SKIP() << "no /dev/full here";
  const char* argv[] = {"assembly", "--help", nullptr};
  EXPECT_EQ(AnswerProgramRequest(kAssemblyInfo, 2, argv, full.get()), 1);
}

}  // namespace
}  // namespace kiv
