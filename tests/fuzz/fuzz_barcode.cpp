// Every painter with any data and any arguments the renderer can pass.
#include <cstddef>
#include <cstdint>
#include <string>

#include "barcode/barcode_kinds.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vellomir;
  fuzz::ByteReader input(data, size);
  const int kind = input.TakeInRange(-1, static_cast<int>(kBarcodeKindCount));
  const auto withCheck = input.Take<int16_t>();
  const auto withText = static_cast<int16_t>(input.TakeInRange(-1, 2));
  const auto fontSize = input.Take<int16_t>();
  int32_t x = input.Take<int32_t>();
  const auto y = input.Take<int32_t>();
  const auto moduleWidth = input.Take<int16_t>();
  const auto barHeight = input.Take<int16_t>();
  const std::string text = input.TakeRest();

  const FixedPitchMetrics metrics(120);
  RecordingSurface surface(metrics);
  const int32_t x_before = x;
  const bool painted = PaintBarcode(kind, text, surface, withCheck, withText, fontSize, x, y,
                                    moduleWidth, barHeight);
  FUZZ_CHECK(painted == (kind >= 0 && kind < static_cast<int>(kBarcodeKindCount)));
  FUZZ_CHECK(fuzz::AllOperationsFinite(surface));
  if (!painted) FUZZ_CHECK(surface.Ops().empty());
  const auto pattern = EncodeBarcode(kind, text, withCheck);
  // A refused symbol draws nothing at all and leaves x where it was.
  if (pattern && pattern->refused) {
    FUZZ_CHECK(surface.Ops().empty());
    FUZZ_CHECK(x == x_before);
  }
  // The human-readable line only when asked for, and never under a 2-D symbol.
  if (withText != 1 || IsSquareSymbol(kind)) FUZZ_CHECK(surface.Texts().empty());
  // A 2-D symbol is whole rows, each as wide as the first.
  if (pattern && pattern->kind == PatternKind::kMatrix)
    for (const auto& row : pattern->segments)
      FUZZ_CHECK(row.bits.size() == pattern->segments.front().bits.size());
  return 0;
}
