#include "render/label_fields.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "barcode/barcode_kinds.h"
#include "barcode/ean_upc.h"
#include "barcode/upc_e.h"
#include "platform/text_util.h"
#include "render/label_renderer.h"
#include "render/undrawable_barcode.h"

namespace vellomir {

namespace {

bool OnlyOf(const std::string& data, std::string_view allowed) {
  return std::all_of(data.begin(), data.end(),
                     [&](char c) { return allowed.find(c) != std::string_view::npos; });
}

constexpr std::string_view kDigits = "0123456789";

// Digits only, `length` of them or one more carrying the right check digit.
std::string EanProblem(const std::string& data, std::size_t length, std::string_view name) {
  const std::string counts =
      std::to_string(length) + " 位數字 (或連檢查碼 " + std::to_string(length + 1) + " 位)";
  if (data.empty() || !OnlyOf(data, kDigits))
    return std::string(name) + " 只能有數字: 要 " + counts;
  if (data.size() != length && data.size() != length + 1)
    return std::string(name) + " 要 " + counts + ",這裡有 " + std::to_string(data.size()) + " 位";
  if (data.size() == length + 1) {
    const char expected = static_cast<char>(
        '0' + EanCheckDigit(ToCodePoints(data.substr(0, length)), static_cast<int>(length)));
    if (data.back() != expected)
      return std::string("檢查碼應該是 ") + expected + ",不是 " + data.back();
  }
  return {};
}

}  // namespace

std::optional<std::size_t> LabelFields::RowOf(double labelNumber) const {
  if (data == nullptr || data->rows.empty()) return std::nullopt;
  if (fixed_row) return std::min(*fixed_row, data->rows.size() - 1);
  if (row_ends.empty() || !(labelNumber >= 1)) return std::size_t{0};
  const auto label = static_cast<int64_t>(std::min(std::ceil(labelNumber), 9e18));
  const auto at = std::lower_bound(row_ends.begin(), row_ends.end(), label) - row_ends.begin();
  return std::min(static_cast<std::size_t>(at), data->rows.size() - 1);
}

FieldExpansion LabelFields::Expand(std::string_view text, double labelNumber) const {
  FieldValues values;
  values.today = today;
  values.keep_unknown = keep_unknown;
  if (const std::optional<std::size_t> row = RowOf(labelNumber)) {
    values.names = &data->names;
    values.values = &data->rows[*row];
  }
  return ExpandFields(text, values);
}

std::optional<int64_t> PlanMergeRun(const MergeData& data, int64_t copies, int64_t most,
                                    LabelFields& fields, std::string& problem) {
  fields.data = &data;
  fields.row_ends.clear();
  int64_t total = 0;
  for (std::size_t r = 0; r < data.rows.size(); ++r) {
    total += data.quantity_column ? data.quantities[r] : std::max<int64_t>(copies, 1);
    if (total > most) {
      problem = "資料檔要印的標籤超過 " + std::to_string(most) + " 張 (到" + MergeRowName(data, r) +
                "),請分次列印";
      return std::nullopt;
    }
    fields.row_ends.push_back(total);
  }
  if (total == 0) {
    problem = "資料檔每一筆的數量都是 0,沒有標籤可以列印";
    return std::nullopt;
  }
  return total;
}

std::string BarcodeDataProblem(int kind, const std::string& data) {
  switch (static_cast<BarcodeKind>(kind)) {
    case BarcodeKind::kCode39:
      if (!OnlyOf(data, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%"))
        return "Code 39 只能有 0-9、大寫 A-Z 和 - . 空白 $ / + %";
      return {};
    case BarcodeKind::kEan13:
      return EanProblem(data, 12, "EAN-13");
    case BarcodeKind::kEan8:
      return EanProblem(data, 7, "EAN-8");
    case BarcodeKind::kUpcA:
      return EanProblem(data, 12, "UPC-A (0 加 11 位)");
    case BarcodeKind::kUpcE:
      return EanProblem(data, 7, "UPC-E");
    case BarcodeKind::kUpcA2E:
      if (!OnlyOf(data, kDigits) || ConvertUpcAToUpcE(data) == kUpcA2EMessage)
        return "這個 UPC-A 號碼沒有 UPC-E 的寫法";
      return {};
    case BarcodeKind::kInterleaved2of5:
      if (data.empty() || !OnlyOf(data, kDigits)) return "INT-25 只能有數字";
      return {};
    case BarcodeKind::kCodabar:
      if (!OnlyOf(data, "0123456789-$:/.+ABCDabcd")) return "CODABAR 只能有數字和 - $ : / . +";
      return {};
    case BarcodeKind::kCode128:
      if (!std::all_of(data.begin(), data.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return "Code 128 只能有 ASCII 字元";
      return {};
    case BarcodeKind::kQrCode:
    case BarcodeKind::kDataMatrix:
    case BarcodeKind::kPdf417:
    case BarcodeKind::kGs1_128:
    case BarcodeKind::kGs1DataMatrix:
    case BarcodeKind::kGs1Qr: {
      // What the encoder refuses, in its own words: a wrong check digit, bad AIs, too much data.
      const std::optional<SymbolPattern> pattern = EncodeBarcode(kind, data, 0);
      return pattern && pattern->refused ? pattern->error : std::string();
    }
  }
  return {};
}

std::string CheckMergeRows(const RuleTable& rules, const LabelFields& fields, int64_t labels,
                           float unitsPerMm) {
  const MergeData* data = fields.data;
  auto single = std::make_unique<RuleTable>();
  single->n = 1;
  LabelDrawing how;
  how.unitsPerMm = unitsPerMm;
  how.fields = &fields;
  const std::size_t rows = data != nullptr ? data->rows.size() : 1;
  for (std::size_t r = 0; r < rows; ++r) {
    int64_t first = 1;
    int64_t last = labels;
    if (data != nullptr && r < fields.row_ends.size()) {
      first = r == 0 ? 1 : fields.row_ends[r - 1] + 1;
      last = fields.row_ends[r];
    }
    if (first > last) continue;  // a row of quantity 0 prints nothing
    if (fields.fixed_row && r != *fields.fixed_row) continue;
    const std::string where = data != nullptr ? "資料檔" + MergeRowName(*data, r) + ": " : "";
    for (const int64_t label : {first, last}) {
      for (int i = 0; i < std::clamp(rules.n, 0, kRuleTableRows); ++i) {
        const auto& f = rules.rows[static_cast<std::size_t>(i)];
        const RuleRecord stored(f);
        if (!(stored.IsBarcode() || stored.IsText()) || !HasFields(stored.Data())) continue;
        const std::string rule = "第" + std::to_string(i + 1) + "個規則";
        const FieldExpansion e = fields.Expand(stored.Data(), static_cast<double>(label));
        if (!e.missing.empty())
          return where + rule + "的欄位 ${" + e.missing + "} " +
                 (data != nullptr ? "在資料檔的標題列裡沒有" : "沒有值: 沒有指定資料檔");
        if (!e.problem.empty()) return where + rule + ": " + e.problem;
        const std::optional<int> kind = BarcodeRuleKind(f);
        if (!kind) continue;
        const std::optional<std::string> formed =
            ContentWithBatch(e.text, stored.BatchDigits(), stored.BatchStart(), static_cast<double>(label));
        std::string problem = formed ? BarcodeDataProblem(*kind, *formed) : "批號超出範圍";
        if (problem.empty()) {
          single->rows[0] = f;
          if (!DrawsBars(*single, label, how)) problem = "超出這種條碼或畫法的限制";
        }
        if (!problem.empty())
          return where + rule + " (" +
                 std::string(kBarcodeKindNames[static_cast<std::size_t>(*kind)]) +
                 " 條碼) 的資料「" + formed.value_or(e.text) + "」不能印: " + problem;
      }
    }
  }
  return {};
}

}  // namespace vellomir
