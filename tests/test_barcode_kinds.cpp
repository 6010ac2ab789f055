#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>
#include <random>

#include "barcode/barcode_kinds.h"
#include "gui/zxing_symbol_reader.h"
#include "render/symbol_check.h"
#include "support/decode.h"
#include "support/files.h"
#include "support/random_payloads.h"

namespace vellomir {
namespace {

TEST(BarcodeKinds, EveryKindExportsASymbolThatReadsBack) {
  struct Case {
    int kind;
    std::string data;
    bool check;
    std::string zxing_format;  // restricts the reader, so UPC-A is not reported as EAN-13
    std::string expected;      // as a scanner reports it, check digits included
  };
  const Case cases[] = {
      {0, "LOT42", false, "Code39", "LOT42"},
      {1, "400638133393", false, "EAN13", "4006381333931"},
      {2, "9638507", false, "EAN8", "96385074"},
      {3, "003600029145", false, "UPCA", "036000291452"},
      {4, "0425261", false, "UPCE", "04252614"},
      {5, "004210000526", false, "UPCE", "04252614"},  // compressed to 0425261
      {6, "1234567890", false, "ITF", "1234567890"},
      {7, "A40156B", false, "Codabar", "A40156B"},
      {8, "Lot 42-a", true, "Code128", "Lot 42-a"},
      {9, "https://example.com/lot/42", false, "QRCode", "https://example.com/lot/42"},
      {9, "批號 42 品名:鳳梨酥", false, "QRCode", "批號 42 品名:鳳梨酥"},  // UTF-8 under ECI 26
      {10, "PART-0042", false, "DataMatrix", "PART-0042"},
      {11, "Lot 42, 2026-12-07", false, "PDF417", "Lot 42, 2026-12-07"},
      // GS1 General Specifications' example GTIN; FNC1s read as GS, the leading one too.
      {12, "(01)09521234543213(10)ABC123", false, "Code128",
       "\x1D"
       "0109521234543213"
       "10ABC123"},
      {13, "[01]09521234543213[10]A1[17]261231", false, "DataMatrix",  // zint's own brackets
       "\x1D"
       "0109521234543213"
       "10A1\x1D"
       "17261231"},
      {14, "(01)09521234543213(3103)000123(21)S/N-7", false, "QRCode",
       "\x1D"
       "0109521234543213"
       "3103000123"
       "21S/N-7"},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(kBarcodeKindNames[c.kind]) + " " + c.data);
    const std::string out = dir.File("kind" + std::to_string(c.kind) + ".png");
    std::vector<std::string> args = {
        "barcode", "--kind", std::to_string(c.kind), "--data", c.data, "--text", "-o", out};
    if (c.check) args.push_back("--check");
    const auto r = test::RunVellomir(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto decoded = test::DecodeFileWithZXing(out, c.zxing_format);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->text, c.expected);
    EXPECT_EQ(ExpectedScan(c.kind, c.data, c.check), c.expected);
  }
}

// Random valid data of every 2-D and GS1 kind, exported on a label printer's dots, reads back
// as its data; at 203 dpi also with one dot of ink spread. (bench_scan counts 50 a case.)
TEST(BarcodeKinds, TwoDimensionalAndGs1KindsReadOnPrinterDots) {
  std::mt19937 rng(26);
  test::TempDir dir;
  const std::string out = dir.File("symbol.png");
  for (int kind = 9; kind < static_cast<int>(kBarcodeKindCount); ++kind) {
    for (const char* dpi : {"203", "300"}) {
      for (int i = 0; i < 3; ++i) {
        const std::string data = test::RandomPayload(kind, rng);
        SCOPED_TRACE(std::string(kBarcodeKindNames[kind]) + " " + dpi + " dpi: " + data);
        const auto r = test::RunVellomir({"barcode", "--kind", std::string(kBarcodeKindNames[kind]),
                                          "--data", data, "--dpi", dpi, "-o", out});
        ASSERT_EQ(r.status, 0) << r.err;
        const QImage image(QString::fromStdString(out));
        const auto clean = test::DecodeWithZXing(image, ZXingFormatOf(kind));
        ASSERT_TRUE(clean.has_value());
        EXPECT_EQ(clean->text, ExpectedScan(kind, data, false));
        if (std::string(dpi) != "203") continue;
        const auto spread =
            test::DecodeWithZXing(test::SpreadInkByOneDot(image), ZXingFormatOf(kind));
        ASSERT_TRUE(spread.has_value());
        EXPECT_EQ(spread->text, clean->text);
      }
    }
  }
}

// Data its symbology refuses names what is wrong in zint's words, and nothing is written.
TEST(BarcodeKinds, BadDataIsRefusedInTheEncodersWords) {
  struct Case {
    std::string kind, data, words;
  };
  const Case cases[] = {
      {"GS1-128", "(01)09521234543214", "expected '3'"},  // wrong GTIN check digit
      {"GS1-QR", "(01)0952123454321", "AI (01)"},         // a GTIN one digit short
      {"GS1-DataMatrix", "01)09521234543213", "start with an AI"},
      {"GS1-128", "(10)ABC(99", "AI"},
      {"QR", std::string(7090, '1'), "too long"},  // QR holds 7089 digits at most
      {"DataMatrix", std::string(3117, '1'), "too long"},
      {"PDF417", std::string(2711, '1'), "too long"},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind + " " + c.data.substr(0, 30));
    const auto r = test::RunVellomir(
        {"barcode", "--kind", c.kind, "--data", c.data, "-o", dir.File("bad.png")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("vellomir barcode: 資料不合這種條碼: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.words), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("bad.png")));
  }
}

TEST(BarcodeKinds, KindFromIndexOrListText) {
  for (int kind = 0; kind < static_cast<int>(kBarcodeKindCount); ++kind) {
    EXPECT_EQ(BarcodeKindFromText(std::to_string(kind)), kind);
    EXPECT_EQ(BarcodeKindFromText(kBarcodeKindNames[kind]), kind);
  }
  EXPECT_EQ(BarcodeKindFromText("Code-128"), 8);
  EXPECT_EQ(BarcodeKindFromText("INT-25"), 6);
  EXPECT_EQ(BarcodeKindFromText("UPC-A2E"), 5);
  EXPECT_EQ(BarcodeKindFromText("QR"), 9);
  EXPECT_EQ(BarcodeKindFromText("GS1-QR"), 14);
  for (const char* unknown :
       {"", "15", "-1", "08", "09", "code-128", "Code 128", "CODE-39", "EAN13", "qr", "Aztec"})
    EXPECT_EQ(BarcodeKindFromText(unknown), std::nullopt) << unknown;
}

TEST(BarcodeKinds, TableRowsFollowTheKindList) {
  for (int i = 0; i < static_cast<int>(kBarcodeKindCount); ++i) {
    const BarcodeKindRow* row = BarcodeKindAt(i);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(static_cast<int>(row->kind), i);
    EXPECT_EQ(row->name, kBarcodeKindNames[i]);
    // Only Code 39 and Code 128 let the rule choose a check character; Code 128 ticks it.
    const bool long_form = row->kind == BarcodeKind::kCode39 || row->kind == BarcodeKind::kCode128;
    EXPECT_EQ(row->offersCheck, long_form) << row->name;
    EXPECT_EQ(OffersCheckCharacter(i), long_form) << row->name;
    EXPECT_EQ(row->checkByDefault, row->kind == BarcodeKind::kCode128) << row->name;
  }
  EXPECT_EQ(BarcodeKindAt(-1), nullptr);
  EXPECT_EQ(BarcodeKindAt(15), nullptr);
  EXPECT_FALSE(OffersCheckCharacter(9));
  // The bars' height means something for GS1-128 only among the new kinds.
  for (int kind : {9, 10, 11, 13, 14}) EXPECT_TRUE(IsSquareSymbol(kind)) << kind;
  for (int kind : {-1, 0, 8, 12, 15}) EXPECT_FALSE(IsSquareSymbol(kind)) << kind;
}

TEST(BarcodeKinds, StoredKindFieldIsTheIndex) {
  EXPECT_EQ(BarcodeKindFromIndexText(" 8 "), 8);
  EXPECT_EQ(BarcodeKindFromIndexText("0"), 0);
  EXPECT_EQ(BarcodeKindFromIndexText("14 "), 14);
  // A stored rule names its painter by index only: list texts and other numbers draw nothing.
  for (const char* other : {"", "15", "Code-128", "08", "1.0", "-1", "9.0", "1 4"})
    EXPECT_EQ(BarcodeKindFromIndexText(other), std::nullopt) << other;
}

}  // namespace
}  // namespace vellomir
