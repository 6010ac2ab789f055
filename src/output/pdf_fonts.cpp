#include "output/pdf_fonts.h"

#include <fontconfig/fontconfig.h>
#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "output/qt_surface.h"
#include "platform/text_util.h"

namespace vellomir {

namespace {

// Tables a face needs for shaping and for a subset a PDF viewer can draw.
const char* const kTableTags[] = {"head", "hhea", "maxp", "OS/2", "hmtx", "cmap", "glyf",
                                  "loca", "post", "name", "cvt ", "fpgm", "prep", "gasp",
                                  "CFF ", "VORG", "kern", "GSUB", "GPOS", "GDEF"};

void PutU16(std::string& out, unsigned v) {
  out += static_cast<char>((v >> 8) & 0xFF);
  out += static_cast<char>(v & 0xFF);
}
void PutU32(std::string& out, std::uint32_t v) {
  PutU16(out, v >> 16);
  PutU16(out, v & 0xFFFF);
}

std::uint32_t TableChecksum(const QByteArray& data) {
  std::uint32_t sum = 0;
  const auto* p = reinterpret_cast<const unsigned char*>(data.constData());
  for (qsizetype i = 0; i < data.size(); i += 4) {
    std::uint32_t word = 0;
    for (int k = 0; k < 4; ++k) word = (word << 8) | (i + k < data.size() ? p[i + k] : 0);
    sum += word;
  }
  return sum;
}

// The face Qt loaded, put back together as one font file from its tables. Qt does not say
// which file a face came from, but it hands out every table, and a collection (.ttc) member
// comes out as a font of its own.
std::string FontFileOf(const QRawFont& raw, bool& cff) {
  // Large faces come mapped from their file instead; this is for faces fontconfig does not know.
  std::vector<std::pair<std::string, QByteArray>> tables;
  for (const char* tag : kTableTags) {
    QByteArray data = raw.fontTable(tag);
    if (!data.isEmpty()) tables.emplace_back(tag, std::move(data));
  }
  std::sort(tables.begin(), tables.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  cff = std::any_of(tables.begin(), tables.end(), [](const auto& t) { return t.first == "CFF "; });
  const unsigned n = static_cast<unsigned>(tables.size());
  unsigned selector = 0;
  while ((2u << selector) <= n) ++selector;
  const unsigned range = 16u << selector;
  std::string out;
  PutU32(out, cff ? 0x4F54544F : 0x00010000);  // "OTTO" or TrueType
  PutU16(out, n);
  PutU16(out, range);
  PutU16(out, selector);
  PutU16(out, n * 16 - range);
  std::uint32_t offset = 12 + 16 * n;
  for (const auto& [tag, data] : tables) {
    out += tag;
    PutU32(out, TableChecksum(data));
    PutU32(out, offset);
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    offset += (static_cast<std::uint32_t>(data.size()) + 3) & ~3u;
  }
  for (const auto& [tag, data] : tables) {
    out.append(data.constData(), data.size());
    out.append((4 - data.size() % 4) % 4, '\0');
  }
  return out;
}

bool SameHead(hb_face_t* face, const QByteArray& head) {
  hb_blob_t* blob = hb_face_reference_table(face, HB_TAG('h', 'e', 'a', 'd'));
  unsigned size = 0;
  const char* data = hb_blob_get_data(blob, &size);
  const bool same = size > 0 && size == static_cast<unsigned>(head.size()) &&
                    std::equal(data, data + size, head.constData());
  hb_blob_destroy(blob);
  return same;
}

// The face's file, mapped rather than read, when fontconfig (which Qt asks too) names the file
// of the face Qt loaded: its head table, with dates and checksum, must be the same.
hb_face_t* MappedFace(const QRawFont& raw) {
  const QByteArray head = raw.fontTable("head");
  if (head.isEmpty()) return nullptr;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY,
                     reinterpret_cast<const FcChar8*>(raw.familyName().toUtf8().constData()));
  FcPatternAddString(pattern, FC_STYLE,
                     reinterpret_cast<const FcChar8*>(raw.styleName().toUtf8().constData()));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return nullptr;
  FcChar8* file = nullptr;
  int index = 0;
  hb_face_t* face = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    if (hb_blob_t* blob = hb_blob_create_from_file_or_fail(reinterpret_cast<const char*>(file))) {
      face = hb_face_create(blob, static_cast<unsigned>(index));
      hb_blob_destroy(blob);  // the face keeps its own reference
      if (!SameHead(face, head)) {
        hb_face_destroy(face);
        face = nullptr;
      }
    }
  }
  FcPatternDestroy(match);
  return face;
}

std::string FontKey(const FontState& font) {
  return font.name + '\x1f' + (font.bold ? 'b' : '-') + (font.italic ? 'i' : '-');
}

// A device of the PDF's resolution, so metrics come out in twips as they did on Qt's writer.
QImage TwipDevice() { return WhiteImageAt(1, 1, 1440); }

bool IsBlank(char32_t c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0xA0 || c == 0x3000;
}

// A PDF name made of the letters, digits and dashes of the text.
std::string PdfNameOf(const std::string& text) {
  std::string name;
  for (char c : text)
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')
      name += c;
  return name.empty() ? "Font" : name.substr(0, 60);
}

void AppendHex4(std::string& out, unsigned v) {
  static const char kHex[] = "0123456789ABCDEF";
  out += kHex[(v >> 12) & 15];
  out += kHex[(v >> 8) & 15];
  out += kHex[(v >> 4) & 15];
  out += kHex[v & 15];
}

// UTF-16BE in hex, as a ToUnicode map writes a character.
std::string Utf16Hex(const std::string& utf8) {
  std::string out;
  for (char32_t c : ToCodePoints(utf8)) {
    if (c >= 0x10000) {
      c -= 0x10000;
      AppendHex4(out, 0xD800 + (c >> 10));
      AppendHex4(out, 0xDC00 + (c & 0x3FF));
    } else {
      AppendHex4(out, c);
    }
  }
  return out;
}

}  // namespace

