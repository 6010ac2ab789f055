#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

// A data file for printing one label per row of a product list (a merge): CSV or TSV with a
// header row naming the fields, quoted as RFC 4180 says, in UTF-8 or CP950. Read whole before a
// run, so a bad row is found before anything is printed.
namespace vellomir {

enum class MergeEncoding { kDetect, kUtf8, kCp950 };

// Guards against files that are no product list: one row (with its quoted line breaks) and the
// whole file have a size limit, rows and columns a count limit.
inline constexpr std::size_t kMaxMergeRecordBytes = 1 << 20;
inline constexpr std::size_t kMaxMergeFileBytes = 64u << 20;
inline constexpr std::size_t kMaxMergeRows = 1000000;
inline constexpr std::size_t kMaxMergeColumns = 1000;
// A quantity column says how many labels a row gets, at most this many.
inline constexpr int64_t kMaxMergeQuantity = 1000000;

struct MergeData {
  std::vector<std::string> names;                 // the header, trimmed, UTF-8
  std::vector<std::vector<std::string>> rows;     // every row has names.size() values, UTF-8
  std::vector<int64_t> lines;                     // the file's line where each row starts, from 1
  std::optional<std::size_t> quantity_column;     // "數量" or "qty"
  std::vector<int64_t> quantities;                // per row, when there is a quantity column
  MergeEncoding encoding = MergeEncoding::kUtf8;  // as read
  char delimiter = ',';
};

struct MergeReadResult {
  std::optional<MergeData> data;
  std::string error;  // one line naming the row, when data is empty
};

// Reads a data file. The delimiter is a tab when the header holds more tabs than commas
// (`delimiter` 0), else the one given. Encoding: UTF-8 when every byte is (a byte-order mark is
// skipped), else CP950, unless told. Blank lines are skipped.
MergeReadResult ReadMergeData(std::istream& in, MergeEncoding encoding = MergeEncoding::kDetect,
                              char delimiter = 0);

// Reads the data file at `path` (relative paths from the folder of `files`).
MergeReadResult ReadMergeFile(const FileSystem& files, const std::string& path,
                              MergeEncoding encoding = MergeEncoding::kDetect);

// "第 N 筆資料 (第 L 行)": how messages name rows[row].
std::string MergeRowName(const MergeData& data, std::size_t row);

// Whether the bytes are UTF-8 throughout.
bool IsUtf8(const std::string& bytes);

}  // namespace vellomir
