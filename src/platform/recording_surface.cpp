#include "platform/recording_surface.h"

#include "platform/dot_grid.h"
#include "platform/text_util.h"

namespace vellomir {

double FixedPitchMetrics::Width(const std::string& text, const FontState&) const {
  return char_width_ * static_cast<double>(CodePointCount(text));
}

std::vector<BoxOp> RecordingSurface::Boxes() const {
  std::vector<BoxOp> out;
  for (const auto& op : ops_) {
    if (auto* b = std::get_if<BoxOp>(&op)) {
      out.push_back(*b);
    } else if (auto* s = std::get_if<SymbolOp>(&op)) {
      for (const SymbolBox& box : s->bars.boxes) out.push_back(PlainBox(box));
    }
  }
  return out;
}

std::vector<TextOp> RecordingSurface::Texts() const {
  std::vector<TextOp> out;
  for (const auto& op : ops_)
    if (auto* t = std::get_if<TextOp>(&op)) out.push_back(*t);
  return out;
}

std::vector<PictureOp> RecordingSurface::Pictures() const {
  std::vector<PictureOp> out;
  for (const auto& op : ops_)
    if (auto* p = std::get_if<PictureOp>(&op)) out.push_back(*p);
  return out;
}

void RecordingSurface::ReplayOnto(DisplayTarget& target) const {
  for (const auto& op : ops_) {
    if (auto* b = std::get_if<BoxOp>(&op)) {
      target.ReplayBox(*b);
    } else if (auto* t = std::get_if<TextOp>(&op)) {
      target.ReplayText(*t);
    } else if (auto* p = std::get_if<PictureOp>(&op)) {
      target.ReplayPicture(*p);
    } else if (auto* s = std::get_if<SymbolOp>(&op)) {
      target.ReplayBars(*s);
    } else {
      target.ReplayClear();
    }
  }
}

std::optional<PictureSize> RecordingSurface::LoadPicture(const std::string& path) {
  if (pictures_ == nullptr) return std::nullopt;
  return pictures_->NaturalSize(path);
}

void RecordingSurface::DrawPicture(const std::string& path, double left, double top, double width,
                                   double height) {
  ++changes_;
  ops_.push_back(PictureOp{path, left, top, width, height});
}

void RecordingSurface::FillBox(double x, double y, double w, double h, int colour) {
  ++changes_;
  ops_.push_back(BoxOp{x, y, w, h, colour});
}

void RecordingSurface::DrawText(double x, double y, const std::string& text,
                                const FontState& font) {
  ++changes_;
  ops_.push_back(TextOp{x, y, text, font});
}

double RecordingSurface::TextWidth(const std::string& text, const FontState& font) {
  return metrics_.Width(text, font);
}

double RecordingSurface::FillBars(const SymbolBars& bars) {
  ++changes_;
  ops_.push_back(SymbolOp{bars});
  if (dots_per_inch_ > 0) {
    const auto dots = SymbolOnDots(bars, dots_per_inch_);
    if (dots && !dots->empty()) return DotsRight(*dots, dots_per_inch_);
  }
  return bars.boxes.empty() ? CurrentX() : bars.boxes.back().x + bars.boxes.back().w;
}

void DisplayTarget::ReplayBars(const SymbolOp& op) {
  for (const SymbolBox& b : op.bars.boxes) ReplayBox(PlainBox(b));
}

void RecordingSurface::Erase() {
  // A clear makes everything before it invisible, so the list starts over.
  ops_.clear();
  ++changes_;
  ops_.push_back(ClearOp{});
}

}  // namespace vellomir
