#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "platform/file_system.h"
#include "support/files.h"

namespace vellomir {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kExample = {
    "setting,,;10,,;105,,;148.5,,;2,,;2,,;0,,;0,,;",
    "1,,;ABC,,;10,,;20,,;15,,;20,,;4,,;1,,;1,,;14,,;8,,;1,,;",
    "2,,;LOT,,;10,,;45,,;,,;,,;14,,;細明體,,;1,,;0,,;",
    "3,,;img\\a.bmp,,;60,,;10,,;30,,;",
};
const std::string kExampleBytes =
    "setting,,;10,,;105,,;148.5,,;2,,;2,,;0,,;0,,;\r\n"
    "1,,;ABC,,;10,,;20,,;15,,;20,,;4,,;1,,;1,,;14,,;8,,;1,,;\r\n"
    "2,,;LOT,,;10,,;45,,;,,;,,;14,,;\xB2\xD3\xA9\xFA\xC5\xE9,,;1,,;0,,;\r\n"
    "3,,;img\\a.bmp,,;60,,;10,,;30,,;\r\n";

std::vector<std::string> FolderEntries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class FileSystemTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  FileSystem files{dir.path().string()};
};

TEST_F(FileSystemTest, WritesLinesAsBig5WithCrLf) {
  const WriteResult r = files.WriteLines("temp1.txt", kExample);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(test::ReadBytes(dir.File("temp1.txt")), kExampleBytes);
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"temp1.txt"});  // no temp left
}

TEST_F(FileSystemTest, ReadsBig5LinesBackAsUtf8) {
  test::WriteBytes(dir.File("label.vlm"), kExampleBytes);
  const ReadLinesResult r = files.ReadLines("label.vlm");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.lines, kExample);
}

TEST_F(FileSystemTest, AcceptsEveryLineEnd) {
  test::WriteBytes(dir.File("a.txt"), "one\ntwo\rthree\r\n\r\nlast");
  const ReadLinesResult r = files.ReadLines("a.txt");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.lines, (std::vector<std::string>{"one", "two", "three", "", "last"}));
  test::WriteBytes(dir.File("empty.txt"), "");
  EXPECT_TRUE(files.ReadLines("empty.txt").lines.empty());
  EXPECT_TRUE(files.ReadLines("empty.txt").ok());
}

TEST_F(FileSystemTest, InvalidBytesAreReportedWithTheirLine) {
  for (const std::string& bad : {std::string("\xA1\x30"), std::string("\xB2")}) {  // bad trail, cut
    test::WriteBytes(dir.File("bad.txt"), "fine\r\n\xB2\xD3 ok\r\n" + bad + "\r\n");
    const ReadLinesResult r = files.ReadLines("bad.txt");
    EXPECT_EQ(r.error, FileError::kInvalidBytes);
    EXPECT_EQ(r.bad_line, 3);
    EXPECT_TRUE(r.lines.empty());
  }
  EXPECT_EQ(files.ReadLines("missing.txt").error, FileError::kNotFound);
}

TEST_F(FileSystemTest, UnencodableTextIsRefusedAndTheOldFileStays) {
  ASSERT_TRUE(files.WriteLines("temp1.txt", kExample).ok());
  const WriteResult r = files.WriteLines("temp1.txt", {"fine", "細明體 and 😀"});
  EXPECT_EQ(r.error, FileError::kUnencodable);
  EXPECT_EQ(r.bad_line, 2);
  EXPECT_EQ(test::ReadBytes(dir.File("temp1.txt")), kExampleBytes);
  EXPECT_EQ(Utf8ToCp950("€"), "\xA3\xE1");
  EXPECT_FALSE(Utf8ToCp950("é"));
  EXPECT_FALSE(Utf8ToCp950("\xFF"));  // not UTF-8 either
  EXPECT_EQ(Cp950ToUtf8("\xB2\xD3\xA9\xFA\xC5\xE9"), "細明體");
}

// A write that the disk refuses halfway (here through a file size limit) must leave the old
// file whole and no temporary file behind.
TEST_F(FileSystemTest, AFailingWriteLeavesTheOldFile) {
  ASSERT_TRUE(files.WriteLines("temp1.txt", kExample).ok());
  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const WriteResult r = files.WriteLines("temp1.txt", std::vector<std::string>(50, "a long line"));
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_EQ(r.error, FileError::kWriteFailed);
  EXPECT_EQ(test::ReadBytes(dir.File("temp1.txt")), kExampleBytes);
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"temp1.txt"});
  EXPECT_EQ(files.WriteLines("no/such/folder/x.txt", {"x"}).error, FileError::kWriteFailed);
}

TEST_F(FileSystemTest, CopyIsByteForByteAndReplacesTheTarget) {
  const std::string odd = "\x80\xFF not CP950\r\n\n";
  test::WriteBytes(dir.File("a.vlm"), odd);
  test::WriteBytes(dir.File("b.vlm"), "older and longer content");
  EXPECT_TRUE(files.CopyFile("a.vlm", "b.vlm"));
  EXPECT_EQ(test::ReadBytes(dir.File("b.vlm")), odd);
  EXPECT_FALSE(files.CopyFile("missing.vlm", "b.vlm"));
  EXPECT_EQ(test::ReadBytes(dir.File("b.vlm")), odd);
}

TEST_F(FileSystemTest, ExistsAndDelete) {
  EXPECT_FALSE(files.FileExists("temp1.txt"));
  test::WriteBytes(dir.File("temp1.txt"), "x");
  EXPECT_TRUE(files.FileExists("temp1.txt"));
  EXPECT_TRUE(files.FileExists(dir.File("temp1.txt")));  // absolute paths stay as they are
  fs::create_directory(dir.path() / "data");
  EXPECT_FALSE(files.FileExists("data"));  // a folder is not a file
  EXPECT_TRUE(files.DeleteFile("temp1.txt"));
  EXPECT_FALSE(files.FileExists("temp1.txt"));
  EXPECT_FALSE(files.DeleteFile("temp1.txt"));
}

}  // namespace
}  // namespace vellomir

namespace vellomir {
namespace {

TEST(FileSystemReplace, KeepsPermissionsAndFollowsLinks) {
  test::TempDir dir;
  FileSystem files(dir.path().string());
  const std::string real = dir.File("real.vlm");
  test::WriteBytes(real, "old\r\n");
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(real, dir.File("link.vlm"));

  ASSERT_TRUE(files.WriteLines("link.vlm", {"new"}).ok());
  EXPECT_TRUE(fs::is_symlink(dir.File("link.vlm")));
  EXPECT_EQ(test::ReadBytes(real), "new\r\n");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
}  // namespace vellomir
