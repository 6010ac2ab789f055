#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>

#include "platform/output_file.h"
#include "platform/signal_cleanup.h"
#include "support/failing_output.h"
#include "support/files.h"

namespace vellomir {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> FolderEntries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class OutputFileTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string Path(const std::string& name) const { return dir.File(name); }
};

// --- Whole or nothing -----------------------------------------------------------------------

TEST_F(OutputFileTest, WritesEveryByteAndLeavesNoTemporaryFile) {
  // More than the buffer holds, in odd pieces, so flushes fall in the middle of writes.
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>('a' + i % 26);
  OutputFile out(Path("big.bin"));
  ASSERT_TRUE(out.Open());
  for (std::size_t done = 0; done < bytes.size(); done += 7777)
    ASSERT_TRUE(out.Write(bytes.data() + done, std::min<std::size_t>(7777, bytes.size() - done)));
  EXPECT_EQ(out.Written(), bytes.size());
  EXPECT_FALSE(fs::exists(Path("big.bin")));  // nothing in place before the commit
  ASSERT_TRUE(out.Commit());
  EXPECT_EQ(test::ReadBytes(Path("big.bin")), bytes);
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"big.bin"});
}

// Writes 150000 bytes in pieces of 10000, as a drawing writer would.
std::string WriteInPieces(const std::string& path, OutputProblem* problem) {
  OutputFile out(path);
  const std::string piece(10000, 'n');
  bool ok = out.Open();
  for (int i = 0; ok && i < 15; ++i) ok = out.Write(piece.data(), piece.size());
  ok = ok && out.Commit();
  *problem = out.Problem();
  return ok ? std::string() : out.Error();
}

TEST_F(OutputFileTest, EachFailingStepKeepsTheOldFileAndLeavesNothing) {
  for (const test::OutputStep step : test::kOutputSteps) {
    test::FailingOutputCalls counting(step, 0);
    {
      ScopedOutputCalls scope(counting);
      OutputProblem problem = OutputProblem::kNone;
      ASSERT_EQ(WriteInPieces(Path("count.bin"), &problem), "");
    }
    const int calls = counting.Calls(step);
    // The buffer is written whenever it fills and once at the end.
    EXPECT_EQ(calls, step == test::OutputStep::kWrite ? 3 : 1) << test::StepName(step);
    for (int nth = 1; nth <= calls; ++nth) {
      test::WriteBytes(Path("a.vlm"), "old bytes\r\n");
      test::FailingOutputCalls failing(step, nth);
      ScopedOutputCalls scope(failing);
      OutputProblem problem = OutputProblem::kNone;
      const std::string error = WriteInPieces(Path("a.vlm"), &problem);
      const std::string what = std::string(test::StepName(step)) + " #" + std::to_string(nth);
      EXPECT_TRUE(failing.Failed()) << what;
      EXPECT_NE(error.find("無法寫入檔案「" + Path("a.vlm") + "」"), std::string::npos) << what;
      EXPECT_NE(problem, OutputProblem::kNone) << what;
      EXPECT_EQ(test::ReadBytes(Path("a.vlm")), "old bytes\r\n") << what;
      EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"a.vlm", "count.bin"}))
          << what;
    }
  }
}

TEST_F(OutputFileTest, AWriteFailureIsTheFirstAndLastWord) {
  test::FailingOutputCalls failing(test::OutputStep::kWrite, 1);
  ScopedOutputCalls scope(failing);
  OutputFile out(Path("x.pdf"));
  ASSERT_TRUE(out.Open());
  const std::string chunk(70000, 'x');  // past the buffer: written now, and refused
  EXPECT_FALSE(out.Write(chunk.data(), chunk.size()));
  EXPECT_EQ(out.Problem(), OutputProblem::kWrite);
  EXPECT_NE(out.Error().find("No space left on device"), std::string::npos);
  EXPECT_FALSE(out.Write("y", 1));  // a failed sink takes nothing more
  EXPECT_FALSE(out.Commit());
  EXPECT_EQ(out.Problem(), OutputProblem::kWrite);  // the first failure is the one told
  EXPECT_TRUE(FolderEntries(dir.path()).empty());
}

TEST_F(OutputFileTest, SizeLimitRefusesTheWriteThatWouldPassIt) {
  OutputFile out(Path("capped.pdf"));
  out.SetSizeLimit(10);
  ASSERT_TRUE(out.Write("0123456789", 10));  // exactly the limit is fine
  EXPECT_FALSE(out.Write("a", 1));
  EXPECT_EQ(out.Problem(), OutputProblem::kTooLarge);
  EXPECT_EQ(out.Written(), 10u);
  out.Abandon();
  EXPECT_TRUE(FolderEntries(dir.path()).empty());
}

