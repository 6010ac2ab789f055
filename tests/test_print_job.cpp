#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "barcode/code39.h"
#include "document/working_file.h"
#include "form/main_window_model.h"
#include "platform/recording_surface.h"
#include "render/print_job.h"
#include "support/files.h"
#include "support/printers.h"
#include "ui/print_handler.h"
#include "support/recording_doubles.h"

namespace vellomir {
namespace {

constexpr const char* kSettings = "setting,,;1,,;105,,;148.5,,;2,,;2,,;0,,;0,,;";
// A text rule at 10 x 5 mm whose text is "L" and a four-digit batch number from 100.
constexpr const char* kBatchText = "2,,;L,,;10,,;5,,;4,,;100,,;10,,;Arial,,;0,,;0,,;";
// A Code 39 barcode at 10 x 5 mm, module width 2, bar height 15 mm, no batch number.
constexpr const char* kCode39 = "1,,;ABC,,;10,,;5,,;2,,;15,,;0,,;0,,;0,,;9,,;0,,;0,,;";

using Page = std::shared_ptr<RecordingSurface>;

// Pictures by the path the surface is asked to load.
class FakeProbe : public PictureProbe {
 public:
  std::optional<PictureSize> NaturalSize(const std::string& path) const override {
    auto it = sizes.find(path);
    if (it == sizes.end()) return std::nullopt;
    return it->second;
  }
  std::map<std::string, PictureSize> sizes;
};

// A printer whose page operations fail from a given call on, in its own words.
class FailingPrinter : public RecordingPrinter {
 public:
  using RecordingPrinter::RecordingPrinter;
  bool NewPage() override {
    if (++new_pages == fail_new_page) return Fail();
    return RecordingPrinter::NewPage();
  }
  bool EndDoc() override {
    if (++end_docs == fail_end_doc) return Fail();
    return RecordingPrinter::EndDoc();
  }
  DrawingSurface& Surface() override {
    if (fail_on_draw) error = "碳粉用完了";
    return RecordingPrinter::Surface();
  }
  std::string Error() const override { return error; }
  DeliveryFate FollowDeliveries() override { return fate; }

  DeliveryFate fate;      // what became of the documents sent
  int fail_new_page = 0;  // 1-based call that fails; 0 never
  int fail_end_doc = 0;
  bool fail_on_draw = false;
  int new_pages = 0;
  int end_docs = 0;
  std::string error;

 private:
  bool Fail() {
    error = "卡紙了";
    return false;
  }
};

class PrintJob : public ::testing::Test {
 protected:
  PrintJob() : files(dir.path().string()), printer(metrics, &probe) {}

  void WriteDesign(const std::vector<std::string>& rules) {
    std::vector<std::string> lines = {kSettings};
    lines.insert(lines.end(), rules.begin(), rules.end());
    ASSERT_TRUE(files.WriteLines(std::string(kWorkingFileName), lines).ok());
  }
  PrintOutcome Print(Printer& on, const PrintProgressCallback& progress = {}) {
    return PrintWith(window, messages, on, progress);
  }
  PrintOutcome PrintWith(MainWindowModel& w, MessageBox& m, Printer& on,
                         const PrintProgressCallback& progress = {},
                         const FileSystem* pictures = nullptr) {
    PrintHandlerServices services{m, dialogs, test::OpenerFor(on), progress, pictures};
    return PrintLabels(w, files, services);
  }
  PrintOutcome Print() { return Print(printer); }

  // The printed texts of every page of every document.
  static std::vector<std::vector<std::vector<std::string>>> Texts(const RecordingPrinter& p) {
    std::vector<std::vector<std::vector<std::string>>> docs;
    for (const auto& doc : p.documents) {
      docs.emplace_back();
      for (const Page& page : doc) {
        docs.back().emplace_back();
        for (const TextOp& t : page->Texts()) docs.back().back().push_back(t.text);
      }
    }
    return docs;
  }

