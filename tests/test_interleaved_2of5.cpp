#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "barcode/interleaved_2of5.h"
#include "platform/recording_surface.h"
#include "support/decode.h"
#include "support/files.h"

namespace vellomir {
namespace {

TEST(Inter25Table, FiveElementsTwoWideAllDistinct) {
  const auto& t = BuildInter25Table();
  std::set<std::string_view> distinct(t.begin(), t.end());
  EXPECT_EQ(distinct.size(), 10u);
  for (std::string_view p : t) {
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(std::count(p.begin(), p.end(), '1'), 2) << p;
  }
  EXPECT_EQ(t[0], "00110");
  EXPECT_EQ(t[1], "10001");
  EXPECT_EQ(t[9], "01010");
}

TEST(Inter25Encoding, PairOfOneAndTwoInterleaves) {
  // Bars from "10001" (1), spaces from "01001" (2), taken alternately.
  EXPECT_EQ(EncodeInter25("12").Bits(),
            "0000"
            "1001000011"
            "100");
  EXPECT_EQ(EncodeInter25("12").text, "12");
}

TEST(Inter25Encoding, OddCountPaddedWithLeadingZero) {
  const SymbolPattern p = EncodeInter25("123");
  EXPECT_EQ(p.text, "0123");
  // Pairs (0, 1) and (2, 3).
  EXPECT_EQ(p.Bits(),
            "0000"
            "0100101001"
            "0111000010"
            "100");
  EXPECT_EQ(PadInter25("123"), "0123");
  EXPECT_EQ(PadInter25("1234"), "1234");
  EXPECT_EQ(PadInter25("貨"), "0貨");  // counted in characters, not bytes
}

TEST(Inter25Encoding, EmptyDataIsStartAndStopOnly) {
  EXPECT_EQ(EncodeInter25("").Bits(), "0000100");
  EXPECT_EQ(EncodeInter25("").text, "");
}

TEST(Inter25Encoding, NonDigitsEncodeAsZeroButPrintUnchanged) {
  EXPECT_EQ(EncodeInter25("A5").Bits(), EncodeInter25("05").Bits());
  EXPECT_EQ(EncodeInter25("A5").text, "A5");
  EXPECT_EQ(EncodeInter25("貨").Bits(), EncodeInter25("00").Bits());
}

TEST(Inter25Encoding, RefusesMoreThanTwentyPairs) {
  EXPECT_FALSE(EncodeInter25(std::string(40, '7')).refused);
  EXPECT_EQ(EncodeInter25(std::string(40, '7')).Bits().size(), 4 + 20 * 10 + 3u);
  EXPECT_TRUE(EncodeInter25(std::string(41, '7')).refused);  // padded to 42
  EXPECT_TRUE(EncodeInter25(std::string(42, '7')).refused);
}

class Inter25Drawing : public ::testing::Test {
 protected:
  FixedPitchMetrics metrics_{100};
  RecordingSurface surface_{metrics_};
};

TEST_F(Inter25Drawing, EachPairAdvances150AtModuleWidth10) {
  auto advance = [&](std::string data) {
    RecordingSurface surface(metrics_);
    int32_t x = 0;
    PaintInter25(data, surface, 0, 10, x, 0, 10, 500);
    return x;
  };
  const int32_t frame = advance("");
  EXPECT_EQ(frame, 4 * 11 + (21 + 11 + 11));
  EXPECT_EQ(advance("12") - frame, 150);
  EXPECT_EQ(advance("123") - frame, 300);
  EXPECT_EQ(advance("9876543210") - frame, 750);
}

TEST_F(Inter25Drawing, PaddedDataWrittenBackAndPrinted) {
  std::string data = "123";
  int32_t x = 1000;
  PaintInter25(data, surface_, 1, 9, x, 500, 15, 1130);
  EXPECT_EQ(data, "0123");
  const int32_t end_x = x - 1;
  const auto texts = surface_.Texts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "    ");
  EXPECT_EQ(texts[1].text, "0123");
  EXPECT_EQ(texts[1].x, 1000 + static_cast<int>((end_x - 1400) / 2) + 1);
  EXPECT_EQ(texts[1].y, 500 + 1130 + 116);
  EXPECT_EQ(texts[1].font.name, "Courier New");
  EXPECT_EQ(surface_.CurrentX(), end_x);
}

TEST_F(Inter25Drawing, RefusedInputDrawsNothingAndKeepsData) {
  std::string data(41, '7');
  int32_t x = 0;
  PaintInter25(data, surface_, 1, 9, x, 0, 15, 500);
  EXPECT_TRUE(surface_.Ops().empty());
  EXPECT_EQ(x, 0);
  EXPECT_EQ(data, std::string(41, '7'));

  // startX is held in 16 bits.
  data = "123";
  x = 32768;
  PaintInter25(data, surface_, 1, 9, x, 0, 15, 500);
  EXPECT_TRUE(surface_.Ops().empty());
  EXPECT_EQ(x, 32768);
  EXPECT_EQ(data, "123");

  // barHeight + 58 must fit 16 bits.
  x = 0;
  PaintInter25(data, surface_, 0, 9, x, 0, 15, 32767 - 57);
  EXPECT_TRUE(surface_.Ops().empty());
  PaintInter25(data, surface_, 0, 9, x, 0, 15, 32767 - 58);
  EXPECT_FALSE(surface_.Ops().empty());
}

TEST(Inter25Export, EvenAndOddDigitCountsReadBackWithZXing) {
  test::TempDir dir;
  struct Case {
    std::string data;
    std::string expected;
  };
  // The ITF reader of ZXing-cpp wants at least 6 digits.
  const Case cases[] = {
      {"1234567890", "1234567890"},
      {"123456789", "0123456789"},  // read as padded
      {"00360002914", "000360002914"},
      {std::string(40, '5'), std::string(40, '5')},
  };
  for (const auto& c : cases) {
    const std::string out = dir.File("itf.png");
    const auto r =
        test::RunVellomir({"barcode", "--kind", "INT-25", "--data", c.data, "--text", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto decoded = test::DecodeFileWithZXing(out, "ITF");
    ASSERT_TRUE(decoded.has_value()) << c.data;
    EXPECT_EQ(decoded->text, c.expected);
  }
}

TEST(Inter25Export, TooLongDataIsReported) {
  test::TempDir dir;
  const std::string out = dir.File("itf.png");
  const auto r =
      test::RunVellomir({"barcode", "--kind", "6", "--data", std::string(41, '1'), "-o", out});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("資料太長"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace vellomir
