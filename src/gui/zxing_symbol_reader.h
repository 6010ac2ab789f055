#pragma once

#include <QImage>
#include <QPainter>
#include <memory>

#include "gui/qt_surface.h"
#include "platform/symbol_reader.h"

// Symbols read back from an image of the page with ZXing-cpp, as the print run's check does.
namespace vellomir {

class ZXingSymbolReader : public SymbolReader {
 public:
  ZXingSymbolReader();
  ~ZXingSymbolReader() override;

  DrawingSurface& NewPage(const TwipArea& area, double dots_per_inch, bool on_dots) override;
  std::optional<std::string> Read(const TwipArea& area, int kind) override;

  // The page as drawn so far (for tests and for looking at a failed symbol).
  const QImage& Page();

 private:
  void Finish();

  QImage image_;
  TwipArea area_;
  double dpi_ = 0;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<QtSurface> surface_;
  std::unique_ptr<RecordingSurface> nowhere_;
};

}  // namespace vellomir