  test::TempDir dir;
  FileSystem files;
  FixedPitchMetrics metrics{100};
  FakeProbe probe;
  RecordingPrinter printer;
  MainWindowModel window;
  RecordingMessageBox messages;
  RecordingDialogs dialogs;
};

using Pages = std::vector<std::vector<std::string>>;

// --- Where labels go -----------------------------------------------------------------------

TEST_F(PrintJob, DefaultLayoutPitchesAndOffsets) {
  // 105 x 148.5 mm labels: column pitch 5932.5 (kept unrounded), row pitch 8390.25 whose
  // second-row offset is rounded to 8390.
  WriteDesign({kBatchText});
  window.l_amount.text = "4";
  ASSERT_EQ(Print(), PrintOutcome::kPrinted);
  ASSERT_EQ(printer.documents.size(), 1u);
  ASSERT_EQ(printer.documents[0].size(), 1u);
  const auto texts = printer.documents[0][0]->Texts();
  ASSERT_EQ(texts.size(), 4u);
  const double x = 10 * 56.5, y = 5 * 56.5;
  EXPECT_EQ(texts[0].x, x);
  EXPECT_EQ(texts[0].y, y);
  EXPECT_EQ(texts[1].x, x + 5932.5);
  EXPECT_EQ(texts[1].y, y);
  EXPECT_EQ(texts[2].x, x);
  EXPECT_EQ(texts[2].y, y + 8390);
  EXPECT_EQ(texts[3].x, x + 5932.5);
  EXPECT_EQ(texts[3].y, y + 8390);
}

TEST_F(PrintJob, BarcodeInRowTwoColumnTwoGetsTheRoundedPosition) {
  WriteDesign({kCode39});
  window.l_amount.text = "4";
  ASSERT_EQ(Print(), PrintOutcome::kPrinted);
  ASSERT_EQ(printer.documents.size(), 1u);
  const auto& ops = printer.documents[0][0]->Ops();

  // What the painter draws when given x 6498 (565 + 5932.5) and y 8672 (282.5 + 8390), both
  // rounded half to even.
  RecordingSurface reference(metrics);
  int32_t x = 6498;
  PaintCode39("ABC", reference, 0, 0, 9, x, 8672, 2, 848);
  const auto& want = reference.Ops();
  ASSERT_FALSE(want.empty());
  ASSERT_EQ(ops.size(), 4 * want.size());  // four labels, one barcode each
  for (std::size_t i = 0; i < want.size(); ++i) {
    const auto* got = std::get_if<SymbolOp>(&ops[3 * want.size() + i]);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(*got, std::get<SymbolOp>(want[i])) << "op " << i;
  }
}

TEST_F(PrintJob, GapsWidenThePitches) {
  window.l_paper_width.text = "50";
  window.l_paper_height.text = "30";
  window.d_col.text = "3";
  window.d_row.text = "2";
  window.l_amount.text = "4";
  WriteDesign({"2,,;T,,;0,,;0,,;,,;,,;10,,;Arial,,;0,,;0,,;"});
  ASSERT_EQ(Print(), PrintOutcome::kPrinted);
  const auto texts = printer.documents.at(0).at(0)->Texts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[1].x, 2994.5);  // 53 x 56.5
  EXPECT_EQ(texts[2].y, 1808);    // 32 x 56.5
  EXPECT_EQ(texts[3].x, 2994.5);
  EXPECT_EQ(texts[3].y, 1808);
}

TEST_F(PrintJob, FractionalGridTakesWholeRowsAndColumns) {
  window.l_col.text = "2.5";
  window.l_row.text = "1.9";
  window.l_amount.text = "3";
  WriteDesign({kBatchText});
  ASSERT_EQ(Print(), PrintOutcome::kPrinted);
  EXPECT_EQ(Texts(printer), (std::vector<Pages>{{{"L0100", "L0101"}, {"L0102"}}}));
}

// --- Pages, documents and label numbers ----------------------------------------------------

TEST_F(PrintJob, NormalSheetsMakeOneDocumentOfPages) {
  WriteDesign({kBatchText});
  window.l_amount.text = "6";
  window.PrinterType = "1";
  ASSERT_EQ(Print(), PrintOutcome::kPrinted);
  EXPECT_EQ(Texts(printer),
            (std::vector<Pages>{{{"L0100", "L0101", "L0102", "L0103"}, {"L0104", "L0105"}}}));
  // Labels 5 and 6 stand in the first row of page 2.
  const auto second = printer.documents[0][1]->Texts();
  EXPECT_EQ(second[0].y, 5 * 56.5);
  EXPECT_EQ(second[1].y, 5 * 56.5);
  EXPECT_EQ(second[1].x, 10 * 56.5 + 5932.5);
}

TEST_F(PrintJob, TractorFeedSendsEachFullPageAsADocument) {
  WriteDesign({kBatchText});
  window.l_amount.text = "6";
  window.PrinterType = "0";
  ASSERT_EQ(Print(), PrintOutcome::kPrinted);
  EXPECT_EQ(Texts(printer),
            (std::vector<Pages>{{{"L0100", "L0101", "L0102", "L0103"}}, {{"L0104", "L0105"}}}));
}

TEST_F(PrintJob, ExactlyFullPageEndsWithoutAnEmptyPage) {
  WriteDesign({kBatchText});
  window.l_amount.text = "4";
  for (const char* type : {"0", "1"}) {
    RecordingPrinter p(metrics);
    window.PrinterType = type;
    ASSERT_EQ(Print(p), PrintOutcome::kPrinted);
    EXPECT_EQ(Texts(p), (std::vector<Pages>{{{"L0100", "L0101", "L0102", "L0103"}}})) << type;
  }
}

TEST_F(PrintJob, AnyOtherPrinterTypeStartsANewPage) {
  // Neither ending the document nor starting a page would draw page 2 over page 1.
  WriteDesign({kBatchText});
  window.l_amount.text = "5";
  window.PrinterType = "x";
  ASSERT_EQ(Print(), PrintOutcome::kPrinted);
  EXPECT_EQ(Texts(printer),
            (std::vector<Pages>{{{"L0100", "L0101", "L0102", "L0103"}, {"L0104"}}}));
}

TEST_F(PrintJob, EmptyOrZeroCopiesPrintExactlyLabelOne) {
  // Batch start 1 without a digit count shows the label number itself.
  WriteDesign({"2,,;N,,;0,,;0,,;,,;1,,;10,,;Arial,,;0,,;0,,;"});
  for (const char* amount : {"", "0", "-3", "abc"}) {
    RecordingPrinter p(metrics);
    window.l_amount.text = amount;
    ASSERT_EQ(Print(p), PrintOutcome::kPrinted) << amount;
    EXPECT_EQ(Texts(p), (std::vector<Pages>{{{"N1"}}})) << amount;
  }
}

TEST_F(PrintJob, FractionalCopiesRoundUp) {
  WriteDesign({"2,,;N,,;0,,;0,,;,,;1,,;10,,;Arial,,;0,,;0,,;"});
  window.l_amount.text = "2.5";
  ASSERT_EQ(Print(), PrintOutcome::kPrinted);
  EXPECT_EQ(Texts(printer), (std::vector<Pages>{{{"N1", "N2", "N3"}}}));
}

TEST_F(PrintJob, EveryRunCountsFromLabelOne) {
  WriteDesign({kBatchText});
  window.l_amount.text = "2";
  ASSERT_EQ(Print(), PrintOutcome::kPrinted);
  ASSERT_EQ(Print(), PrintOutcome::kPrinted);
  EXPECT_EQ(Texts(printer), (std::vector<Pages>{{{"L0100", "L0101"}}, {{"L0100", "L0101"}}}));
}

TEST_F(PrintJob, RulesThatDrawNothingStillCount) {
  WriteDesign({"3,,;missing.png,,;0,,;0,,;10,,;", "9,,;odd,,;", kBatchText});
  window.l_amount.text = "2";
  ASSERT_EQ(Print(), PrintOutcome::kPrinted);
  EXPECT_EQ(Texts(printer), (std::vector<Pages>{{{"L0100", "L0101"}}}));
}

TEST_F(PrintJob, PicturePathsComeFromThePictureFolder) {
  test::TempDir pictures_dir;
  test::WriteBytes(pictures_dir.File("logo.png"), "the probe gives the size");
  const FileSystem pictures(pictures_dir.path().string());
  probe.sizes[pictures.Resolve("logo.png")] = {200, 100};
  WriteDesign({"3,,;logo.png,,;0,,;0,,;40,,;"});
  window.l_amount.text = "1";
  ASSERT_EQ(PrintWith(window, messages, printer, {}, &pictures), PrintOutcome::kPrinted);
  const auto drawn = printer.documents.at(0).at(0)->Pictures();
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].path, pictures.Resolve("logo.png"));
  EXPECT_EQ(drawn[0].width, 2260);
  EXPECT_EQ(drawn[0].height, 1130);
}