struct PdfFonts::Face {
  ~Face() {
    hb_font_destroy(font);
    hb_face_destroy(face);
  }
  std::string ps_name;
  bool bold = false;  // the face itself is bold or italic: nothing to make up
  bool italic = false;
  std::string file;  // the font file rebuilt from the face's tables, when it is not mapped
  bool cff = false;
  hb_face_t* face = nullptr;
  hb_font_t* font = nullptr;
  unsigned upem = 1000;
  int object = 0;
  std::map<std::uint32_t, std::string> used;  // glyph -> the text it stands for
};

PdfFonts::PdfFonts() : buffer_(hb_buffer_create()) {}

PdfFonts::~PdfFonts() { hb_buffer_destroy(buffer_); }

int PdfFonts::FaceOf(const QRawFont& raw) {
  const std::string identity =
      raw.familyName().toStdString() + '\x1f' + raw.styleName().toStdString() + '\x1f' +
      std::to_string(raw.weight()) + '\x1f' + std::to_string(static_cast<int>(raw.style()));
  if (auto it = face_by_name_.find(identity); it != face_by_name_.end()) return it->second;
  auto face = std::make_unique<Face>();
  face->face = MappedFace(raw);
  if (face->face == nullptr) {
    bool cff = false;
    face->file = FontFileOf(raw, cff);
    hb_blob_t* blob = hb_blob_create(face->file.data(), static_cast<unsigned>(face->file.size()),
                                     HB_MEMORY_MODE_READONLY, nullptr, nullptr);
    face->face = hb_face_create(blob, 0);
    hb_blob_destroy(blob);
  }
  if (hb_blob_t* head = hb_face_reference_table(face->face, HB_TAG('h', 'e', 'a', 'd'))) {
    unsigned size = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(hb_blob_get_data(head, &size));
    if (size >= 46) {
      face->bold = (p[45] & 1) != 0;  // macStyle
      face->italic = (p[45] & 2) != 0;
    }
    hb_blob_destroy(head);
  }
  if (hb_blob_t* os2 = hb_face_reference_table(face->face, HB_TAG('O', 'S', '/', '2'))) {
    unsigned size = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(hb_blob_get_data(os2, &size));
    if (size >= 64) {
      face->bold = face->bold || ((p[4] << 8) | p[5]) >= 600;  // weight class
      face->italic = face->italic || (p[63] & 1) != 0;         // fsSelection
    }
    hb_blob_destroy(os2);
  }
  hb_blob_t* cff = hb_face_reference_table(face->face, HB_TAG('C', 'F', 'F', ' '));
  face->cff = hb_blob_get_length(cff) > 0;
  hb_blob_destroy(cff);
  face->font = hb_font_create(face->face);
  face->upem = std::max(16u, hb_face_get_upem(face->face));
  hb_font_set_scale(face->font, face->upem, face->upem);
  char name[128];
  unsigned size = sizeof name;
  if (hb_ot_name_get_utf8(face->face, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &size,
                          name) > 0)
    face->ps_name = PdfNameOf(name);
  else
    face->ps_name = PdfNameOf(raw.familyName().toStdString());
  faces_.push_back(std::move(face));
  const int index = static_cast<int>(faces_.size() - 1);
  face_by_name_.emplace(identity, index);
  return index;
}

