#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "barcode/barcode_kinds.h"
#include "barcode/ean_upc.h"
#include "barcode/upc_e.h"
#include "platform/recording_surface.h"
#include "support/decode.h"
#include "support/files.h"
#include "support/gtin.h"

namespace vellomir {
namespace {

std::string Digits(const std::string& sets, std::initializer_list<int> digits) {
  const EanDigitTable& t = BuildEanDigitTable();
  std::string out;
  std::size_t i = 0;
  for (int d : digits) out += t[sets[i++] == 'G' ? kEanSetG : kEanSetL][d];
  return out;
}

TEST(UpcEParity, NumberSystemZeroParities) {
  std::string parity;
  UpcEParityForCheckDigit(4, parity);
  EXPECT_EQ(parity, "101100");
  UpcEParityForCheckDigit(0, parity);
  EXPECT_EQ(parity, "111000");
  std::set<std::string> seen;
  for (int16_t d = 0; d <= 9; ++d) {
    UpcEParityForCheckDigit(d, parity);
    ASSERT_EQ(parity.size(), 6u);
    EXPECT_EQ(parity[0], '1') << d;  // number system 0 starts every pattern in set G
    EXPECT_EQ(std::count(parity.begin(), parity.end(), '1'), 3) << d;
    seen.insert(parity);
  }
  EXPECT_EQ(seen.size(), 10u);  // a scanner recovers the check digit from the parity
  parity = "keep";
  UpcEParityForCheckDigit(10, parity);
  EXPECT_EQ(parity, "keep");
  UpcEParityForCheckDigit(-3, parity);
  EXPECT_EQ(parity, "keep");
}

TEST(UpcEExpansion, EveryRowOfTheSeventhCharacter) {
  EXPECT_EQ(ExpandUpcE("0425261"), "004210000526");
  EXPECT_EQ(ExpandUpcE("0123450"), "001200000345");
  EXPECT_EQ(ExpandUpcE("0123451"), "001210000345");
  EXPECT_EQ(ExpandUpcE("0123452"), "001220000345");
  EXPECT_EQ(ExpandUpcE("0123453"), "001230000045");
  EXPECT_EQ(ExpandUpcE("0123434"), "001234000003");
  EXPECT_EQ(ExpandUpcE("0123457"), "001234500007");
  EXPECT_EQ(ExpandUpcE("012345X"), "00123450000X");   // last row keeps the character as text
  EXPECT_EQ(ExpandUpcE("01234578"), "001234500007");  // eighth character ignored
}

TEST(UpcAToUpcE, SixRulesInOrder) {
  struct Case {
    const char* upc_a;
    const char* upc_e;
  };
  const Case cases[] = {
      {"001200000345", "0123450"},  // rule 1: M3 = 0
      {"004210000526", "0425261"},  // rule 2: M3 = 1
      {"001220000345", "0123452"},  // rule 3: M3 = 2
      {"001230000045", "0123453"},  // rule 4
      {"001234000003", "0123434"},  // rule 5
      {"001234500007", "0123457"},  // rule 6
      {"001234500005", "0123455"},  // rule 6, lowest last digit
      {"000000000000", "0000000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ConvertUpcAToUpcE(c.upc_a), c.upc_e) << c.upc_a;
    // Expanding again gives the number back.
    EXPECT_EQ(ExpandUpcE(c.upc_e), c.upc_a) << c.upc_e;
  }
}

TEST(UpcAToUpcE, NoRuleGivesTheMessage) {
  EXPECT_STREQ(kUpcA2EMessage, "This data can't be transfered from upc-a to upc-e");
  // P1..P4 are 0 but P5 = 3 is below 5, and M5 = 5 is not 0.
  EXPECT_EQ(ConvertUpcAToUpcE("001234500003"), kUpcA2EMessage);
  EXPECT_EQ(ConvertUpcAToUpcE("001234500004"), kUpcA2EMessage);
  EXPECT_EQ(ConvertUpcAToUpcE("012345000005"), kUpcA2EMessage);  // number system 1
  EXPECT_EQ(ConvertUpcAToUpcE("104210000526"), kUpcA2EMessage);
  EXPECT_EQ(ConvertUpcAToUpcE("001234567890"), kUpcA2EMessage);
  EXPECT_EQ(ConvertUpcAToUpcE("00"), kUpcA2EMessage);
  EXPECT_EQ(ConvertUpcAToUpcE(""), kUpcA2EMessage);
  EXPECT_EQ(ConvertUpcAToUpcE("0012345000A7"), kUpcA2EMessage);
}

TEST(UpcAToUpcE, SurroundingSpacesRemoved) {
  EXPECT_EQ(ConvertUpcAToUpcE("  004210000526"), "0425261");
  EXPECT_EQ(ConvertUpcAToUpcE("004210000526   "), "0425261");
  EXPECT_EQ(ConvertUpcAToUpcE(" 001234500007 "), "0123457");
  EXPECT_EQ(ConvertUpcAToUpcE("0042 10000526"), kUpcA2EMessage);  // inner spaces stay
}

TEST(UpcEEncoding, ParityOfCheckDigitFour) {
  // 0425261 expands to 004210000526, check 4, parity "101100".
  const SymbolPattern p = EncodeUpcE("0425261");
  ASSERT_EQ(p.segments.size(), 3u);
  EXPECT_EQ(p.segments[0].bits, "101");
  EXPECT_EQ(p.segments[1].bits, Digits("GLGGLL", {4, 2, 5, 2, 6, 1}));
  EXPECT_EQ(p.segments[2].bits, "010101");
  EXPECT_EQ(p.segments[0].extra_height, 57);
  EXPECT_EQ(p.segments[1].extra_height, 0);
  EXPECT_EQ(p.segments[2].extra_height, 57);
  EXPECT_EQ(p.segments[0].extra_advance, 0);
  EXPECT_EQ(p.segments[1].extra_advance, 0);
  EXPECT_EQ(p.segments[2].extra_advance, 1);
  EXPECT_EQ(p.Bits().size(), 51u);
  EXPECT_EQ(p.text, "0425261");
}

TEST(UpcEEncoding, ExtraCharactersAndNumberSystemIgnored) {
  const SymbolPattern seven = EncodeUpcE("0123457");
  const SymbolPattern eight = EncodeUpcE("01234578");
  EXPECT_EQ(seven.Bits(), eight.Bits());
  EXPECT_EQ(seven.text, "0123457");
  EXPECT_EQ(eight.text, "01234578");
  // The painter always works with number system 0.
  EXPECT_EQ(EncodeUpcE("1123457").Bits(), seven.Bits());
}

TEST(UpcA2EEncoding, ConvertedNumberDrawsAsUpcE) {
  const SymbolPattern p = EncodeUpcA2E("004210000526");
  EXPECT_EQ(p.Bits(), EncodeUpcE("0425261").Bits());
  EXPECT_EQ(p.text, "0425261");
  EXPECT_EQ(EncodeUpcA2E(" 001234000003 ").text, "0123434");
  EXPECT_EQ(EncodeBarcode(5, "004210000526", 1)->Bits(), p.Bits());
  EXPECT_EQ(EncodeBarcode(4, "0425261", 0)->Bits(), p.Bits());
}

TEST(UpcA2EEncoding, UnconvertibleNumberShowsMessageOverWhiteBars) {
  // Passed to the UPC-E encoding, the message would make the six-zero symbol (check 0), a
  // number a scanner accepts; the bars are left white instead.
  EXPECT_EQ(EncodeUpcE(kUpcA2EMessage).Bits(), EncodeUpcE("0000000").Bits());
  const SymbolPattern p = EncodeUpcA2E("001234500003");
  EXPECT_EQ(p.text, kUpcA2EMessage);
  EXPECT_EQ(p.Bits(), std::string(51, '0'));
  ASSERT_EQ(p.segments.size(), 3u);
  EXPECT_EQ(p.segments[0].extra_height, 57);
  EXPECT_EQ(p.segments[2].extra_advance, 1);
}

// ZXing reports UPC-E as its 8-digit form: number system, six digits, check digit.
TEST(UpcEExport, PngReadsBackWithZXing) {
  struct Case {
    const char* kind;
    const char* data;
    const char* expected;
  };
  const Case cases[] = {
      {"UPC-E", "0425261", "04252614"},        {"UPC-A2E", "004210000526", "04252614"},
      {"UPC-E", "0123456", "01234565"},        {"UPC-E", "0123457", "01234572"},
      {"UPC-A2E", "001234000003", "01234349"}, {"5", " 001200000345", "01234505"},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    const std::string out = dir.File("upce.png");
    const auto r =
        test::RunVellomir({"barcode", "--kind", c.kind, "--data", c.data, "--text", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto decoded = test::DecodeFileWithZXing(out, "UPCE");
    ASSERT_TRUE(decoded.has_value()) << c.kind << " " << c.data;
    EXPECT_EQ(decoded->text, c.expected) << c.kind << " " << c.data;
  }
}

using test::GtinCheckDigit;

// UPC-E carries its check digit only in the parities of its six digits: every row of the
// parity table has to read back. 01234e7 stands for the UPC-A number 001234e00007 (a last
// digit of 5 to 9 follows the five digits after four zeros), whose check digit is 7 - e.
TEST(UpcEExport, EveryCheckDigitReadsBackWithZXing) {
  test::TempDir dir;
  std::set<char> checks;
  for (char e = '0'; e <= '9'; ++e) {
    const std::string data = std::string("01234") + e + "7";
    const std::string upc_a = std::string("01234") + e + "00007";
    const char check = GtinCheckDigit(upc_a);
    checks.insert(check);
    const std::string out = dir.File("upce.png");
    const auto r = test::RunVellomir({"barcode", "--kind", "UPC-E", "--data", data, "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto decoded = test::DecodeFileWithZXing(out, "UPCE");
    ASSERT_TRUE(decoded.has_value()) << data;
    EXPECT_EQ(decoded->text, data + check);
  }
  EXPECT_EQ(checks.size(), 10u);
}

TEST(UpcEExport, UnconvertibleNumberLeavesNothingToScan) {
  test::TempDir dir;
  const std::string out = dir.File("none.png");
  const auto r = test::RunVellomir(
      {"barcode", "--kind", "UPC-A2E", "--data", "001234500003", "--text", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(test::DecodeFileWithZXing(out).has_value());
  EXPECT_TRUE(test::DecodeAllWithZbar(QImage(QString::fromStdString(out))).empty());
}

}  // namespace
}  // namespace vellomir
