#include <gtest/gtest.h>

#include "barcode/barcode_kinds.h"
#include "support/decode.h"
#include "support/files.h"

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
  }
}

TEST(BarcodeKinds, KindFromIndexOrListText) {
  for (int kind = 0; kind < 9; ++kind) {
    EXPECT_EQ(BarcodeKindFromText(std::to_string(kind)), kind);
    EXPECT_EQ(BarcodeKindFromText(kBarcodeKindNames[kind]), kind);
  }
  EXPECT_EQ(BarcodeKindFromText("Code-128"), 8);
  EXPECT_EQ(BarcodeKindFromText("INT-25"), 6);
  EXPECT_EQ(BarcodeKindFromText("UPC-A2E"), 5);
  for (const char* unknown : {"", "9", "-1", "08", "code-128", "Code 128", "CODE-39", "EAN13"})
    EXPECT_EQ(BarcodeKindFromText(unknown), std::nullopt) << unknown;
}

TEST(BarcodeKinds, TableRowsFollowTheKindList) {
  for (int i = 0; i < 9; ++i) {
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
  EXPECT_EQ(BarcodeKindAt(9), nullptr);
  EXPECT_FALSE(OffersCheckCharacter(9));
}

TEST(BarcodeKinds, StoredKindFieldIsOneDigit) {
  EXPECT_EQ(BarcodeKindFromIndexText(" 8 "), 8);
  EXPECT_EQ(BarcodeKindFromIndexText("0"), 0);
  // A stored rule names its painter by index only: list texts and other numbers draw nothing.
  for (const char* other : {"", "9", "Code-128", "08", "1.0", "-1"})
    EXPECT_EQ(BarcodeKindFromIndexText(other), std::nullopt) << other;
}

}  // namespace
}  // namespace vellomir
