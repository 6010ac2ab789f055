#include "render/undrawable_barcode.h"

#include <memory>

#include "barcode/barcode_kinds.h"
#include "platform/text_util.h"

namespace vellomir {

namespace {

// Only notes whether a bar was drawn; measures text as nothing.
class BarDetector : public DrawingSurface {
 public:
  bool drew = false;
  std::optional<PictureSize> LoadPicture(const std::string&) override { return std::nullopt; }
  void DrawPicture(const std::string&, double, double, double, double) override {}

 protected:
  void FillBox(double, double, double, double, int) override { drew = true; }
  void DrawText(double, double, const std::string&, const FontState&) override {}
  double TextWidth(const std::string&, const FontState&) override { return 0; }
  void Erase() override {}
};

bool Draws(const RuleTable& single, std::int64_t label, float unitsPerMm) {
  LabelDrawing how;
  how.unitsPerMm = unitsPerMm;
  return DrawsBars(single, label, how);
}

}  // namespace

bool DrawsBars(const RuleTable& single, std::int64_t label, const LabelDrawing& how) {
  BarDetector surface;
  LabelDrawing plain = how;
  plain.ruleHitBoxes = nullptr;
  DrawLabel(surface, single, 0, 0, static_cast<double>(label), plain);
  return surface.drew;
}

std::optional<UndrawableBarcode> FindUndrawableBarcode(const RuleTable& rules, std::int64_t labels,
                                                       float unitsPerMm) {
  if (labels < 1) labels = 1;
  auto single = std::make_unique<RuleTable>();
  single->n = 1;
  for (int i = 0; i < rules.n; ++i) {
    const auto& row = rules.rows[static_cast<std::size_t>(i)];
    // Data with fields changes from row to row: the rows are checked one by one instead.
    const std::optional<int> kind = BarcodeRuleKind(row);
    const RuleRecord r(row);
    if (!kind || HasFields(r.Data())) continue;
    single->rows[0] = row;
    std::int64_t first_bad = 0;
    if (!Draws(*single, 1, unitsPerMm)) {
      first_bad = 1;
    } else if (labels > 1 && !Draws(*single, labels, unitsPerMm)) {
      std::int64_t good = 1;      // draws
      std::int64_t bad = labels;  // does not
      while (bad - good > 1) {
        const std::int64_t mid = good + (bad - good) / 2;
        (Draws(*single, mid, unitsPerMm) ? good : bad) = mid;
      }
      first_bad = bad;
    }
    if (first_bad == 0) continue;
    UndrawableBarcode found;
    found.rule = i;
    found.label = first_bad;
    found.data =
        ContentWithBatch(r.Data(), r.BatchDigits(), r.BatchStart(), static_cast<double>(first_bad))
            .value_or(r.Data());
    const auto withCheck = BarcodeRuleWithCheck(*kind, r.CheckCharacter());
    if (const auto pattern = EncodeBarcode(*kind, found.data, withCheck.value_or(0)))
      if (pattern->refused) found.reason = pattern->error;
    return found;
  }
  return std::nullopt;
}

std::string DescribeUndrawableBarcode(const RuleTable& rules, const UndrawableBarcode& found) {
  const auto& row = rules.rows[static_cast<std::size_t>(found.rule)];
  const std::string name =
      std::string(kBarcodeKindNames[static_cast<std::size_t>(BarcodeRuleKind(row).value_or(0))]);
  const std::string where = "第" + std::to_string(found.rule + 1) + "個規則 (" + name +
                            " 條碼) 在第" + std::to_string(found.label) + "張標籤";
  if (!found.reason.empty())
    return where + "的資料 " + found.data + " 不合這種條碼: " + found.reason;
  return where + "畫不出來: 資料 " + found.data + " 超出這種條碼或畫法的限制,那張標籤" +
         (found.label > 1 ? "起" : "") + "會少了這個條碼";
}

}  // namespace vellomir
