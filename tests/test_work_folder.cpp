#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "gui/window_app.h"
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
  // An old folder with a freshly changed file in it.
  const fs::path fresh_file = Leftover("window-4246-abc", hours(48));
  fs::last_write_time(fresh_file / "temp1.txt", fs::file_time_type::clock::now() - hours(1));
  fs::last_write_time(fresh_file, fs::file_time_type::clock::now() - hours(48));
  // A link named like a leftover is not followed.
  const fs::path target = Leftover("precious", hours(100));
  fs::create_directory_symlink(target, dir_.path() / "window-4247-abc");

  const auto removed = RemoveOldLeftovers(dir_.path().string(), now_, dead);
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(removed[0], old_dead.string());
  EXPECT_FALSE(fs::exists(old_dead));
  for (const fs::path& kept : {young_dead, other_name, bad_pid, no_random, fresh_file, target})
    EXPECT_TRUE(fs::exists(kept / "temp1.txt")) << kept;
  EXPECT_TRUE(fs::exists(dir_.path() / "window-4245-file"));
  EXPECT_TRUE(fs::is_symlink(dir_.path() / "window-4247-abc"));
}

TEST_F(WorkFolderTest, AFolderOfARunningWindowIsKeptHoweverOld) {
  const fs::path mine = Leftover("window-" + std::to_string(::getpid()) + "-abc", hours(72));
  EXPECT_TRUE(RemoveOldLeftovers(dir_.path().string(), now_).empty());  // the real process test
  EXPECT_TRUE(fs::exists(mine / "temp1.txt"));
  EXPECT_TRUE(ProcessRuns(::getpid()));
}

TEST_F(WorkFolderTest, RootFollowsTheRuntimeFolderElseTheDataFolder) {
  const char* saved_runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string runtime = saved_runtime ? saved_runtime : "";
  const std::string run = (dir_.path() / "run").string();
  fs::create_directory(run);
  fs::permissions(run, fs::perms::owner_all);
  setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
  EXPECT_EQ(WindowFoldersRoot(), run + "/vellomir");
  // A runtime folder that is a link, open to others or someone else's is not taken, given or
  // found as runtime-UID in the temporary folder: one under the data folder serves.
  const std::string uid = std::to_string(::geteuid());
  fs::create_directory_symlink(run, dir_.path() / "link");
  fs::create_directory(dir_.path() / "open");
  fs::create_directories(dir_.path() / ("theirs/runtime-" + uid));
  fs::create_directories(dir_.path() / "planted");
  fs::create_directory_symlink(run, dir_.path() / ("planted/runtime-" + uid));
  ASSERT_EQ(::chown((dir_.path() / ("theirs/runtime-" + uid)).c_str(), 4321, 4321), 0);
  ASSERT_EQ(::chown((dir_.path() / "theirs").c_str(), 4321, 4321), 0);
  setenv("XDG_DATA_HOME", (dir_.path() / "data").c_str(), 1);
  const std::string data = (dir_.path() / "data/vellomir").string();
  for (const char* name : {"link", "open", "theirs"}) {
    setenv("XDG_RUNTIME_DIR", (dir_.path() / name).c_str(), 1);
    EXPECT_EQ(WindowFoldersRoot(), data + "/windows") << name;
  }
  unsetenv("XDG_RUNTIME_DIR");
  for (const char* tmp : {"planted", "theirs", "run"}) {
    const std::string got = PrivateRuntimeFolder((dir_.path() / tmp).string());
    EXPECT_EQ(got, *tmp == 'r' ? run + "/runtime-" + uid : data + "/runtime") << tmp;
    EXPECT_TRUE(IsPrivateFolder(got)) << tmp;
  }
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

// A killed command's private folder goes at the next command; a locked one, a young one, a
// link and other names stay, whatever their process ids say.
TEST_F(WorkFolderTest, FoldersOfKilledCommandsGoByTheirLock) {
  const fs::path dead = Leftover("vellomir-a1b2c3", std::chrono::minutes(5));
  const fs::path working = Leftover("vellomir-d4e5f6", std::chrono::minutes(5));
  const fs::path young = Leftover("vellomir-g7h8i9", std::chrono::seconds(5));
  const fs::path other = Leftover("vellomir-other-name", std::chrono::minutes(5));
  fs::create_directory_symlink(dead.parent_path() / "elsewhere", dir_.path() / "vellomir-jklmno");
  const FolderLock lock(working.string());
  ASSERT_TRUE(lock.Held());
  EXPECT_TRUE(LockIsHeld(working.string()));
  EXPECT_EQ(RemoveDeadCommandFolders(dir_.path().string(), now_),
            std::vector<std::string>{dead.string()});
  EXPECT_TRUE(fs::exists(working / "temp1.txt"));
  EXPECT_TRUE(fs::exists(young / "temp1.txt"));
  EXPECT_TRUE(fs::exists(other / "temp1.txt"));
  EXPECT_TRUE(fs::is_symlink(dir_.path() / "vellomir-jklmno"));
}

// The real program: started in a folder holding files named like the working files, killed
// as a crash would end it, then a new window started after the leftover aged.
TEST_F(WorkFolderTest, TheProgramLeavesItsStartFolderAloneAndAKilledWindowsFolderAges) {
  const fs::path start = dir_.path() / "home";
  const fs::path runtime = dir_.path() / "runtime";
  fs::create_directories(start);
  fs::create_directories(runtime);
  ::chmod(runtime.c_str(), 0700);
  test::WriteBytes((start / "temp1.txt").string(), "mine 1");
  test::WriteBytes((start / "temp2.txt").string(), "mine 2");

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::chdir(start.c_str()) != 0) ::_exit(3);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::execl(VELLOMIR_EXE, "vellomir", static_cast<char*>(nullptr));
    ::_exit(4);
  }
  const fs::path root = runtime / "vellomir";
  const std::string prefix = "window-" + std::to_string(child) + "-";
  fs::path folder;
  for (int i = 0; i < 200 && folder.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(root, ec))
      if (e.path().filename().string().rfind(prefix, 0) == 0) folder = e.path();
  }
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_FALSE(folder.empty()) << "the window made no folder of its own under " << root;
  EXPECT_EQ(test::ReadBytes((start / "temp1.txt").string()), "mine 1");
  EXPECT_EQ(test::ReadBytes((start / "temp2.txt").string()), "mine 2");
  EXPECT_TRUE(fs::exists(folder));  // the killed window's leftover stays

  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved_runtime = saved ? saved : "";
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  {
    auto next = MakeWindowFolder();  // the leftover is young: kept, and not taken over
    ASSERT_TRUE(next);
    EXPECT_NE(fs::path(next->Path()), folder);
    EXPECT_TRUE(fs::exists(folder));
  }
  fs::last_write_time(folder, fs::file_time_type::clock::now() - hours(25));
  {
    auto later = MakeWindowFolder();  // a day later it goes
    ASSERT_TRUE(later);
    EXPECT_FALSE(fs::exists(folder));
  }
  if (saved)
    ::setenv("XDG_RUNTIME_DIR", saved_runtime.c_str(), 1);
  else
    ::unsetenv("XDG_RUNTIME_DIR");
}

}  // namespace
}  // namespace vellomir
