#include <gtest/gtest.h>

#include <QImage>

#include "barcode/barcode_kinds.h"
#include "render/symbol_check.h"
#include "support/decode.h"
#include "support/files.h"

namespace vellomir {
namespace {

TEST(BarcodeKinds, EveryKindExportsASymbolThatReadsBack) {
  const std::string G = "\x1D";  // FNC1 as a scanner reports it
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
      // GS1's own example GTIN; FNC1s read as GS, the leading one too.
      {12, "(01)09521234543213(10)ABC123", false, "Code128", G + "0109521234543213" + "10ABC123"},
      {13, "[01]09521234543213[10]A1[17]261231", false, "DataMatrix",  // zint's own brackets
       G + "0109521234543213" + "10A1" + G + "17261231"},
      {14, "(01)09521234543213(3103)000123(21)S/N-7", false, "QRCode",
       G + "0109521234543213" + "3103000123" + "21S/N-7"},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(kBarcodeKindNames[c.kind]) + " " + c.data);
    const std::string out = dir.File("kind" + std::to_string(c.kind) + ".png");
    std::vector<std::string> args = {
        "barcode", "--kind", std::to_string(c.kind), "--data", c.data, "--text", "-o", out};
    if (c.check) args.push_back("--check");
    if (c.kind > 8) args.insert(args.end(), {"--dpi", "203"});  // the new kinds on printer dots
    const auto r = test::RunVellomir(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto decoded = test::DecodeFileWithZXing(out, c.zxing_format);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->text, c.expected);
    EXPECT_EQ(ExpectedScan(c.kind, c.data, c.check), c.expected);
    if (c.kind <= 8) continue;  // the new kinds' modules of 3 dots read after ink spread too
    const QImage spread = test::SpreadInkByOneDot(QImage(QString::fromStdString(out)));
    EXPECT_EQ(test::DecodeWithZXing(spread, c.zxing_format).value_or(test::Decoded{}).text,
              c.expected);
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
  for (const char* unknown :
       {"", "15", "-1", "08", "code-128", "Code 128", "CODE-39", "EAN13", "qr"})
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
