// Every file the program writes, checked the same way: a failure of any step (open, write,
// sync, close, rename) is told, the old file stays byte for byte and nothing is left over; a
// target that is not a regular file stays what it was.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

#include "app/barcode_command.h"
#include "app/preview_command.h"
#include "app/print_command.h"
#include "document/label_file.h"
#include "document/working_file.h"
#include "output/pdf_printer.h"
#include "output/qt_surface.h"
#include "platform/dialogs.h"
#include "platform/message_box.h"
#include "render/print_job.h"
#include "settings/settings_file.h"
#include "support/failing_output.h"
#include "support/files.h"
#include "support/pdf.h"
#include "support/printers.h"
#include "support/recording_doubles.h"

namespace vellomir {
namespace {

namespace fs = std::filesystem;
using test::OutputStep;

// Four labels a page: a Code 128 barcode with a batch number and a Chinese text.
const std::vector<std::string> kDesign = {
    "setting,,;6,,;105,,;148.5,,;2,,;2,,;0,,;0,,;",
    "1,,;B,,;15,,;20,,;20,,;20,,;3,,;1,,;1,,;12,,;8,,;1,,;",
    "2,,;批號 B,,;15,,;60,,;3,,;1,,;14,,;細明體,,;0,,;0,,;",
};

std::string SettingsFile(const std::string& printer_type) {
  return test::Cp950Lines(
      {"5,,;7,,;6.8,,;6,,;細明體,,;14,,;15,,;25,,;data,,;img,,;" + printer_type + ",,;"});
}

std::set<std::string> Entries(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    names.insert(fs::relative(e.path(), folder).string());
  return names;
}

// Runs in a fresh folder that is also the current folder, as a user at a shell would.
class WriteFailures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    test::EnsureGuiApplication();
  }
  void SetUp() override {
    previous_ = fs::current_path();
    fs::current_path(dir.path());
    test::WriteBytes(dir.File("design.vlm"), test::Cp950Lines(kDesign));
  }
  void TearDown() override { fs::current_path(previous_); }

  using Command = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);
  struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
  };
  static Outcome RunIn(Command command, const std::vector<std::string>& args) {
    std::ostringstream out, err;
    Outcome o;
    o.status = command(args, out, err);
    o.out = out.str();
    o.err = err.str();
    return o;
  }

  // Runs the command once per call of every step on the files named `target`, failing that
  // call, and checks each time: exit status 2, one line naming the file, the old file byte for
  // byte and nothing left over. Returns how many failures were tried.
  int FailEveryCall(Command command, const std::vector<std::string>& args,
                    const std::string& target, const std::string& prefix) {
    const std::string old_bytes = "the old file, to be kept\n";
    int tried = 0;
    for (const OutputStep step : test::kOutputSteps) {
      test::WriteBytes(dir.File(target), old_bytes);
      test::FailingOutputCalls counting(step, 0, target);
      {
        ScopedOutputCalls scope(counting);
        const Outcome ok = RunIn(command, args);
        EXPECT_EQ(ok.status, 0) << ok.err;
      }
      EXPECT_GE(counting.Calls(step), 1) << test::StepName(step);
      for (int nth = 1; nth <= counting.Calls(step); ++nth) {
        test::WriteBytes(dir.File(target), old_bytes);
        const auto before = Entries(dir.path());
        test::FailingOutputCalls failing(step, nth, target);
        ScopedOutputCalls scope(failing);
        const Outcome r = RunIn(command, args);
        const std::string what =
            prefix + target + " " + test::StepName(step) + " #" + std::to_string(nth);
        ++tried;
        EXPECT_TRUE(failing.Failed()) << what;
        EXPECT_EQ(r.status, 2) << what;
        const auto lines = test::OutputLines(r.err);
        EXPECT_EQ(lines.size(), 1u) << what << r.err;
        const std::string line = lines.empty() ? std::string() : lines[0];
        EXPECT_EQ(line.rfind(prefix, 0), 0u) << what << r.err;
        EXPECT_NE(line.find(target), std::string::npos) << what << r.err;
        if (step == OutputStep::kWrite) {
          EXPECT_NE(line.find("No space left on device"), std::string::npos) << r.err;
        }
        EXPECT_TRUE(test::OutputLines(r.out).empty()) << what << r.out;
        EXPECT_EQ(test::ReadBytes(dir.File(target)), old_bytes) << what;
        EXPECT_EQ(Entries(dir.path()), before) << what;
      }
    }
    return tried;
  }

  test::TempDir dir;

 private:
  fs::path previous_;
};

