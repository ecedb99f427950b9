// The formatted file of a large source is written on a second thread from
// two buffers in turn: every piece must land whole and in order, though its
// buffer is refilled as soon as the next piece has been handed on.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "assembly/background_writer.h"
#include "common/file_io.h"
#include "tests/support/test_files.h"

namespace kiv::assembly {
namespace {

TEST(BackgroundWriter, WritesPiecesInOrderFromBuffersRefilledInTurn) {
  test::ScratchDirectory directory("background-writer");
  const std::filesystem::path path = directory / "out.txt";
  std::string expected;
  {
    OutputFile file(path.c_str(), "w");
    ASSERT_TRUE(file.is_open());
    std::string buffers[2];
    BackgroundWriter writer(file);
    for (int n = 0; n < 300; ++n) {
      // Refilled once the piece after its last one has been handed on.
      std::string& buffer = buffers[n % 2];
      buffer.assign(static_cast<size_t>(1 + n * 37 % 5000), static_cast<char>('a' + n % 26));
      expected += buffer;
      writer.Write(buffer);
    }
    ASSERT_TRUE(writer.Finish());
    ASSERT_TRUE(file.Close());
  }
  EXPECT_EQ(test::ReadFile(path), expected);
}

TEST(BackgroundWriter, ReportsAFailedWriteAtTheEnd) {
  test::ScratchDirectory directory("background-writer");
  const std::filesystem::path path = directory / "full.txt";
  std::filesystem::create_symlink("/dev/full", path);
  OutputFile file(path.c_str(), "w");
  ASSERT_TRUE(file.is_open());
  const std::string piece(size_t{1} << 16, 'x');  // beyond what the stream holds back
  BackgroundWriter writer(file);
  writer.Write(piece);
  writer.Write(piece);
  EXPECT_FALSE(writer.Finish());
  EXPECT_FALSE(writer.Finish());  // asked again, it still says so
}

}  // namespace
}  // namespace kiv::assembly
