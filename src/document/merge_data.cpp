#include "document/merge_data.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/text_util.h"

namespace vellomir {

namespace {

struct RawRecord {
  int64_t line = 1;
  std::vector<std::string> fields;
};

std::string RowWords(std::size_t record, int64_t line) {
  return "第 " + std::to_string(record) + " 筆資料 (第 " + std::to_string(line) + " 行)";
}

// Records count from 0, the header; data rows from 1.
std::string Where(std::size_t record, int64_t line) {
  if (record == 0) return "資料檔的標題列 (第 " + std::to_string(line) + " 行)";
  return "資料檔" + RowWords(record, line);
}

// RFC 4180 records, also with bare LF or CR line ends, fed a block at a time.
class CsvParser {
 public:
  explicit CsvParser(char delimiter) : delimiter_(delimiter) {}

  // "" while all is well, else the error, naming the row.
  std::string Feed(std::string_view bytes) {
    for (const char c : bytes) {
      if (skip_lf_) {
        skip_lf_ = false;
        if (c == '\n') continue;
      }
      if (c == '\0') return Where(records_.size(), line_) + ": 含有 NUL 字元,不是文字檔";
      if (++record_bytes_ > kMaxMergeRecordBytes)
        return Where(records_.size(), record_line_) + ": 這一筆超過 1 MB,不是一筆商品資料";
      const bool line_end = c == '\r' || c == '\n';
      switch (state_) {
        case State::kFieldStart:
          if (c == '"') {
            state_ = State::kQuoted;
            quoted_ = true;
          } else if (c == delimiter_) {
            if (auto e = EndField(); !e.empty()) return e;
          } else if (line_end) {
            if (auto e = EndRecord(c); !e.empty()) return e;
          } else {
            field_ += c;
            state_ = State::kUnquoted;
          }
          break;
        case State::kUnquoted:
          if (c == delimiter_) {
            if (auto e = EndField(); !e.empty()) return e;
          } else if (line_end) {
            if (auto e = EndRecord(c); !e.empty()) return e;
          } else {
            field_ += c;
          }
          break;
        case State::kQuoted:
          if (c == '"') {
            state_ = State::kQuoteInQuoted;
          } else {
            field_ += c;
            if (c == '\n') ++line_;
          }
          break;
        case State::kQuoteInQuoted:
          if (c == '"') {
            field_ += '"';
            state_ = State::kQuoted;
          } else if (c == delimiter_) {
            if (auto e = EndField(); !e.empty()) return e;
          } else if (line_end) {
            if (auto e = EndRecord(c); !e.empty()) return e;
          } else {
            return Where(records_.size(), line_) +
                   ": 引號結束後還有文字 (欄位裡的引號要寫成兩個 \"\")";
          }
          break;
      }
    }
    return {};
  }

  std::string Finish() {
    if (state_ == State::kQuoted) return Where(records_.size(), record_line_) + ": 引號沒有結束";
    if (state_ != State::kFieldStart || !fields_.empty() || quoted_) return EndRecord('\n');
    return {};
  }

  std::vector<RawRecord>& Records() { return records_; }

 private:
  enum class State { kFieldStart, kUnquoted, kQuoted, kQuoteInQuoted };

  std::string EndField() {
    fields_.push_back(std::move(field_));
    field_.clear();
    state_ = State::kFieldStart;
    if (fields_.size() > kMaxMergeColumns)
      return Where(records_.size(), record_line_) + ": 超過 " + std::to_string(kMaxMergeColumns) +
             " 欄";
    return {};
  }

  std::string EndRecord(char ending) {
    if (auto e = EndField(); !e.empty()) return e;
    // A blank line is no row.
    if (!(fields_.size() == 1 && fields_[0].empty() && !quoted_)) {
      if (records_.size() > kMaxMergeRows)
        return "資料檔超過 " + std::to_string(kMaxMergeRows) + " 筆資料,請分成幾個檔";
      records_.push_back({record_line_, std::move(fields_)});
    }
    fields_.clear();
    quoted_ = false;
    skip_lf_ = ending == '\r';
    ++line_;
    record_line_ = line_;
    record_bytes_ = 0;
    return {};
  }

