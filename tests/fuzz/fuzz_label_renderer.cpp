// The label renderer fed an arbitrary working file: the preview with its hit boxes, and the
// same rules drawn as a print run would, at an offset and with a running label number.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "document/label_file.h"
#include "fuzz_support.h"
#include "platform/text_util.h"
#include "render/label_renderer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vellomir;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  fuzz::EmptyPrivateFolder();
  fuzz::PutPictures();
  fuzz::PutFile("temp1.txt", bytes);
  FileSystem files(fuzz::PrivateFolder());

  // The layout comes from the file's own settings line, as an open would set it.
  MainWindowModel window;
  const std::vector<std::string> lines = SplitLines(bytes);
  if (!lines.empty()) {
    if (const auto first = Cp950ToUtf8(lines[0])) ApplySettingsRecord(window, SplitFields(*first));
  }

  const FixedPitchMetrics metrics(120);
  const fuzz::StandInPictures pictures;
  RecordingSurface preview(metrics, &pictures);
  DrawLabelPreview(window, preview, files, &files);
  FUZZ_CHECK(!preview.Ops().empty());  // at least the clear
  FUZZ_CHECK(fuzz::AllOperationsFinite(preview));
  for (const PictureOp& p : preview.Pictures()) FUZZ_CHECK(p.path.ends_with("logo.png"));

  // A print run draws the same rules at the label's place on the page.
  const auto rules = std::make_unique<RuleTable>(ReadRuleTable(files));
  const double label = NumericValue(window.l_amount.text);
  const double width = NumericValue(window.l_paper_width.text) * window.UnitsPerMm;
  const double height = NumericValue(window.l_paper_height.text) * window.UnitsPerMm;
  const double offset_x = std::isfinite(width) ? width : 0;
  const int32_t offset_y = ToInt32(height).value_or(0);
  LabelDrawing how;
  how.pictures = &files;
  RecordingSurface page(metrics, &pictures);
  DrawLabel(page, *rules, offset_x, offset_y, label, how);
  FUZZ_CHECK(fuzz::AllOperationsFinite(page));

  // Drawn twice, a label comes out the same: nothing is left over from the last drawing.
  RecordingSurface again(metrics, &pictures);
  DrawLabel(again, *rules, offset_x, offset_y, label, how);
  FUZZ_CHECK(again.Boxes() == page.Boxes());
  FUZZ_CHECK(again.Texts().size() == page.Texts().size());
  FUZZ_CHECK(again.Pictures().size() == page.Pictures().size());
  return 0;
}