// --- Exports and print files at each write ---------------------------------------------------

TEST_F(WriteFailures, PreviewExportsFailingAtEachStep) {
  for (const std::string name : {"out.png", "out.svg", "out.pdf"})
    EXPECT_GE(FailEveryCall(RunPreviewCommand, {"design.vlm", "-o", dir.File(name)}, name,
                            "vellomir preview: "),
              5);
}

TEST_F(WriteFailures, BarcodeExportsFailingAtEachStep) {
  for (const std::string name : {"code.png", "code.svg", "code.pdf"})
    EXPECT_GE(
        FailEveryCall(RunBarcodeCommand,
                      {"--kind", "Code-128", "--data", "LOT-0001", "--text", "-o", dir.File(name)},
                      name, "vellomir barcode: "),
        5);
}

TEST_F(WriteFailures, PrintToPdfFailingAtEachStep) {
  // Enough pages that the file is written in several pieces while the run goes on.
  const int tried = FailEveryCall(
      RunPrintCommand, {"design.vlm", "-o", dir.File("out.pdf"), "--copies", "4000", "--reprint"},
      "out.pdf", "vellomir print: ");
  EXPECT_GE(tried, 6);
}

// A tractor-feed run's files stand or fall together: a failure in the second document keeps
// the first from replacing its old file too.
TEST_F(WriteFailures, TractorFeedFilesAreAllOrNothing) {
  test::WriteBytes(dir.File("vellomir_setting.ini"), SettingsFile("0"));
  test::WriteBytes(dir.File("out.pdf"), "old first\n");
  test::WriteBytes(dir.File("out-2.pdf"), "old second\n");
  test::WriteBytes(dir.File("out-3.pdf"), "old third\n");
  const auto before = Entries(dir.path());
  for (const OutputStep step : {OutputStep::kOpen, OutputStep::kWrite, OutputStep::kRename}) {
    test::FailingOutputCalls failing(step, 1, "out-2.pdf");
    ScopedOutputCalls scope(failing);
    const Outcome r = RunIn(RunPrintCommand, {"design.vlm", "-o", "out.pdf", "--copies", "12"});
    EXPECT_EQ(r.status, 2) << test::StepName(step);
    EXPECT_NE(r.err.find("out-2.pdf"), std::string::npos) << r.err;
    EXPECT_EQ(test::ReadBytes(dir.File("out.pdf")), "old first\n") << test::StepName(step);
    EXPECT_EQ(test::ReadBytes(dir.File("out-2.pdf")), "old second\n");
    EXPECT_EQ(Entries(dir.path()), before) << test::StepName(step);
  }

  // A whole run replaces them all, and an older, longer run's files beyond are named.
  test::WriteBytes(dir.File("out-4.pdf"), "old fourth\n");
  const Outcome r = RunIn(RunPrintCommand, {"design.vlm", "-o", "out.pdf", "--copies", "8"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::OutputLines(r.out), (std::vector<std::string>{"out.pdf", "out-2.pdf"}));
  const auto warnings = test::OutputLines(r.err);
  ASSERT_EQ(warnings.size(), 2u) << r.err;
  EXPECT_NE(warnings[0].find("out-3.pdf"), std::string::npos);
  EXPECT_NE(warnings[1].find("out-4.pdf"), std::string::npos);
  EXPECT_EQ(test::ReadBytes(dir.File("out-3.pdf")), "old third\n");  // named, not removed
  ASSERT_TRUE(test::ReadPdfInfo(dir.File("out-2.pdf")));
  EXPECT_EQ(test::ReadPdfInfo(dir.File("out-2.pdf"))->pages, 1);
}

// --- The label file commands, the working file and the settings file at each step -------------

TEST_F(WriteFailures, SaveSaveAsEditsAndSettingsKeepTheOldBytesAtEachStep) {
  FileSystem files(dir.path().string());
  const std::string label = test::Cp950Lines(kDesign);
  for (const OutputStep step : test::kOutputSteps) {
    const std::string what = test::StepName(step);
    MainWindowModel window;
    RecordingMessageBox box;
    RecordingDialogs dialogs;
    ASSERT_TRUE(files.WriteBytes("temp1.txt", label));

    // Save with a current name.
    test::WriteBytes(dir.File("a.vlm"), "old a\r\n");
    window.CurrentFileName = dir.File("a.vlm");
    {
      test::FailingOutputCalls failing(step, 1, "a.vlm");
      ScopedOutputCalls scope(failing);
      EXPECT_FALSE(FileSave(window, files, dialogs, box)) << what;
    }
    ASSERT_EQ(box.shown.size(), 1u) << what;
    EXPECT_EQ(box.shown[0].text,
              "無法寫入「" + dir.File("a.vlm") + "」,沒有存檔,原來的檔案沒有變更!!");
    EXPECT_EQ(test::ReadBytes(dir.File("a.vlm")), "old a\r\n") << what;

    // Save as onto an existing file, overwrite answered OK.
    test::WriteBytes(dir.File("b.vlm"), "old b\r\n");
    dialogs.paths = {dir.File("b.vlm")};
    box.shown.clear();
    {
      test::FailingOutputCalls failing(step, 1, "b.vlm");
      ScopedOutputCalls scope(failing);
      EXPECT_FALSE(FileSaveAs(window, files, dialogs, box)) << what;
    }
    ASSERT_EQ(box.shown.size(), 2u) << what;  // the overwrite question, then the failure
    EXPECT_EQ(box.shown[1].text,
              "無法寫入「" + dir.File("b.vlm") + "」,沒有存檔,原來的檔案沒有變更!!");
    EXPECT_EQ(test::ReadBytes(dir.File("b.vlm")), "old b\r\n") << what;
    EXPECT_EQ(window.CurrentFileName, dir.File("a.vlm")) << what;

    // A rule edit: the working file keeps the design.
    box.shown.clear();
    {
      test::FailingOutputCalls failing(step, 1, ".~temp1.txt");
      ScopedOutputCalls scope(failing);
      EXPECT_FALSE(RewriteWorkingFile(window, files, box, RewriteOperation::kDelete, 0)) << what;
    }
    ASSERT_EQ(box.shown.size(), 1u) << what;
    EXPECT_EQ(box.shown[0].text, "無法寫入工作檔 temp1.txt,規則沒有變更!!");
    EXPECT_EQ(test::ReadBytes(dir.File("temp1.txt")), label) << what;

    // The settings file.
    test::WriteBytes(dir.File("vellomir_setting.ini"), SettingsFile("1"));
    box.shown.clear();
    {
      test::FailingOutputCalls failing(step, 1, "vellomir_setting.ini");
      ScopedOutputCalls scope(failing);
      EXPECT_FALSE(SaveSettings(window, files, box)) << what;
    }
    ASSERT_EQ(box.shown.size(), 1u) << what;
    EXPECT_EQ(box.shown[0].text, "無法寫入設定檔 vellomir_setting.ini,設定沒有儲存!!");
    EXPECT_EQ(test::ReadBytes(dir.File("vellomir_setting.ini")), SettingsFile("1")) << what;

    for (const auto& name : Entries(dir.path()))
      EXPECT_NE(name.rfind(".~", 0), 0u) << what << ": " << name << " left over";
  }
}

// --- Targets that are not regular files ------------------------------------------------------

TEST_F(WriteFailures, SavingOntoAFifoOrADeviceIsRefusedWithAMessage) {
  FileSystem files(dir.path().string());
  ASSERT_TRUE(files.WriteBytes("temp1.txt", test::Cp950Lines(kDesign)));
  ASSERT_EQ(::mkfifo(dir.File("pipe.vlm").c_str(), 0644), 0);
  MainWindowModel window;
  RecordingMessageBox box;
  RecordingDialogs dialogs;

  // Save with the FIFO as the current name: no question, a message, still a FIFO.
  window.CurrentFileName = dir.File("pipe.vlm");
  EXPECT_FALSE(FileSave(window, files, dialogs, box));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_NE(box.shown[0].text.find("FIFO"), std::string::npos) << box.shown[0].text;
  EXPECT_NE(box.shown[0].text.find("沒有存檔"), std::string::npos);
  EXPECT_TRUE(fs::is_fifo(dir.File("pipe.vlm")));

  // Save as /dev/null: refused before the overwrite question, still a device.
  window.CurrentFileName = dir.File("named.vlm");
  dialogs.paths = {"/dev/null"};
  box.shown.clear();
  EXPECT_FALSE(FileSaveAs(window, files, dialogs, box));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_EQ(box.shown[0].buttons, MessageButtons::kOk);
  EXPECT_NE(box.shown[0].text.find("裝置"), std::string::npos) << box.shown[0].text;
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_EQ(window.CurrentFileName, dir.File("named.vlm"));

  // A folder chosen by name.
  fs::create_directory(dir.File("folder.vlm"));
  dialogs.paths = {dir.File("folder.vlm")};
  box.shown.clear();
  EXPECT_FALSE(FileSaveAs(window, files, dialogs, box));
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_NE(box.shown[0].text.find("資料夾"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(dir.File("folder.vlm")));

  // A link to a label file keeps working, and stays a link.
  test::WriteBytes(dir.File("real.vlm"), "old\r\n");
  fs::create_symlink("real.vlm", dir.File("link.vlm"));
  window.CurrentFileName = dir.File("link.vlm");
  box.shown.clear();
  EXPECT_TRUE(FileSave(window, files, dialogs, box));
  EXPECT_TRUE(box.shown.empty());
  EXPECT_TRUE(fs::is_symlink(dir.File("link.vlm")));
  EXPECT_EQ(test::ReadBytes(dir.File("real.vlm")), test::Cp950Lines(kDesign));
}

TEST_F(WriteFailures, PrintIntoAFifoIsRefusedAndStandardOutputCarriesThePdf) {
  ASSERT_EQ(::mkfifo(dir.File("fifo.pdf").c_str(), 0644), 0);
  const auto r = test::RunVellomir({"print", "design.vlm", "-o", "fifo.pdf"}, dir.path());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("FIFO"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::is_fifo(dir.File("fifo.pdf")));

  // `-o -` streams the PDF for a pipe; the file names are not listed into it.
  const std::string command = "cd '" + dir.path().string() + "' && QT_QPA_PLATFORM=offscreen '" +
                              VELLOMIR_EXE +
                              "' print design.vlm -o - --copies 6 | pdfinfo - > info.txt";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string info = "\n" + test::ReadBytes(dir.File("info.txt"));
  auto field = [&](const std::string& key) {
    const auto at = info.find("\n" + key + ":");
    if (at == std::string::npos) return std::string();
    const auto start = info.find_first_not_of(' ', at + key.size() + 2);
    return info.substr(start, info.find('\n', start) - start);
  };
  EXPECT_EQ(field("Pages"), "2") << info;
  EXPECT_EQ(field("Creator"), "Vellomir") << info;

  const auto streamed =
      test::RunVellomir({"print", "design.vlm", "-o", "-", "--reprint"}, dir.path());
  ASSERT_EQ(streamed.status, 0) << streamed.err;
  EXPECT_EQ(streamed.out.rfind("%PDF-", 0), 0u);
  ASSERT_GE(streamed.out.size(), 6u);
  EXPECT_EQ(streamed.out.substr(streamed.out.size() - 6), "%%EOF\n");  // nothing after it
  EXPECT_FALSE(fs::exists(dir.File("-")));

  // Tractor feed would make several documents: refused before anything goes out.
  test::WriteBytes(dir.File("vellomir_setting.ini"), SettingsFile("0"));
  const auto tractor =
      test::RunVellomir({"print", "design.vlm", "-o", "-", "--copies", "6"}, dir.path());
  EXPECT_EQ(tractor.status, 2);
  EXPECT_TRUE(tractor.out.empty());
  EXPECT_NE(tractor.err.find("-o FILE.pdf"), std::string::npos) << tractor.err;
}

// --- The size guard and a large run -----------------------------------------------------------

TEST_F(WriteFailures, APdfThatWouldPassItsSizeLimitIsRefusedWhileItGrows) {
  FileSystem files(dir.path().string());
  ASSERT_TRUE(files.WriteBytes("temp1.txt", test::Cp950Lines(kDesign)));
  test::WriteBytes(dir.File("big.pdf"), "old\n");
  MainWindowModel window;
  window.l_amount.text = "4000";
  RecordingMessageBox box;
  RecordingDialogs dialogs;
  std::int64_t pages_drawn = 0;
  {
    PdfPrinter printer(dir.File("big.pdf"));
    printer.SetSizeLimit(60000);  // stands in for the ten-digit offsets' reach
    PrintHandlerServices services{box, dialogs, test::OpenerFor(printer),
                                  [&](const PrintProgress& p) {
                                    pages_drawn = p.pages;
                                    return true;
                                  }};
    const PrintOutcome outcome = PrintLabels(window, files, services);
    EXPECT_EQ(outcome, PrintOutcome::kPrinterError);
    EXPECT_FALSE(printer.Commit());
  }
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_NE(box.shown[0].text.find("超過 60000 位元組"), std::string::npos) << box.shown[0].text;
  EXPECT_LT(pages_drawn, 1000);  // stopped as the limit came, not at the end of the run
  EXPECT_EQ(test::ReadBytes(dir.File("big.pdf")), "old\n");
  EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"big.pdf", "design.vlm", "temp1.txt"}));
  EXPECT_EQ(PdfPrinter::kMaxPdfBytes, 9999999999u);
}

