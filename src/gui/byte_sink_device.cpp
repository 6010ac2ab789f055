#include "gui/byte_sink_device.h"

namespace vellomir {

ByteSinkDevice::ByteSinkDevice(ByteSink& sink) : sink_(sink) {
  open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

ByteSinkDevice::~ByteSinkDevice() { close(); }

qint64 ByteSinkDevice::readData(char*, qint64) { return -1; }

qint64 ByteSinkDevice::writeData(const char* data, qint64 size) {
  if (failed_ || size < 0) return -1;
  if (!sink_.Write(data, static_cast<std::size_t>(size))) {
    failed_ = true;
    setErrorString(QStringLiteral("write failed"));
    return -1;
  }
  return size;
}

}  // namespace vellomir
