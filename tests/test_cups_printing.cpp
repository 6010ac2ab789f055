#include <cups/cups.h>
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "form/main_window_model.h"
#include "output/cups_printer.h"
#include "output/qt_surface.h"
#include "platform/dialogs.h"
#include "platform/message_box.h"
#include "render/print_job.h"
#include "render/symbol_check.h"
#include "support/cups_server.h"
#include "support/decode.h"
#include "support/fake_printer.h"
#include "support/files.h"
#include "support/pdf.h"
#include "support/recording_doubles.h"
#include "ui/print_handler.h"

// Printing to real CUPS queues of a private server: what each job received, what the queue's
// filters made of it, and what the program says about it.
namespace vellomir {
namespace {

namespace fs = std::filesystem;

constexpr double kMmPerTwip = 25.4 / 1440;

// Four labels of 95 x 135 mm on a 2 x 2 grid, inside A4's 200 x 287 mm printable area: a
// Code 128 "S" with a three-digit batch number from 1, its top-left corner 20 mm from the
// label's left and top edges.
const std::vector<std::string> kSheetsDesign = {
    "setting,,;6,,;95,,;135,,;2,,;2,,;0,,;0,,;",
    "1,,;S,,;20,,;20,,;20,,;15,,;3,,;1,,;1,,;12,,;8,,;1,,;",
};
// Labels of 50 x 70 mm, 2 x 2 on 4 x 6 in label stock: a Code 128 "L" with its batch number at
// 6 x 8 mm, modules of 22 twips (three printer dots at 203 dpi: 30 mm of bars).
const std::vector<std::string> kLabelDesign = {
    "setting,,;6,,;50,,;70,,;2,,;2,,;0,,;0,,;",
    "1,,;L,,;6,,;8,,;22,,;20,,;3,,;1,,;1,,;10,,;8,,;1,,;",
};

std::string SettingsFile(const std::string& printer_type) {
  return test::Cp950Lines(
      {"5,,;7,,;6.8,,;6,,;細明體,,;14,,;15,,;25,,;data,,;img,,;" + printer_type + ",,;"});
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

std::vector<std::string> Batches(const std::string& prefix, int from, int to) {
  std::vector<std::string> v;
  char text[16];
  for (int i = from; i <= to; ++i) {
    std::snprintf(text, sizeof text, "%03d", i);
    v.push_back("CODE-128:" + prefix + text);
  }
  return v;
}

class CupsPrinting : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::EnsureGuiApplication(); }

  void SetUp() override {
    if (!cups.Reason().empty()) GTEST_SKIP() << "no private CUPS server: " << cups.Reason();
    setenv("XDG_DATA_HOME", (dir.path() / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir.path() / "config").c_str(), 1);  // no user's printers.ini
    test::WriteBytes(dir.File("sheets.vlm"), test::Cp950Lines(kSheetsDesign));
    test::WriteBytes(dir.File("labels.vlm"), test::Cp950Lines(kLabelDesign));
  }

  test::RunResult Run(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"print"};
    all.insert(all.end(), args.begin(), args.end());
    all.push_back("--reprint");  // the same labels go out again on purpose
    return test::RunVellomir(all, dir.path().string());
  }

  // Twelve labels of the design, 2 x 2 a page of labels w x h mm, each page a document of its
  // own, sent to the queue by the print run itself; on_page is told of every page.
  PrintResult PrintTwelvePerPage(const std::string& queue, const std::vector<std::string>& design,
                                 double w_mm, double h_mm, const PrintProgressCallback& on_page) {
    std::string problem;
    auto printer = CupsPrinter::Open({queue, 0, 0, queue + ".vlm"}, problem);
    if (printer == nullptr) {
      ADD_FAILURE() << problem;
      return {};
    }
    FileSystem files(dir.path().string());
    EXPECT_TRUE(files.WriteLines("temp1.txt", design).ok());
    PrintLayout layout;
    layout.columns = layout.rows = 2;
    layout.label_width = layout.column_pitch = w_mm * 56.5;
    layout.label_height = layout.row_pitch = h_mm * 56.5;
    layout.labels = 12;
    layout.document_per_page = true;
    return RunLabelPrint(layout, ReadRuleTable(files), LabelDrawing{}, *printer, on_page);
  }

