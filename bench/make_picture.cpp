// Writes a picture of WIDTH x HEIGHT pixels for the picture benchmarks, so no large file lives
// in the repository: a colour gradient with a grid of dark lines and a soft noise, which
// compresses about as a photograph scanned for a label does (not to nothing).
// Usage: make_picture WIDTH HEIGHT FILE.png|FILE.jpg
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_picture WIDTH HEIGHT FILE\n");
    return 2;
  }
  const int w = std::atoi(argv[1]), h = std::atoi(argv[2]);
  QImage image(w, h, QImage::Format_RGB32);
  if (image.isNull()) return 1;
  std::uint32_t seed = 12345;
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int noise = static_cast<int>(seed >> 30);  // 0..3
      const bool line = x % 250 < 6 || y % 250 < 6;
      const int r = line ? 20 : 255 * x / w, g = line ? 20 : 255 * y / h;
      row[x] = qRgb(std::min(255, r + noise), g, 128);
    }
  }
  // Qt's PNG writer reads a quality as "little compression": only a JPEG gets one.
  const QString file = QString::fromLocal8Bit(argv[3]);
  return image.save(file, nullptr, file.endsWith(".png", Qt::CaseInsensitive) ? -1 : 90) ? 0 : 1;
}