// --- The print setup dialog ----------------------------------------------------------------

TEST_F(PrintJob, ShowsThePrintSetupWithFlagsZeroOnce) {
  WriteDesign({kBatchText});
  window.l_amount.text = "6";
  window.open_p_dial.flags = 7;
  ASSERT_EQ(Print(), PrintOutcome::kPrinted);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].kind, "printer");
  EXPECT_EQ(dialogs.shown[0].dialog.flags, 0);
  EXPECT_TRUE(messages.shown.empty());
}

// --- Refused runs --------------------------------------------------------------------------

TEST_F(PrintJob, WithoutAWorkingFileAsksToEditOrOpenFirst) {
  window.l_amount.text = "3";
  ASSERT_EQ(Print(), PrintOutcome::kRefused);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "請編輯後再列印 或 先讀取一個資料檔");
  EXPECT_EQ(messages.shown[0].caption, "Vellomir 0.1版");
  EXPECT_EQ(messages.shown[0].buttons, MessageButtons::kOk);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_TRUE(printer.documents.empty());
}

TEST_F(PrintJob, GridWithoutLabelsIsRefused) {
  WriteDesign({kBatchText});
  window.l_amount.text = "3";
  for (const char* value : {"0", "", "0.5", "-2", "abc", "-1e400"}) {
    for (bool rows : {true, false}) {
      MainWindowModel w;
      w.l_amount.text = "3";
      (rows ? w.l_row : w.l_col).text = value;
      RecordingMessageBox m;
      RecordingPrinter p(metrics);
      EXPECT_EQ(PrintWith(w, m, p), PrintOutcome::kRefused) << value;
      ASSERT_EQ(m.shown.size(), 1u) << value;
      EXPECT_NE(m.shown[0].text.find("至少要是 1"), std::string::npos);
      EXPECT_TRUE(p.documents.empty()) << value;
    }
  }
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(PrintJob, CopiesBeyondTheLimitAreRefused) {
  WriteDesign({kBatchText});
  for (const char* amount : {"1e300", "1e400", "1000001"}) {
    RecordingMessageBox m;
    window.l_amount.text = amount;
    EXPECT_EQ(PrintWith(window, m, printer), PrintOutcome::kRefused);
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_NE(m.shown[0].text.find("1000000"), std::string::npos);
  }
  EXPECT_TRUE(printer.documents.empty());
}

TEST_F(PrintJob, PositionsBeyondTheSurfaceAreRefusedOnlyWhenUsed) {
  WriteDesign({kBatchText});
  window.l_paper_height.text = "1e9";
  window.l_amount.text = "2";  // one row: the huge row pitch is never used
  ASSERT_EQ(Print(), PrintOutcome::kPrinted);
  EXPECT_EQ(Texts(printer), (std::vector<Pages>{{{"L0100", "L0101"}}}));

  window.l_amount.text = "3";  // the second row would start 1e9 mm down
  ASSERT_EQ(Print(), PrintOutcome::kRefused);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].text.find("超出"), std::string::npos);
  EXPECT_EQ(printer.documents.size(), 1u);
}

