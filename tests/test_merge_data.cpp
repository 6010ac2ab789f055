#include <gtest/gtest.h>

#include <sstream>

#include "document/fields.h"
#include "document/merge_data.h"
#include "platform/text_util.h"

namespace vellomir {
namespace {

// --- Fields in rule data -------------------------------------------------------------------

const std::vector<std::string> kNames = {"品名", "售價", "date+1d"};
const std::vector<std::string> kRow = {"烏龍茶", "350", "欄位"};

TEST(Fields, ExpandColumnsAndDatesAndNameEveryMistake) {
  // expected: the text; or "?NAME" for a field without a value; or "!" and a problem's opening.
  const struct {
    CivilDate today;
    const char *data, *expected, *why;
  } rows[] = {
      {{2026, 12, 7}, "AB$CD $$ 5$", "AB$CD $$ 5$", "a lone or doubled $ stays (Code 39 has it)"},
      {{2026, 12, 7}, "$${品名}", "${品名}", "$${ writes a literal ${"},
      {{2026, 12, 7}, "NT$ ${售價}元 ${品名}", "NT$ 350元 烏龍茶", "columns of the row"},
      {{2026, 12, 7}, "${date+1d}", "欄位", "a column wins over a date of that spelling"},
      {{2026, 12, 7}, "${date}/${今天}", "2026/12/07/2026/12/07", "default format, both names"},
      {{2026, 12, 7}, "${date+30d:%Y/%m/%d}", "2027/01/06", "days across a year end"},
      {{2026, 8, 31}, "${date+6m}", "2027/02/28", "month end held to February's last day"},
      {{2024, 2, 29}, "${今天+1y:%Y-%m-%d}", "2025-02-28", "leap day plus a year"},
      {{2026, 3, 1}, "${date-1d}", "2026/02/28", "backwards"},
      {{2026, 12, 7}, "${date+2w:%y%m%d}", "261221", "weeks, two-digit year"},
      {{2026, 12, 7}, "${民國年}", "115", "ROC year: 2026 - 1911"},
      {{2026, 12, 7}, "${date:%R年%m月%d日 9%%}", "115年12月07日 9%", "ROC year in a format"},
      {{2027, 1, 5}, "${民國年-10d}", "115", "the offset moves the ROC year too"},
      {{2026, 12, 7}, "${無此欄}", "?無此欄", "no such column"},
      {{2026, 12, 7}, "${dates}", "?dates", "a longer name is no date"},
      {{2026, 12, 7}, "A${品名", "!欄位 ${品名 少了", "no closing brace"},
      {{2026, 12, 7}, "${date+30x}", "!日期欄位 ${date+30x} 的位移", "unknown unit"},
      {{2026, 12, 7}, "${date+}", "!日期欄位 ${date+} 的位移", "offset without a number"},
      {{2026, 12, 7}, "${date+99999999999d}", "!日期欄位", "beyond a century"},
      {{2026, 12, 7}, "${date:%H}", "!日期欄位 ${date:%H} 的格式", "a code we do not write"},
      {{2026, 12, 7}, "${date:%}", "!日期欄位 ${date:%} 的格式", "a lone percent sign"},
      {{2026, 12, 7}, "${date+1dX}", "!日期欄位 ${date+1dX} 看不懂", "text after the offset"},
  };
  for (const auto& r : rows) {
    FieldValues v{&kNames, &kRow, r.today};
    const FieldExpansion e = ExpandFields(r.data, v);
    const std::string got = !e.missing.empty()   ? "?" + e.missing
                            : !e.problem.empty() ? "!" + e.problem
                                                 : e.text;
    if (r.expected[0] == '!')
      EXPECT_EQ(got.rfind(r.expected, 0), 0u) << r.why << ": " << got;
    else
      EXPECT_EQ(got, r.expected) << r.why;
  }
  FieldValues preview;
  preview.keep_unknown = true;
  EXPECT_EQ(ExpandFields("${品名} ${date:%Y}", preview).text, "${品名} 1970")
      << "the preview shows an unknown field as typed";
}

// --- The data file reader ------------------------------------------------------------------

MergeReadResult Read(const std::string& bytes, MergeEncoding encoding = MergeEncoding::kDetect) {
  std::istringstream in(bytes);
  return ReadMergeData(in, encoding);
}

using Rows = std::vector<std::vector<std::string>>;

TEST(MergeData, ReadsQuotedCsvTsvAndBothEncodings) {
  const std::string cp950 = *Utf8ToCp950("品名,售價\r\n烏龍茶,350\r\n");
  const struct {
    std::string bytes;
    std::vector<std::string> names;
    Rows rows;
    std::vector<int64_t> lines;
    const char* why;
  } rows[] = {
      // clang-format off
      {"a,b\r\n1,2\r\n", {"a", "b"}, {{"1", "2"}}, {2}, "plain CRLF"},
      {"a,b\n\"x, y\",\"say \"\"hi\"\"\"\n", {"a", "b"}, {{"x, y", "say \"hi\""}}, {2},
       "RFC 4180 quoting: comma and doubled quote"},
      {"a,b\n\"two\nlines\",2\n3,4", {"a", "b"}, {{"two\nlines", "2"}, {"3", "4"}}, {2, 4},
       "a quoted line break; rows keep their file lines; no final line end"},
      {"a\tb\tc,d\n1\t2\t3,4\n", {"a", "b", "c,d"}, {{"1", "2", "3,4"}}, {2},
       "more tabs than commas in the header: TSV"},
      {"\xEF\xBB\xBF 品名 ,b\n\n烏龍,\n\n", {"品名", "b"}, {{"烏龍", ""}}, {3},
       "byte-order mark, trimmed names, blank lines skipped, empty last field"},
      {cp950, {"品名", "售價"}, {{"烏龍茶", "350"}}, {2}, "CP950 detected"},
      {"a,b\r1,2\r", {"a", "b"}, {{"1", "2"}}, {2}, "old Mac line ends"},
      // clang-format on
  };
  for (const auto& r : rows) {
    const MergeReadResult got = Read(r.bytes);
    ASSERT_TRUE(got.data) << r.why << ": " << got.error;
    EXPECT_EQ(got.data->names, r.names) << r.why;
    EXPECT_EQ(got.data->rows, r.rows) << r.why;
    EXPECT_EQ(got.data->lines, r.lines) << r.why;
  }
  EXPECT_EQ(Read(cp950).data->encoding, MergeEncoding::kCp950);
  EXPECT_FALSE(Read(cp950, MergeEncoding::kUtf8).data) << "told UTF-8, CP950 bytes are refused";
}

TEST(MergeData, QuantityColumnGivesEachRowsLabels) {
  // value() throws, and so fails the test, when a file does not read.
  EXPECT_EQ(Read("品名,QTY\nA,3\nB, 0 \n").data.value().quantities, (std::vector<int64_t>{3, 0}));
  EXPECT_EQ(Read("數量,品名\n12,A\n").data.value().quantity_column, 0u);
  EXPECT_FALSE(Read("品名\nA\n").data.value().quantity_column);
}

TEST(MergeData, BadFilesGetOneMessageNamingTheRow) {
  const struct {
    std::string bytes;
    const char *error, *why;
  } rows[] = {
      {"", "資料檔是空的", "empty file"},
      {"\r\n\n", "資料檔是空的", "only blank lines"},
      {"a,b\n", "資料檔只有標題列", "no data rows"},
      {"a,b\n1,2\n3,\"open\n4,5\n", "資料檔第 2 筆資料 (第 3 行): 引號沒有結束",
       "unterminated quote named where its row starts"},
      {"a,b\n1,2\n3\n", "資料檔第 2 筆資料 (第 3 行): 有 1 欄,標題列有 2 欄", "ragged row"},
      {"a,b\n1,2,3\n", "資料檔第 1 筆資料 (第 2 行): 有 3 欄", "too many fields"},
      {std::string("a,b\n1,x\0y\n", 10), "資料檔第 1 筆資料 (第 2 行): 含有 NUL", "NUL byte"},
      {"a,b\n\"1\"x,2\n", "資料檔第 1 筆資料 (第 2 行): 引號結束後還有文字", "text after a quote"},
      {"a,b\n1,2\n\xFF\xFE,3\n", "資料檔第 2 筆資料 (第 3 行): 不是 UTF-8 也不是 CP950",
       "neither encoding"},
      {"a,a\n1,2\n", "資料檔的標題列 (第 1 行): 欄名「a」重複了", "duplicate names"},
      {"品名,數量\nA,x\n", "資料檔第 1 筆資料 (第 2 行): 數量「x」不是 0 到",
       "quantity not a number"},
      {"品名,數量\nA,\n", "資料檔第 1 筆資料 (第 2 行): 數量「」", "blank quantity"},
      {"品名,數量\nA,1000001\n", "資料檔第 1 筆資料 (第 2 行): 數量", "quantity over the limit"},
      {"a\n1\n" + std::string(kMaxMergeRecordBytes + 1, 'x') + "\n",
       "資料檔第 2 筆資料 (第 3 行): 這一筆超過 1 MB", "a huge line stops at the limit"},
      {"a\n\"" + std::string(kMaxMergeRecordBytes, '\n'),
       "資料檔第 1 筆資料 (第 2 行): 這一筆超過 1 MB", "a huge quoted field of line breaks"},
  };
  for (const auto& r : rows) {
    const MergeReadResult got = Read(r.bytes);
    EXPECT_FALSE(got.data) << r.why;
    EXPECT_EQ(got.error.rfind(r.error, 0), 0u) << r.why << ": " << got.error;
    EXPECT_EQ(got.error.find('\n'), std::string::npos) << r.why;
  }
  EXPECT_EQ(Read("a\n\xA4\n", MergeEncoding::kCp950).error,
            "資料檔第 1 筆資料 (第 2 行): 不是 CP950 (Big5) 文字")
      << "a lead byte without its trail byte";
}

TEST(MergeData, Utf8IsCheckedStrictly) {
  EXPECT_TRUE(IsUtf8("烏龍 abc \xF0\x9F\x98\x80"));
  // Overlong, a surrogate, cut short, past U+10FFFF.
  for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE7\x83", "\xF4\x90\x80\x80"})
    EXPECT_FALSE(IsUtf8(bad)) << bad;
}

}  // namespace
}  // namespace vellomir