  // Writes the job's document to a file of its own, for the PDF tools.
  std::string SaveReceived(int id) {
    const std::string path = dir.File("job-" + std::to_string(id) + ".pdf");
    test::WriteBytes(path, cups.ReceivedDocument(id));
    return path;
  }

  test::CupsServer cups;
  test::TempDir dir;
};

// --- Pages, jobs and media -----------------------------------------------------------------

TEST_F(CupsPrinting, NormalSheetsAreOneJobOnTheQueuesPageAndEveryLabelScans) {
  const auto r = Run({"sheets.vlm", "--printer", "sheets"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(cups.WaitUntilIdle());
  const auto jobs = cups.Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  const test::CupsJob& job = jobs[0];
  EXPECT_EQ(test::OutputLines(r.out),
            (std::vector<std::string>{"sheets-" + std::to_string(job.id)}));
  EXPECT_EQ(job.queue, "sheets");
  EXPECT_EQ(job.name, "sheets.vlm");
  EXPECT_EQ(job.media, "iso_a4_210x297mm");
  EXPECT_EQ(job.copies, 1);  // although the queue's default is 2
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED);

  const auto info = test::ReadPdfInfo(SaveReceived(job.id));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->pages, 2);
  EXPECT_NEAR(info->width_pt, 595.3, 0.5);
  EXPECT_NEAR(info->height_pt, 841.9, 0.5);

  // What the queue's filters produced, as the printer would print it.
  test::WriteBytes(dir.File("out.ps"), cups.Output(job.id));
  const auto pages = test::RenderWithGhostscript(dir.File("out.ps"), 300);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(Sorted(test::DecodeAllWithZbar(pages[0])), Batches("S", 1, 4));
  EXPECT_EQ(Sorted(test::DecodeAllWithZbar(pages[1])), Batches("S", 5, 6));

  // Label 1's barcode starts 20 mm (at 56.5 units a millimetre) from the printable area's
  // corner, which is 5 mm in from the paper's.
  const auto ink = test::FirstInk(pages[0]);
  ASSERT_TRUE(ink);
  const double want_mm = 5 + 20 * 56.5 * kMmPerTwip;
  EXPECT_NEAR(ink->first * 25.4 / 300, want_mm, 0.3);
  EXPECT_NEAR(ink->second * 25.4 / 300, want_mm, 0.3);
}

TEST_F(CupsPrinting, TractorFeedSendsAJobPerPageToTheLabelPrinter) {
  test::WriteBytes(dir.File("vellomir_setting.ini"), SettingsFile("0"));
  const auto r = Run({"labels.vlm", "--printer", "labels"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(cups.WaitUntilIdle());
  const auto jobs = cups.Jobs();
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(test::OutputLines(r.out),
            (std::vector<std::string>{"labels-" + std::to_string(jobs[0].id),
                                      "labels-" + std::to_string(jobs[1].id)}));
  const std::vector<std::vector<std::string>> want = {Batches("L", 1, 4), Batches("L", 5, 6)};
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    const test::CupsJob& job = jobs[i];
    SCOPED_TRACE("job " + std::to_string(job.id));
    EXPECT_EQ(job.copies, 1);
    EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED);
    // The queue's own 4 x 6 in media, not A4.
    pwg_media_t* media = pwgMediaForPWG(job.media.c_str());
    ASSERT_NE(media, nullptr) << job.media;
    EXPECT_EQ(media->width, 10160);
    EXPECT_EQ(media->length, 15240);

    const std::string received = SaveReceived(job.id);
    const auto info = test::ReadPdfInfo(received);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->pages, 1);
    EXPECT_NEAR(info->width_pt, 288, 0.5);
    EXPECT_NEAR(info->height_pt, 432, 0.5);
    if (i == 0) {
      // The label printer has no margins: label 1's barcode starts 6 x 8 mm from the corner.
      const auto page = test::RenderPdfPages(received, 600);
      ASSERT_EQ(page.size(), 1u);
      const auto ink = test::FirstInk(page[0]);
      ASSERT_TRUE(ink);
      EXPECT_NEAR(ink->first * 25.4 / 600, 6 * 56.5 * kMmPerTwip, 0.3);
      EXPECT_NEAR(ink->second * 25.4 / 600, 8 * 56.5 * kMmPerTwip, 0.3);
    }

    // The ZPL the driver made for the printer: one 203-dpi graphic of 4 x 6 in per job.
    const auto graphics = test::DecodeZplGraphics(cups.Output(job.id));
    ASSERT_EQ(graphics.size(), 1u);
    EXPECT_NEAR(graphics[0].width(), 812, 8);
    EXPECT_NEAR(graphics[0].height(), 1218, 8);
    EXPECT_EQ(Sorted(test::DecodeAllWithZbar(graphics[0])), want[i]);
  }
}

