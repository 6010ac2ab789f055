#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/drawing_surface.h"

// A surface that keeps every drawing operation as a display list. The preview draws into one
// and the window replays it; tests read its operations to check exact geometry.
namespace vellomir {

// Text widths for a surface that has no device of its own.
class TextMetrics {
 public:
  virtual ~TextMetrics() = default;
  virtual double Width(const std::string& text, const FontState& font) const = 0;
  // Line height of the font, for callers that need the extent of printed text.
  virtual double Height(const FontState& font) const { return font.size * 20; }
};

// Every character (code point) is the same width, whatever the font: tests know widths exactly.
class FixedPitchMetrics : public TextMetrics {
 public:
  explicit FixedPitchMetrics(double char_width) : char_width_(char_width) {}
  double Width(const std::string& text, const FontState& font) const override;

 private:
  double char_width_;
};

// Natural sizes of picture files for a surface that loads none itself.
class PictureProbe {
 public:
  virtual ~PictureProbe() = default;
  virtual std::optional<PictureSize> NaturalSize(const std::string& path) const = 0;
  // Why the file does not load as a picture, in the program's words; "" when it does.
  virtual std::string Problem(const std::string& path) const {
    return NaturalSize(path) ? std::string() : "不是看得懂的圖檔";
  }
};

struct BoxOp {
  double x, y, w, h;
  int colour;
  bool operator==(const BoxOp&) const = default;
};
struct TextOp {
  double x, y;
  std::string text;
  FontState font;
};
struct PictureOp {
  std::string path;
  double left, top, width, height;
};
struct ClearOp {};
// A symbol's bars drawn at once (DrawingSurface::Bars). Replayed onto a device that knows its
// resolution, the symbol is laid on whole dots; anywhere else it is its plain boxes.
struct SymbolOp {
  SymbolBars bars;
  bool operator==(const SymbolOp&) const = default;
};
using DrawOp = std::variant<BoxOp, TextOp, PictureOp, ClearOp, SymbolOp>;

class RecordingSurface : public DrawingSurface {
 public:
  // The probe may be null: then no picture loads.
  explicit RecordingSurface(const TextMetrics& metrics, const PictureProbe* pictures = nullptr)
      : metrics_(metrics), pictures_(pictures) {}

  const std::vector<DrawOp>& Ops() const { return ops_; }
  // Goes up with every operation recorded or cleared: a display that showed the list at one
  // count need not be drawn again while it stays.
  std::uint64_t Changes() const { return changes_; }
  // The resolution of the device the list stands for: with one above 0, a symbol ends where its
  // whole dots end there (as it will when replayed onto that device), so what follows it (its
  // text, the hit boxes) lines up with what prints. 0 keeps exact units.
  void SetDotsPerInch(double dots_per_inch) { dots_per_inch_ = dots_per_inch; }
  double DotsPerInch() const { return dots_per_inch_; }
  // Every box drawn, the boxes of symbols included, in drawing order.
  std::vector<BoxOp> Boxes() const;
  std::vector<TextOp> Texts() const;
  std::vector<PictureOp> Pictures() const;

  // Draws the recorded operations onto another surface, with the same coordinates.
  void ReplayOnto(class DisplayTarget& target) const;

  std::optional<PictureSize> LoadPicture(const std::string& path) override;
  void DrawPicture(const std::string& path, double left, double top, double width,
                   double height) override;

 protected:
  void FillBox(double x, double y, double w, double h, int colour) override;
  void DrawText(double x, double y, const std::string& text, const FontState& font) override;
  double TextWidth(const std::string& text, const FontState& font) override;
  double LineHeight(const FontState& font) override { return metrics_.Height(font); }
  void Erase() override;
  double FillBars(const SymbolBars& bars) override;

 private:
  const TextMetrics& metrics_;
  const PictureProbe* pictures_;
  std::vector<DrawOp> ops_;
  std::uint64_t changes_ = 0;
  double dots_per_inch_ = 0;
};

// What a display list can be replayed onto: a device that draws at absolute positions.
class DisplayTarget {
 public:
  virtual ~DisplayTarget() = default;
  virtual void ReplayBox(const BoxOp& op) = 0;
  virtual void ReplayText(const TextOp& op) = 0;
  virtual void ReplayPicture(const PictureOp& op) = 0;
  virtual void ReplayClear() = 0;
  // A symbol's bars. By default its plain boxes, one ReplayBox each; a target that knows the
  // resolution of its device overrides this to put the symbol on whole dots.
  virtual void ReplayBars(const SymbolOp& op);
};

// The plain box a symbol box stands for.
inline BoxOp PlainBox(const SymbolBox& b) { return BoxOp{b.x, b.y, b.w, b.h, b.colour}; }

}  // namespace vellomir