TEST_F(PrintJob, SizesAndGapsBeyondADoubleAreRefusedWhenUsed) {
  WriteDesign({kBatchText});
  window.l_amount.text = "2";  // two columns used
  for (auto [width, gap] : {std::pair{"1e400", "2"}, {"105", "-1e400"}, {"1e400", "-1e400"}}) {
    RecordingMessageBox m;
    RecordingPrinter p(metrics);
    window.l_paper_width.text = width;
    window.d_col.text = gap;
    EXPECT_EQ(PrintWith(window, m, p), PrintOutcome::kRefused) << width;
    ASSERT_EQ(m.shown.size(), 1u) << width;
    EXPECT_NE(m.shown[0].text.find("超出"), std::string::npos);
    EXPECT_TRUE(p.documents.empty());
  }
}

TEST_F(PrintJob, EndlessRowOrColumnCountsStopAtTheCopies) {
  WriteDesign({kBatchText});
  window.l_amount.text = "3";
  window.l_col.text = "1e400";
  window.l_row.text = "1e400";
  ASSERT_EQ(Print(), PrintOutcome::kPrinted);
  EXPECT_EQ(Texts(printer), (std::vector<Pages>{{{"L0100", "L0101", "L0102"}}}));
}

// Only the preview's clicks use the rule boxes: printing leaves them as they were.
TEST_F(PrintJob, PrintingRecordsNoRuleBoxes) {
  WriteDesign({kCode39, kBatchText});
  window.l_amount.text = "2";
  for (auto& box : window.RuleHitBoxes) box = RuleHitBox{-7, -7, -7, -7};
  ASSERT_EQ(Print(), PrintOutcome::kPrinted);
  ASSERT_FALSE(printer.documents.at(0).at(0)->Boxes().empty());
  for (const auto& box : window.RuleHitBoxes) {
    EXPECT_EQ(box.left, -7);
    EXPECT_EQ(box.right, -7);
  }
}

