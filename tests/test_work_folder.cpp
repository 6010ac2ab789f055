#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/work_folder.h"
#include "support/files.h"

namespace vellomir {
namespace {

namespace fs = std::filesystem;
using std::chrono::hours;

class WorkFolderTest : public ::testing::Test {
 protected:
  // A leftover folder holding a working file, last changed `age` before now.
  fs::path Leftover(const std::string& name, std::chrono::system_clock::duration age) {
    const fs::path p = dir_.path() / name;
    fs::create_directories(p);
    test::WriteBytes((p / "temp1.txt").string(), "setting,,;\r\n");
    const auto when = fs::file_time_type::clock::now() - age;
    fs::last_write_time(p / "temp1.txt", when);
    fs::last_write_time(p, when);
    return p;
  }

  const std::chrono::system_clock::time_point now_ = std::chrono::system_clock::now();
  test::TempDir dir_;
};

TEST_F(WorkFolderTest, EachWindowGetsAFreshPrivateFolderRemovedWithIt) {
  const std::string root = (dir_.path() / "vellomir").string();
  std::string first_path;
  {
    auto first = WindowFolder::Create(root);
    auto second = WindowFolder::Create(root);
    ASSERT_TRUE(first && second);
    EXPECT_NE(first->Path(), second->Path());
    first_path = first->Path();
    EXPECT_EQ(fs::path(first_path).parent_path(), fs::path(root));
    EXPECT_EQ(fs::path(first_path)
                  .filename()
                  .string()
                  .rfind("window-" + std::to_string(::getpid()) + "-", 0),
              0u);
    struct stat st {};
    ASSERT_EQ(::stat(first_path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(root.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);
    test::WriteBytes((fs::path(first_path) / "temp1.txt").string(), "x");
  }
  EXPECT_FALSE(fs::exists(first_path));
  EXPECT_TRUE(fs::exists(root));
}

TEST_F(WorkFolderTest, ARootThatIsAFileOrALinkIsRefused) {
  test::WriteBytes((dir_.path() / "plain").string(), "x");
  EXPECT_FALSE(WindowFolder::Create((dir_.path() / "plain").string()));
  fs::create_directory(dir_.path() / "real");
  fs::create_directory_symlink(dir_.path() / "real", dir_.path() / "link");
  EXPECT_FALSE(WindowFolder::Create((dir_.path() / "link").string()));
  EXPECT_FALSE(WindowFolder::Create(""));
}

TEST_F(WorkFolderTest, LeftoversOfEndedWindowsGoAfterADayAndNothingElse) {
  const auto dead = [](pid_t) { return false; };
  const fs::path old_dead = Leftover("window-4242-abc123", hours(25));
  const fs::path young_dead = Leftover("window-4243-def456", hours(23));
  const fs::path other_name = Leftover("notes", hours(100));
  const fs::path bad_pid = Leftover("window-x1-abc", hours(100));
  const fs::path no_random = Leftover("window-4244-", hours(100));
  test::WriteBytes((dir_.path() / "window-4245-file").string(), "not a folder");

  const auto removed = RemoveOldLeftovers(dir_.path().string(), now_, dead);
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(removed[0], old_dead.string());
  EXPECT_FALSE(fs::exists(old_dead));
  for (const fs::path& kept : {young_dead, other_name, bad_pid, no_random})
    EXPECT_TRUE(fs::exists(kept / "temp1.txt")) << kept;
  EXPECT_TRUE(fs::exists(dir_.path() / "window-4245-file"));
}

TEST_F(WorkFolderTest, AFolderOfARunningWindowIsKeptHoweverOld) {
  const fs::path mine = Leftover("window-" + std::to_string(::getpid()) + "-abc", hours(72));
  EXPECT_TRUE(RemoveOldLeftovers(dir_.path().string(), now_).empty());  // the real process test
  EXPECT_TRUE(fs::exists(mine / "temp1.txt"));
  EXPECT_TRUE(ProcessRuns(::getpid()));
}

TEST_F(WorkFolderTest, AFreshlyChangedFileKeepsAnOldFolder) {
  const fs::path p = Leftover("window-4246-abc", hours(48));
  fs::last_write_time(p / "temp1.txt", fs::file_time_type::clock::now() - hours(1));
  fs::last_write_time(p, fs::file_time_type::clock::now() - hours(48));
  EXPECT_TRUE(RemoveOldLeftovers(dir_.path().string(), now_, [](pid_t) { return false; }).empty());
  EXPECT_TRUE(fs::exists(p));
}

TEST_F(WorkFolderTest, ALinkNamedLikeALeftoverIsNotFollowed) {
  const fs::path target = Leftover("precious", hours(100));
  fs::create_directory_symlink(target, dir_.path() / "window-4247-abc");
  EXPECT_TRUE(RemoveOldLeftovers(dir_.path().string(), now_, [](pid_t) { return false; }).empty());
  EXPECT_TRUE(fs::exists(target / "temp1.txt"));
}

TEST_F(WorkFolderTest, RootFollowsTheRuntimeFolderElseTheDataFolder) {
  const char* saved_runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string runtime = saved_runtime ? saved_runtime : "";
  setenv("XDG_RUNTIME_DIR", "/run/user/1234", 1);
  EXPECT_EQ(WindowFoldersRoot(), "/run/user/1234/vellomir");
  unsetenv("XDG_RUNTIME_DIR");
  setenv("XDG_DATA_HOME", "/home/u/.data", 1);
  EXPECT_EQ(WindowFoldersRoot(), "/home/u/.data/vellomir/windows");
  unsetenv("XDG_DATA_HOME");
  setenv("XDG_RUNTIME_DIR", "relative/path", 1);  // not a usable folder name
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') {
    EXPECT_EQ(WindowFoldersRoot(), std::string(home) + "/.local/share/vellomir/windows");
  }
  if (saved_runtime)
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  else
    unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace vellomir
