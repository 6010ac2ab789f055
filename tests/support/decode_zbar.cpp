#include "output/zbar_symbol_reader.h"
#include "support/decode.h"

namespace vellomir::test {

std::vector<std::string> DecodeAllWithZbar(const QImage& image) {
  return ReadEverySymbolWithZbar(image);
}

}  // namespace vellomir::test