TEST_F(PrintJob, UnreadableWorkingFileIsReportedAndNothingPrinted) {
  test::WriteBytes(files.Resolve(std::string(kWorkingFileName)),
                   std::string(kSettings) + "\r\n2,,;\x81\x30,,;\r\n");  // not CP950
  ASSERT_EQ(Print(), PrintOutcome::kRefused);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].text.find("temp1.txt"), std::string::npos);
  EXPECT_TRUE(printer.documents.empty());
}

// --- Printer failures ----------------------------------------------------------------------

TEST_F(PrintJob, FailedNewPageStopsTheRunWithThePrintersWords) {
  WriteDesign({kBatchText});
  window.l_amount.text = "12";
  FailingPrinter p(metrics);
  p.fail_new_page = 1;
  ASSERT_EQ(Print(p), PrintOutcome::kPrinterError);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].text.find("卡紙了"), std::string::npos);
  EXPECT_EQ(messages.shown[0].caption, "Vellomir 0.1版");
  EXPECT_EQ(p.new_pages, 1);
  EXPECT_EQ(p.end_docs, 0);
  EXPECT_TRUE(p.documents.empty());
}

TEST_F(PrintJob, FailedEndDocStopsAfterTheDocumentsAlreadySent) {
  WriteDesign({kBatchText});
  window.l_amount.text = "12";
  window.PrinterType = "0";
  FailingPrinter p(metrics);
  p.fail_end_doc = 2;
  ASSERT_EQ(Print(p), PrintOutcome::kPrinterError);
  EXPECT_EQ(p.end_docs, 2);  // no third page is drawn
  EXPECT_EQ(Texts(p), (std::vector<Pages>{{{"L0100", "L0101", "L0102", "L0103"}}}));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].text.find("卡紙了"), std::string::npos);
  EXPECT_NE(messages.shown[0].text.find("4 張"), std::string::npos);
}

TEST_F(PrintJob, FailedFinalEndDocIsReported) {
  WriteDesign({kBatchText});
  window.l_amount.text = "1";
  FailingPrinter p(metrics);
  p.fail_end_doc = 1;
  EXPECT_EQ(Print(p), PrintOutcome::kPrinterError);
  EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(PrintJob, PrinterReportingAnErrorWhileDrawingStopsBeforeThePageGoesOut) {
  WriteDesign({kBatchText});
  window.l_amount.text = "6";
  FailingPrinter p(metrics);
  p.fail_on_draw = true;
  ASSERT_EQ(Print(p), PrintOutcome::kPrinterError);
  EXPECT_EQ(p.new_pages + p.end_docs, 0);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].text.find("碳粉用完了"), std::string::npos);
}

// --- Progress and cancel -------------------------------------------------------------------

TEST_F(PrintJob, ProgressIsToldOfEveryFilledPage) {
  WriteDesign({kBatchText});
  window.l_amount.text = "10";
  std::vector<std::array<int64_t, 3>> seen;
  ASSERT_EQ(Print(printer,
                  [&](const PrintProgress& p) {
                    seen.push_back({p.pages, p.labels, p.total});
                    return true;
                  }),
            PrintOutcome::kPrinted);
  EXPECT_EQ(seen, (std::vector<std::array<int64_t, 3>>{{1, 4, 10}, {2, 8, 10}, {3, 10, 10}}));
}

