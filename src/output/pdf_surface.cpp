#include "output/pdf_surface.h"

#include <QImage>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "output/qt_surface.h"
#include "platform/dot_grid.h"

namespace vellomir {

namespace {

// Cells of the ink index, in twips: narrow, since bars stand side by side, and tall, since they
// are long.
constexpr double kCellWidth = 128;
constexpr double kCellHeight = 1024;

// A gap this wide (twips) between two boxes of a row starts a new run: another symbol.
constexpr double kRunGap = 2000;

// Slant of a face that has no italic of its own, as Qt slants it.
constexpr double kOblique = 0.3;

// Boxes laid on a printer's dots meet where their dots meet, but each edge comes back from dots
// to twips by its own sum and may cross its neighbour's by a rounding error: an overlap this thin
// (twips) is none, so the spaces between bars are not painted white over nothing.
constexpr double kRoundingOverlap = 1e-6;

}  // namespace

PdfSurface::PdfSurface(ByteSink& sink, double width_pt, double height_pt, double origin_x,
                       double origin_y)
    : writer_(sink),
      width_pt_(width_pt),
      height_pt_(height_pt),
      page_x_(origin_x),
      page_y_(origin_y) {
  writer_.Begin();
  catalog_ = writer_.Reserve();
  pages_ = writer_.Reserve();
  resources_ = writer_.Reserve();
  info_ = writer_.Reserve();
  columns_ = std::max(1, static_cast<int>(std::ceil(width_pt * 20 / kCellWidth)));
  rows_ = std::max(1, static_cast<int>(std::ceil(height_pt * 20 / kCellHeight)));
  cells_.resize(static_cast<std::size_t>(columns_) * rows_);
  StartPage();
}

PdfSurface::~PdfSurface() = default;

std::string PdfSurface::Error() const {
  if (!error_.empty()) return error_;
  return writer_.Error();
}

void PdfSurface::Number(double value) {
  AppendPdfNumber(content_, value);
  content_ += ' ';
}

void PdfSurface::StartPage() {
  content_.clear();
  // Twips from the top-left corner, y downward, as the surface draws.
  content_ += "0.05 0 0 -0.05 0 ";
  Number(height_pt_);
  content_ += "cm\n";
  if (page_x_ != 0 || page_y_ != 0) {
    content_ += "1 0 0 1 ";
    Number(page_x_);
    Number(page_y_);
    content_ += "cm\n";
  }
  path_open_ = false;
  fill_colour_ = kBlack;
  origin_x_ = origin_y_ = 0;
  run_open_ = false;
  for (std::uint32_t cell : touched_) cells_[cell].clear();
  touched_.clear();
  ink_.clear();
}

bool PdfSurface::EndPage() {
  ClosePath();
  const int content = writer_.Reserve();
  const int page = writer_.Reserve();
  std::string dict = "<</Type /Page /Parent " + std::to_string(pages_) + " 0 R /MediaBox [0 0 ";
  AppendPdfNumber(dict, width_pt_);
  dict += ' ';
  AppendPdfNumber(dict, height_pt_);
  dict += "] /Resources " + std::to_string(resources_) + " 0 R /Contents " +
          std::to_string(content) + " 0 R>>";
  if (!writer_.WriteStream(content, "", content_) || !writer_.WriteObject(page, dict)) return false;
  page_objects_.push_back(page);
  return true;
}

bool PdfSurface::NewPage() {
  if (finished_ || Failed()) return false;
  if (!EndPage()) return false;
  StartPage();
  return true;
}

bool PdfSurface::Finish() {
  if (finished_ || Failed()) return false;
  finished_ = true;
  if (!EndPage()) return false;
  content_.clear();
  content_.shrink_to_fit();
  if (!fonts_.WriteFonts(writer_)) {
    if (error_.empty()) error_ = writer_.Failed() ? writer_.Error() : "無法把字型放進 PDF";
    return false;
  }
  std::string resources = "<</Font <<" + fonts_.ResourceEntries() + ">> /XObject <<";
  for (const auto& [path, image] : images_)
    if (image.object != 0)
      resources += " /" + image.name + " " + std::to_string(image.object) + " 0 R";
  resources += ">>>>";
  std::string kids;
  kids.reserve(page_objects_.size() * 10);
  for (int page : page_objects_) kids += std::to_string(page) + " 0 R ";
  return writer_.WriteObject(resources_, resources) &&
         writer_.WriteObject(pages_, "<</Type /Pages /Kids [" + kids + "] /Count " +
                                         std::to_string(page_objects_.size()) + ">>") &&
         writer_.WriteObject(catalog_,
                             "<</Type /Catalog /Pages " + std::to_string(pages_) + " 0 R>>") &&
         writer_.WriteObject(info_, "<</Producer (Vellomir) /Creator (Vellomir)>>") &&
         writer_.Finish(catalog_, info_);
}

// --- the ink index -------------------------------------------------------------------------

void PdfSurface::CellRange(const Rect& r, int& cx0, int& cy0, int& cx1, int& cy1) const {
  // Truncation is the floor from 0 up; below 0 (and NaN) is the first cell.
  auto cell = [](double v, double size, int count) {
    const double c = v / size;
    if (!(c >= 0)) return 0;
    return c >= count - 1 ? count - 1 : static_cast<int>(c);
  };
  cx0 = cell(r.x0, kCellWidth, columns_);
  cx1 = cell(r.x1, kCellWidth, columns_);
  cy0 = cell(r.y0, kCellHeight, rows_);
  cy1 = cell(r.y1, kCellHeight, rows_);
}

bool PdfSurface::InkUnder(const Rect& r) const {
  int cx0, cy0, cx1, cy1;
  CellRange(r, cx0, cy0, cx1, cy1);
  for (int cy = cy0; cy <= cy1; ++cy)
    for (int cx = cx0; cx <= cx1; ++cx)
      for (std::uint32_t i : cells_[static_cast<std::size_t>(cy) * columns_ + cx]) {
        const Rect& k = ink_[i];
        if (k.x0 < r.x1 - kRoundingOverlap && r.x0 < k.x1 - kRoundingOverlap &&
            k.y0 < r.y1 - kRoundingOverlap && r.y0 < k.y1 - kRoundingOverlap)
          return true;
      }
  return false;
}

void PdfSurface::AddInk(const Rect& r) {
  const auto index = static_cast<std::uint32_t>(ink_.size());
  ink_.push_back(r);
  int cx0, cy0, cx1, cy1;
  CellRange(r, cx0, cy0, cx1, cy1);
  for (int cy = cy0; cy <= cy1; ++cy)
    for (int cx = cx0; cx <= cx1; ++cx) {
      const auto cell = static_cast<std::uint32_t>(cy * columns_ + cx);
      if (cells_[cell].empty()) touched_.push_back(cell);
      cells_[cell].push_back(index);
    }
}

// --- drawing -------------------------------------------------------------------------------

void PdfSurface::ClosePath() {
  if (!path_open_) return;
  content_ += "f\n";
  path_open_ = false;
}

void PdfSurface::MoveOrigin(double x, double y) {
  if (x == origin_x_ && y == origin_y_) return;
  ClosePath();
  content_ += "1 0 0 1 ";
  Number(x - origin_x_);
  Number(y - origin_y_);
  content_ += "cm\n";
  origin_x_ = x;
  origin_y_ = y;
}

void PdfSurface::SetFill(int colour) {
  if (colour == fill_colour_) return;
  ClosePath();
  content_ += colour == kWhite ? "1 g\n" : "0 g\n";
  fill_colour_ = colour;
}

DrawingSurface::DeviceDots PdfSurface::DotsOfDevice() const {
  return {dots_per_inch_, page_x_, page_y_};
}

void PdfSurface::FillBox(double x, double y, double w, double h, int colour) {
  if (finished_) return;
  // The box covers its far edge: extent w spans w + 1 twips.
  const Rect r{w >= 0 ? x : x + w, h >= 0 ? y : y + h, w >= 0 ? x + w + 1 : x + 1,
               h >= 0 ? y + h + 1 : y + 1};
  colour = colour == kWhite ? kWhite : kBlack;
  // White on paper nothing has marked yet changes nothing: most light modules of a symbol.
  if (colour == kWhite && !InkUnder(r)) return;
  if (path_open_ && path_colour_ != colour) ClosePath();
  // The boxes of a row are written from the first box's corner, so the same symbol on the
  // next label writes the same bytes and compresses to almost nothing.
  if (!run_open_ || r.y0 != run_y_ || r.x0 < run_last_x_ || r.x0 - run_last_x_ > kRunGap) {
    MoveOrigin(r.x0, r.y0);
    run_open_ = true;
    run_y_ = r.y0;
  }
  run_last_x_ = r.x0;
  SetFill(colour);
  Number(r.x0 - origin_x_);
  Number(r.y0 - origin_y_);
  Number(r.x1 - r.x0);
  Number(r.y1 - r.y0);
  content_ += "re\n";
  path_open_ = true;
  path_colour_ = colour;
  if (colour != kWhite) AddInk(r);
}

void PdfSurface::FillDots(const std::vector<DotBox>& boxes, double dots_per_inch) {
  if (finished_) return;
  const double twips = 1440.0 / dots_per_inch;
  bool open = false;  // in the symbol's own dot space
  std::int64_t left = 0, top = 0;
  const int fill_before = fill_colour_;
  for (const DotBox& d : boxes) {
    // Where the box lies in twips, for the ink index, as FillBox would find it.
    const double x = static_cast<double>(d.left) * twips - page_x_;
    const double y = static_cast<double>(d.top) * twips - page_y_;
    const Rect r{x, y, x + (static_cast<double>(d.right - d.left) * twips - 1) + 1,
                 y + (static_cast<double>(d.bottom - d.top) * twips - 1) + 1};
    const int colour = d.colour == kWhite ? kWhite : kBlack;
    if (colour == kWhite && !InkUnder(r)) continue;
    if (!open) {
      // From the first box's corner on, one unit is one dot; the scale goes in full, so the
      // last bar lands on its dot as the first does.
      ClosePath();
      run_open_ = false;
      content_ += "q ";
      char scale[32];
      const auto end = std::to_chars(scale, scale + sizeof scale, twips).ptr;
      content_.append(scale, end);
      content_ += " 0 0 ";
      content_.append(scale, end);
      content_ += ' ';
      Number(x - origin_x_);
      Number(y - origin_y_);
      content_ += "cm\n";
      left = d.left;
      top = d.top;
      open = true;
    }
    if (path_open_ && path_colour_ != colour) ClosePath();
    SetFill(colour);
    Number(static_cast<double>(d.left - left));
    Number(static_cast<double>(d.top - top));
    Number(static_cast<double>(d.right - d.left));
    Number(static_cast<double>(d.bottom - d.top));
    content_ += "re\n";
    path_open_ = true;
    path_colour_ = colour;
    if (colour != kWhite) AddInk(r);
  }
  if (!open) return;
  ClosePath();
  content_ += "Q\n";
  fill_colour_ = fill_before;  // Q brings back the fill of before
}

void PdfSurface::DrawText(double x, double y, const std::string& text, const FontState& font) {
  if (finished_) return;
  const PdfShapedText& shaped = fonts_.Shape(text, font);
  if (shaped.blank || shaped.runs.empty()) return;
  const PdfFontStyle& style = fonts_.Style(font);
  ClosePath();
  SetFill(kBlack);
  const double baseline = y + style.ascent;
  const int strikes = style.embolden != 0 ? 2 : 1;
  for (int strike = 0; strike < strikes; ++strike) {
    double pen = x + strike * style.embolden;
    content_ += "BT\n";
    // The second strike is no text of its own: copying and searching see the first only.
    if (strike == 1) content_ += "/Span <</ActualText ()>> BDC\n";
    for (const PdfGlyphRun& run : shaped.runs) {
      const double upem = fonts_.UnitsPerEm(run.face);
      content_ += "/F";
      AppendPdfNumber(content_, run.face);
      content_ += ' ';
      Number(style.em);
      content_ += "Tf 1 0 ";
      Number(style.oblique ? kOblique : 0);
      content_ += "-1 ";
      Number(pen - origin_x_);
      Number(baseline - origin_y_);
      content_ += "Tm\n[<";
      double advance = 0;
      for (const PdfGlyph& g : run.glyphs) {
        static const char kHex[] = "0123456789ABCDEF";
        content_ += kHex[(g.gid >> 12) & 15];
        content_ += kHex[(g.gid >> 8) & 15];
        content_ += kHex[(g.gid >> 4) & 15];
        content_ += kHex[g.gid & 15];
        advance += g.advance;
        // Kerning: the shaped advance differs from the font's own width.
        if (g.advance != g.natural) {
          content_ += "> ";
          Number(-(g.advance - g.natural) * 1000.0 / upem);
          content_ += '<';
        }
      }
      content_ += ">] TJ\n";
      pen += advance / upem * style.em;
    }
    if (strike == 1) content_ += "EMC\n";
    content_ += "ET\n";
  }
  // Glyphs may reach past their advance and line: half an em around is ample.
  const double width = shaped.ems * style.em;
  AddInk({x - style.em / 2 - std::abs(style.embolden), y - style.em / 2,
          x + width + std::abs(style.embolden) + style.em / 2, y + style.height + style.em / 2});
  for (const PdfGlyphRun& run : shaped.runs) fonts_.ObjectNumber(run.face, writer_);
}

double PdfSurface::TextWidth(const std::string& text, const FontState& font) {
  const double ems = fonts_.Shape(text, font).ems;
  return ems * fonts_.Style(font).em;
}

double PdfSurface::LineHeight(const FontState& font) { return fonts_.Style(font).height; }

void PdfSurface::Erase() {
  if (finished_) return;
  ClosePath();
  SetFill(kWhite);
  Number(-page_x_ - origin_x_);
  Number(-page_y_ - origin_y_);
  Number(width_pt_ * 20);
  Number(height_pt_ * 20);
  content_ += "re f\n";
  run_open_ = false;
  for (std::uint32_t cell : touched_) cells_[cell].clear();
  touched_.clear();
  ink_.clear();
}

std::optional<PictureSize> PdfSurface::LoadPicture(const std::string& path) {
  auto [it, fresh] = picture_sizes_.try_emplace(path);
  if (fresh) it->second = QtPictureProbe().NaturalSize(path);
  return it->second;
}

const PdfSurface::Image& PdfSurface::PictureObject(const std::string& path, int width_px,
                                                   int height_px) {
  const auto key = std::make_tuple(path, width_px, height_px);
  if (auto it = images_.find(key); it != images_.end()) return it->second;
  Image image;
  const QImage picture = LoadPictureFile(path, {width_px, height_px}).image;
  if (!picture.isNull()) {
    const bool alpha = picture.hasAlphaChannel();
    const bool gray = picture.allGray();
    const QImage pixels =
        picture.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const int w = pixels.width(), h = pixels.height();
    const int channels = alpha ? 4 : 3;
    std::string colour, mask;
    colour.reserve(static_cast<std::size_t>(w) * h * (gray ? 1 : 3));
    if (alpha) mask.reserve(static_cast<std::size_t>(w) * h);
    for (int row = 0; row < h; ++row) {
      const auto* p = reinterpret_cast<const char*>(pixels.constScanLine(row));
      for (int col = 0; col < w; ++col, p += channels) {
        if (gray)
          colour += p[0];
        else
          colour.append(p, 3);
        if (alpha) mask += p[3];
      }
    }
    std::string dict = " /Type /XObject /Subtype /Image /Width " + std::to_string(w) + " /Height " +
                       std::to_string(h) + " /BitsPerComponent 8 /Interpolate true";
    const std::string plain = dict;
    dict += gray ? " /ColorSpace /DeviceGray" : " /ColorSpace /DeviceRGB";
    int smask = 0;
    if (alpha) {
      smask = writer_.Reserve();
      dict += " /SMask " + std::to_string(smask) + " 0 R";
    }
    image.object = writer_.Reserve();
    image.name = "Im" + std::to_string(images_.size());
    if (alpha) writer_.WriteStream(smask, plain + " /ColorSpace /DeviceGray", mask);
    writer_.WriteStream(image.object, dict, colour);
  }
  return images_.emplace(key, image).first->second;
}

void PdfSurface::DrawPicture(const std::string& path, double left, double top, double width,
                             double height) {
  if (finished_) return;
  if (width < 0) left += width, width = -width;
  if (height < 0) top += height, height = -height;
  // The dots the picture covers on the printer (never more than the file holds): what it costs
  // follows its printed size, not the file's.
  const double dpi = dots_per_inch_ > 0 ? dots_per_inch_ : kPlainPictureDpi;
  auto dots = [dpi](double twips) {
    return static_cast<int>(std::clamp(std::ceil(twips * dpi / 1440 - 1e-6), 1.0, 1e6));
  };
  const Image& image = PictureObject(path, dots(width), dots(height));
  if (image.object == 0) return;
  ClosePath();
  run_open_ = false;
  // The image's top row at the top of the rectangle.
  content_ += "q ";
  Number(width);
  content_ += "0 0 ";
  Number(-height);
  Number(left - origin_x_);
  Number(top + height - origin_y_);
  content_ += "cm /" + image.name + " Do Q\n";
  AddInk({left, top, left + width, top + height});
}

void PdfSurface::ReplayBox(const BoxOp& op) { FillBox(op.x, op.y, op.w, op.h, op.colour); }
void PdfSurface::ReplayText(const TextOp& op) { DrawText(op.x, op.y, op.text, op.font); }
void PdfSurface::ReplayPicture(const PictureOp& op) {
  DrawPicture(op.path, op.left, op.top, op.width, op.height);
}
void PdfSurface::ReplayClear() { Erase(); }

}  // namespace vellomir
