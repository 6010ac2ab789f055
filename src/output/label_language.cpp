#include "output/label_language.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace vellomir {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// The smallest box holding every ink dot, in whole bytes across so a row is whole bytes.
struct InkBox {
  int left_byte = 0, top = 0, bytes = 0, rows = 0;
};

std::optional<InkBox> FindInk(const DotBitmap& b) {
  int first_row = -1, last_row = -1, first_byte = b.bytes_per_row, last_byte = -1;
  for (int y = 0; y < b.height; ++y) {
    const std::uint8_t* row = b.bits.data() + static_cast<std::size_t>(y) * b.bytes_per_row;
    for (int x = 0; x < b.bytes_per_row; ++x) {
      if (row[x] == 0) continue;
      if (first_row < 0) first_row = y;
      last_row = y;
      first_byte = std::min(first_byte, x);
      last_byte = std::max(last_byte, x);
    }
  }
  if (first_row < 0) return std::nullopt;
  return InkBox{first_byte, first_row, last_byte - first_byte + 1, last_row - first_row + 1};
}

DotBitmap Crop(const DotBitmap& b, const InkBox& box) {
  DotBitmap out;
  out.width = box.bytes * 8;
  out.height = box.rows;
  out.bytes_per_row = box.bytes;
  out.bits.reserve(static_cast<std::size_t>(box.bytes) * box.rows);
  for (int y = box.top; y < box.top + box.rows; ++y) {
    const auto* row = b.bits.data() + static_cast<std::size_t>(y) * b.bytes_per_row + box.left_byte;
    out.bits.insert(out.bits.end(), row, row + box.bytes);
  }
  return out;
}

// A run of `count` equal hexadecimal digits in ZPL's repeat letters: 'g'..'z' count 20..400,
// 'G'..'Y' 1..19, and the digit follows.
void AppendRun(std::string& out, int count, char digit) {
  while (count > 0) {
    const int chunk = std::min(count, 419);
    if (chunk > 1) {
      if (chunk >= 20) out += static_cast<char>('g' + chunk / 20 - 1);
      if (chunk % 20 > 0) out += static_cast<char>('G' + chunk % 20 - 1);
    }
    out += digit;
    count -= chunk;
  }
}

std::string Base64(const unsigned char* data, std::size_t size) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((size + 2) / 3 * 4);
  for (std::size_t i = 0; i < size; i += 3) {
    const unsigned v = (unsigned{data[i]} << 16) | (i + 1 < size ? unsigned{data[i + 1]} << 8 : 0) |
                       (i + 2 < size ? unsigned{data[i + 2]} : 0);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < size ? kAlphabet[(v >> 6) & 63] : '=';
    out += i + 2 < size ? kAlphabet[v & 63] : '=';
  }
  return out;
}

std::string Dots(int n) { return std::to_string(std::max(0, n)); }

}  // namespace

DotBitmap BlankBitmap(int width, int height) {
  DotBitmap b;
  b.width = std::max(0, width);
  b.height = std::max(0, height);
  b.bytes_per_row = (b.width + 7) / 8;
  b.bits.assign(static_cast<std::size_t>(b.bytes_per_row) * b.height, 0);
  return b;
}

std::string ZplHexCompressed(const DotBitmap& b) {
  std::string out;
  std::string row, previous;
  for (int y = 0; y < b.height; ++y) {
    row.clear();
    const auto* bytes = b.bits.data() + static_cast<std::size_t>(y) * b.bytes_per_row;
    for (int x = 0; x < b.bytes_per_row; ++x) {
      row += kHex[bytes[x] >> 4];
      row += kHex[bytes[x] & 15];
    }
    if (y > 0 && row == previous) {
      out += ':';
      continue;
    }
    previous = row;
    // A row's white or black end is said with one character.
    std::size_t end = row.size();
    char tail = 0;
    const std::size_t last_zero = row.find_last_not_of('0');
    const std::size_t last_f = row.find_last_not_of('F');
    if (last_zero == std::string::npos || last_zero + 1 < row.size() - 1) {
      end = last_zero == std::string::npos ? 0 : last_zero + 1;
      tail = ',';
    } else if (last_f == std::string::npos || last_f + 1 < row.size() - 1) {
      end = last_f == std::string::npos ? 0 : last_f + 1;
      tail = '!';
    }
    for (std::size_t i = 0; i < end;) {
      std::size_t j = i;
      while (j < end && row[j] == row[i]) ++j;
      AppendRun(out, static_cast<int>(j - i), row[i]);
      i = j;
    }
    if (tail != 0) out += tail;
  }
  return out;
}

