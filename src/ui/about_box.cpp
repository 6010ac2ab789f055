#include "ui/about_box.h"

#include <cmath>

namespace vellomir {

namespace {

constexpr std::string_view kTitle = "Vellomir 0.1 版";

constexpr std::array<std::string_view, 13> kNotice = {
    "",
    "條碼標籤設計與列印程式",
    "",
    "在一張標籤上安排條碼、文字與圖片,",
    "依批號逐張遞增,按欄列排版列印。",
    "",
    "支援 Code 39、EAN-13、EAN-8、UPC-A、",
    "UPC-E、INT-25、CODABAR 與 Code 128。",
    "",
    "本程式依現狀提供,不附任何擔保;",
    "列印前請先在預覽中確認標籤內容。",
    "",
    "版權所有 (C) Vellomir 開發小組",
};
// Lines 14 and 15 stay empty.
static_assert(1 + kNotice.size() <= kAboutDrawnLines - 2);

void AddLine(AboutText& text, std::string_view line) {
  text.lines[static_cast<std::size_t>(text.count)] = line;
  ++text.count;
}

}  // namespace

AboutText FillAboutText() {
  AboutText text;
  AddLine(text, kTitle);
  for (std::string_view line : kNotice) AddLine(text, line);
  return text;
}

void DrawAboutText(const AboutText& text, DrawingSurface& surface, double width) {
  // Drawn over itself again and again the text turns bold and blotchy: start from a clean box.
  surface.Clear();
  surface.SetFontName("細明體");
  surface.SetFontSize(9);
  surface.SetCurrentX(1);
  surface.SetCurrentY(300);
  for (int i = 0; i < kAboutDrawnLines; ++i) {
    const std::string& line = text.lines[static_cast<std::size_t>(i)];
    surface.SetCurrentX(std::trunc((width - surface.PrintedWidth(line)) / 2));
    if (!line.empty()) surface.Print(line);
    surface.LineBreak();
  }
}

}  // namespace vellomir
