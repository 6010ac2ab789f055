#pragma once

#include <optional>
#include <string>
#include <vector>

// What labels and barcodes are drawn on: the preview, a printer page, an exported image.
// Units are twips (1/1440 inch). The surface keeps the current position and font; devices
// implement only the primitive operations below.
namespace vellomir {

// Palette colours the painters use: 0 black, 15 bright white.
inline constexpr int kBlack = 0;
inline constexpr int kWhite = 15;

struct PictureSize {
  double width = 0;   // natural width in the picture's own units (pixels)
  double height = 0;  // natural height
};

struct FontState {
  std::string name;
  double size = 0;  // points
  bool bold = false;
  bool italic = false;
};

// One box of a symbol's bars: a bar or a space, given as the plain box it stands for and by the
// elements it spans, so that a device can lay the whole symbol on its own dots.
struct SymbolBox {
  double x = 0, y = 0, w = 0, h = 0;  // as for Line: extent (w, h) from (x, y), far edge covered
  int colour = kBlack;
  int narrow = 0;  // modules (module strings) or narrow elements it spans
  int wide = 0;    // wide elements it spans
  int row = 0;     // module row of a 2-D symbol (see SymbolBars::matrix), from the top
  bool operator==(const SymbolBox&) const = default;
};

// The fewest narrow elements a wide one takes on a device's dots, as a two-width symbology asks
// it: `ratio`, or `small_ratio` where the narrow element prints under `small_mm`. 0: no floor.
struct WideFloor {
  double ratio = 0;
  double small_ratio = 0;
  double small_mm = 0;
  bool operator==(const WideFloor&) const = default;
};

// The bars of one symbol, left to right; each box begins where the one before it ends.
// narrow_pitch and wide_pitch are what one module or narrow element and one wide element take
// in units, gap included; a wide pitch of 0 means the symbol has no wide elements.
struct SymbolBars {
  std::vector<SymbolBox> boxes;
  double narrow_pitch = 0;
  double wide_pitch = 0;
  // The fewest whole dots a module may take on a device; the symbology's floor, not the design's.
  int min_module_dots = 1;
  // A 2-D symbol of square modules: the boxes are its rows one after the other, each row left
  // to right from the symbol's left edge, every row one module high (narrow_pitch).
  bool matrix = false;
  // Above 0: on a device's dots a wide element takes about this many narrow ones (see
  // SymbolDotWidths) whatever the units' ratio, for symbols whose units' shapes scanners
  // read poorly.
  double dot_wide_ratio = 0;
  // The symbology's floor for wide elements on dots (see SymbolDotWidths).
  WideFloor wide_floor{};
  // The clear space the symbology asks on each side, in modules (narrow elements) as printed,
  // beyond the boxes: 0 for symbols whose white boxes already hold it (the zint kinds).
  int quiet_modules = 10;
  bool operator==(const SymbolBars&) const = default;
};

struct DotBox;

class DrawingSurface {
 public:
  virtual ~DrawingSurface() = default;

  double CurrentX() const { return current_x_; }
  double CurrentY() const { return current_y_; }
  void SetCurrentX(double x) { current_x_ = x; }
  void SetCurrentY(double y) { current_y_ = y; }

  // A filled box from the current position with extent (w, h); afterwards the current
  // position is the far corner. The box covers its far edge.
  void Line(double w, double h, int colour);

  // The bars of one symbol at once. Afterwards the current position is the far corner of the
  // last box as drawn, as after drawing the boxes one by one with Line. A surface that draws
  // for a device of known resolution may put the symbol on whole dots (see FillBars), and then
  // the far corner is where the dots end; every other surface draws exactly the boxes.
  void Bars(const SymbolBars& bars);

  const FontState& Font() const { return font_; }
  void SetFontName(const std::string& name) { font_.name = name; }
  void SetFontSize(double points) { font_.size = points; }
  void SetFontBold(bool on) { font_.bold = on; }
  void SetFontItalic(bool on) { font_.italic = on; }

  // Prints at the current position (its top-left corner) without a line break; the current
  // x moves right by the printed width, the current y stays.
  void Print(const std::string& text);
  // Width the text would take if printed now, in the current font.
  double PrintedWidth(const std::string& text) { return TextWidth(text, font_); }
  // Height of a line printed now, in the current font.
  double PrintedLineHeight() { return LineHeight(font_); }
  // Ends the printed line: the current x goes back to 0 and the current y moves down by the
  // current font's line height.
  void LineBreak() {
    current_x_ = 0;
    current_y_ += LineHeight(font_);
  }

  // Dots taken off every bar of a symbol laid on the device's dots (a head that prints bars
  // wide); 0 draws them as laid out.
  void SetBarWidthReduction(int dots) { bar_width_reduction_ = dots; }
  int BarWidthReduction() const { return bar_width_reduction_; }

  // Erases everything and puts the position at (0, 0). Font settings stay.
  void Clear();

  // Moves what Line, Bars and Print draw right by dx twips while positions (CurrentX) stay as
  // the caller gives them: a painter keeps its own small integer x on a label wherever the
  // label lies on the page.
  void SetShiftX(double dx) { shift_x_ = dx; }
  double ShiftX() const { return shift_x_; }

  // Natural size of a picture file, or nothing when it cannot be loaded as a picture.
  virtual std::optional<PictureSize> LoadPicture(const std::string& path) = 0;
  // Draws the whole picture scaled into the rectangle; the current position does not move.
  virtual void DrawPicture(const std::string& path, double left, double top, double width,
                           double height) = 0;

 protected:
  // Device primitives, all in twips.
  virtual void FillBox(double x, double y, double w, double h, int colour) = 0;
  virtual void DrawText(double x, double y, const std::string& text, const FontState& font) = 0;
  virtual double TextWidth(const std::string& text, const FontState& font) = 0;
  // Height of one printed line; devices with real font metrics should say theirs.
  virtual double LineHeight(const FontState& font) { return font.size * 20; }
  virtual void Erase() = 0;
  // A symbol's bars. Each box as FillBox draws it, unless the device knows its dots (DeviceDots):
  // then the symbol is mapped as a whole, every module the same whole number of dots, every
  // wide element the same whole number, the left edge on a dot (see platform/dot_grid.h), and
  // drawn with FillDots. Returns the x of the last box's far edge as drawn (extent as for
  // Line), so that text centred under a symbol is centred under what printed.
  virtual double FillBars(const SymbolBars& bars);

  // The resolution of the device and where the surface's (0, 0) lies on it, in twips; a
  // resolution of 0 (the default) keeps symbols in exact units.
  struct DeviceDots {
    double dots_per_inch = 0;
    double origin_x = 0, origin_y = 0;
  };
  virtual DeviceDots DotsOfDevice() const { return {}; }
  // A symbol's boxes in the device's whole dots (see DotsOfDevice).
  virtual void FillDots(const std::vector<DotBox>& boxes, double dots_per_inch);

 private:
  double current_x_ = 0;
  double current_y_ = 0;
  double shift_x_ = 0;
  int bar_width_reduction_ = 0;
  FontState font_;
};

// Where drawing goes when it must go nowhere: a printer whose device could not be opened, or a
// run that has failed. The run sees the printer's error after the page and stops.
DrawingSurface& NowhereSurface();

}  // namespace vellomir