TEST_F(PrintJob, CancelDropsTheOpenDocumentAndNamesWhatWentOut) {
  WriteDesign({kBatchText});
  window.l_amount.text = "10";
  for (const char* type : {"0", "1"}) {
    RecordingPrinter p(metrics);
    RecordingMessageBox m;
    window.PrinterType = type;
    int calls = 0;
    ASSERT_EQ(PrintWith(window, m, p, [&](const PrintProgress&) { return ++calls < 2; }),
              PrintOutcome::kCancelled);
    EXPECT_EQ(calls, 2);
    ASSERT_EQ(m.shown.size(), 1u) << type;
    if (std::string(type) == "0") {
      // Tractor feed: page 1 was a document of its own and has gone; page 2 stays here.
      EXPECT_EQ(Texts(p), (std::vector<Pages>{{{"L0100", "L0101", "L0102", "L0103"}}}));
      EXPECT_NE(m.shown[0].text.find("第 1 到 4 張"), std::string::npos) << m.shown[0].text;
    } else {
      // Normal sheets: the run is one document, and none of it is sent.
      EXPECT_TRUE(p.documents.empty());
      EXPECT_NE(m.shown[0].text.find("沒有送出任何標籤"), std::string::npos) << m.shown[0].text;
    }
  }
}

// --- The print dialog ------------------------------------------------------------------------

TEST_F(PrintJob, CancelInThePrintDialogPrintsNothingAndSaysNothing) {
  WriteDesign({kBatchText});
  window.l_amount.text = "6";
  dialogs.printers.push_back({false, "", ""});
  bool opened = false;
  PrintHandlerServices services{messages, dialogs, [&](const CommonDialog&, std::string&) {
                                  opened = true;
                                  return std::unique_ptr<Printer>();
                                }};
  EXPECT_EQ(PrintLabels(window, files, services), PrintOutcome::kCancelled);
  EXPECT_FALSE(opened);
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(PrintJob, TheDialogsChoiceReachesThePrinterOpener) {
  WriteDesign({kBatchText});
  window.l_amount.text = "1";
  dialogs.printers.push_back({true, "labels", ""});
  dialogs.printers.push_back({true, "", "/tmp/x.pdf"});
  std::vector<std::pair<std::string, std::string>> chosen;
  PrintHandlerServices services{messages, dialogs, [&](const CommonDialog& d, std::string&) {
                                  chosen.emplace_back(d.printer_name, d.print_file);
                                  return std::make_unique<test::BorrowedPrinter>(printer);
                                }};
  ASSERT_EQ(PrintLabels(window, files, services), PrintOutcome::kPrinted);
  ASSERT_EQ(PrintLabels(window, files, services), PrintOutcome::kPrinted);
  EXPECT_EQ(chosen,
            (std::vector<std::pair<std::string, std::string>>{{"labels", ""}, {"", "/tmp/x.pdf"}}));
}

TEST_F(PrintJob, APrinterThatCannotBeOpenedIsReportedInItsOwnWords) {
  WriteDesign({kBatchText});
  PrintHandlerServices services{messages, dialogs, [](const CommonDialog&, std::string& why) {
                                  why = "無法連線到列印伺服器「/x」,沒有列印";
                                  return std::unique_ptr<Printer>();
                                }};
  EXPECT_EQ(PrintLabels(window, files, services), PrintOutcome::kRefused);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "無法連線到列印伺服器「/x」,沒有列印");
}

// --- A data file and batch numbers that went out before --------------------------------------

TEST_F(PrintJob, DataFileRowsPrintAndBatchNumbersPrintedBeforeOfferToContinue) {
  const std::string rule = "2,,;${品名} B,,;0,,;0,,;2,,;1,,;10,,;Arial,,;0,,;0,,;";
  WriteDesign({rule});
  test::WriteBytes(dir.File("items.csv"), "品名,qty\n茶,2\n餅,1\n");
  window.merge_file.text = dir.File("items.csv");
  window.CurrentFileName = dir.File("d.vlm");
  window.l_amount.text = "1";
  PrintHandlerServices services{messages, dialogs, test::OpenerFor(printer),
                                {},       nullptr, dir.File("print.log")};
  auto printed = [&] {
    std::vector<std::string> texts;
    const auto documents = Texts(printer);
    if (documents.empty()) return texts;
    for (const auto& page : documents.back()) texts.insert(texts.end(), page.begin(), page.end());
    return texts;
  };
  ASSERT_EQ(PrintLabels(window, files, services), PrintOutcome::kPrinted);
  EXPECT_EQ(printed(), (std::vector<std::string>{"茶 B01", "茶 B02", "餅 B03"}));
  EXPECT_TRUE(messages.shown.empty());

  // Again: asked, and 接續 starts after B03, in the working file too (the user saves it).
  messages.answers = {MessageAnswer::kContinue};
  ASSERT_EQ(PrintLabels(window, files, services), PrintOutcome::kPrinted);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].buttons, MessageButtons::kContinueOkCancel);
  const std::string asked = messages.shown[0].text;
  EXPECT_EQ(asked.rfind("批號 B01 到 B03 已於 20", 0), 0u) << asked;
  EXPECT_NE(asked.find(" 印過,仍要列印嗎?"), std::string::npos) << asked;
  EXPECT_EQ(printed(), (std::vector<std::string>{"茶 B04", "茶 B05", "餅 B06"}));
  EXPECT_EQ(files.ReadLines(std::string(kWorkingFileName)).lines.at(1),
            "2,,;${品名} B,,;0,,;0,,;2,,;4,,;10,,;Arial,,;0,,;0,,;");

  // Cancel prints nothing; a data file with a bad row prints nothing and names the row.
  messages.answers = {MessageAnswer::kCancel};
  messages.next_answer = 0;
  const std::size_t documents = printer.documents.size();
  EXPECT_EQ(PrintLabels(window, files, services), PrintOutcome::kCancelled);
  test::WriteBytes(dir.File("items.csv"), "品名,qty\n茶,2\n\"餅,1\n");
  EXPECT_EQ(PrintLabels(window, files, services), PrintOutcome::kRefused);
  EXPECT_EQ(messages.shown.back().text, "資料檔第 2 筆資料 (第 3 行): 引號沒有結束,沒有列印!!");
  EXPECT_EQ(printer.documents.size(), documents);
}