int PdfFonts::PrimaryFace(const FontState& font) {
  const std::string key = FontKey(font);
  if (auto it = primary_.find(key); it != primary_.end()) return it->second;
  const int face = FaceOf(QRawFont::fromFont(ToQFont(font)));
  primary_.emplace(key, face);
  return face;
}

int PdfFonts::FallbackFace(const FontState& font, char32_t code_point) {
  const auto key = std::make_pair(FontKey(font), code_point);
  if (auto it = fallback_.find(key); it != fallback_.end()) return it->second;
  // Qt's own choice for the character, as the window would draw it.
  int face = PrimaryFace(font);
  QTextLayout layout(QString::fromUcs4(&code_point, 1), ToQFont(font));
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  const auto runs = layout.glyphRuns();
  if (!runs.empty() && runs.front().rawFont().isValid()) face = FaceOf(runs.front().rawFont());
  fallback_.emplace(key, face);
  return face;
}

void PdfFonts::ShapeRun(int face_index, const std::string& text, std::size_t begin, std::size_t end,
                        bool record, PdfShapedText& out) {
  Face& face = *faces_[face_index];
  hb_buffer_clear_contents(buffer_);
  hb_buffer_add_utf8(buffer_, text.data(), static_cast<int>(text.size()),
                     static_cast<unsigned>(begin), static_cast<int>(end - begin));
  hb_buffer_guess_segment_properties(buffer_);
  hb_shape(face.font, buffer_, nullptr, 0);
  unsigned count = 0;
  const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer_, &count);
  const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer_, &count);
  // A cluster's text runs to the next cluster's start.
  std::vector<unsigned> starts;
  for (unsigned i = 0; i < count; ++i) starts.push_back(info[i].cluster);
  std::sort(starts.begin(), starts.end());
  PdfGlyphRun run;
  run.face = face_index;
  for (unsigned i = 0; i < count; ++i) {
    run.glyphs.push_back({info[i].codepoint, pos[i].x_advance,
                          hb_font_get_glyph_h_advance(face.font, info[i].codepoint)});
    out.ems += static_cast<double>(pos[i].x_advance) / face.upem;
    if (!record) continue;
    // Only the first glyph of a cluster carries its text, so copied text is not doubled.
    const bool first = i == 0 || info[i - 1].cluster != info[i].cluster;
    auto next = std::upper_bound(starts.begin(), starts.end(), info[i].cluster);
    const std::size_t stop = next == starts.end() ? end : *next;
    auto [it, inserted] = face.used.emplace(info[i].codepoint, std::string());
    if (first && it->second.empty() && stop > info[i].cluster)
      it->second = text.substr(info[i].cluster, stop - info[i].cluster);
  }
  out.runs.push_back(std::move(run));
}