// EAN-13 price labels on the 203-dpi printer: modules of 3 dots, so each label reads from the
// printer's own dots, and still reads when the head prints every bar a dot wider.
TEST_F(CupsPrinting, EanLabelsReadOnTheLabelPrinterEvenWithADotOfSpread) {
  test::WriteBytes(dir.File("vellomir_setting.ini"), SettingsFile("1"));
  test::WriteBytes(
      dir.File("ean.vlm"),
      test::Cp950Lines({"setting,,;4,,;50,,;70,,;2,,;2,,;0,,;0,,;",
                        "1,,;87178787,,;6,,;8,,;15,,;20,,;4,,;1,,;1,,;10,,;1,,;0,,;"}));
  const auto r = Run({"ean.vlm", "--printer", "labels"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(cups.WaitUntilIdle());
  const auto jobs = cups.Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  std::vector<std::string> want;
  for (const char* batch : {"0001", "0002", "0003", "0004"})
    want.push_back("EAN-13:" + *ExpectedScan(1, std::string("87178787") + batch, false));
  const auto graphics = test::DecodeZplGraphics(cups.Output(jobs[0].id));
  ASSERT_EQ(graphics.size(), 1u);
  EXPECT_EQ(Sorted(test::DecodeAllWithZbar(graphics[0])), want);
  EXPECT_EQ(Sorted(test::DecodeAllWithZbar(test::SpreadInkByOneDot(graphics[0]))), want);
}

// A label a page, 2 x 1 in at least: an EAN-13 over a Code 128 with batch numbers, modules of
// 3 dots at 203 dpi, no text: a row through a symbol crosses only its bars.
const std::vector<std::string> kStockDesign = {
    "setting,,;6,,;50,,;25,,;1,,;1,,;0,,;0,,;",
    "1,,;87178787,,;5,,;1.5,,;15,,;9,,;4,,;1,,;0,,;10,,;1,,;0,,;",
    "1,,;L,,;5,,;13.5,,;22,,;9,,;3,,;1,,;0,,;10,,;8,,;1,,;",
};

TEST_F(CupsPrinting, EveryLabelSizeGetsTheDriversPageAndBarsOnWholeDots) {
  struct Row {
    const char* driver;          // in drv:///sample.drv/
    const char* media;           // the queue's media as lpadmin sets it
    double width_pt, height_pt;  // the page as the driver declares it
    const char* why;
  };
  const Row rows[] = {
      {"zebra.ppd", "w144h90", 144, 90, "2 x 1.25 in: libcups' first answer is 209.9 x 25.4 mm"},
      {"zebra.ppd", "w144h72", 144, 72, "2 x 1 in"},
      {"zebra.ppd", "w216h72", 216, 72, "3 x 1 in"},
      {"zebra.ppd", "w216h144", 216, 144, "3 x 2 in"},
      {"zebra.ppd", "w288h180", 288, 180, "4 x 2.5 in"},
      {"zebra.ppd", "w288h432", 288, 432, "4 x 6 in, which was always right"},
      {"zebra.ppd", "w142h227", 142, 227, "50.09 x 80.08 mm: metric sizes lose points in mm"},
      {"zebra.ppd", "A4", 595, 842, "A4 in whole points, not 594.992 x 842.003"},
      {"zebraep2.ppd", "w144h90", 144, 90, "EPL2 2 x 1.25 in, once a 4 x 13 in job"},
  };
  test::WriteBytes(dir.File("stock.vlm"), test::Cp950Lines(kStockDesign));
  const double dots_per_pt = 203.0 / 72;
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.driver) + " " + row.media + ": " + row.why);
    const std::string queue =
        std::string("stock-") + (row.driver[5] == 'e' ? "epl-" : "zpl-") + row.media;
    ASSERT_TRUE(cups.Admin("lpadmin", {"-p", queue, "-E", "-v", cups.CaptureUri(), "-m",
                                       std::string("drv:///sample.drv/") + row.driver, "-o",
                                       std::string("media=") + row.media}));
    const auto before = cups.Jobs().size();
    const auto r = Run({"stock.vlm", "--printer", queue, "--copies", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto jobs = cups.Jobs();
    ASSERT_EQ(jobs.size(), before + 1);
    const test::CupsJob& job = jobs.back();
    EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED);
    // The queue's own media, and the driver's page to the point.
    pwg_media_t* media = pwgMediaForPWG(job.media.c_str());
    ASSERT_NE(media, nullptr) << job.media;
    EXPECT_NEAR(media->width, row.width_pt * 2540 / 72, 100) << job.media;
    EXPECT_NEAR(media->length, row.height_pt * 2540 / 72, 100) << job.media;
    const auto info = test::ReadPdfInfo(SaveReceived(job.id));
    ASSERT_TRUE(info);
    EXPECT_NEAR(info->width_pt, row.width_pt, 0.001);
    EXPECT_NEAR(info->height_pt, row.height_pt, 0.001);
    // What the printer gets, dot for dot: a label a page.
    const std::string bytes = cups.Output(job.id);
    const auto labels =
        row.driver[5] == 'e' ? test::DecodeEplLabels(bytes) : test::DecodeZplGraphics(bytes);
    ASSERT_EQ(labels.size(), 2u);
    for (int n = 1; n <= 2; ++n) {
      const QImage& label = labels[n - 1];
      EXPECT_NEAR(label.width(), row.width_pt * dots_per_pt, 8);
      // Every bar and space of each symbol a whole number of 3-dot modules: no extra column.
      for (const double mid_mm : {6.0, 18.0}) {
        const std::vector<int> runs = test::RunsAlong(label, static_cast<int>(mid_mm * 203 / 25.4));
        ASSERT_GT(runs.size(), 20u) << "no symbol at " << mid_mm << " mm";
        for (std::size_t i = 0; i < runs.size(); ++i)
          EXPECT_EQ(runs[i] % 3, 0) << "element " << i << " of the symbol at " << mid_mm << " mm";
      }
      const std::vector<std::string> want =
          Sorted({"CODE-128:L00" + std::to_string(n),
                  "EAN-13:" + *ExpectedScan(1, "87178787000" + std::to_string(n), false)});
      EXPECT_EQ(Sorted(test::DecodeAllWithZbar(label)), want) << "label " << n;
      EXPECT_EQ(Sorted(test::DecodeAllWithZbar(test::SpreadInkByOneDot(label))), want)
          << "label " << n << " with a dot of spread";
    }
  }
}

