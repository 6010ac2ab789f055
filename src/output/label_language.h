#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/printer_settings.h"

// A label as a thermal printer's own language: the label drawn on the printer's dots by our
// surfaces, sent as one graphic per label. ZPL II gets ^GFA (zlib in base 64 or ZPL's own
// hexadecimal compression, whichever is shorter), EPL2 gets GW. The printer's own barcode
// commands are never used: the symbol is ours, laid on whole dots and checked before printing.
namespace vellomir {

// One bit a dot, rows from the top, the leftmost dot in the most significant bit; 1 is ink.
struct DotBitmap {
  int width = 0;  // dots
  int height = 0;
  int bytes_per_row = 0;
  std::vector<std::uint8_t> bits;
  bool operator==(const DotBitmap&) const = default;
};

DotBitmap BlankBitmap(int width, int height);

// What surrounds every label's graphic.
struct LabelFormat {
  int width_dots = 0;   // ^PW, q
  int height_dots = 0;  // ^LL, Q
  int dpi = 203;
  PrinterSettings settings;  // darkness, speed and media
};

// ZPL's hexadecimal rows with its compression: repeat counts (G..Y, g..z), ',' for a row that
// ends in white, '!' for one that ends in black, ':' for a row like the one before.
std::string ZplHexCompressed(const DotBitmap& bitmap);
// ":Z64:" + base 64 of the zlib-deflated bits + ":" + the CRC-16 of the base 64 text (4 hex).
std::string ZplZ64(const DotBitmap& bitmap);
// CRC-16 with polynomial 0x1021 from 0, as Z64 data carries it.
std::uint16_t ZplCrc16(const std::string& text);

// One ZPL format: ^XA, media, darkness and speed, ^PW, ^LL, the graphic at the ink's corner
// (nothing when the label is blank), ^XZ.
std::string ZplLabel(const DotBitmap& label, const LabelFormat& format);
// One EPL2 label: N, q, Q, darkness and speed, GW at the ink's corner (0 bits print), P1.
std::string EplLabel(const DotBitmap& label, const LabelFormat& format);

}  // namespace vellomir
