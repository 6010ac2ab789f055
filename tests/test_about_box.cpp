#include <gtest/gtest.h>

#include "platform/recording_surface.h"
#include "ui/about_box.h"

namespace vellomir {
namespace {

constexpr double kCharWidth = 100;
constexpr double kLineHeight = 9 * 20;  // the stand-in metrics' height of a 9 point font

class AboutBoxTest : public ::testing::Test {
 protected:
  FixedPitchMetrics metrics{kCharWidth};
  RecordingSurface surface{metrics};
  AboutText text = FillAboutText();
};

TEST_F(AboutBoxTest, TitleThenNoticeThenEmptySlots) {
  EXPECT_EQ(text.lines[0], "Vellomir 0.1 版");
  EXPECT_EQ(text.count, 14);
  EXPECT_FALSE(text.lines[13].empty());  // the count ends one past the last filled line
  for (int i = text.count; i < kAboutLineSlots; ++i) EXPECT_EQ(text.lines[i], "") << i;
}

TEST_F(AboutBoxTest, TitleIsCentredOnTheFullWidth) {
  DrawAboutText(text, surface, 3000);
  const TextOp title = surface.Texts().at(0);
  EXPECT_EQ(title.text, "Vellomir 0.1 版");  // 14 characters, 1400 wide
  EXPECT_EQ(title.x, 800);
  EXPECT_EQ(title.y, 300);
  EXPECT_EQ(title.font.name, "細明體");
  EXPECT_EQ(title.font.size, 9);

  AboutText odd;
  odd.lines[0] = "ab";  // 200 wide: (3001 - 200) / 2 = 1400.5, truncated
  RecordingSurface other{metrics};
  DrawAboutText(odd, other, 3001);
  EXPECT_EQ(other.Texts().at(0).x, 1400);
}

TEST_F(AboutBoxTest, WideLineStartsLeftOfTheEdge) {
  DrawAboutText(text, surface, 999);  // (999 - 1400) / 2 = -200.5, truncated toward zero
  EXPECT_EQ(surface.Texts().at(0).x, -200);
}

TEST_F(AboutBoxTest, SixteenLinesEachOneLineBelowTheLast) {
  DrawAboutText(text, surface, 6000);
  std::vector<TextOp> printed = surface.Texts();
  std::size_t next = 0;
  for (int i = 0; i < kAboutDrawnLines; ++i) {
    if (text.lines[i].empty()) continue;  // an empty line prints nothing but takes its place
    ASSERT_LT(next, printed.size());
    EXPECT_EQ(printed[next].text, text.lines[i]);
    EXPECT_EQ(printed[next].y, 300 + i * kLineHeight) << i;
    ++next;
  }
  EXPECT_EQ(next, printed.size());
  EXPECT_EQ(text.lines[14], "");
  EXPECT_EQ(text.lines[15], "");
  EXPECT_EQ(surface.CurrentY(), 300 + kAboutDrawnLines * kLineHeight);
  EXPECT_EQ(surface.CurrentX(), 0);
}

TEST_F(AboutBoxTest, DrawingAgainGivesTheSamePictureAsOnce) {
  DrawAboutText(text, surface, 4000);
  const std::vector<TextOp> first = surface.Texts();
  const std::size_t ops_once = surface.Ops().size();
  for (int i = 0; i < 9; ++i) DrawAboutText(text, surface, 4000);
  // Cleared before each drawing: nothing piles up over the text.
  EXPECT_EQ(surface.Ops().size(), ops_once);
  const std::vector<TextOp> again = surface.Texts();
  ASSERT_EQ(again.size(), first.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(again[i].text, first[i].text);
    EXPECT_EQ(again[i].x, first[i].x);
    EXPECT_EQ(again[i].y, first[i].y);
  }
}

}  // namespace
}  // namespace vellomir
