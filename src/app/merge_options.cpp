#include "app/merge_options.h"

#include <istream>

namespace vellomir {

MergeOptions MergeOptionsFrom(const ParsedCommandLine& parsed) {
  MergeOptions o;
  o.reprint = parsed.Has("--reprint");
  o.continue_batches = parsed.Has("--continue");
  if (o.reprint && o.continue_batches) o.error = "--reprint 和 --continue 只能選一個";
  o.data = parsed.Text("--data").value_or("");
  if (const auto encoding = parsed.Text("--encoding")) {
    const std::string& value = *encoding;
    if (value == "utf-8" || value == "UTF-8" || value == "utf8")
      o.encoding = MergeEncoding::kUtf8;
    else if (value == "cp950" || value == "CP950" || value == "big5" || value == "Big5")
      o.encoding = MergeEncoding::kCp950;
    else
      o.error = "--encoding 只能是 utf-8 或 cp950: " + value;
  }
  if (const auto row = parsed.Number("--row")) o.row = static_cast<std::size_t>(*row);
  if (o.data.empty() && o.row) o.error = "--row 要和 --data 一起用";
  return o;
}

std::string LoadMergeData(const MergeOptions& options, std::istream& standard_input,
                          std::optional<MergeData>& data) {
  data.reset();
  if (options.data.empty()) return {};
  MergeReadResult read;
  if (options.data == "-") {
    read = ReadMergeData(standard_input, options.encoding);
  } else {
    read = ReadMergeFile(FileSystem(), options.data, options.encoding);
  }
  if (!read.data) return options.data + ": " + read.error;
  if (options.row && *options.row > read.data->rows.size())
    return options.data + ": 資料檔只有 " + std::to_string(read.data->rows.size()) +
           " 筆資料,沒有第 " + std::to_string(*options.row) + " 筆";
  data = std::move(read.data);
  return {};
}

}  // namespace vellomir
