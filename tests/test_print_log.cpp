#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "render/print_log.h"
#include "support/files.h"

namespace vellomir {
namespace {

namespace fs = std::filesystem;

PrintLogEntry Entry(const std::string& design, int64_t sent) {
  PrintLogEntry e;
  e.time = "2026-12-07 10:00:00 +0800";
  e.design = design;
  e.destination = "labels";
  e.requested = 12;
  e.sent = sent;
  e.outcome = "完成";
  return e;
}

TEST(PrintLogLine, HoldsEveryFieldOnOneLine) {
  PrintLogEntry e = Entry("sample.vlm", 12);
  e.jobs = {"labels-7", "labels-8"};
  EXPECT_EQ(FormatPrintLogLine(e),
            "2026-12-07 10:00:00 +0800\t設計=sample.vlm\t送到=labels\t要印=12\t已送出=12"
            "\t標籤=1-12\t工作=labels-7 labels-8\t結果=完成");
  // A name with a tab or a line break cannot split the line or add a field.
  e.design = "a\tb\nc.vlm";
  e.sent = 0;
  e.jobs.clear();
  const std::string line = FormatPrintLogLine(e);
  EXPECT_EQ(line.find('\n'), std::string::npos);
  EXPECT_NE(line.find("\t設計=a b c.vlm\t"), std::string::npos) << line;
  EXPECT_NE(line.find("\t標籤=-\t工作=-\t"), std::string::npos) << line;
  EXPECT_NE(FormatPrintLogLine(Entry("x", 1)).find("\t標籤=1\t"), std::string::npos);
}

TEST(PrintLogEntries, CarryTheRunsOutcome) {
  PrintResult result;
  result.outcome = PrintOutcome::kPrinterError;
  result.message = "印表機「labels」不接受列印工作";
  result.labels_sent = 4;
  result.deliveries = {"labels-3"};
  const PrintLogEntry e = MakePrintLogEntry("d.vlm", "labels", 12, result);
  EXPECT_EQ(e.sent, 4);
  EXPECT_EQ(e.requested, 12);
  EXPECT_EQ(e.jobs, (std::vector<std::string>{"labels-3"}));
  EXPECT_EQ(e.outcome, "失敗: 印表機「labels」不接受列印工作");
  result.outcome = PrintOutcome::kPrinted;
  result.message.clear();
  EXPECT_EQ(MakePrintLogEntry("d.vlm", "labels", 12, result).outcome, "完成");
  result.outcome = PrintOutcome::kCancelled;
  EXPECT_EQ(MakePrintLogEntry("d.vlm", "labels", 12, result).outcome, "取消");
}

// --- Batch numbers that never repeat --------------------------------------------------------

TEST(BatchLog, RecordsEachRunsRangeAndFindsItAgain) {
  test::TempDir dir;
  const std::string log = dir.File("print.log");
  const auto rules = std::make_unique<RuleTable>(
      RuleTableOf({"1,,;LOT-,,;8,,;6,,;20,,;15,,;4,,;1,,;1,,;10,,;8,,;1,,;",
                   "2,,;品名,,;8,,;42,,;,,;,,;12,,;細明體,,;0,,;0,,;"}));
  PrintLogEntry first = Entry("x.vlm", 12);
  first.design_path = "/labels/x.vlm";
  first.batches = BatchRanges(*rules, 12, LabelDrawing{});
  EXPECT_NE(FormatPrintLogLine(first).find(
                "\t路徑=/labels/x.vlm\t批號=LOT-0001 到 LOT-0012\t批號規則=LOT-|1|12"),
            std::string::npos)
      << FormatPrintLogLine(first);
  ASSERT_EQ(AppendPrintLog(log, first), "");
  PrintLogEntry other = first;  // another design whose path starts the same
  other.design_path = "/labels/x.vlm.old";
  other.batches = BatchRanges(*rules, 40, LabelDrawing{});
  ASSERT_EQ(AppendPrintLog(log, other), "");

  const struct {
    double start;
    int64_t labels;
    const char *repeat, *why;
  } runs[] = {
      {1, 12, "批號 LOT-0001 到 LOT-0012 已於 2026/12/07 印過", "the same run again"},
      {12, 1, "批號 LOT-0001 到 LOT-0012 已於 2026/12/07 印過", "one number in the range"},
      {13, 50, "", "continued after the last one"},
  };
  for (const auto& r : runs) {
    rules->rows[0][7] = std::to_string(static_cast<int>(r.start));
    const BatchHistory h = ReadBatchHistory(log, "/labels/x.vlm", *rules, r.labels);
    EXPECT_EQ(h.repeat, r.repeat) << r.why;
    ASSERT_EQ(h.next.size(), 1u) << r.why;
    EXPECT_EQ(h.next[0], (std::pair<int, double>{0, 13})) << r.why;
  }
  ContinueBatchNumbers(*rules, ReadBatchHistory(log, "/labels/x.vlm", *rules, 12));
  EXPECT_EQ(rules->rows[0][7], "13");
  EXPECT_EQ(BatchRanges(*rules, 3, LabelDrawing{})[0].last_text, "LOT-0015");
  EXPECT_TRUE(ReadBatchHistory(log, "/labels/new.vlm", *rules, 12).next.empty());
  EXPECT_TRUE(ReadBatchHistory(dir.File("none.log"), "/labels/x.vlm", *rules, 12).next.empty());
}

TEST(PrintLogFile, AppendsLinesInTheFolderItMakesAndReadsTheLastOnesBack) {
  test::TempDir dir;
  const std::string path = dir.File("deep/er/vellomir/print.log");
  EXPECT_EQ(LastPrintLogLines(path, 5), std::vector<std::string>{});  // no log yet
  for (int i = 1; i <= 30; ++i)
    ASSERT_EQ(AppendPrintLog(path, Entry("d" + std::to_string(i) + ".vlm", i)), "");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);  // what a user printed is the user's business