std::uint16_t ZplCrc16(const std::string& text) {
  std::uint16_t crc = 0;
  for (const char c : text) {
    crc ^= static_cast<std::uint16_t>(static_cast<unsigned char>(c) << 8);
    for (int i = 0; i < 8; ++i)
      crc = (crc & 0x8000) != 0 ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                : static_cast<std::uint16_t>(crc << 1);
  }
  return crc;
}

std::string ZplZ64(const DotBitmap& b) {
  uLongf size = compressBound(static_cast<uLong>(b.bits.size()));
  std::vector<unsigned char> packed(size);
  if (compress2(packed.data(), &size, b.bits.data(), static_cast<uLong>(b.bits.size()),
                Z_DEFAULT_COMPRESSION) != Z_OK)
    return {};
  const std::string text = Base64(packed.data(), size);
  char crc[8];
  std::snprintf(crc, sizeof crc, "%04X", ZplCrc16(text));
  return ":Z64:" + text + ":" + crc;
}

std::string ZplLabel(const DotBitmap& label, const LabelFormat& format) {
  const PrinterSettings& s = format.settings;
  std::string out = "^XA";
  out += s.media == MediaType::kGap ? "^MNY" : s.media == MediaType::kMark ? "^MNM" : "^MNN";
  // Darkness as an absolute setting, so a job does not add to the last one's.
  if (s.darkness) out += "~SD" + std::string(*s.darkness < 10 ? "0" : "") + Dots(*s.darkness);
  if (s.speed) out += "^PR" + Dots(*s.speed);
  out += "^PW" + Dots(format.width_dots) + "^LL" + Dots(format.height_dots) + "^LH0,0";
  if (const auto ink = FindInk(label)) {
    const DotBitmap graphic = Crop(label, *ink);
    const std::string hex = ZplHexCompressed(graphic);
    const std::string z64 = ZplZ64(graphic);
    const std::string total = std::to_string(graphic.bits.size());
    out += "^FO" + Dots(ink->left_byte * 8) + "," + Dots(ink->top) + "^GFA," + total + "," + total +
           "," + std::to_string(graphic.bytes_per_row) + "," +
           (!z64.empty() && z64.size() < hex.size() ? z64 : hex) + "^FS";
  }
  out += "^PQ1^XZ\n";
  return out;
}

std::string EplLabel(const DotBitmap& label, const LabelFormat& format) {
  const PrinterSettings& s = format.settings;
  std::string out = "\nN\nq" + Dots(format.width_dots) + "\n";
  // The gap or black mark between labels, 3 mm as most rolls have; none on continuous media.
  const int gap = static_cast<int>(3.0 / 25.4 * format.dpi + 0.5);
  out += "Q" + Dots(format.height_dots) + "," +
         (s.media == MediaType::kContinuous ? "0"
          : s.media == MediaType::kMark     ? "B" + Dots(gap)
                                            : Dots(gap)) +
         "\n";
  if (s.darkness) out += "D" + Dots(std::min(*s.darkness, 15)) + "\n";
  if (s.speed) out += "S" + Dots(*s.speed) + "\n";
  if (const auto ink = FindInk(label)) {
    const DotBitmap graphic = Crop(label, *ink);
    out += "GW" + Dots(ink->left_byte * 8) + "," + Dots(ink->top) + "," +
           std::to_string(graphic.bytes_per_row) + "," + std::to_string(graphic.height) + ",";
    // EPL prints the 0 bits.
    for (const std::uint8_t byte : graphic.bits) out += static_cast<char>(~byte & 0xFF);
    out += "\n";
  }
  out += "P1\n";
  return out;
}

}  // namespace vellomir
