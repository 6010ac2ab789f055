#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdlib>
#include <random>

#include "output/label_printer.h"
#include "output/zxing_symbol_reader.h"
#include "render/calibration_label.h"
#include "render/print_job.h"
#include "render/symbol_check.h"
#include "support/cups_server.h"
#include "support/decode.h"
#include "support/fake_printer.h"
#include "support/files.h"

// Labels in ZPL and EPL drawn on the printer's dots, read back through our own small decoders.
namespace vellomir {
namespace {

// 50 x 30 mm, an EAN-13 "87178787" + 4-digit batch number from 1 at (4, 3) mm, 15 mm bars.
const std::vector<std::string> kEanDesign = {
    "setting,,;4,,;50,,;30,,;1,,;1,,;0,,;0,,;",
    "1,,;87178787,,;4,,;3,,;15,,;15,,;4,,;1,,;1,,;10,,;1,,;0,,;",
};
constexpr int kModuleDots = 3;  // EAN modules get at least 3 dots at 203 dpi

class LabelPrinterTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::EnsureGuiApplication(); }
  void SetUp() override {
    ASSERT_TRUE(files.WriteLines("temp1.txt", kEanDesign).ok());
    rules = ReadRuleTable(files);
  }

  // `labels` labels of the design in the language, as the print run sends them.
  std::string Print(LabelLanguage language, const PrinterSettings& settings, int labels = 4) {
    LabelLanguagePrinter printer = To(language, settings);
    PrintLayout layout;
    layout.label_width = 50 * 56.5;
    layout.label_height = 30 * 56.5;
    layout.labels = labels;
    const LabelDrawing how;  // the printer brings its bar width reduction
    ZXingSymbolReader reader;
    EXPECT_TRUE(CheckBeforePrinting(layout, rules, printer, how, &reader).empty());
    EXPECT_EQ(RunLabelPrint(layout, rules, how, printer).outcome, PrintOutcome::kPrinted);
    return test::ReadBytes(dir.File("out"));
  }
  // A 50 x 30 mm label printer at 203 dpi that writes the file "out".
  LabelLanguagePrinter To(LabelLanguage language, const PrinterSettings& settings) {
    std::string problem;
    return LabelLanguagePrinter({language, 203, 50, 30, settings, "out"},
                                OpenFileStream(dir.File("out"), problem));
  }

  std::vector<QImage> Decode(LabelLanguage language, const std::string& bytes) {
    std::string problem;
    auto labels = language == LabelLanguage::kEpl ? test::DecodeEplLabels(bytes, &problem)
                                                  : test::DecodeZplLabels(bytes, &problem);
    EXPECT_EQ(problem, "");
    return labels;
  }

  test::TempDir dir;
  FileSystem files{dir.path().string()};
  RuleTable rules;
};

std::string Want(int batch) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04d", batch);
  return "EAN-13:" + *ExpectedScan(1, std::string("87178787") + digits, false);
}

// Bars and spaces across the middle of the bars: 7 mm into bars that start 3 mm down.
std::vector<int> BarRuns(const QImage& label) { return test::RunsAlong(label, (3 + 7) * 203 / 25); }

// --- Encodings, back to the same dots ------------------------------------------------------

TEST(LabelLanguage, BothGraphicEncodingsDecodeToTheSameDots) {
  EXPECT_EQ(ZplCrc16("123456789"), 0x31C3) << "the CCITT check value, from 0";
  std::mt19937 random(7);
  auto bitmap = [&](int w, int h, int kind) {
    DotBitmap b = BlankBitmap(w, h);
    for (std::size_t i = 0; i < b.bits.size(); ++i)
      b.bits[i] = kind == 0 ? 0 : kind == 1 ? 0xFF : kind == 2 ? (i % 7 < 3 ? 0xF0 : 0) : random();
    return b;
  };
  const struct {
    DotBitmap b;
    const char* why;
  } rows[] = {
      {bitmap(16, 3, 1), "all ink: rows end in black ('!') and repeat (':')"},
      {bitmap(800, 5, 2), "long runs need the 20-a-letter counts, rows ending white (',')"},
      {bitmap(24, 40, 3), "noise: nothing to compress"},
      {bitmap(3208, 2, 3), "a row longer than one 400-digit repeat"},
  };
  for (const auto& row : rows)
    for (const std::string& data : {ZplHexCompressed(row.b), ZplZ64(row.b)}) {
      const std::string total = std::to_string(row.b.bits.size());
      const std::string zpl = "^XA^PW" + std::to_string(row.b.width) + "^LL" +
                              std::to_string(row.b.height) + "^FO0,0^GFA," + total + "," + total +
                              "," + std::to_string(row.b.bytes_per_row) + "," + data + "^FS^XZ";
      std::string problem;
      const auto images = test::DecodeZplLabels(zpl, &problem);
      ASSERT_EQ(images.size(), 1u) << row.why << " " << problem;
      for (int y = 0; y < row.b.height; ++y)
        for (int x = 0; x < row.b.width; ++x)
          ASSERT_EQ(images[0].pixel(x, y) == qRgb(0, 0, 0),
                    ((row.b.bits[y * row.b.bytes_per_row + x / 8] >> (7 - x % 8)) & 1) != 0)
              << row.why << " at " << x << "," << y << " in " << data.substr(0, 5);
    }
}

