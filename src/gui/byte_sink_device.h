#pragma once

#include <QIODevice>

#include "platform/byte_sink.h"

namespace vellomir {

// A write-only QIODevice over a ByteSink, for Qt's writers (PDF, SVG, image) that ignore write
// errors: the first failed write is kept here, so the caller can check after every page and
// stop at once instead of finding a truncated file at the end.
class ByteSinkDevice : public QIODevice {
 public:
  explicit ByteSinkDevice(ByteSink& sink);
  ~ByteSinkDevice() override;

  // A write was refused; the sink stays failed.
  bool Failed() const { return failed_; }

 protected:
  qint64 readData(char* data, qint64 max_size) override;
  qint64 writeData(const char* data, qint64 size) override;

 private:
  ByteSink& sink_;
  bool failed_ = false;
};

}  // namespace vellomir