// --- Only regular files are replaced --------------------------------------------------------

TEST_F(OutputFileTest, FoldersFifosSocketsAndDevicesStayWhatTheyWere) {
  fs::create_directory(Path("folder.pdf"));
  ASSERT_EQ(::mkfifo(Path("fifo.pdf").c_str(), 0644), 0);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = Path("socket.pdf");
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  std::copy(socket_path.begin(), socket_path.end(), address.sun_path);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  struct Case {
    std::string path;
    std::string says;
  };
  for (const Case& c : {Case{Path("folder.pdf"), "資料夾"}, Case{Path("fifo.pdf"), "FIFO"},
                        Case{socket_path, "socket"}, Case{"/dev/null", "裝置"}}) {
    struct stat before {};
    ASSERT_EQ(::stat(c.path.c_str(), &before), 0) << c.path;
    OutputProblem problem = OutputProblem::kNone;
    const std::string error = WriteWholeFile(c.path, "%PDF-1.4 replaced\n", &problem);
    EXPECT_EQ(problem, OutputProblem::kNotRegular) << c.path;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_NE(error.find(c.path), std::string::npos) << error;
    struct stat after {};
    ASSERT_EQ(::stat(c.path.c_str(), &after), 0) << c.path;
    EXPECT_EQ(after.st_mode & S_IFMT, before.st_mode & S_IFMT) << c.path;
    EXPECT_EQ(after.st_ino, before.st_ino) << c.path;
  }
  ::close(sock);
  EXPECT_FALSE(fs::exists(TemporaryPrefix("/dev/null") + "x"));
  EXPECT_EQ(FolderEntries(dir.path()),
            (std::vector<std::string>{"fifo.pdf", "folder.pdf", "socket.pdf"}));
}

// Root passes every access() test, so the mode bits decide.
TEST_F(OutputFileTest, AReadOnlyFileIsRefusedForEveryone) {
  test::WriteBytes(Path("locked.vlm"), "keep me\r\n");
  fs::permissions(Path("locked.vlm"),
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  OutputProblem problem = OutputProblem::kNone;
  const std::string error = WriteWholeFile(Path("locked.vlm"), "new\r\n", &problem);
  EXPECT_EQ(problem, OutputProblem::kReadOnly);
  EXPECT_NE(error.find("唯讀"), std::string::npos);
  EXPECT_EQ(test::ReadBytes(Path("locked.vlm")), "keep me\r\n");
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"locked.vlm"});
}

// Root saving over someone else's file leaves it theirs, with its permissions.
TEST_F(OutputFileTest, AReplacedFileKeepsItsOwnerAndPermissions) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file away";
  test::WriteBytes(Path("theirs.vlm"), "old\r\n");
  ASSERT_EQ(::chown(Path("theirs.vlm").c_str(), 65534, 65534), 0);
  ASSERT_EQ(::chmod(Path("theirs.vlm").c_str(), 0640), 0);
  ASSERT_EQ(WriteWholeFile(Path("theirs.vlm"), "new\r\n"), "");
  struct stat st {};
  ASSERT_EQ(::stat(Path("theirs.vlm").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 65534u);
  EXPECT_EQ(st.st_gid, 65534u);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(test::ReadBytes(Path("theirs.vlm")), "new\r\n");
}

// --- Links -----------------------------------------------------------------------------------