// --- Labels as printed ---------------------------------------------------------------------

TEST_F(LabelPrinterTest, EveryLabelReadsWithItsBatchOnWholeModulesInBothLanguages) {
  for (LabelLanguage language : {LabelLanguage::kZpl, LabelLanguage::kEpl}) {
    const std::string bytes = Print(language, {});
    const auto labels = Decode(language, bytes);
    ASSERT_EQ(labels.size(), 4u) << LanguageName(language);
    if (language == LabelLanguage::kZpl) {
      EXPECT_LT(bytes.size() / 4, 600u) << "bytes a label";
    }
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(labels[i].size(), QSize(400, 240));
      EXPECT_EQ(test::DecodeAllWithZbar(labels[i]), std::vector<std::string>{Want(i + 1)});
      EXPECT_EQ(test::DecodeAllWithZbar(test::SpreadInkByOneDot(labels[i])),
                std::vector<std::string>{Want(i + 1)});
      const auto runs = BarRuns(labels[i]);
      ASSERT_EQ(runs.size(), 59u) << "30 bars and 29 spaces of EAN-13";
      for (const int dots : runs) EXPECT_EQ(dots % kModuleDots, 0) << dots;
    }
  }
}

// The printer's calibration: offsets move the first ink, a bar width reduction takes a dot off
// every bar (and gives it to the next space), and the label still reads with a dot of spread.
TEST_F(LabelPrinterTest, CalibrationMovesTheInkAndNarrowsTheBars) {
  const PrinterSettings moved{.x_offset_mm = 1.0, .y_offset_mm = -0.5},
      narrow{.bar_width_reduction = 1};
  const struct {
    PrinterSettings settings;
    double dx, dy;  // dots the first ink moves
    int bar;        // dots a bar gains
  } rows[] = {{moved, 1.0 * 203 / 25.4, -0.5 * 203 / 25.4, 0}, {narrow, 0, 0, -1}};
  for (LabelLanguage language : {LabelLanguage::kZpl, LabelLanguage::kEpl})
    for (const auto& row : rows) {
      const QImage plain = Decode(language, Print(language, {}, 1)).at(0);
      const QImage label = Decode(language, Print(language, row.settings, 1)).at(0);
      const auto before = test::FirstInk(plain), after = test::FirstInk(label);
      ASSERT_TRUE(before && after);
      EXPECT_NEAR(after->first - before->first, row.dx, 1) << LanguageName(language);
      EXPECT_NEAR(after->second - before->second, row.dy, 1) << LanguageName(language);
      const auto was = BarRuns(plain), runs = BarRuns(label);
      ASSERT_EQ(runs.size(), was.size());
      for (std::size_t r = 0; r < runs.size(); ++r)
        EXPECT_EQ(runs[r], was[r] + (r % 2 == 0 ? row.bar : -row.bar)) << r;
      EXPECT_EQ(test::DecodeAllWithZbar(test::SpreadInkByOneDot(label)),
                std::vector<std::string>{Want(1)});
    }
}

