#include <gtest/gtest.h>

#include <algorithm>

#include "barcode/barcode_kinds.h"
#include "barcode/ean_upc.h"
#include "platform/recording_surface.h"
#include "support/decode.h"
#include "support/files.h"
#include "support/gtin.h"

namespace vellomir {
namespace {

std::string L(int d) { return BuildEanDigitTable()[kEanSetL][d]; }
std::string G(int d) { return BuildEanDigitTable()[kEanSetG][d]; }
std::string R(int d) { return BuildEanDigitTable()[kEanSetR][d]; }

// Digits with their set letters, e.g. Half("LGLLGG", {0, 0, 6, 3, 8, 1}).
std::string Half(const std::string& sets, std::initializer_list<int> digits) {
  std::string out;
  std::size_t i = 0;
  for (int d : digits) {
    const char s = sets[i++];
    out += s == 'L' ? L(d) : s == 'G' ? G(d) : R(d);
  }
  return out;
}

std::string Complement(std::string bits) {
  for (char& c : bits) c = c == '1' ? '0' : '1';
  return bits;
}

TEST(EanDigitTable, SetsFollowTheStandardRelations) {
  // R is L with modules inverted, G is R read backwards; L has odd parity, G and R even.
  for (int d = 0; d <= 9; ++d) {
    const std::string l = L(d), r = R(d);
    ASSERT_EQ(l.size(), 7u);
    EXPECT_EQ(r, Complement(l)) << d;
    EXPECT_EQ(G(d), std::string(r.rbegin(), r.rend())) << d;
    EXPECT_EQ(std::count(l.begin(), l.end(), '1') % 2, 1) << d;
    EXPECT_EQ(l.front(), '0');
    EXPECT_EQ(l.back(), '1');
    for (int e = 0; e < d; ++e) EXPECT_NE(l, L(e));
  }
  EXPECT_EQ(L(0), "0001101");
  EXPECT_EQ(L(9), "0001011");
}

// The number sets of the six left digits by the leading digit, as ISO/IEC 15420 gives them (L odd
// parity, "0" in our strings; G even, "1").
TEST(EanParity, FirstDigitParities) {
  const char* const standard[10] = {"LLLLLL", "LLGLGG", "LLGGLG", "LLGGGL", "LGLLGG",
                                    "LGGLLG", "LGGGLL", "LGLGLG", "LGLGGL", "LGGLGL"};
  std::string parity;
  for (int16_t d = 0; d <= 9; ++d) {
    std::string want = standard[d];
    for (char& c : want) c = c == 'G' ? '1' : '0';
    EanParityForFirstDigit(d, parity);
    EXPECT_EQ(parity, want) << d;
  }
  EanParityForFirstDigit(4, parity);
  EXPECT_EQ(parity, "010011");
  EanParityForFirstDigit(0, parity);
  EXPECT_EQ(parity, "000000");
  for (int16_t d = 1; d <= 9; ++d) {
    EanParityForFirstDigit(d, parity);
    ASSERT_EQ(parity.size(), 6u);
    EXPECT_EQ(parity[0], '0') << d;  // the first left digit is always odd parity
    EXPECT_EQ(std::count(parity.begin(), parity.end(), '1'), 3) << d;
  }
  parity = "keep";
  EanParityForFirstDigit(10, parity);
  EXPECT_EQ(parity, "keep");
  EanParityForFirstDigit(-1, parity);
  EXPECT_EQ(parity, "keep");
}

TEST(EanCheckDigit, StandardExamples) {
  EXPECT_EQ(EanCheckDigit(U"400638133393", 12), 1);
  EXPECT_EQ(EanCheckDigit(U"590123412345", 12), 7);
  EXPECT_EQ(EanCheckDigit(U"978014300723", 12), 4);
  EXPECT_EQ(EanCheckDigit(U"003600029145", 12), 2);  // UPC-A 03600029145 -> 2
  EXPECT_EQ(EanCheckDigit(U"001234567890", 12), 5);  // UPC-A 01234567890 -> 5
  EXPECT_EQ(EanCheckDigit(U"9638507", 7), 4);
  EXPECT_EQ(EanCheckDigit(U"5512345", 7), 7);
  EXPECT_EQ(EanCheckDigit(U"", 12), 0);
}

TEST(EanDigitReading, MissingPositionsRepeatTheLastCharacter) {
  EXPECT_EQ(EanDigitAt(U"123", 1), 1);
  EXPECT_EQ(EanDigitAt(U"123", 3), 3);
  EXPECT_EQ(EanDigitAt(U"123", 4), 3);
  EXPECT_EQ(EanDigitAt(U"123", 12), 3);
  EXPECT_EQ(EanDigitAt(U"", 5), 0);
  EXPECT_EQ(EanDigitAt(U"A5", 1), 0);
  EXPECT_EQ(EanDigitAt(U"5貨", 2), 0);
  EXPECT_EQ(EanDigitAt(U"5貨", 1), 5);
  EXPECT_EQ(TextPiece(U"0123456789", 9, 5), U"45678");
  EXPECT_EQ(TextPiece(U"012", 9, 5), U"012");
  EXPECT_EQ(TextPiece(U"012345", 9, 2), U"45");
}

TEST(Ean13Encoding, SegmentsGuardsAndParity) {
  // First digit 4: parity "010011", so 0, 0, 6, 3, 8, 1 take L, G, L, L, G, G; check digit 1.
  const SymbolPattern p = EncodeEan13("400638133393");
  ASSERT_EQ(p.segments.size(), 5u);
  EXPECT_EQ(p.segments[0].bits, "101");
  EXPECT_EQ(p.segments[1].bits, Half("LGLLGG", {0, 0, 6, 3, 8, 1}));
  EXPECT_EQ(p.segments[2].bits, "01010");
  EXPECT_EQ(p.segments[3].bits, Half("RRRRRR", {3, 3, 3, 9, 3, 1}));
  EXPECT_EQ(p.segments[4].bits, "101");
  for (int i : {0, 2, 4}) EXPECT_EQ(p.segments[i].extra_height, 57) << i;
  for (int i : {1, 3}) EXPECT_EQ(p.segments[i].extra_height, 0) << i;
  for (int i : {0, 1, 2, 3}) EXPECT_EQ(p.segments[i].extra_advance, 0) << i;
  EXPECT_EQ(p.segments[4].extra_advance, 1);
  EXPECT_EQ(p.Bits().size(), 95u);
  EXPECT_EQ(p.text, "400638133393");
}

TEST(Ean13Encoding, ThirteenthCharacterShownButNotEncoded) {
  const SymbolPattern p = EncodeEan13("4006381333937");
  EXPECT_EQ(p.Bits(), EncodeEan13("400638133393").Bits());
  EXPECT_EQ(p.text, "4006381333937");
}

TEST(Ean13Encoding, ShortAndNonDigitData) {
  // "123": positions 4..12 read 3; S = 1 + 3*2 + 3 + 3*(5*3) + 4*3 = 67, check 3.
  const SymbolPattern short_data = EncodeEan13("123");
  EXPECT_EQ(short_data.Bits(), EncodeEan13("123333333333").Bits());
  EXPECT_EQ(short_data.segments[1].bits, Half("LLGLGG", {2, 3, 3, 3, 3, 3}));  // parity of 1
  EXPECT_EQ(short_data.segments[3].bits, Half("RRRRRR", {3, 3, 3, 3, 3, 3}));
  EXPECT_EQ(short_data.text, "123");

  const SymbolPattern letter = EncodeEan13("A23456789012");
  EXPECT_EQ(letter.Bits(), EncodeEan13("023456789012").Bits());
  EXPECT_EQ(letter.segments[1].bits, Half("LLLLLL", {2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(letter.text, "A23456789012");

  const SymbolPattern empty = EncodeEan13("");
  EXPECT_EQ(empty.segments[1].bits, Half("LLLLLL", {0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(empty.segments[3].bits, Half("RRRRRR", {0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(empty.text, "");
}

TEST(Ean8Encoding, LeftInSetLRightInSetRWithCheck) {
  const SymbolPattern p = EncodeEan8("9638507");
  ASSERT_EQ(p.segments.size(), 5u);
  EXPECT_EQ(p.segments[1].bits, Half("LLLL", {9, 6, 3, 8}));
  EXPECT_EQ(p.segments[3].bits, Half("RRRR", {5, 0, 7, 4}));
  EXPECT_EQ(p.Bits(), "101" + p.segments[1].bits + "01010" + p.segments[3].bits + "101");
  EXPECT_EQ(p.Bits().size(), 67u);
  // An eighth character is ignored by the bars.
  EXPECT_EQ(EncodeEan8("96385079").Bits(), p.Bits());
}

TEST(UpcAEncoding, LeadingZeroNotDrawn) {
  const SymbolPattern p = EncodeUpcA("003600029145");
  EXPECT_EQ(p.segments[1].bits, Half("LLLLLL", {0, 3, 6, 0, 0, 0}));
  EXPECT_EQ(p.segments[3].bits, Half("RRRRRR", {2, 9, 1, 4, 5, 2}));
  EXPECT_EQ(p.Bits().size(), 95u);
  EXPECT_EQ(p.text, "003600029145");
  // The leading character only enters the check sum (weight 1): 5 more lowers the check by 5.
  const SymbolPattern five = EncodeUpcA("503600029145");
  EXPECT_EQ(five.segments[1].bits, p.segments[1].bits);
  EXPECT_EQ(five.segments[3].bits, Half("RRRRRR", {2, 9, 1, 4, 5, 7}));
}

TEST(EanKinds, WithCheckDoesNotReachTheFamily) {
  for (int kind : {1, 2, 3, 4, 5}) {
    const auto with = EncodeBarcode(kind, "004210000526", 1);
    const auto without = EncodeBarcode(kind, "004210000526", 0);
    ASSERT_TRUE(with && without);
    EXPECT_EQ(with->Bits(), without->Bits()) << kind;
  }
}

struct ReadBack {
  const char* kind;
  const char* data;
  const char* zxing_format;
  const char* expected;
};

// What a scanner reports: the check digit is part of the number. With the "UPCA" format ZXing
// reports UPC-A as 12 digits, without the leading 0 of its EAN-13 form.
TEST(EanExport, PngReadsBackWithZXing) {
  const ReadBack cases[] = {
      {"EAN-13", "400638133393", "EAN13", "4006381333931"},
      {"EAN-13", "4006381333937", "EAN13", "4006381333931"},  // typed check ignored
      {"EAN-13", "590123412345", "EAN13", "5901234123457"},
      {"EAN-13", "978014300723", "EAN13", "9780143007234"},
      {"EAN-8", "9638507", "EAN8", "96385074"},
      {"EAN-8", "5512345", "EAN8", "55123457"},
      {"UPC-A", "003600029145", "UPCA", "036000291452"},
      {"UPC-A", "001234567890", "UPCA", "012345678905"},
      {"3", "004210000526", "UPCA", "042100005264"},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    const std::string out = dir.File("ean.png");
    const auto r =
        test::RunVellomir({"barcode", "--kind", c.kind, "--data", c.data, "--text", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto decoded = test::DecodeFileWithZXing(out, c.zxing_format);
    ASSERT_TRUE(decoded.has_value()) << c.kind << " " << c.data;
    EXPECT_EQ(decoded->text, c.expected) << c.kind << " " << c.data;
  }
}

using test::GtinCheckDigit;

// The first digit is carried only by the parities of the left half: a swapped parity row
// reads back as another first digit, or not at all.
TEST(EanExport, EveryFirstDigitReadsBackWithZXing) {
  test::TempDir dir;
  for (char first = '0'; first <= '9'; ++first) {
    const std::string data = std::string(1, first) + "23456789012";
    const std::string out = dir.File("ean13.png");
    const auto r = test::RunVellomir({"barcode", "--kind", "1", "--data", data, "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto decoded = test::DecodeFileWithZXing(out, "EAN13");
    ASSERT_TRUE(decoded.has_value()) << data;
    EXPECT_EQ(decoded->text, data + GtinCheckDigit(data));
  }
}

}  // namespace
}  // namespace vellomir