void PdfFonts::ShapeText(const std::string& text, const FontState& font, bool record,
                         PdfShapedText& out) {
  out = PdfShapedText();
  // Shaped from well-formed UTF-8, so byte offsets and characters agree below.
  const std::string clean = FromCodePoints(ToCodePoints(text));
  const std::u32string cps = ToCodePoints(clean);
  out.blank = std::all_of(cps.begin(), cps.end(), IsBlank);
  const int primary = PrimaryFace(font);
  // Each character in the first face that has it: the font's own face, or Qt's fallback.
  std::vector<int> face_at;  // per code point
  bool mixed = false;
  for (char32_t c : cps) {
    hb_codepoint_t glyph = 0;
    int face = primary;
    if (!IsBlank(c) && c >= 0x20 && !hb_font_get_nominal_glyph(faces_[primary]->font, c, &glyph))
      face = FallbackFace(font, c);
    mixed = mixed || face != primary;
    face_at.push_back(face);
  }
  if (!mixed) {
    ShapeRun(primary, clean, 0, clean.size(), record, out);
  } else {
    // Byte offsets of the code points, to shape each face's stretch in the whole text.
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < clean.size(); ++i)
      if ((static_cast<unsigned char>(clean[i]) & 0xC0) != 0x80) offsets.push_back(i);
    offsets.resize(cps.size());
    offsets.push_back(clean.size());
    std::size_t start = 0;
    for (std::size_t i = 1; i <= cps.size(); ++i)
      if (i == cps.size() || face_at[i] != face_at[start]) {
        ShapeRun(face_at[start], clean, offsets[start], offsets[i], record, out);
        start = i;
      }
  }
}

const PdfShapedText& PdfFonts::ShapeCached(const std::string& text, const FontState& font) {
  std::string key = FontKey(font);
  key += '\x1e';
  key += text;
  if (auto it = shaped_.find(key); it != shaped_.end()) return it->second;
  // Running numbers make every text new: keep the cache from growing without end.
  if (shaped_.size() > 4096) {
    shaped_.clear();
    last_font_ = nullptr;
  }
  PdfShapedText out;
  ShapeText(text, font, true, out);
  return shaped_.emplace(std::move(key), std::move(out)).first->second;
}

// A font the run draws in: its style, its digits, and the stems of its texts.
struct PdfFonts::Known {
  // A text before its trailing digits (a batch number).
  struct Stem {
    bool checked = false;  // met a second time, so worth checking
    bool usable = false;   // its texts shape to its own shape followed by the digits' glyphs
    PdfShapedText shape;
  };
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };

  FontState font;
  const PdfFontStyle* style = nullptr;
  int primary = 0;
  int digits = 0;  // 1: each digit by itself is one glyph of the primary face; -1: not so
  PdfGlyph digit[10];
  bool digit_recorded[10] = {};
  std::unordered_map<std::string, Stem, TextHash, std::equal_to<>> stems;
};

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Every ordered pair of digits side by side: digits that kern or join in pairs show here.
const std::string& DigitPairs() {
  static const std::string pairs = [] {
    std::string s;
    for (char a = '0'; a <= '9'; ++a)
      for (char b = '0'; b <= '9'; ++b) s += {a, b};
    return s;
  }();
  return pairs;
}

// The stem's shape followed by the digits' glyphs from the primary face.
void ComposeDigits(const PdfShapedText& stem, int primary, unsigned upem, const PdfGlyph* digit,
                   std::string_view digits, PdfShapedText& out) {
  out.blank = false;
  out.ems = stem.ems;
  out.runs.resize(stem.runs.size());
  for (std::size_t i = 0; i < out.runs.size(); ++i) {
    out.runs[i].face = stem.runs[i].face;
    out.runs[i].glyphs.assign(stem.runs[i].glyphs.begin(), stem.runs[i].glyphs.end());
  }
  if (out.runs.empty() || out.runs.back().face != primary) {
    out.runs.emplace_back();
    out.runs.back().face = primary;
  }
  std::vector<PdfGlyph>& glyphs = out.runs.back().glyphs;
  for (char c : digits) {
    const PdfGlyph& g = digit[c - '0'];
    glyphs.push_back(g);
    // Added glyph by glyph as shaping adds them, so the width is the same to the last bit.
    out.ems += static_cast<double>(g.advance) / upem;
  }
}

}  // namespace