// --- Refusals and failures -----------------------------------------------------------------

TEST_F(CupsPrinting, ARefusedJobFailsWithExitTwoAndSaysNothingWasSent) {
  const auto r = Run({"sheets.vlm", "--printer", "closed"});
  EXPECT_EQ(r.status, 2);
  const auto lines = test::OutputLines(r.err);
  ASSERT_EQ(lines.size(), 1u) << r.err;
  EXPECT_NE(lines[0].find("closed"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("沒有送出任何標籤"), std::string::npos) << lines[0];
  EXPECT_TRUE(test::OutputLines(r.out).empty());
  EXPECT_TRUE(cups.Jobs().empty());
}

TEST_F(CupsPrinting, AQueueThatStopsTakingJobsMidRunNamesTheLabelsAlreadySent) {
  const PrintResult result =
      PrintTwelvePerPage("labels", kLabelDesign, 50, 70, [&](const PrintProgress& p) {
        // Page 1 has gone as a job of its own; the queue closes before page 2 is sent.
        if (p.pages == 2) {
          EXPECT_TRUE(cups.Admin("cupsreject", {"labels"}));
        }
        return true;
      });
  EXPECT_EQ(result.outcome, PrintOutcome::kPrinterError);
  EXPECT_EQ(result.labels_sent, 4);
  EXPECT_NE(result.message.find("已送出第 1 到 4 張標籤"), std::string::npos) << result.message;
  EXPECT_NE(result.message.find("labels"), std::string::npos) << result.message;
  ASSERT_EQ(result.deliveries.size(), 1u);
  const auto jobs = cups.Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(result.deliveries[0], "labels-" + std::to_string(jobs[0].id));
}

TEST_F(CupsPrinting, AServerThatDiesMidRunIsAFailureNamingTheLabelsSent) {
  const PrintResult result =
      PrintTwelvePerPage("sheets", kSheetsDesign, 95, 135, [&](const PrintProgress& p) {
        if (p.pages == 3) cups.Kill();
        return true;
      });
  EXPECT_EQ(result.outcome, PrintOutcome::kPrinterError);
  EXPECT_EQ(result.labels_sent, 8);
  EXPECT_EQ(result.deliveries.size(), 2u);
  EXPECT_NE(result.message.find("已送出第 1 到 8 張標籤"), std::string::npos) << result.message;
}

TEST_F(CupsPrinting, AStoppedQueueHoldsTheJobAndWarns) {
  ASSERT_TRUE(cups.Admin("cupsdisable", {"sheets"}));
  const auto r = Run({"sheets.vlm", "--printer", "sheets", "--copies", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = test::OutputLines(r.err);
  ASSERT_EQ(lines.size(), 1u) << r.err;
  EXPECT_NE(lines[0].find("保留到印表機恢復為止"), std::string::npos) << lines[0];
  const auto jobs = cups.Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].state, IPP_JSTATE_PENDING);
}

// Taken is not printed: what became of the job decides the exit status and the log.
TEST_F(CupsPrinting, AJobThePrinterFailsAfterTakingItIsNotReportedAsPrinted) {
  struct Row {
    const char *queue, *backend, *policy;
    int status;
    const char *said, *logged, *why;
  };
  const Row rows[] = {
      {"aborting", "failing:/", "abort-job", 2, "(已中止: out of labels",
       "\t結果=失敗: ", "aborted: a failure in the printer's words, no label printed"},
      {"holding", "failing:/", "", 0, "已送出, 印表機尚未完成: 印表機「holding」的列印工作",
       "\t結果=未完成 (", "held by the default policy: sent, not printed"},
      {"vanishing", "vanishing:/", "", 2, "」已經不在了",
       "\t結果=失敗: ", "cupsd goes away while the job prints (last: it stays away)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.queue) + ": " + row.why);
    std::vector<std::string> args = {
        "-p", row.queue, "-E", "-v", row.backend, "-m", "drv:///sample.drv/zebra.ppd"};
    if (row.policy[0] != '\0')
      args.insert(args.end(), {"-o", std::string("printer-error-policy=") + row.policy});
    ASSERT_TRUE(cups.Admin("lpadmin", args));
    const auto r = Run({"labels.vlm", "--printer", row.queue, "--copies", "1"});
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_NE(r.err.find(row.said), std::string::npos) << r.err;
    EXPECT_NE(test::RunVellomir({"log", "1"}, dir.path().string()).out.find(row.logged),
              std::string::npos);
  }
}

TEST_F(CupsPrinting, AnUnreachableServerAndAnUnknownQueueAreToldApart) {
  const auto unknown = Run({"sheets.vlm", "--printer", "nowhere"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("找不到印表機: nowhere"), std::string::npos) << unknown.err;

  const std::string missing = dir.File("no-server.sock");
  setenv("CUPS_SERVER", missing.c_str(), 1);
  const auto unreachable = Run({"sheets.vlm", "--printer", "sheets"});
  setenv("CUPS_SERVER", cups.Socket().c_str(), 1);
  EXPECT_EQ(unreachable.status, 2);
  const auto lines = test::OutputLines(unreachable.err);
  ASSERT_EQ(lines.size(), 1u) << unreachable.err;
  EXPECT_NE(lines[0].find("無法連線到列印伺服器「" + missing + "」"), std::string::npos)
      << lines[0];
  EXPECT_TRUE(cups.Jobs().empty());
}

// --- Labels off the page -------------------------------------------------------------------

TEST_F(CupsPrinting, LabelsOffTheLabelStockAreRefusedUnlessAllowed) {
  // 2 x 4 labels of 100 x 60 mm: on 4 x 6 in stock only one column of two rows fits.
  test::WriteBytes(
      dir.File("wide.vlm"),
      test::Cp950Lines({"setting,,;12,,;100,,;60,,;2,,;4,,;0,,;0,,;", kLabelDesign[1]}));
  const auto refused = Run({"wide.vlm", "--printer", "labels"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("每頁 8 張標籤中有 6 張"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("--allow-clipping"), std::string::npos) << refused.err;
  EXPECT_TRUE(cups.Jobs().empty());

  const auto allowed = Run({"wide.vlm", "--printer", "labels", "--allow-clipping"});
  EXPECT_EQ(allowed.status, 0) << allowed.err;
  EXPECT_EQ(cups.Jobs().size(), 1u);
}

TEST_F(CupsPrinting, TheSampleFitsAnA4OfficePrinterByWhatItDraws) {
  // 197.2 x 271.6 mm printable: the sample's right-hand labels overhang it, their ink does not.
  const fs::path examples = fs::path(VELLOMIR_SOURCE_DIR) / "examples";
  for (const char* name : {"sample.vlm", "logo.png"})
    fs::copy_file(examples / name, dir.path() / name);
  ASSERT_TRUE(cups.Admin("lpadmin", {"-p", "office", "-E", "-v", cups.CaptureUri(), "-m",
                                     "drv:///sample.drv/laserjet.ppd", "-o", "media=A4"}));
  const auto r = Run({"sample.vlm", "--printer", "office", "--copies", "8"});
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(cups.Jobs().size(), 1u);
}

TEST_F(CupsPrinting, ABarcodeFarRightOnAWidePageIsPrinted) {
  // Three 280 mm labels across A0: the third one's Code 39 starts 585 mm from the left edge,
  // past the 32767 twips a painter's start x holds.
  ASSERT_TRUE(
      cups.Admin("lpadmin", {"-p", "wide", "-E", "-v", cups.CaptureUri(), "-P",
                             "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd", "-o", "media=A0"}));
  test::WriteBytes(dir.File("wide.vlm"),
                   test::Cp950Lines({"setting,,;6,,;280,,;60,,;3,,;1,,;0,,;0,,;",
                                     "1,,;W,,;25,,;10,,;22,,;20,,;3,,;1,,;0,,;10,,;0,,;0,,;"}));
  const auto r = Run({"wide.vlm", "--printer", "wide", "--copies", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto jobs = cups.Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  const auto pages = test::RenderPdfPages(SaveReceived(jobs[0].id), 100);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(Sorted(test::DecodeAllWithZbar(pages[0].copy(0, 0, pages[0].width(), 240))),
            (std::vector<std::string>{"CODE-39:W001", "CODE-39:W002", "CODE-39:W003"}));
}

// --- The print button against the real server --------------------------------------------

TEST_F(CupsPrinting, CancelInThePrintDialogSendsNoJob) {
  MainWindowModel window;
  window.PrinterType = "1";
  window.l_amount.text = "2";
  window.CurrentFileName = dir.File("sheets.vlm");
  FileSystem files(dir.path().string());
  ASSERT_TRUE(files.WriteLines("temp1.txt", {kSheetsDesign[0], kSheetsDesign[1]}).ok());
  RecordingMessageBox messages;
  RecordingDialogs dialogs;
  dialogs.printers.push_back({false, "sheets", ""});
  dialogs.printers.push_back({true, "sheets", ""});
  PrintHandlerServices services{messages, dialogs,
                                [](const CommonDialog& chosen, std::string& problem) {
                                  return OpenChosenPrinter(chosen, "sheets.vlm", problem);
                                }};
  EXPECT_EQ(PrintLabels(window, files, services), PrintOutcome::kCancelled);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_TRUE(cups.Jobs().empty());

  // The same choice confirmed prints: the cancel above was the dialog's doing.
  EXPECT_EQ(PrintLabels(window, files, services), PrintOutcome::kPrinted);
  EXPECT_EQ(cups.Jobs().size(), 1u);
}

// --- The print log -------------------------------------------------------------------------

TEST_F(CupsPrinting, EveryRunIsLoggedWithItsJobsAndOutcome) {
  test::WriteBytes(dir.File("vellomir_setting.ini"), SettingsFile("0"));
  ASSERT_EQ(Run({"labels.vlm", "--printer", "labels"}).status, 0);
  ASSERT_EQ(Run({"labels.vlm", "--printer", "closed", "--reprint"}).status, 2);
  const auto jobs = cups.Jobs();
  ASSERT_EQ(jobs.size(), 2u);
  const auto log = test::RunVellomir({"log", "2"}, dir.path().string());
  ASSERT_EQ(log.status, 0) << log.err;
  const auto lines = test::OutputLines(log.out);
  ASSERT_EQ(lines.size(), 2u) << log.out;
  const std::string first = lines[0], second = lines[1];
  EXPECT_NE(first.find("\t設計=labels.vlm\t送到=labels\t要印=6\t已送出=6\t標籤=1-6\t工作=labels-" +
                       std::to_string(jobs[0].id) + " labels-" + std::to_string(jobs[1].id) +
                       "\t結果=完成"),
            std::string::npos)
      << first;
  EXPECT_NE(second.find("\t送到=closed\t要印=6\t已送出=0\t標籤=-\t工作=-\t結果=失敗: "),
            std::string::npos)
      << second;
}

// --- Label printers in their own language -------------------------------------------------

// printers.ini in a config folder of the test's own.
void WritePrintersIni(const test::TempDir& dir, const std::string& text) {
  fs::create_directories(dir.path() / "config/vellomir");
  test::WriteBytes(dir.File("config/vellomir/printers.ini"), text);
}

TEST_F(CupsPrinting, ARawQueueAndAnAddressGetTheSameZplByteForByte) {
  test::FakePrinter printer;
  WritePrintersIni(dir, "[raw]\nlanguage = zpl\n[" + printer.Address() + "]\nlanguage = zpl\n");
  const auto r = Run({"labels.vlm", "--printer", "raw"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(Run({"labels.vlm", "--printer", printer.Address()}).status, 0);
  printer.Stop();
  ASSERT_TRUE(cups.WaitUntilIdle());
  const auto jobs = cups.Jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(cups.Output(jobs[0].id), printer.received);
  const auto labels = test::DecodeZplLabels(printer.received);
  ASSERT_EQ(labels.size(), 6u) << "one format a label, whatever the design's grid";
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(test::DecodeAllWithZbar(labels[i]), Batches("L", i + 1, i + 1)) << i;
}

TEST_F(CupsPrinting, ARawQueueWithoutALanguageIsRefusedForItCannotPrintPdf) {
  WritePrintersIni(dir, "");
  const auto r = Run({"labels.vlm", "--printer", "raw"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("raw 佇列,不能列印 PDF"), std::string::npos) << r.err;
  EXPECT_TRUE(cups.Jobs().empty());
}

// The calibration reaches a driver's PDF job too: the first ink moves by (+1.0, -0.5) mm.
TEST_F(CupsPrinting, CalibrationOffsetsMoveTheInkOfADriversJob) {
  test::WriteBytes(dir.File("vellomir_setting.ini"), SettingsFile("1"));
  std::vector<std::optional<std::pair<int, int>>> first_ink;
  for (const char* offsets : {"", "x_offset_mm = 1.0\ny_offset_mm = -0.5\n"}) {
    WritePrintersIni(dir, std::string("[labels]\n") + offsets);
    ASSERT_EQ(Run({"labels.vlm", "--printer", "labels", "--copies", "1"}).status, 0);
    ASSERT_TRUE(cups.WaitUntilIdle());
    const auto graphics = test::DecodeZplGraphics(cups.Output(cups.Jobs().back().id));
    ASSERT_EQ(graphics.size(), 1u);
    first_ink.push_back(test::FirstInk(graphics[0]));
  }
  ASSERT_TRUE(first_ink[0] && first_ink[1]);
  EXPECT_NEAR(first_ink[1]->first - first_ink[0]->first, 1.0 * 203 / 25.4, 1);
  EXPECT_NEAR(first_ink[1]->second - first_ink[0]->second, -0.5 * 203 / 25.4, 1);
}

}  // namespace
}  // namespace vellomir
