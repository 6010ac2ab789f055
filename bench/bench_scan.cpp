// How well printed symbols scan: random valid data for each kind, drawn at the
// resolutions of label printers with the default module (15 units), clean and with what
// printing and scanning do to them, read with zbar and ZXing-cpp. Not a test: it prints a
// table of decode rates; zbar is asked only about the 1-D kinds, as the check before printing
// asks it. Build with -DVELLOMIR_BENCH=ON and run build/bench/bench_scan
// [symbols per case, default 50] [module width in units, default 15] [first kind, default 0]
// [0: symbols on dots only]. Needs Ghostscript for the PDF rows.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "barcode/barcode_kinds.h"
#include "barcode/upc_e.h"
#include "output/pdf_printer.h"
#include "output/qt_surface.h"
#include "output/zbar_symbol_reader.h"
#include "output/zxing_symbol_reader.h"
#include "render/symbol_check.h"
#include "support/decode.h"
#include "support/gtin.h"

namespace vellomir::bench {
namespace {

int16_t kModule = 15;                // units; the second argument changes it
int kFirstKind = 0;                  // the third argument starts the table there
constexpr int16_t kBarHeight = 565;  // 10 mm

std::mt19937 rng(20261207);

std::string Pick(const std::string& alphabet, int n) {
  std::string s;
  for (int i = 0; i < n; ++i)
    s += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
  return s;
}

int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

const std::string kDigits = "0123456789";

// Data the kind encodes as it stands.
std::string RandomData(int kind) {
  switch (kind) {
    case 0: {
      const std::string all = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
      const std::string ends = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
      return Pick(ends, 1) + Pick(all, Between(2, 8)) + Pick(ends, 1);
    }
    case 1:
      return Pick(kDigits, 12);
    case 2:
      return Pick(kDigits, 7);
    // Number system 0 put in front by append: GCC 12 warns falsely about "0" + string here.
    case 3:
      return Pick(kDigits, 11).insert(0, 1, '0');
    case 4:
      return Pick(kDigits, 6).insert(0, 1, '0');
    case 5:  // a UPC-A number that has a UPC-E form
      return ExpandUpcE(Pick(kDigits, 6).insert(0, 1, '0'));
    case 6:
      return Pick(kDigits, 2 * Between(3, 7));
    case 7:
      return Pick("ABCD", 1) + Pick("0123456789-$:/.+", Between(3, 10)) + Pick("ABCD", 1);
    case 8: {
      std::string printable;
      for (char c = 32; c < 127; ++c) printable += c;
      return Pick("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", 1) + Pick(printable, Between(3, 12));
    }
    case 9: {  // QR Code: ASCII and Chinese words
      static const char* const kWords[] = {"批號", "品名", "鳳梨酥", "有效期限", "台北市", "數量"};
      std::string printable, s;
      for (char c = 32; c < 127; ++c) printable += c;
      for (int i = Between(1, 5); i > 0; --i)
        s += Between(0, 1) ? Pick(printable, Between(1, 12)) : kWords[Between(0, 5)];
      return s;
    }
    case 10:
    case 11: {
      std::string printable;
      for (char c = 32; c < 127; ++c) printable += c;
      return Pick(printable, Between(1, 60));
    }
    case 12:
    case 13:
    case 14: {  // a GTIN with its check digit; expiry, lot and serial or not
      const std::string gtin = Pick(kDigits, 13);
      const std::string alnum = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-abcxyz/";
      std::string s = "(01)" + gtin + test::GtinCheckDigit(gtin);
      if (Between(0, 1)) s += "(17)" + std::to_string(Between(24, 39)) + "1231";
      if (Between(0, 1)) s += "(10)" + Pick(alnum, Between(1, 12));
      if (Between(0, 1)) s += "(21)" + Pick(alnum, Between(1, 12));
      return s;
    }
  }
  return {};
}

QImage Draw(int kind, const std::string& data, double dpi, bool on_dots) {
  const double quiet = 12 * (kModule + 1);
  // GS1-128 runs to 600 modules with its quiet zones; 2-D symbols are as high as they are wide
  // (on dots of 3, 1.4 times their units at 203 dpi).
  const int w = static_cast<int>((2 * quiet + 600 * (kModule + 1)) * dpi / 1440);
  const double high = IsSquareSymbol(kind) ? 280 * (kModule + 1) : kBarHeight + 57;
  const int h = static_cast<int>((2 * quiet + high) * dpi / 1440);
  QImage image = WhiteImageAt(w, h, dpi, QImage::Format_Grayscale8);
  QPainter painter(&image);
  QtSurface surface(painter, {quiet, quiet}, on_dots ? dpi : 0);
  int32_t x = 0;
  PaintBarcode(kind, data, surface, 1, 0, 10, x, 0, kModule, kBarHeight);
  painter.end();
  // Only what holds the symbol, with its quiet zones: on dots it may be wider than its units.
  int last = 0, last_row = 0;
  for (int row = 0; row < h; ++row) {
    const uchar* line = image.constScanLine(row);
    for (int col = 0; col < w; ++col)
      if (line[col] < 128) last = std::max(last, col), last_row = row;
  }
  const int margin = static_cast<int>(quiet * dpi / 1440);
  // A 2-D reader looks for the symbol round the middle of the image: cropped below it too.
  const int bottom = IsSquareSymbol(kind) ? std::min(h, last_row + 1 + margin) : h;
  return image.copy(0, 0, std::min(w, last + 1 + margin), bottom);
}

enum Degradation {
  kClean,
  kInkSpread,
  kHalfSpread,
  kHalfShrink,
  kBlur,
  kCamera,
  kNoise,
  kWhiteDots,
  kDegradations
};
const char* kDegradationNames[] = {"clean", "ink+1",  "ink+½", "ink-½",
                                   "blur1", "cam150", "noise", "white5%"};

// Every dot as two pixels across, so half a dot is one pixel; the decoders do not mind scale.
QImage Doubled(const QImage& in) {
  return in.scaled(2 * in.width(), in.height(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// Every dark run one pixel narrower on its right, every light run one wider.
QImage ShrinkInkByOneDot(const QImage& image) {
  QImage out = image.convertToFormat(QImage::Format_Grayscale8);
  for (int y = 0; y < out.height(); ++y) {
    uchar* line = out.scanLine(y);
    for (int x = out.width() - 1; x > 0; --x) line[x] = std::max(line[x], line[x - 1]);
  }
  return out;
}

QImage Degrade(const QImage& in, Degradation d, double dpi) {
  QImage out = in.copy();
  const int w = in.width(), h = in.height();
  switch (d) {
    case kClean:
      break;
    case kInkSpread:  // every bar one dot wider, every space one narrower
      out = test::SpreadInkByOneDot(in);
      break;
    case kHalfSpread:  // bars half a dot wider: a weak head or absorbent stock
      out = test::SpreadInkByOneDot(Doubled(in));
      break;
    case kHalfShrink:  // bars half a dot narrower: a cold head
      out = ShrinkInkByOneDot(Doubled(in));
      break;
    case kBlur:  // 1-2-1 across and down: each dot spread over its neighbours
      for (int y = 1; y < h - 1; ++y) {
        uchar* dst = out.scanLine(y);
        for (int x = 1; x < w - 1; ++x) {
          int sum = 0;
          for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
              sum += in.constScanLine(y + dy)[x + dx] * (2 - std::abs(dx)) * (2 - std::abs(dy));
          dst[x] = static_cast<uchar>(sum / 16);
        }
      }
      break;
    case kCamera:  // seen by a 150-dpi camera
      out = in.scaled(static_cast<int>(w * 150 / dpi), static_cast<int>(h * 150 / dpi),
                      Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      break;
    case kNoise: {
      std::normal_distribution<double> noise(0, 12);  // light: a twentieth of the range
      for (int y = 0; y < h; ++y) {
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < w; ++x)
          dst[x] = static_cast<uchar>(std::clamp(dst[x] + noise(rng), 0.0, 255.0));
      }
      break;
    }
    case kWhiteDots: {  // one dot in twenty left unprinted: a worn head, dust
      std::bernoulli_distribution missing(0.05);
      for (int y = 0; y < h; ++y) {
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < w; ++x)
          if (missing(rng)) dst[x] = 255;
      }
      break;
    }
    default:
      break;
  }
  return out;
}

std::string ReadWithZXing(const QImage& image, int kind) {
  const auto reading = ReadSymbolWithZXing(image, ZXingFormatOf(kind));
  return reading ? reading->text : std::string("\x01");
}

// zbar as the check before printing asks it: only the kind's own symbology, exactly one symbol.
bool ZbarReads(const QImage& image, const std::string& want, int kind) {
  const auto found = ReadSymbolsWithZbar(image, kind);
  if (std::getenv("BENCH_SCAN_DEBUG") != nullptr && (found.size() != 1 || found[0] != want)) {
    std::fprintf(stderr, "zbar, kind %d, want [%s]:", kind, want.c_str());
    for (const auto& f : found) std::fprintf(stderr, " [%s]", f.c_str());
    std::fprintf(stderr, "\n");
  }
  return found.size() == 1 && found[0] == want;
}

struct Count {
  int ok = 0, n = 0;
  void Add(bool good) { ok += good, ++n; }
};

// "-" where the decoder is not asked about the kind.
std::string Cell(const Count& c) {
  if (c.n == 0) return "-";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d/%d", c.ok, c.n);
  return buf;
}

std::string Percent(const Count& c) {
  if (c.n == 0) return "-";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.0f%%", c.n ? 100.0 * c.ok / c.n : 0.0);
  return buf;
}

// The PDF a run writes, rasterised by Ghostscript as a print system does; zbar reads it.
Count PdfThroughGhostscript(int kind, int symbols, double pdf_dpi, int raster_dpi,
                            const QTemporaryDir& dir) {
  Count c;
  const std::string pdf = dir.filePath("p.pdf").toStdString();
  const std::string pgm = dir.filePath("p.pgm").toStdString();
  for (int i = 0; i < symbols; ++i) {
    const std::string data = RandomData(kind);
    {
      PdfPrinter printer(pdf, pdf_dpi);
      int32_t x = 283;  // 5 mm from the page's corner
      PaintBarcode(kind, data, printer.Surface(), 1, 0, 10, x, 283, kModule, kBarHeight);
      if (!printer.EndDoc() || !printer.Commit()) return c;
    }
    const std::string cmd = "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pgmraw -r" +
                            std::to_string(raster_dpi) + " -sOutputFile='" + pgm + "' '" + pdf +
                            "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return c;
    const QImage page(QString::fromStdString(pgm));
    c.Add(ZbarReads(page.copy(0, 0, 800, 400), *ExpectedScan(kind, data, true), kind));
  }
  return c;
}

int Run(int symbols, int units_too) {
  const double resolutions[] = {203, 300, 600};
  std::printf("Symbols per case: %d, module %d units, bars 10 mm. Cells: zbar | ZXing.\n\n",
              symbols, kModule);
  for (bool on_dots : {true, false}) {
    if (!on_dots && units_too == 0) continue;
    std::printf("## %s\n\n", on_dots ? "Symbols on whole dots (printers, PNG, PDF with --dpi)"
                                     : "Exact units (preview, PDF without --dpi)");
    std::printf("| kind | dpi |");
    for (const char* name : kDegradationNames) std::printf(" %s |", name);
    std::printf("\n|---|---|");
    for (int d = 0; d < kDegradations; ++d) std::printf("---|");
    std::printf("\n");
    Count total_zbar[3][kDegradations], total_zxing[3][kDegradations];
    for (int kind = kFirstKind; kind < static_cast<int>(kBarcodeKindCount); ++kind) {
      for (int r = 0; r < 3; ++r) {
        const double dpi = resolutions[r];
        Count zbar[kDegradations], zxing[kDegradations];
        for (int i = 0; i < symbols; ++i) {
          const std::string data = RandomData(kind);
          const std::string want = *ExpectedScan(kind, data, true);
          const QImage clean = Draw(kind, data, dpi, on_dots);
          for (int d = 0; d < kDegradations; ++d) {
            const QImage image = Degrade(clean, static_cast<Degradation>(d), dpi);
            if (ZbarReadsKind(kind)) {
              const bool z = ZbarReads(image, want, kind);
              zbar[d].Add(z);
              total_zbar[r][d].Add(z);
            }
            const bool x = ReadWithZXing(image, kind) == want;
            zxing[d].Add(x);
            total_zxing[r][d].Add(x);
          }
        }
        std::printf("| %s | %.0f |", std::string(kBarcodeKindNames[kind]).c_str(), dpi);
        for (int d = 0; d < kDegradations; ++d)
          std::printf(" %s \\| %s |", Cell(zbar[d]).c_str(), Cell(zxing[d]).c_str());
        std::printf("\n");
      }
    }
    for (int r = 0; r < 3; ++r) {
      std::printf("| **all kinds** | %.0f |", resolutions[r]);
      for (int d = 0; d < kDegradations; ++d)
        std::printf(" %s \\| %s |", Percent(total_zbar[r][d]).c_str(),
                    Percent(total_zxing[r][d]).c_str());
      std::printf("\n");
    }
    std::printf("\n");
  }

  QTemporaryDir dir;
  for (int raster : {203, 300}) {
    std::printf(
        "## PDF rasterised by Ghostscript at %d dpi (zbar)\n\n| kind | PDF --dpi %d | PDF in "
        "units |\n|---|---|---|\n",
        raster, raster);
    for (int kind : {1, 3, 6, 7}) {
      const Count dots = PdfThroughGhostscript(kind, symbols, raster, raster, dir);
      const Count units = PdfThroughGhostscript(kind, symbols, 0, raster, dir);
      std::printf("| %s | %s | %s |\n", std::string(kBarcodeKindNames[kind]).c_str(),
                  Cell(dots).c_str(), Cell(units).c_str());
    }
    std::printf("\n");
  }
  return 0;
}

}  // namespace
}  // namespace vellomir::bench

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  const int symbols = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  if (argc > 2)
    vellomir::bench::kModule = static_cast<int16_t>(std::clamp(std::atoi(argv[2]), 1, 100));
  if (argc > 3)
    vellomir::bench::kFirstKind =
        std::clamp(std::atoi(argv[3]), 0, static_cast<int>(vellomir::kBarcodeKindCount) - 1);
  // A fourth argument of 0 leaves out the exact-units table.
  return vellomir::bench::Run(symbols, argc > 4 ? std::atoi(argv[4]) : 1);
}