  char delimiter_;
  State state_ = State::kFieldStart;
  std::vector<RawRecord> records_;
  std::vector<std::string> fields_;
  std::string field_;
  bool quoted_ = false;
  bool skip_lf_ = false;
  int64_t line_ = 1;
  int64_t record_line_ = 1;
  std::size_t record_bytes_ = 0;
};

char DetectDelimiter(std::string_view head) {
  const std::string_view first = head.substr(0, head.find_first_of("\r\n"));
  const auto tabs = std::count(first.begin(), first.end(), '\t');
  const auto commas = std::count(first.begin(), first.end(), ',');
  return tabs > commas ? '\t' : ',';
}

// The text of every field in UTF-8, or the error naming the first row that is not.
std::string Decode(std::vector<RawRecord>& records, MergeEncoding told, MergeEncoding& used) {
  used = told;
  if (told == MergeEncoding::kDetect) {
    used = MergeEncoding::kUtf8;
    for (const RawRecord& r : records)
      for (const std::string& f : r.fields)
        if (!IsUtf8(f)) used = MergeEncoding::kCp950;
  }
  for (std::size_t i = 0; i < records.size(); ++i) {
    for (std::string& f : records[i].fields) {
      if (used == MergeEncoding::kUtf8) {
        if (!IsUtf8(f)) return Where(i, records[i].line) + ": 不是 UTF-8 文字";
        continue;
      }
      std::optional<std::string> text = Cp950ToUtf8(f);
      if (!text)
        return Where(i, records[i].line) + (told == MergeEncoding::kDetect
                                                ? ": 不是 UTF-8 也不是 CP950 (Big5) 文字"
                                                : ": 不是 CP950 (Big5) 文字");
      f = std::move(*text);
    }
  }
  return {};
}

bool IsQuantityName(const std::string& name) {
  std::string lower = name;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return name == "數量" || lower == "qty";
}

std::optional<int64_t> Quantity(const std::string& text) {
  const std::string t = Trim(text);
  if (t.empty() || t.size() > 7 || t.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const int64_t n = std::stoll(t);
  if (n > kMaxMergeQuantity) return std::nullopt;
  return n;
}

MergeReadResult Failed(std::string error) {
  MergeReadResult r;
  r.error = std::move(error);
  return r;
}

}  // namespace

bool IsUtf8(const std::string& bytes) {
  std::size_t i = 0;
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  while (i < n) {
    const unsigned char c = s[i];
    std::size_t more = 0;
    char32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    for (std::size_t k = 1; k <= more; ++k) {
      if (i + k >= n || (s[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    if ((more == 2 && cp < 0x800) || (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += more + 1;
  }
  return true;
}

std::string MergeRowName(const MergeData& data, std::size_t row) {
  return RowWords(row + 1, row < data.lines.size() ? data.lines[row] : 0);
}

MergeReadResult ReadMergeData(std::istream& in, MergeEncoding encoding, char delimiter) {
  std::string head;
  std::string block(64 * 1024, '\0');
  std::size_t total = 0;
  auto read = [&]() -> std::size_t {
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    total += got;
    return got;
  };
  // Enough of the start to see the header's line and a byte-order mark.
  while (head.find_first_of("\r\n") == std::string::npos && head.size() <= kMaxMergeRecordBytes) {
    const std::size_t got = read();
    if (got == 0) break;
    head.append(block.data(), got);
  }
  if (in.bad()) return Failed("無法讀取資料檔");
  const bool bom = head.compare(0, 3, "\xEF\xBB\xBF") == 0;
  if (bom) {
    head.erase(0, 3);
    if (encoding == MergeEncoding::kDetect) encoding = MergeEncoding::kUtf8;
  }
  CsvParser parser(delimiter != 0 ? delimiter : DetectDelimiter(head));
  if (auto e = parser.Feed(head); !e.empty()) return Failed(e);
  for (;;) {
    const std::size_t got = read();
    if (got == 0) break;
    if (total > kMaxMergeFileBytes)
      return Failed("資料檔超過 " + std::to_string(kMaxMergeFileBytes >> 20) + " MB,請分成幾個檔");
    if (auto e = parser.Feed(std::string_view(block.data(), got)); !e.empty()) return Failed(e);
  }
  if (in.bad()) return Failed("無法讀取資料檔");
  if (auto e = parser.Finish(); !e.empty()) return Failed(e);

  std::vector<RawRecord>& records = parser.Records();
  if (records.empty()) return Failed("資料檔是空的: 第一行要是欄名,之後每行一筆資料");
  MergeData data;
  data.delimiter = delimiter != 0 ? delimiter : DetectDelimiter(head);
  if (auto e = Decode(records, encoding, data.encoding); !e.empty()) return Failed(e);

  for (const std::string& name : records[0].fields) {
    std::string trimmed = Trim(name);
    if (!trimmed.empty() &&
        std::find(data.names.begin(), data.names.end(), trimmed) != data.names.end())
      return Failed(Where(0, records[0].line) + ": 欄名「" + trimmed + "」重複了");
    if (IsQuantityName(trimmed) && !data.quantity_column) data.quantity_column = data.names.size();
    data.names.push_back(std::move(trimmed));
  }
  if (records.size() == 1) return Failed("資料檔只有標題列,沒有資料");
  for (std::size_t i = 1; i < records.size(); ++i) {
    RawRecord& r = records[i];
    if (r.fields.size() != data.names.size())
      return Failed(Where(i, r.line) + ": 有 " + std::to_string(r.fields.size()) + " 欄,標題列有 " +
                    std::to_string(data.names.size()) + " 欄");
    if (data.quantity_column) {
      const std::string& text = r.fields[*data.quantity_column];
      const std::optional<int64_t> n = Quantity(text);
      if (!n)
        return Failed(Where(i, r.line) + ": " + data.names[*data.quantity_column] + "「" + text +
                      "」不是 0 到 " + std::to_string(kMaxMergeQuantity) + " 的整數");
      data.quantities.push_back(*n);
    }
    data.lines.push_back(r.line);
    data.rows.push_back(std::move(r.fields));
  }
  MergeReadResult result;
  result.data = std::move(data);
  return result;
}

}  // namespace vellomir

namespace vellomir {

MergeReadResult ReadMergeFile(const FileSystem& files, const std::string& path,
                              MergeEncoding encoding) {
  const std::string where = files.Resolve(path);
  std::error_code ec;
  if (!std::filesystem::exists(where, ec)) return Failed("找不到資料檔");
  if (std::filesystem::is_directory(where, ec)) return Failed("這是個資料夾,不是資料檔");
  std::ifstream in(where, std::ios::binary);
  if (!in) return Failed("無法讀取資料檔");
  return ReadMergeData(in, encoding);
}

}  // namespace vellomir