// The calibration label's frame lands 5 mm inside the label, moved by the stored offsets, and
// the distances measured on it give the offsets that bring it back.
TEST_F(LabelPrinterTest, CalibrationLabelShowsTheOffsetsAndTheMeasurementCorrectsThem) {
  LabelLanguagePrinter printer = To(LabelLanguage::kZpl, {.x_offset_mm = 1.0, .y_offset_mm = -0.5});
  DrawCalibrationLabel(printer.Surface(), 50, 30);
  ASSERT_TRUE(printer.EndDoc() && printer.Commit());
  const QImage label = Decode(LabelLanguage::kZpl, test::ReadBytes(dir.File("out"))).at(0);
  // The frame's left and top sides, along lines that pass between the rulers' millimetre ticks.
  int left = 0, top = 0;
  while (left < label.width() && label.pixel(left, 120) != qRgb(0, 0, 0)) ++left;
  while (top < label.height() && label.pixel(204, top) != qRgb(0, 0, 0)) ++top;
  EXPECT_NEAR(left, (5.0 + 1.0) * 203 / 25.4, 1);
  EXPECT_NEAR(top, (5.0 - 0.5) * 203 / 25.4, 1);
  const CalibrationOffsets fixed =
      CorrectedOffsets({1.0, -0.5}, left * 25.4 / 203, top * 25.4 / 203);
  EXPECT_NEAR(fixed.x_mm, 0, 0.13);
  EXPECT_NEAR(fixed.y_mm, 0, 0.13);
}

// --- A printer at an address -----------------------------------------------------------------

class SocketPrinting : public LabelPrinterTest {
 protected:
  void SetUp() override {
    LabelPrinterTest::SetUp();
    setenv("XDG_CONFIG_HOME", (dir.path() / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir.path() / "data").c_str(), 1);
    test::WriteBytes(dir.File("ean.vlm"), test::Cp950Lines(kEanDesign));
  }
  void Settings(const std::string& address, const std::string& keys) {
    std::filesystem::create_directories(dir.path() / "config/vellomir");
    test::WriteBytes(dir.File("config/vellomir/printers.ini"), "[" + address + "]\n" + keys);
  }
  test::RunResult Run(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"print", "ean.vlm"};
    all.insert(all.end(), args.begin(), args.end());
    all.push_back("--reprint");  // the same labels go out again on purpose
    return test::RunVellomir(all, dir.path().string());
  }
};

TEST_F(SocketPrinting, AnAddressGetsExactlyWhatTheFileGets) {
  test::FakePrinter printer;
  Settings(printer.Address(), "language = zpl\n");
  const auto r = Run({"--printer", printer.Address()});
  ASSERT_EQ(r.status, 0) << r.err;
  printer.Stop();
  ASSERT_EQ(Run({"-o", "ean.zpl"}).status, 0);
  EXPECT_EQ(printer.received, test::ReadBytes(dir.File("ean.zpl")));
  EXPECT_EQ(Decode(LabelLanguage::kZpl, printer.received).size(), 4u);
}

TEST_F(SocketPrinting, FailuresAreToldWithTheLabelsThatReachedThePrinter) {
  const struct {
    long keep;
    bool stall, listening;
    const char *settings, *copies, *words, *why;
  } rows[] = {
      {-1, false, false, "language = zpl\n", "4", "拒絕連線,沒有列印", "nobody listens"},
      {600, false, true, "language = zpl\ntimeout = 1\n", "2000", "提早關閉了連線",
       "the printer closes after one label"},
      {0, true, true, "language = zpl\ntimeout = 1\n", "2000", "1 秒內沒有收",
       "the printer stops reading"},
      {-1, false, true, "", "4", "寫 language = zpl 或 epl,沒有列印", "no language, no connection"},
  };
  for (const auto& row : rows) {
    test::FakePrinter printer(row.keep, row.stall);
    const std::string address = printer.Address();
    if (!row.listening) printer.Stop();
    Settings(address, row.settings);
    const auto r = Run({"--printer", address, "--copies", row.copies});
    printer.Stop();
    EXPECT_EQ(r.status, 2) << row.why;
    EXPECT_NE(r.err.find(row.words), std::string::npos) << row.why << ": " << r.err;
    if (row.listening && row.settings[0] != '\0') {
      EXPECT_NE(r.err.find("張標籤"), std::string::npos) << row.why << ": " << r.err;
    } else {
      EXPECT_EQ(printer.received, "") << row.why;
    }
  }
}

}  // namespace
}  // namespace vellomir