PdfFonts::Known& PdfFonts::KnownFont(const FontState& font) {
  auto same = [&font](const FontState& k) {
    return std::memcmp(&k.size, &font.size, sizeof font.size) == 0 && k.bold == font.bold &&
           k.italic == font.italic && k.name == font.name;
  };
  if (last_known_ < known_.size() && same(known_[last_known_]->font)) return *known_[last_known_];
  for (std::size_t i = 0; i < known_.size(); ++i)
    if (same(known_[i]->font)) {
      last_known_ = i;
      return *known_[i];
    }
  // A run draws in a few fonts; this only keeps an odd one from growing without end.
  if (known_.size() >= 256) {
    known_.clear();
    last_font_ = nullptr;
  }
  auto known = std::make_unique<Known>();
  known->font = font;
  known->primary = PrimaryFace(font);
  known_.push_back(std::move(known));
  last_known_ = known_.size() - 1;
  return *known_.back();
}

bool PdfFonts::DigitGlyphs(Known& known) {
  // Digits from the primary face only: asking for a fallback face here would number the faces
  // otherwise than shaping the texts themselves does.
  hb_font_t* font = faces_[known.primary]->font;
  for (char32_t d = '0'; d <= '9'; ++d) {
    hb_codepoint_t glyph = 0;
    if (!hb_font_get_nominal_glyph(font, d, &glyph)) return false;
  }
  PdfShapedText alone;
  for (int d = 0; d < 10; ++d) {
    ShapeText(std::string(1, static_cast<char>('0' + d)), known.font, false, alone);
    if (alone.runs.size() != 1 || alone.runs[0].face != known.primary ||
        alone.runs[0].glyphs.size() != 1)
      return false;
    known.digit[d] = alone.runs[0].glyphs[0];
  }
  return true;
}

const PdfShapedText* PdfFonts::ShapeByDigits(Known& known, const std::string& text) {
  std::size_t cut = text.size();
  while (cut > 0 && IsDigit(text[cut - 1])) --cut;
  if (cut == text.size()) return nullptr;
  if (known.digits == 0) known.digits = DigitGlyphs(known) ? 1 : -1;
  if (known.digits < 0) return nullptr;
  const std::string_view stem_text(text.data(), cut);
  auto it = known.stems.find(stem_text);
  if (it == known.stems.end()) {
    // Met once, shaped whole: most texts that end in digits come back with other digits.
    if (known.stems.size() >= 4096) known.stems.clear();
    known.stems.emplace(stem_text, Known::Stem());
    return nullptr;
  }
  Known::Stem& stem = it->second;
  const Face& face = *faces_[known.primary];
  if (!stem.checked) {
    stem.checked = true;
    // Its glyphs were counted when its first text was shaped whole.
    ShapeText(it->first, known.font, false, stem.shape);
    // The stem before each digit and before every pair of digits, shaped whole and put
    // together: kerning or a ligature across the seam or between digits makes them differ,
    // and then every text of the stem is shaped whole.
    stem.usable = true;
    PdfShapedText whole, parts;
    std::string probe = it->first;
    for (int d = 0; d <= 10 && stem.usable; ++d) {
      probe.resize(it->first.size());
      probe += d < 10 ? std::string(1, static_cast<char>('0' + d)) : DigitPairs();
      ShapeText(probe, known.font, false, whole);
      ComposeDigits(stem.shape, known.primary, face.upem, known.digit,
                    std::string_view(probe).substr(cut), parts);
      stem.usable = whole.runs == parts.runs && whole.ems == parts.ems && !whole.blank;
    }
  }
  if (!stem.usable) return nullptr;
  const std::string_view digits = std::string_view(text).substr(cut);
  ComposeDigits(stem.shape, known.primary, face.upem, known.digit, digits, composed_);
  // Each digit's glyph stands for the digit, as shaping would have counted it.
  for (char c : digits) {
    const int d = c - '0';
    if (known.digit_recorded[d]) continue;
    auto [entry, added] = faces_[known.primary]->used.try_emplace(known.digit[d].gid);
    if (entry->second.empty()) entry->second = std::string(1, c);
    known.digit_recorded[d] = true;
  }
  return &composed_;
}