  const auto last = LastPrintLogLines(path, 3);
  ASSERT_TRUE(last);
  ASSERT_EQ(last->size(), 3u);
  EXPECT_NE((*last)[0].find("設計=d28.vlm"), std::string::npos);
  EXPECT_NE((*last)[2].find("設計=d30.vlm"), std::string::npos);
  EXPECT_EQ(LastPrintLogLines(path, 100)->size(), 30u);

  // An entry without a time gets the current one.
  PrintLogEntry now = Entry("now.vlm", 1);
  now.time.clear();
  ASSERT_EQ(AppendPrintLog(path, now), "");
  const std::string line = LastPrintLogLines(path, 1)->at(0);
  EXPECT_EQ(line.find("\t"), std::string("2026-12-07 10:00:00 +0800").size()) << line;
  EXPECT_EQ(line.rfind("20", 0), 0u) << line;
}

TEST(PrintLogFile, ReadsTheTailOfALongLogAcrossBlocks) {
  test::TempDir dir;
  const std::string path = dir.File("print.log");
  {
    std::ofstream out(path, std::ios::binary);
    for (int i = 1; i <= 5000; ++i) out << "line " << i << std::string(40, '.') << "\n";
  }
  const auto last = LastPrintLogLines(path, 2000);
  ASSERT_TRUE(last);
  ASSERT_EQ(last->size(), 2000u);
  EXPECT_EQ(last->front(), "line 3001" + std::string(40, '.'));
  EXPECT_EQ(last->back(), "line 5000" + std::string(40, '.'));
}

TEST(PrintLogFile, RunsAtTheSameTimeNeverMixTheirLines) {
  test::TempDir dir;
  const std::string path = dir.File("print.log");
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t)
    writers.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) AppendPrintLog(path, Entry(std::string(500, 'a' + t), i));
    });
  for (auto& w : writers) w.join();
  const auto lines = LastPrintLogLines(path, 1000);
  ASSERT_TRUE(lines);
  ASSERT_EQ(lines->size(), 200u);
  for (const std::string& line : *lines) {
    const auto design = line.find("設計=");
    ASSERT_NE(design, std::string::npos);
    const char c = line[design + std::string("設計=").size()];
    EXPECT_EQ(line.find(std::string(500, c)), design + std::string("設計=").size()) << line;
  }
}

