#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "output/pdf_fonts.h"
#include "output/pdf_writer.h"
#include "platform/byte_sink.h"
#include "platform/drawing_surface.h"
#include "platform/recording_surface.h"

// A drawing surface that writes a PDF document straight onto a ByteSink, page after page.
// Boxes become rectangles filled together, text becomes glyph runs in embedded font subsets,
// and each picture is embedded once and drawn by reference. Every page is compressed and
// written when the next one starts, so memory does not grow with the number of pages.
namespace vellomir {

// The resolution pictures are embedded at in a PDF for no printer in particular: as fine as
// the finer label printers print and an office printer shows a photograph, while a picture of
// a label's size stays a few hundred kilobytes.
inline constexpr double kPlainPictureDpi = 300;

class PdfSurface : public DrawingSurface, public DisplayTarget {
 public:
  // Pages of width x height points; drawing is in twips from the page's top-left corner, or
  // from the point `origin_x`, `origin_y` twips right of and below it.
  PdfSurface(ByteSink& sink, double width_pt, double height_pt, double origin_x = 0,
             double origin_y = 0);
  ~PdfSurface() override;
  PdfSurface(const PdfSurface&) = delete;
  PdfSurface& operator=(const PdfSurface&) = delete;

  // Finishes the current page and starts the next.
  bool NewPage();
  // Finishes the current page and the document. Drawing afterwards goes nowhere.
  bool Finish();
  bool Failed() const { return !error_.empty() || writer_.Failed(); }
  // What went wrong, in the program's words; empty while all is well.
  std::string Error() const;
  int Pages() const { return static_cast<int>(page_objects_.size()) + (finished_ ? 0 : 1); }

  // The resolution of the printer the PDF is made for: above 0, symbols are laid on its whole
  // dots (as its driver would lay them) and pictures are embedded at its dots; 0 keeps exact
  // units, and pictures at kPlainPictureDpi.
  void SetDotsPerInch(double dots_per_inch) { dots_per_inch_ = dots_per_inch; }

  std::optional<PictureSize> LoadPicture(const std::string& path) override;
  void DrawPicture(const std::string& path, double left, double top, double width,
                   double height) override;

  void ReplayBox(const BoxOp& op) override;
  void ReplayText(const TextOp& op) override;
  void ReplayPicture(const PictureOp& op) override;
  void ReplayClear() override;
  void ReplayBars(const SymbolOp& op) override { FillBars(op.bars); }

 protected:
  DeviceDots DotsOfDevice() const override;
  void FillBox(double x, double y, double w, double h, int colour) override;
  // A symbol on the printer's dots is written in dots: whole numbers, as short as in units.
  void FillDots(const std::vector<DotBox>& boxes, double dots_per_inch) override;
  void DrawText(double x, double y, const std::string& text, const FontState& font) override;
  double TextWidth(const std::string& text, const FontState& font) override;
  double LineHeight(const FontState& font) override;
  void Erase() override;

 private:
  struct Rect {
    double x0, y0, x1, y1;
  };
  struct Image {
    int object = 0;  // 0: the file is no picture
    std::string name;
  };

  bool EndPage();
  void StartPage();
  void ClosePath();
  void MoveOrigin(double x, double y);
  void SetFill(int colour);
  void Number(double value);
  bool InkUnder(const Rect& r) const;
  void AddInk(const Rect& r);
  void CellRange(const Rect& r, int& cx0, int& cy0, int& cx1, int& cy1) const;
  const Image& PictureObject(const std::string& path, int width_px, int height_px);

  PdfWriter writer_;
  PdfFonts fonts_;
  double width_pt_, height_pt_;
  double page_x_, page_y_;  // the surface's (0, 0) on the page, in twips
  int catalog_ = 0, pages_ = 0, resources_ = 0, info_ = 0;
  std::vector<int> page_objects_;
  // By file and pixels: a picture is embedded at the pixels each printed size of it wants.
  std::map<std::tuple<std::string, int, int>, Image> images_;
  // Each picture's size, read once a run: a run draws the same pictures on every label.
  std::map<std::string, std::optional<PictureSize>> picture_sizes_;
  bool finished_ = false;
  std::string error_;

  // The page being drawn.
  std::string content_;
  bool path_open_ = false;  // rectangles waiting for their fill
  int path_colour_ = kBlack;
  int fill_colour_ = kBlack;
  double origin_x_ = 0, origin_y_ = 0;  // where the coordinates now start, in twips
  double dots_per_inch_ = 0;
  bool run_open_ = false;  // boxes of one row share the origin of its first
  double run_y_ = 0, run_last_x_ = 0;

  // Where something dark has been drawn on the page: a white box elsewhere shows nothing.
  std::vector<Rect> ink_;
  std::vector<std::vector<std::uint32_t>> cells_;
  std::vector<std::uint32_t> touched_;
  int columns_ = 1, rows_ = 1;
};

}  // namespace vellomir