const PdfShapedText& PdfFonts::Shape(const std::string& text, const FontState& font) {
  Known& known = KnownFont(font);
  if (&known == last_font_ && text == last_text_) return *last_shape_;
  const PdfShapedText* shaped = ShapeByDigits(known, text);
  if (shaped == nullptr) shaped = &ShapeCached(text, font);
  last_font_ = &known;
  last_text_ = text;
  last_shape_ = shaped;
  return *shaped;
}

const PdfFontStyle& PdfFonts::Style(const FontState& font) {
  Known& known = KnownFont(font);
  if (known.style == nullptr) known.style = &StyleOf(font);
  return *known.style;
}

const PdfFontStyle& PdfFonts::StyleOf(const FontState& font) {
  char size[32];
  std::snprintf(size, sizeof size, "\x1f%.4f", font.size);
  const std::string key = FontKey(font) + size;
  if (auto it = styles_.find(key); it != styles_.end()) return it->second;
  static const QImage device = TwipDevice();
  const QFont f = ToQFont(font);
  const QFontMetricsF fm(f, &device);
  PdfFontStyle style;
  style.em = (font.size > 0 ? font.size : QFontInfo(f).pointSizeF()) * 20;
  style.ascent = fm.ascent();
  style.height = fm.height();
  const Face& face = *faces_[PrimaryFace(font)];
  if (font.bold && !QFontInfo(f).bold()) {
    // No bold at all: the second strike the screen and the printer add to the right.
    style.embolden = std::max(1.0, fm.height() / 30.0);
  } else if (font.bold && !face.bold) {
    // A bold Qt makes up from a single weight: struck again half a line width to the left.
    style.embolden = -fm.lineWidth() / 2;
  }
  style.oblique = font.italic && !face.italic;
  return styles_.emplace(key, style).first->second;
}

double PdfFonts::UnitsPerEm(int face) const { return faces_[face]->upem; }

std::int32_t PdfFonts::NaturalAdvance(int face, std::uint32_t gid) const {
  return hb_font_get_glyph_h_advance(faces_[face]->font, gid);
}

int PdfFonts::ObjectNumber(int face, PdfWriter& writer) {
  if (faces_[face]->object == 0) faces_[face]->object = writer.Reserve();
  return faces_[face]->object;
}

std::string PdfFonts::ResourceEntries() const {
  std::string out;
  for (std::size_t i = 0; i < faces_.size(); ++i)
    if (faces_[i]->object != 0)
      out += " /F" + std::to_string(i) + " " + std::to_string(faces_[i]->object) + " 0 R";
  return out;
}