TEST_F(WriteFailures, ALargeRunsPdfPassesQpdfCheck) {
  if (std::system("command -v qpdf > /dev/null 2>&1") != 0) GTEST_SKIP() << "qpdf not installed";
  const auto r =
      test::RunVellomir({"print", "design.vlm", "-o", "large.pdf", "--copies", "1600"}, dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string check = "qpdf --check '" + dir.File("large.pdf") + "' > /dev/null";
  EXPECT_EQ(std::system(check.c_str()), 0);
  const auto info = test::ReadPdfInfo(dir.File("large.pdf"));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->pages, 400);
}

// --- A full file system, for real when the machine lets us mount one ---------------------------

TEST_F(WriteFailures, AFullFileSystemStopsTheRunAtOnce) {
  const std::string mount = dir.File("full");
  fs::create_directory(mount);
  if (::geteuid() != 0 ||
      std::system(("mount -t tmpfs -o size=4m tmpfs '" + mount + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "cannot mount a small file system here";
  test::WriteBytes(mount + "/out.pdf", "old\n");
  const auto start = std::chrono::steady_clock::now();
  const auto r = test::RunVellomir(
      {"print", "design.vlm", "-o", mount + "/out.pdf", "--copies", "300000"}, dir.path());
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
  const bool intact = test::ReadBytes(mount + "/out.pdf") == "old\n";
  const auto left = Entries(mount);
  std::system(("umount '" + mount + "'").c_str());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("最後寫出的是第"), std::string::npos) << r.err;
  EXPECT_TRUE(intact);
  EXPECT_EQ(left, std::set<std::string>{"out.pdf"});
  // Far from the whole run (minutes): the disk filled within the first few thousand labels.
  EXPECT_LT(seconds.count(), 60);
}

// --- Standard output ----------------------------------------------------------------------------

// Every command's standard output onto a full disk: exit status 2 and a message, never 0.
TEST_F(WriteFailures, AFullStandardOutputFailsEveryCommand) {
  fs::create_directories(dir.path() / "data/vellomir");
  test::WriteBytes(dir.File("data/vellomir/print.log"), "2026-12-07 10:00:00\t設計=a.vlm\n");
  for (const std::string args :
       {"barcode --kind 8 --data X1 --dump", "verify design.vlm", "log", "--help"}) {
    const int status = std::system(("XDG_DATA_HOME=" + dir.File("data") + " " + VELLOMIR_EXE + " " +
                                    args + " >/dev/full 2>err.txt")
                                       .c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << args << " " << status;
    EXPECT_NE(
        test::ReadBytes("err.txt").find("vellomir: 無法寫入標準輸出 (No space left on device)"),
        std::string::npos)
        << args;
  }
}

// --- Signals ----------------------------------------------------------------------------------

TEST_F(WriteFailures, AStoppedCommandLeavesNothingBehind) {
  const std::string tmp = dir.File("tmp");
  fs::create_directory(tmp);
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("TMPDIR", tmp.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::execl(VELLOMIR_EXE, "vellomir", "print", "design.vlm", "-o", "out.pdf", "--copies", "1000000",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ASSERT_GT(child, 0);
  // Wait until the private folder and the output's temporary file are there.
  bool running = false;
  for (int i = 0; i < 300 && !running; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    bool has_temp = false;
    for (const auto& e : fs::directory_iterator(dir.path()))
      if (e.path().filename().string().rfind(".~out.pdf.", 0) == 0) has_temp = true;
    running = has_temp && !fs::is_empty(tmp);
  }
  ::kill(child, SIGTERM);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(running);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_TRUE(fs::is_empty(tmp));
  EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"design.vlm", "tmp"}));
}

}  // namespace
}  // namespace vellomir
