#include <gtest/gtest.h>

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "gui/main_window.h"
#include "output/qt_surface.h"
#include "platform/dialogs.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "support/cups_server.h"
#include "support/decode.h"
#include "support/files.h"
#include "support/pdf.h"
#include "support/window_fixture.h"

// The print button of the real window, printing to files and to a private CUPS server.
namespace vellomir {
namespace {

namespace fs = std::filesystem;

// Four labels of 95 x 135 mm on a 2 x 2 grid, each with a Code 128 "W" and its batch number.
const std::vector<std::string> kDesign = {
    "setting,,;10,,;95,,;135,,;2,,;2,,;0,,;0,,;",
    "1,,;W,,;20,,;20,,;20,,;15,,;3,,;1,,;1,,;12,,;8,,;1,,;",
};

std::vector<std::string> Batches(int from, int to) {
  std::vector<std::string> v;
  char text[32];
  for (int i = from; i <= to; ++i) {
    std::snprintf(text, sizeof text, "CODE-128:W%03d", i);
    v.push_back(text);
  }
  return v;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

class PrintWindow : public test::WindowTest {
 protected:
  void SetUp() override {
    setenv("XDG_DATA_HOME", (dir_.path() / "data").c_str(), 1);
    test::WriteBytes(dir_.File("labels.vlm"), test::Cp950Lines(kDesign));
    ShowWindow();
    window_->OpenDesign(dir_.File("labels.vlm"));
    ASSERT_TRUE(messages_.shown.empty());
  }

  void PressPrint() { Press("print_rule"); }
};

TEST_F(PrintWindow, TractorFeedToAFileKeepsEveryPage) {
  model_.PrinterType = "0";
  dialogs_.printers.push_back({true, "", dir_.File("run.pdf")});
  PressPrint();
  EXPECT_TRUE(messages_.shown.empty()) << messages_.shown[0].text;
  const std::vector<std::string> files = {"run.pdf", "run-2.pdf", "run-3.pdf"};
  const std::vector<std::vector<std::string>> want = {Batches(1, 4), Batches(5, 8), Batches(9, 10)};
  for (std::size_t i = 0; i < files.size(); ++i) {
    const auto pages = test::RenderPdfPages(dir_.File(files[i]), 150);
    ASSERT_EQ(pages.size(), 1u) << files[i];
    EXPECT_EQ(Sorted(test::DecodeAllWithZbar(pages[0])), want[i]) << files[i];
  }
  EXPECT_FALSE(fs::exists(dir_.path() / "run-4.pdf"));
}

class PrintWindowWithCups : public PrintWindow {
 protected:
  void SetUp() override {
    if (!cups_.Reason().empty()) GTEST_SKIP() << "no private CUPS server: " << cups_.Reason();
    PrintWindow::SetUp();
  }
  test::CupsServer cups_;
};

TEST_F(PrintWindowWithCups, AFailedRunDoesNotKeepTheNextRunFromPrinting) {
  dialogs_.printers.push_back({true, "closed", ""});
  PressPrint();
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_NE(messages_.shown[0].text.find("closed"), std::string::npos) << messages_.shown[0].text;
  EXPECT_NE(messages_.shown[0].text.find("沒有送出任何標籤"), std::string::npos);

  dialogs_.printers.push_back({true, "", dir_.File("after.pdf")});
  PressPrint();
  EXPECT_EQ(messages_.shown.size(), 1u);
  const auto info = test::ReadPdfInfo(dir_.File("after.pdf"));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->pages, 3);

  // The batch numbers of after.pdf went out: asked, and printed again (the recording box
  // answers OK).
  dialogs_.printers.push_back({true, "sheets", ""});
  PressPrint();
  ASSERT_EQ(messages_.shown.size(), 2u);
  EXPECT_NE(messages_.shown[1].text.find("印過,仍要列印嗎?"), std::string::npos)
      << messages_.shown[1].text;
  EXPECT_EQ(cups_.Jobs().size(), 1u);
}

TEST_F(PrintWindowWithCups, CancelInTheProgressDialogOnNormalSheetsSendsNoJob) {
  model_.PrinterType = "1";
  dialogs_.printers.push_back({true, "sheets", ""});
  // Presses 取消 as soon as the progress dialog shows, after the first page.
  QTimer canceller;
  int cancelled = 0;
  QObject::connect(&canceller, &QTimer::timeout, [&] {
    for (QProgressDialog* progress : window_->findChildren<QProgressDialog*>())
      if (progress->isVisible() && !progress->wasCanceled()) {
        EXPECT_EQ(progress->findChild<QPushButton*>()->text(), "取消");
        progress->cancel();
        ++cancelled;
      }
  });
  canceller.start(0);
  PressPrint();
  canceller.stop();
  EXPECT_EQ(cancelled, 1);
  ASSERT_EQ(messages_.shown.size(), 1u);
  EXPECT_NE(messages_.shown[0].text.find("沒有送出任何標籤"), std::string::npos)
      << messages_.shown[0].text;
  EXPECT_TRUE(cups_.Jobs().empty());
}

}  // namespace
}  // namespace vellomir
