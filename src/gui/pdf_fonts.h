#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "gui/pdf_writer.h"
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
};

// Glyphs of one face in drawing order.
struct PdfGlyphRun {
  int face = 0;
  std::vector<PdfGlyph> glyphs;
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

  // The text in the font; the glyphs count as used. Valid until the next call.
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
  int FaceOf(const QRawFont& raw);
  int PrimaryFace(const FontState& font);
  int FallbackFace(const FontState& font, char32_t code_point);
  const PdfFontStyle& StyleOf(const FontState& font);
  void ShapeRun(int face, const std::string& text, std::size_t begin, std::size_t end,
                PdfShapedText& out);

  std::vector<std::unique_ptr<Face>> faces_;
  std::unordered_map<std::string, int> face_by_name_;         // face identity -> index
  std::unordered_map<std::string, int> primary_;              // font key -> face
  std::map<std::pair<std::string, char32_t>, int> fallback_;  // (font key, code point) -> face
  std::unordered_map<std::string, PdfFontStyle> styles_;      // font key with size -> style
  FontState last_font_;  // the last font asked for and its style
  const PdfFontStyle* last_style_ = nullptr;
  std::unordered_map<std::string, PdfShapedText> shaped_;  // font key + text -> shape
  hb_buffer_t* buffer_ = nullptr;
};

}  // namespace vellomir