TEST(PrintLogFile, AFolderInTheWayIsReportedAndNothingElseHappens) {
  test::TempDir dir;
  fs::create_directories(dir.path() / "print.log");
  const std::string problem = AppendPrintLog(dir.File("print.log"), Entry("d.vlm", 1));
  EXPECT_NE(problem.find("無法寫入列印記錄"), std::string::npos) << problem;
  EXPECT_FALSE(LastPrintLogLines(dir.File("print.log"), 1));
  EXPECT_NE(AppendPrintLog("", Entry("d.vlm", 1)), "");
  // A FIFO nobody reads or a link to a device: told at once, never waited on.
  ASSERT_EQ(::mkfifo(dir.File("fifo.log").c_str(), 0600), 0);
  fs::create_symlink("/dev/full", dir.File("full.log"));
  for (const char* name : {"fifo.log", "full.log"}) {
    const std::string why = AppendPrintLog(dir.File(name), Entry("d.vlm", 1));
    EXPECT_NE(why.find("不是一般檔案"), std::string::npos) << name << why;
    EXPECT_FALSE(LastPrintLogLines(dir.File(name), 1)) << name;
  }
}

// A tail without line ends is one line, read once (the cost of `log` grows with the tail only).
TEST(PrintLogFile, ATailWithoutLineEndsIsOneLine) {
  test::TempDir dir;
  const std::string path = dir.File("print.log");
  const std::string junk(3 * 64 * 1024 + 5, 'x');
  const struct {
    std::string bytes;
    std::vector<std::string> last2;
  } rows[] = {{junk, {junk}}, {"a\nb\n" + junk + "\n", {"b", junk}}, {junk + "\nc\n", {junk, "c"}}};
  for (const auto& r : rows) {
    test::WriteBytes(path, r.bytes);
    EXPECT_EQ(LastPrintLogLines(path, 2), r.last2) << r.bytes.size();
  }
}

TEST(PrintLogFile, LivesInTheUsersDataFolder) {
  const char* saved_xdg = std::getenv("XDG_DATA_HOME");
  const std::string xdg = saved_xdg ? saved_xdg : "";
  const char* saved_home = std::getenv("HOME");
  const std::string home = saved_home ? saved_home : "";
  setenv("XDG_DATA_HOME", "/srv/data", 1);
  EXPECT_EQ(DefaultPrintLogPath(), "/srv/data/vellomir/print.log");
  setenv("XDG_DATA_HOME", "relative/not/allowed", 1);  // the XDG rules ignore relative paths
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(DefaultPrintLogPath(), "/home/someone/.local/share/vellomir/print.log");
  if (saved_xdg) setenv("XDG_DATA_HOME", xdg.c_str(), 1);
  if (saved_home) setenv("HOME", home.c_str(), 1);
}

TEST(LogCommand, PrintsTheLastEntriesAndRefusesABadCount) {
  test::TempDir dir;
  setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
  const std::string path = DefaultPrintLogPath();
  auto empty = test::RunVellomir({"log"});
  EXPECT_EQ(empty.status, 0) << empty.err;
  EXPECT_TRUE(test::OutputLines(empty.out).empty());
  for (int i = 1; i <= 25; ++i) ASSERT_EQ(AppendPrintLog(path, Entry("d.vlm", i)), "");

  const auto all = test::RunVellomir({"log"});
  ASSERT_EQ(all.status, 0) << all.err;
  const auto lines = test::OutputLines(all.out);
  ASSERT_EQ(lines.size(), 20u);  // twenty unless told
  EXPECT_NE(lines.back().find("已送出=25\t"), std::string::npos) << lines.back();

  const auto three = test::RunVellomir({"log", "3"});
  ASSERT_EQ(three.status, 0);
  ASSERT_EQ(test::OutputLines(three.out).size(), 3u);
  EXPECT_NE(test::OutputLines(three.out)[0].find("已送出=23\t"), std::string::npos);

  for (const char* bad : {"0", "-1", "x", "1e3", "99999999"}) {
    const auto r = test::RunVellomir({"log", bad});
    EXPECT_EQ(r.status, 2) << bad;
    ASSERT_EQ(test::OutputLines(r.err).size(), 1u) << bad << r.err;
    EXPECT_EQ(test::OutputLines(r.err)[0].rfind("vellomir log: ", 0), 0u);
  }
  EXPECT_EQ(test::RunVellomir({"log", "1", "2"}).status, 2);
}

}  // namespace
}  // namespace vellomir