// --- Labels that fall off the printable area -----------------------------------------------

TEST(ClippedLabels, CountsTheLabelsOfAFullPageThatReachPastTheArea) {
  // 2 x 4 labels of 100 x 60 mm on 4 x 6 in label stock: one column and two rows fit.
  PrintLayout layout;
  layout.columns = 2;
  layout.rows = 4;
  layout.label_width = 100 * 56.5;
  layout.label_height = 60 * 56.5;
  layout.column_pitch = layout.label_width;
  layout.row_pitch = layout.label_height;
  layout.labels = 12;
  const PrintableArea label_stock{101.6, 152.4};
  EXPECT_EQ(CountClippedLabels(layout, label_stock).per_page, 8);
  EXPECT_EQ(CountClippedLabels(layout, label_stock).cut, 6);

  // A run smaller than a page counts only the labels it prints: labels 1 to 3.
  layout.labels = 3;
  EXPECT_EQ(CountClippedLabels(layout, label_stock).per_page, 3);
  EXPECT_EQ(CountClippedLabels(layout, label_stock).cut, 1);

  // The default layout fills A4 to its edges (at 56.5 units a millimetre, a little less).
  PrintLayout quarters;
  quarters.columns = quarters.rows = 2;
  quarters.label_width = quarters.column_pitch = 105 * 56.5;
  quarters.label_height = quarters.row_pitch = 148.5 * 56.5;
  quarters.labels = 6;
  EXPECT_EQ(CountClippedLabels(quarters, {210, 297}).cut, 0);
  // A printer's 5 mm margins cut the right column and the bottom row.
  EXPECT_EQ(CountClippedLabels(quarters, {200, 287}).cut, 3);
  // Unless what the labels draw ends inside the margins; ink past a box's edge counts too.
  EXPECT_EQ(CountClippedLabels(quarters, {200, 287}, InkExtent{0, 0, 94 * 56.5, 135 * 56.5}).cut,
            0);
  EXPECT_EQ(CountClippedLabels(quarters, {210, 297}, InkExtent{0, 0, 110 * 56.5, 10}).cut, 2);
  // Negative gaps put labels before the area's corner.
  quarters.column_pitch = -10 * 56.5;
  EXPECT_EQ(CountClippedLabels(quarters, {210, 297}).cut, 2);
}

TEST_F(PrintJob, LabelsOffThePageAreAskedAboutBeforeAnythingIsSent) {
  WriteDesign({kBatchText});
  window.l_paper_width.text = "100";
  window.l_paper_height.text = "60";
  window.l_col.text = "2";
  window.l_row.text = "4";
  window.l_amount.text = "12";
  printer.printable = PrintableArea{101.6, 152.4};

  messages.answers = {MessageAnswer::kCancel};
  EXPECT_EQ(Print(), PrintOutcome::kCancelled);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].buttons, MessageButtons::kOkCancel);
  EXPECT_NE(messages.shown[0].text.find("每頁 8 張標籤中有 6 張"), std::string::npos)
      << messages.shown[0].text;
  EXPECT_TRUE(printer.documents.empty());

  messages.answers.push_back(MessageAnswer::kOk);  // OK prints anyway
  EXPECT_EQ(Print(), PrintOutcome::kPrinted);
  EXPECT_EQ(printer.documents.size(), 1u);
}

