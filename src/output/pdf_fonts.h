#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "output/pdf_writer.h"
#include "platform/drawing_surface.h"

class QRawFont;
struct hb_buffer_t;

// Text for a PDF: Qt picks the face of a font as the window does (the Windows faces mapped onto
// their installed twins, missing characters from a fallback face), HarfBuzz shapes the text in
// that face and subsets it at the end, and the subset goes into the file as a CID font with a
// ToUnicode map, so the text can be searched and copied.
namespace vellomir {

struct PdfGlyph {
  std::uint32_t gid = 0;
  std::int32_t advance = 0;  // font units, kerning included
  std::int32_t natural = 0;  // the advance the embedded font gives the glyph by itself
  bool operator==(const PdfGlyph&) const = default;
};

// Glyphs of one face in drawing order.
struct PdfGlyphRun {
  int face = 0;
  std::vector<PdfGlyph> glyphs;
  bool operator==(const PdfGlyphRun&) const = default;
};

struct PdfShapedText {
  std::vector<PdfGlyphRun> runs;
  double ems = 0;      // advance of the whole text, in ems
  bool blank = false;  // nothing but spaces: nothing to draw
};

// How a font is drawn beyond its face, at its size, in twips.
struct PdfFontStyle {
  double em = 0;  // the font size
  double ascent = 0;
  double height = 0;
  double embolden = 0;   // a second strike this far to the right (left when negative), for
                         // faces without a bold of their own
  bool oblique = false;  // slanted, for faces without an italic of their own
};

class PdfFonts {
 public:
  PdfFonts();
  ~PdfFonts();
  PdfFonts(const PdfFonts&) = delete;
  PdfFonts& operator=(const PdfFonts&) = delete;

  // The text in the font; the glyphs count as used. Valid until the next call. A text that ends
  // in digits (a batch number) is its shaped stem followed by the digits' own glyphs, where
  // shaping the stem with digits after it was seen to give just that.
  const PdfShapedText& Shape(const std::string& text, const FontState& font);
  const PdfFontStyle& Style(const FontState& font);

  double UnitsPerEm(int face) const;
  // The advance the embedded font gives the glyph by itself, in font units.
  std::int32_t NaturalAdvance(int face, std::uint32_t gid) const;
  // The object number of the face's font, reserved on first use.
  int ObjectNumber(int face, PdfWriter& writer);
  // Writes every face that has an object number: its subset, widths and ToUnicode map. False
  // when the writer failed or a face could not be subset.
  bool WriteFonts(PdfWriter& writer);
  // " /F0 12 0 R /F3 20 0 R" for the resource dictionary.
  std::string ResourceEntries() const;

 private:
  struct Face;
  struct Known;
  int FaceOf(const QRawFont& raw);
  int PrimaryFace(const FontState& font);
  int FallbackFace(const FontState& font, char32_t code_point);
  const PdfFontStyle& StyleOf(const FontState& font);
  Known& KnownFont(const FontState& font);
  // Shapes the text afresh; `record` counts its glyphs as used.
  void ShapeText(const std::string& text, const FontState& font, bool record, PdfShapedText& out);
  void ShapeRun(int face, const std::string& text, std::size_t begin, std::size_t end, bool record,
                PdfShapedText& out);
  bool DigitGlyphs(Known& known);
  const PdfShapedText& ShapeCached(const std::string& text, const FontState& font);
  // The text as its stem's shape followed by its trailing digits' own glyphs, or null when
  // that cannot stand for shaping the whole text.
  const PdfShapedText* ShapeByDigits(Known& known, const std::string& text);

  std::vector<std::unique_ptr<Face>> faces_;
  std::unordered_map<std::string, int> face_by_name_;         // face identity -> index
  std::unordered_map<std::string, int> primary_;              // font key -> face
  std::map<std::pair<std::string, char32_t>, int> fallback_;  // (font key, code point) -> face
  std::unordered_map<std::string, PdfFontStyle> styles_;      // font key with size -> style
  // The fonts of the run, each with its style and the stems of its texts: a label prints the
  // same few fonts over and over.
  std::vector<std::unique_ptr<Known>> known_;
  std::size_t last_known_ = 0;
  std::unordered_map<std::string, PdfShapedText> shaped_;  // font key + text -> shape
  PdfShapedText composed_;                                 // the last text shaped by its digits
  // The last text shaped: its width is asked for right after it is drawn.
  const Known* last_font_ = nullptr;
  std::string last_text_;
  const PdfShapedText* last_shape_ = nullptr;
  hb_buffer_t* buffer_ = nullptr;
};

}  // namespace vellomir