bool PdfFonts::WriteFonts(PdfWriter& writer) {
  for (std::size_t index = 0; index < faces_.size(); ++index) {
    Face& face = *faces_[index];
    if (face.object == 0) continue;
    // The subset keeps every glyph at its number, so character codes are glyph numbers.
    hb_subset_input_t* input = hb_subset_input_create_or_fail();
    if (input == nullptr) return false;
    hb_set_t* glyphs = hb_subset_input_glyph_set(input);
    hb_set_add(glyphs, 0);
    for (const auto& entry : face.used) hb_set_add(glyphs, entry.first);
    hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_RETAIN_GIDS);
    hb_set_t* drop = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (const char* tag : {"GSUB", "GPOS", "GDEF", "kern"})
      hb_set_add(drop, hb_tag_from_string(tag, 4));
    hb_face_t* subset = hb_subset_or_fail(face.face, input);
    hb_subset_input_destroy(input);
    if (subset == nullptr) return false;
    hb_blob_t* blob = hb_face_reference_blob(subset);
    unsigned length = 0;
    const char* data = hb_blob_get_data(blob, &length);
    const std::string program(data != nullptr ? data : "", length);
    hb_blob_destroy(blob);
    hb_face_destroy(subset);
    if (program.empty()) return false;

    // Six capitals name the subset, as readers expect of an embedded part of a font.
    std::string base;
    for (std::size_t n = index, k = 0; k < 6; ++k, n /= 26) base += static_cast<char>('A' + n % 26);
    base += "+" + face.ps_name;
    const double scale = 1000.0 / face.upem;

    const int cid_font = writer.Reserve();
    const int descriptor = writer.Reserve();
    const int file = writer.Reserve();
    const int to_unicode = writer.Reserve();

    std::string type0 = "<</Type /Font /Subtype /Type0 /BaseFont /" + base +
                        " /Encoding /Identity-H /DescendantFonts [" + std::to_string(cid_font) +
                        " 0 R] /ToUnicode " + std::to_string(to_unicode) + " 0 R>>";
    std::string widths;
    for (const auto& entry : face.used) {
      widths += std::to_string(entry.first) + " [";
      AppendPdfNumber(widths, NaturalAdvance(static_cast<int>(index), entry.first) * scale);
      widths += "] ";
    }
    std::string cid = "<</Type /Font /Subtype " +
                      std::string(face.cff ? "/CIDFontType0" : "/CIDFontType2") + " /BaseFont /" +
                      base +
                      " /CIDSystemInfo <</Registry (Adobe) /Ordering (Identity) /Supplement 0>>"
                      " /FontDescriptor " +
                      std::to_string(descriptor) + " 0 R /W [" + widths + "]";
    if (!face.cff) cid += " /CIDToGIDMap /Identity";
    cid += ">>";

    hb_font_extents_t extents{};
    hb_font_get_h_extents(face.font, &extents);
    int bbox[4] = {0, static_cast<int>(extents.descender), static_cast<int>(face.upem),
                   static_cast<int>(extents.ascender)};
    if (hb_blob_t* head = hb_face_reference_table(face.face, HB_TAG('h', 'e', 'a', 'd'))) {
      unsigned size = 0;
      const auto* p = reinterpret_cast<const unsigned char*>(hb_blob_get_data(head, &size));
      if (size >= 44)
        for (int k = 0; k < 4; ++k)
          bbox[k] = static_cast<int16_t>((p[36 + 2 * k] << 8) | p[37 + 2 * k]);
      hb_blob_destroy(head);
    }
    std::string desc = "<</Type /FontDescriptor /FontName /" + base + " /Flags 4 /FontBBox [";
    for (int k = 0; k < 4; ++k) {
      AppendPdfNumber(desc, bbox[k] * scale);
      desc += k < 3 ? " " : "]";
    }
    desc += " /ItalicAngle 0 /Ascent ";
    AppendPdfNumber(desc, extents.ascender * scale);
    desc += " /Descent ";
    AppendPdfNumber(desc, extents.descender * scale);
    desc += " /CapHeight ";
    AppendPdfNumber(desc, extents.ascender * scale);
    desc += " /StemV 80 ";
    desc += face.cff ? "/FontFile3 " : "/FontFile2 ";
    desc += std::to_string(file) + " 0 R>>";

    std::string cmap =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo <</Registry (Adobe) /Ordering (UCS) /Supplement 0>> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    std::vector<std::pair<std::uint32_t, std::string>> mapped;
    for (const auto& [gid, text] : face.used)
      if (!text.empty()) mapped.emplace_back(gid, Utf16Hex(text));
    for (std::size_t i = 0; i < mapped.size(); i += 100) {
      const std::size_t n = std::min<std::size_t>(100, mapped.size() - i);
      cmap += std::to_string(n) + " beginbfchar\n";
      for (std::size_t k = i; k < i + n; ++k) {
        cmap += '<';
        AppendHex4(cmap, mapped[k].first);
        cmap += "> <" + mapped[k].second + ">\n";
      }
      cmap += "endbfchar\n";
    }
    cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";

    const std::string file_dict =
        face.cff ? " /Subtype /OpenType" : " /Length1 " + std::to_string(program.size());
    if (!writer.WriteObject(face.object, type0) || !writer.WriteObject(cid_font, cid) ||
        !writer.WriteObject(descriptor, desc) || !writer.WriteStream(file, file_dict, program) ||
        !writer.WriteStream(to_unicode, "", cmap))
      return false;
  }
  return true;
}

}  // namespace vellomir
