#include "app/merge_options.h"

#include <istream>

#include "app/verify_command.h"

namespace vellomir {

MergeOptions TakeMergeOptions(std::vector<std::string>& args, bool with_row, bool with_batches) {
  MergeOptions o;
  if (with_batches) {
    o.reprint = TakeFlag(args, "--reprint");
    o.continue_batches = TakeFlag(args, "--continue");
    if (o.reprint && o.continue_batches) o.error = "--reprint 和 --continue 只能選一個";
  }
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a != "--data" && a != "--encoding" && !(with_row && a == "--row")) continue;
    if (i + 1 >= args.size() || args[i + 1].empty()) {
      o.error = "選項 " + a + " 缺少值";
      return o;
    }
    const std::string value = args[i + 1];
    if (a == "--data") {
      o.data = value;
    } else if (a == "--encoding") {
      if (value == "utf-8" || value == "UTF-8" || value == "utf8")
        o.encoding = MergeEncoding::kUtf8;
      else if (value == "cp950" || value == "CP950" || value == "big5" || value == "Big5")
        o.encoding = MergeEncoding::kCp950;
      else
        o.error = "--encoding 只能是 utf-8 或 cp950: " + value;
    } else {
      const bool digits =
          value.size() <= 7 && value.find_first_not_of("0123456789") == std::string::npos;
      if (!digits || std::stoul(value) == 0)
        o.error = "--row 的值必須是 1 以上的整數: " + value;
      else
        o.row = std::stoul(value);
    }
    args.erase(args.begin() + static_cast<std::ptrdiff_t>(i),
               args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    --i;
    if (!o.error.empty()) return o;
  }
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