// --- The run over plain values -----------------------------------------------------------------

class PrintRun : public ::testing::Test {
 protected:
  PrintRun() : files(dir.path().string()), printer(metrics) {
    EXPECT_TRUE(files.WriteLines(std::string(kWorkingFileName), {kSettings, kBatchText}).ok());
    rules = std::make_unique<RuleTable>(ReadRuleTable(files));
    layout.columns = 2;
    layout.rows = 1;
    layout.column_pitch = 1000;
    layout.row_pitch = 500;
    layout.labels = 5;
  }
  test::TempDir dir;
  FileSystem files;
  FixedPitchMetrics metrics{100};
  RecordingPrinter printer;
  std::unique_ptr<RuleTable> rules;
  PrintLayout layout;
  LabelDrawing how;
};

TEST_F(PrintRun, ReportsTheLabelsSentAndWhatEachDocumentBecame) {
  layout.document_per_page = true;
  FailingPrinter p(metrics);
  p.fail_end_doc = 3;
  const PrintResult r = RunLabelPrint(layout, *rules, how, p);
  EXPECT_EQ(r.outcome, PrintOutcome::kPrinterError);
  EXPECT_EQ(r.labels_drawn, 5);  // page 3 (label 5) was drawn, then refused
  EXPECT_EQ(r.labels_sent, 4);
  EXPECT_NE(r.message.find("卡紙了"), std::string::npos);
  EXPECT_NE(r.message.find("已送出第 1 到 4 張標籤"), std::string::npos) << r.message;
  EXPECT_EQ(p.documents.size(), 2u);
}

TEST_F(PrintRun, AFailedDocumentIsNeverPartlySent) {
  // The refused document's pages must not stay queued for the next run on the same printer.
  FailingPrinter p(metrics);
  p.fail_new_page = 2;
  EXPECT_EQ(RunLabelPrint(layout, *rules, how, p).outcome, PrintOutcome::kPrinterError);
  p.fail_new_page = 0;
  p.error.clear();
  layout.labels = 1;
  ASSERT_EQ(RunLabelPrint(layout, *rules, how, p).outcome, PrintOutcome::kPrinted);
  ASSERT_EQ(p.documents.size(), 1u);
  EXPECT_EQ(p.documents[0].size(), 1u);
}

TEST_F(PrintRun, APrintersNoticeIsTheMessageOfAPrintedRun) {
  class HeldPrinter : public RecordingPrinter {
   public:
    using RecordingPrinter::RecordingPrinter;
    std::string Notice() const override { return "工作會保留到印表機恢復為止"; }
  } held(metrics);
  const PrintResult r = RunLabelPrint(layout, *rules, how, held);
  EXPECT_EQ(r.outcome, PrintOutcome::kPrinted);
  EXPECT_EQ(r.message, "工作會保留到印表機恢復為止");
  EXPECT_EQ(r.labels_sent, 5);
  EXPECT_TRUE(RunLabelPrint(layout, *rules, how, printer).message.empty());
}

TEST_F(PrintRun, ADocumentThatFailsAfterItWasTakenCountsOnlyTheLabelsBeforeIt) {
  layout.document_per_page = true;  // three documents: labels 1-2, 3-4 and 5
  FailingPrinter p(metrics);
  p.fate = {DeliveryFate::End::kFailed, 2, "工作 3 已中止"};
  const PrintResult r = RunLabelPrint(layout, *rules, how, p);
  EXPECT_EQ(r.outcome, PrintOutcome::kPrinterError);
  EXPECT_EQ(r.labels_sent, 4);
  EXPECT_NE(r.message.find("工作 3 已中止,印好的是第 1 到 4 張標籤"), std::string::npos)
      << r.message;
}

TEST(SentLabels, NamesTheLabelsThatWentOut) {
  EXPECT_EQ(SentLabelsText(0), "沒有送出任何標籤");
  EXPECT_EQ(SentLabelsText(1), "已送出第 1 張標籤");
  EXPECT_EQ(SentLabelsText(120), "已送出第 1 到 120 張標籤");
}

}  // namespace
}  // namespace vellomir
