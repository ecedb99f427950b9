// Whole-file reads, also of files whose size is not known in advance.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/file_io.h"
#include "common/mapped_file.h"
#include "tests/support/test_files.h"

namespace kiv {
namespace {

TEST(ReadWholeFile, ReadsRegularFilesByteForByte) {
  const test::ScratchDirectory scratch("kiv-read-whole-file");
  const auto path = scratch / "file.bin";
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

TEST(MapWholeFile, GivesEveryKindOfFileAsReadWholeFileReadsIt) {
  const test::ScratchDirectory scratch("kiv-map-whole-file");
  const auto path = scratch / "file.bin";
  for (const std::string& bytes :
       {std::string(300000, 'x') + '\0' + "end", std::string("a"), std::string()}) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    MappedFile mapped;
    ASSERT_TRUE(MapWholeFile(path.c_str(), mapped));
    EXPECT_EQ(mapped.view(), bytes);
    // Moved, it stays readable, and the file stays as it was.
    const MappedFile moved = std::move(mapped);
    EXPECT_EQ(moved.view(), bytes);
  }
  // Sizes the system does not know beforehand are read instead.
  MappedFile maps;
  ASSERT_TRUE(MapWholeFile("/proc/self/maps", maps));
  EXPECT_EQ(maps.view().back(), '\n');
  EXPECT_FALSE(MapWholeFile("/nonexistent/kiv", maps));
  EXPECT_FALSE(MapWholeFile(::testing::TempDir().c_str(), maps));
}

// An output file of an earlier run is replaced, or written over in place and
// cut to length, rather than truncated where that leaves the same file
// behind; everything else is truncated in place, whichever way was asked for.
class OutputFileTest : public ::testing::Test {
 protected:
  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string Read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  }
  static struct stat Status(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
    return status;
  }
  bool WriteOutput(const std::string& text, OldOutput old = OldOutput::kReplace) {
    OutputFile out(path_.c_str(), "w", old);
    return out.is_open() && out.Write(text) && out.Close();
  }

  static constexpr OldOutput kBothWays[] = {OldOutput::kReplace, OldOutput::kWriteOver};

  const test::ScratchDirectory dir_{"kiv-output-file"};
  const std::string path_ = (dir_ / "out.txt").string();
};

TEST_F(OutputFileTest, AnEarlierRunsFileIsMadeAnewWithItsPermissions) {
  // A large file is held open across its removal and closed on a thread of
  // its own: the outcome is the same.
  for (const std::string& earlier :
       {std::string("the earlier run's longer text"), std::string(size_t{5} << 20, 'x')}) {
    Write(path_, earlier);
    // Permissions the process's mask would not give a file it makes.
    ASSERT_EQ(chmod(path_.c_str(), 0666), 0);
    const auto old = Status(path_);
    const mode_t mask = umask(022);
    const bool written = WriteOutput("new");
    umask(mask);
    ASSERT_TRUE(written);
    EXPECT_EQ(Read(path_), "new");
    const auto made = Status(path_);
    EXPECT_EQ(made.st_mode, old.st_mode);
    EXPECT_EQ(made.st_uid, old.st_uid);
    EXPECT_EQ(made.st_gid, old.st_gid);
  }
}

TEST_F(OutputFileTest, AnEarlierRunsFileWrittenOverIsCutToLength) {
  // Written over, the file stays the one it was (its cached pages are taken
  // again), with its permissions, and ends where the new text ends.
  for (const std::string& earlier : {std::string("the earlier run's longer text"),
                                     std::string("ab"), std::string(size_t{5} << 20, 'x')}) {
    Write(path_, earlier);
    ASSERT_EQ(chmod(path_.c_str(), 0640), 0);
    const auto old = Status(path_);
    const int held =
        open(path_.c_str(), O_RDONLY | O_CLOEXEC);  // a replaced file would lose its name
    ASSERT_GE(held, 0);
    ASSERT_TRUE(WriteOutput("new", OldOutput::kWriteOver));
    struct stat still {};
    EXPECT_EQ(fstat(held, &still), 0);
    close(held);
    EXPECT_EQ(still.st_nlink, 1u);
    EXPECT_EQ(Read(path_), "new");
    const auto written = Status(path_);
    EXPECT_EQ(written.st_ino, old.st_ino);
    EXPECT_EQ(written.st_mode, old.st_mode);
  }
  // Written over with nothing, it is left empty.
  ASSERT_TRUE(WriteOutput("", OldOutput::kWriteOver));
  EXPECT_EQ(Status(path_).st_size, 0);
}

TEST_F(OutputFileTest, AFileWithAnotherNameIsTruncatedInPlace) {
  const std::string other = (dir_ / "other.txt").string();
  for (const OldOutput old : kBothWays) {
    Write(path_, "the earlier run's text");
    std::filesystem::remove(other);
    ASSERT_EQ(link(path_.c_str(), other.c_str()), 0);
    ASSERT_TRUE(WriteOutput("new", old));
    EXPECT_EQ(Read(other), "new");  // still one file under two names
    EXPECT_EQ(Status(path_).st_ino, Status(other).st_ino);
  }
}

TEST_F(OutputFileTest, ALinkIsWrittenThroughAndStaysALink) {
  const std::string target = (dir_ / "target.txt").string();
  std::filesystem::create_symlink(target, path_);
  for (const OldOutput old : kBothWays) {
    Write(target, "the earlier run's text");
    ASSERT_TRUE(WriteOutput("new", old));
    EXPECT_TRUE(S_ISLNK(Status(path_).st_mode));
    EXPECT_EQ(Read(target), "new");
  }
}

TEST_F(OutputFileTest, ADirectoryOrAReadOnlyFileCannotBeOpened) {
  std::filesystem::create_directory(path_);
  for (const OldOutput old : kBothWays) EXPECT_FALSE(OutputFile(path_.c_str(), "w", old).is_open());
  EXPECT_TRUE(std::filesystem::is_directory(path_));
  std::filesystem::remove(path_);
  if (geteuid() == 0) GTEST_SKIP() << "root may write to a read-only file";
  Write(path_, "kept");
  ASSERT_EQ(chmod(path_.c_str(), 0444), 0);
  for (const OldOutput old : kBothWays) EXPECT_FALSE(OutputFile(path_.c_str(), "w", old).is_open());
  EXPECT_EQ(Read(path_), "kept");
}

TEST_F(OutputFileTest, AFailedWriteLeavesTheFileEmpty) {
  std::filesystem::create_symlink("/dev/full", path_);
  for (const OldOutput old : kBothWays) {
    OutputFile out(path_.c_str(), "w", old);
    ASSERT_TRUE(out.is_open());
    out.Write("lost");
    EXPECT_FALSE(out.Close());
    EXPECT_TRUE(S_ISLNK(Status(path_).st_mode));
  }
}

}  // namespace
}  // namespace kiv
