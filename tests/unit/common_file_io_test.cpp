// Whole-file reads, also of files whose size is not known in advance.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/file_io.h"

namespace kiv {
namespace {

TEST(ReadWholeFile, ReadsRegularFilesByteForByte) {
  const auto path = std::filesystem::path(::testing::TempDir()) / "kiv_read_whole_file.bin";
  std::string bytes(300000, 'x');
  bytes[0] = '\0';
  bytes[299999] = '\xff';
  std::ofstream(path, std::ios::binary) << bytes;
  FileBuffer read;
  EXPECT_TRUE(ReadWholeFile(path.c_str(), read));
  EXPECT_EQ(read.view(), bytes);
  // Again, into a buffer that held a larger file.
  std::ofstream(path, std::ios::binary | std::ios::trunc) << "ab";
  EXPECT_TRUE(ReadWholeFile(path.c_str(), read));
  EXPECT_EQ(read.view(), "ab");
  read.Truncate(1);
  EXPECT_EQ(read.view(), "a");
  read.Truncate(5);
  EXPECT_EQ(read.view(), "a");
  std::filesystem::remove(path);
}

TEST(ReadWholeFile, GrowsPastASizeOfZero) {
  // Files of the proc file system report size 0 but have contents.
  FileBuffer maps;
  ASSERT_TRUE(ReadWholeFile("/proc/self/maps", maps));
  EXPECT_GT(maps.size(), 100u);
  EXPECT_EQ(maps.view().back(), '\n');
}

TEST(ReadWholeFile, RefusesMissingFilesAndDirectories) {
  FileBuffer contents;
  EXPECT_FALSE(ReadWholeFile("/nonexistent/kiv", contents));
  EXPECT_FALSE(ReadWholeFile(::testing::TempDir().c_str(), contents));
}

}  // namespace
}  // namespace kiv