TEST_F(OutputFileTest, LinksAreWrittenThroughAndStayLinks) {
  fs::create_directory(Path("real"));
  test::WriteBytes(Path("real/a.vlm"), "old\r\n");
  fs::permissions(Path("real/a.vlm"), fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("real/a.vlm", Path("link.vlm"));              // relative to the link's folder
  fs::create_symlink(Path("link.vlm"), Path("link-to-link.vlm"));  // a chain
  ASSERT_EQ(WriteWholeFile(Path("link-to-link.vlm"), "new\r\n"), "");
  EXPECT_TRUE(fs::is_symlink(Path("link.vlm")));
  EXPECT_TRUE(fs::is_symlink(Path("link-to-link.vlm")));
  EXPECT_EQ(test::ReadBytes(Path("real/a.vlm")), "new\r\n");
  EXPECT_EQ(fs::status(Path("real/a.vlm")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);

  // A dangling link: the file it names appears, and the link stays a link.
  fs::create_symlink("real/later.vlm", Path("dangling.vlm"));
  ASSERT_EQ(WriteWholeFile(Path("dangling.vlm"), "made\r\n"), "");
  EXPECT_TRUE(fs::is_symlink(Path("dangling.vlm")));
  EXPECT_EQ(test::ReadBytes(Path("real/later.vlm")), "made\r\n");

  // A loop names no file at all.
  fs::create_symlink(Path("loop-b"), Path("loop-a"));
  fs::create_symlink(Path("loop-a"), Path("loop-b"));
  OutputProblem problem = OutputProblem::kNone;
  EXPECT_NE(WriteWholeFile(Path("loop-a"), "x", &problem), "");
  EXPECT_EQ(problem, OutputProblem::kBadLink);
  EXPECT_TRUE(fs::is_symlink(Path("loop-a")));
  EXPECT_EQ(FolderEntries(Path("real")), (std::vector<std::string>{"a.vlm", "later.vlm"}));
}

// As fs.protected_symlinks: in a sticky folder anyone may write to, only a link of ours or of
// the folder's owner is followed; elsewhere any link is.
TEST_F(OutputFileTest, LinksPlantedByOthersInASharedFolderAreNotFollowed) {
  ASSERT_EQ(::geteuid(), 0u) << "needs root to give links to other owners";
  const struct {
    mode_t folder_mode;
    uid_t folder_owner, link_owner;
    bool followed;
  } rows[] = {{01777, 0, 4321, false},  // /tmp, a stranger's link: the attack
              {01777, 4321, 4321, true},
              {01777, 4321, 0, true},  // the folder's owner's, ours
              {00777, 0, 4321, true},
              {01755, 0, 4321, true}};  // not sticky, not shared
  for (const auto& r : rows) {
    test::TempDir shared;
    test::WriteBytes(Path("victim.txt"), "important\n");
    ASSERT_EQ(::chown(shared.path().c_str(), r.folder_owner, 0), 0);
    ASSERT_EQ(::chmod(shared.path().c_str(), r.folder_mode), 0);
    const std::string link = shared.File("labels.pdf");
    fs::create_symlink(Path("victim.txt"), link);
    ASSERT_EQ(::lchown(link.c_str(), r.link_owner, 0), 0);
    OutputProblem problem = OutputProblem::kNone;
    const std::string error = WriteWholeFile(link, "%PDF", &problem);
    EXPECT_EQ(problem, r.followed ? OutputProblem::kNone : OutputProblem::kUnsafeLink) << error;
    EXPECT_EQ(test::ReadBytes(Path("victim.txt")), r.followed ? "%PDF" : "important\n") << error;
    EXPECT_TRUE(fs::is_symlink(link));
  }
}

// --- Several files put in place as one --------------------------------------------------------

const char* const kSet[] = {"out.pdf", "out-2.pdf", "out-3.pdf"};

// Puts new bytes ("NEW name") over the three targets of kSet together.
std::string CommitSet(const test::TempDir& dir, const std::string& tag, bool* restored = nullptr) {
  std::vector<std::unique_ptr<OutputFile>> files;
  std::vector<OutputFile*> all;
  for (const char* name : kSet) {
    files.push_back(std::make_unique<OutputFile>(dir.File(name)));
    const std::string bytes = tag + " " + name;
    files.back()->Write(bytes.data(), bytes.size());
    all.push_back(files.back().get());
  }
  return CommitTogether(all, restored);
}

// From its nth sync, close or rename on, each call fails with EIO or raises SIGTERM.
class FromNthCall : public OutputCalls {
 public:
  FromNthCall(int nth, bool signal) : nth_(nth), signal_(signal) {}
  int Sync(int fd) override { return Step() ? -1 : OutputCalls::Sync(fd); }
  int Close(int fd) override { return Step() ? -1 : OutputCalls::Close(fd); }
  int Rename(const std::string& from, const std::string& to) override {
    return Step() ? -1 : OutputCalls::Rename(from, to);
  }

 private:
  bool Step() {
    if (++count_ < nth_ || (signal_ && count_ > nth_)) return false;
    if (signal_) return ::raise(SIGTERM), false;
    errno = EIO;
    return true;
  }
  int nth_, count_ = 0;
  bool signal_;
};

TEST_F(OutputFileTest, AFailedRestoreKeepsTheBackupAndNamesIt) {
  for (const char* name : kSet) test::WriteBytes(Path(name), std::string("old ") + name);
  FromNthCall failing(8, false);  // out.pdf goes in place; out-2.pdf and the restore fail
  bool restored = true;
  std::string error;
  {
    ScopedOutputCalls scope(failing);
    error = CommitSet(dir, "new", &restored);
  }
  EXPECT_FALSE(restored);
  const std::string backup = TemporaryPrefix(Path("out.pdf")) + std::to_string(::getpid()) + "-old";
  EXPECT_NE(error.find("無法還原已經換成新內容的檔案:" + Path("out.pdf") + " (舊的內容留在「" +
                       backup + "」)"),
            std::string::npos)
      << error;
  EXPECT_EQ(test::ReadBytes(backup), "old out.pdf");
  EXPECT_EQ(test::ReadBytes(Path("out-2.pdf")), "old out-2.pdf");
  // The next write of the same target leaves the only copy of the old file alone.
  ASSERT_EQ(WriteWholeFile(Path("out.pdf"), "later"), "");
  EXPECT_TRUE(fs::exists(backup));
}

// A signal at any step of putting a tractor-feed set in place: the process ends as the signal
// says, and the set is whole, old, with nothing left over (no backup removed by the handler).
// Runs to one target at the same time take turns: each set is one run's, and the lock goes.
TEST_F(OutputFileTest, SetsStaySetsUnderSignalsAndConcurrentRuns) {
  for (int nth = 1; nth <= 9; ++nth) {  // a sync, a close and a rename for each file
    for (const char* name : kSet) test::WriteBytes(Path(name), std::string("old ") + name);
    const pid_t child = ::fork();
    if (child == 0) {
      InstallSignalCleanup();
      FromNthCall calls(nth, true);
      ScopedOutputCalls scope(calls);
      ::_exit(CommitSet(dir, "new").empty() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << nth;
    for (const char* name : kSet)
      EXPECT_EQ(test::ReadBytes(Path(name)), std::string("old ") + name) << nth;
    EXPECT_EQ(FolderEntries(dir.path()).size(), 3u) << nth;
  }
  for (int round = 0; round < 10; ++round) {
    std::vector<pid_t> children;
    for (const char* run : {"A", "B", "C"})
      if (const pid_t child = ::fork(); child == 0)
        ::_exit(CommitSet(dir, run).empty() ? 0 : 1);
      else
        children.push_back(child);
    for (const pid_t child : children) ::waitpid(child, nullptr, 0);
    const char run = test::ReadBytes(Path("out.pdf"))[0];
    for (const char* name : kSet)
      EXPECT_EQ(test::ReadBytes(Path(name)), std::string(1, run) + " " + name) << round;
    EXPECT_EQ(FolderEntries(dir.path()).size(), 3u) << round;
  }
}

// --- Leftovers of a killed write --------------------------------------------------------------

TEST_F(OutputFileTest, TemporaryFilesOfAKilledWriteGoAtTheNextWrite) {
  // A process id that is surely gone: a child that has been waited for.
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ::waitpid(child, nullptr, 0);

  const std::string prefix = TemporaryPrefix(Path("a.vlm"));
  const std::string dead = prefix + std::to_string(child) + "-0badf00d";
  const std::string alive = prefix + std::to_string(::getpid()) + "-00c0ffee";
  const std::string old_style = prefix + "123456789";
  const std::string young_old_style = prefix + "987654321";
  const std::string other_file = TemporaryPrefix(Path("b.vlm")) + std::to_string(child) + "-1";
  // Process ids of another system (a container sharing the folder) say nothing here: age does.
  const std::string dead_here = prefix + std::to_string(child) + "-0badf00d@" + SystemTag();
  const std::string elsewhere = prefix + std::to_string(child) + "-0badf00d@00000000";
  const std::string old_elsewhere = prefix + std::to_string(child) + "-0000beef@00000000";
  const std::string held = prefix + std::to_string(child) + "-00000001@" + SystemTag();
  const std::string backup = prefix + std::to_string(child) + "-old";  // a stopped set's
  for (const auto& p : {dead, alive, old_style, young_old_style, other_file, dead_here, elsewhere,
                        old_elsewhere, held, backup})
    test::WriteBytes(p, "half");
  fs::last_write_time(old_style, fs::file_time_type::clock::now() - std::chrono::hours(2));
  fs::last_write_time(old_elsewhere, fs::file_time_type::clock::now() - std::chrono::hours(2));
  const int writer = ::open(held.c_str(), O_RDONLY);  // a writer at work holds its file
  ASSERT_EQ(::flock(writer, LOCK_EX), 0);

  ASSERT_EQ(WriteWholeFile(Path("a.vlm"), "whole\r\n"), "");
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_FALSE(fs::exists(old_style));
  EXPECT_TRUE(fs::exists(alive));            // its writer may still be at work
  EXPECT_TRUE(fs::exists(young_old_style));  // too young to call left over
  EXPECT_TRUE(fs::exists(other_file));       // another target's business
  EXPECT_FALSE(fs::exists(dead_here));
  EXPECT_TRUE(fs::exists(elsewhere));
  EXPECT_FALSE(fs::exists(old_elsewhere));
  EXPECT_TRUE(fs::exists(held));
  EXPECT_TRUE(fs::exists(backup));
  ::close(writer);
  EXPECT_EQ(test::ReadBytes(Path("a.vlm")), "whole\r\n");
}

}  // namespace
}  // namespace vellomir
