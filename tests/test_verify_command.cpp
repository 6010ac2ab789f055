// The verify command and the check the print command runs before it prints.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <filesystem>

#include "app/verify_command.h"
#include "support/decode.h"
#include "support/files.h"

namespace vellomir {
namespace {

namespace fs = std::filesystem;

const std::string kSettings = "setting,,;1,,;100,,;60,,;1,,;1,,;0,,;0,,;";

// One barcode rule at (5, 5) mm, 15 mm high, without batch number or text.
std::string Rule(const std::string& data, int module, int kind) {
  return "1,,;" + data + ",,;5,,;5,,;" + std::to_string(module) + ",,;15,,;,,;,,;0,,;9,,;" +
         std::to_string(kind) + ",,;0,,;";
}

class VerifyCommand : public ::testing::Test {
 protected:
  test::RunResult Run(const std::vector<std::string>& args) {
    return test::RunVellomir(args, dir.path().string());
  }
  void Design(const std::string& name, const std::vector<std::string>& rules) {
    std::vector<std::string> lines = {kSettings};
    lines.insert(lines.end(), rules.begin(), rules.end());
    test::WriteBytes(dir.File(name), test::Cp950Lines(lines));
  }
  test::TempDir dir;
};

TEST_F(VerifyCommand, SampleDesignPasses) {
  fs::copy_file(fs::path(VELLOMIR_SOURCE_DIR) / "examples/sample.vlm", dir.path() / "sample.vlm");
  fs::copy_file(fs::path(VELLOMIR_SOURCE_DIR) / "examples/logo.png", dir.path() / "logo.png");
  for (const char* dpi : {"203", "300", "600"}) {
    const auto r = Run({"verify", "sample.vlm", "--dpi", dpi});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    const auto lines = test::OutputLines(r.out);
    // The first and the last of its 12 labels.
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_NE(lines[0].find("「LOT-0001」"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("「LOT-0012」"), std::string::npos) << lines[1];
    for (const auto& line : lines) EXPECT_EQ(line.substr(line.size() - 6), "通過") << line;
  }
}

TEST_F(VerifyCommand, ModuleBelowOneDotIsFlagged) {
  Design("fine.vlm", {Rule("LOT-42", 5, 8)});  // 6 units a module: 0.85 dots at 203 dpi
  auto r = Run({"verify", "fine.vlm", "--dpi", "203"});
  EXPECT_EQ(r.status, 1) << r.err;
  auto lines = test::OutputLines(r.out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("模組 0.85 點"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("太細"), std::string::npos) << lines[0];
  r = Run({"verify", "fine.vlm", "--dpi", "600"});
  EXPECT_EQ(r.status, 0) << r.out;
}

// On a 203-dpi printer an EAN-13 prints on 3-dot modules, wider than its units: on a label
// of 38 mm it runs past the edge, at 300 dpi it fits.
TEST_F(VerifyCommand, SymbolPastTheLabelIsFlagged) {
  test::WriteBytes(
      dir.File("narrow.vlm"),
      test::Cp950Lines({"setting,,;1,,;38,,;60,,;1,,;1,,;0,,;0,,;", Rule("400638133393", 15, 1)}));
  auto r = Run({"verify", "narrow.vlm", "--dpi", "203"});
  EXPECT_EQ(r.status, 1) << r.err;
  auto lines = test::OutputLines(r.out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("「4006381333931」"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("(印成 3 點) 印到 40.8 mm (標籤寬 38.0 mm) 超出"), std::string::npos)
      << lines[0];
  r = Run({"verify", "narrow.vlm", "--dpi", "300"});
  EXPECT_EQ(r.status, 0) << r.out;
}

TEST_F(VerifyCommand, BadArgumentsAreRefused) {
  Design("d.vlm", {Rule("A", 15, 8)});
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"verify", "d.vlm", "--dpi", "10"},
        std::vector<std::string>{"verify", "d.vlm", "--dpi", "x"},
        std::vector<std::string>{"verify", "d.vlm", "--dpi", "300.5.1"},
        std::vector<std::string>{"verify", "d.vlm", "--dpi", "9999"},
        std::vector<std::string>{"verify", "d.vlm", "--dpi"},
        std::vector<std::string>{"verify", "missing.vlm"}, std::vector<std::string>{"verify"}}) {
    const auto r = Run(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_NE(r.err.find("vellomir verify: "), std::string::npos);
  }
}

TEST_F(VerifyCommand, PrintRefusesASymbolThatDoesNotReadUnlessTold) {
  // Lower case is not in the Code 39 table: the symbol reads "000".
  Design("bad.vlm", {Rule("abc", 15, 0)});
  auto r = Run({"print", "bad.vlm", "-o", "out.pdf"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("條碼規則 1 (Code-39) 讀出「000」, 應該是「abc」"), std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(dir.path() / "out.pdf"));

  r = Run({"print", "bad.vlm", "-o", "out.pdf", "--no-verify"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(dir.path() / "out.pdf"));

  Design("good.vlm", {Rule("ABC", 15, 0)});
  r = Run({"print", "good.vlm", "-o", "good.pdf", "--dpi", "203"});
  EXPECT_EQ(r.status, 0) << r.err;
  r = Run({"print", "good.vlm", "-o", "good.pdf", "--dpi", "0"});
  EXPECT_EQ(r.status, 2);
}

// One barcode rule at (5, y) mm of the kind, 15 mm high.
std::string RuleAt(const std::string& data, double y, int kind) {
  return "1,,;" + data + ",,;5,,;" + std::to_string(y) + ",,;15,,;15,,;,,;,,;0,,;9,,;" +
         std::to_string(kind) + ",,;0,,;";
}

// verify and print take the same check: what one passes the other prints, what one names the
// other refuses, at a printer's dots and for a plain PDF.
TEST_F(VerifyCommand, VerifyAndPrintAgree) {
  struct Case {
    std::vector<std::string> rules;
    std::string dpi;    // "" for a plain PDF
    int verify;         // exit status; print exits 0 for 0, 2 for 1
    std::string named;  // in print's message; verify's own line when `said` is empty
    std::string said = "";
  };
  const std::vector<std::string> code39 = {RuleAt("10%OFF", 2, 0), RuleAt("12/34", 20, 0),
                                           RuleAt("AB$CD", 38, 0), RuleAt("A+B", 56, 0)};
  const std::vector<std::string> ean = {Rule("400638133393", 15, 1),
                                        "2,,;NEXT,,;31.2,,;8,,;,,;,,;10,,;細明體,,;0,,;0,,;"};
  const std::vector<std::string> codabar = {Rule("B987654321A", 15, 7)};
  const Case cases[] = {
      // Code 39 "$ / + %": wide spaces of four narrow bars in units, 3/7 dots on printers.
      {code39, "203", 0, ""},
      {code39, "300", 0, ""},
      {code39, "600", 0, ""},
      // An EAN-13 grows from 25.1 mm of units to 35.7 mm on 3-dot modules: a text 1 mm right
      // of its units' end is printed over at 203 dpi, not at 300.
      {ean, "203", 1, "條碼規則 1 (EAN-13) 在 203 dpi 印出來會壓到規則 2"},
      {ean, "300", 0, ""},
      // A plain PDF's Codabar, rasterised for a 203-dpi printer: 2.26-dot elements inked
      // wherever a bar touches a dot do not read; on its dots it does.
      {codabar, "", 1, "在 203 dpi 讀不出來", "(203 dpi, PDF 原尺寸): 讀出 (無)"},
      {codabar, "203", 0, ""},
      // Overlapping in units already is the design's own choice; text past the label's edge.
      // clang-format off
      {{Rule("400638133393", 15, 1), "2,,;X,,;10,,;8,,;,,;,,;10,,;細明體,,;0,,;0,,;"}, "203", 0, ""},
      {{Rule("A1", 15, 8), "2,,;EDGE,,;98,,;30,,;,,;,,;10,,;細明體,,;0,,;0,,;"}, "300", 1,
       "文字規則 2 超出標籤的右邊"},
      // clang-format on
  };
  for (const Case& c : cases) {
    Design("d.vlm", c.rules);
    std::vector<std::string> verify = {"verify", "d.vlm"};
    std::vector<std::string> print = {"print", "d.vlm", "-o", "d.pdf"};
    if (!c.dpi.empty()) {
      verify.insert(verify.end(), {"--dpi", c.dpi});
      print.insert(print.end(), {"--dpi", c.dpi});
    }
    const auto v = Run(verify);
    EXPECT_EQ(v.status, c.verify) << c.rules[0] << " " << c.dpi << "\n" << v.out << v.err;
    const auto p = Run(print);
    EXPECT_EQ(p.status, c.verify == 0 ? 0 : 2) << c.rules[0] << " " << c.dpi << "\n" << p.err;
    if (!c.named.empty()) {
      EXPECT_NE(v.out.find(c.said.empty() ? c.named : c.said), std::string::npos) << v.out;
      EXPECT_NE(p.err.find(c.named), std::string::npos) << p.err;
      EXPECT_EQ(Run({"print", "d.vlm", "-o", "d.pdf", "--no-verify"}).status, 0);
    }
  }
}

TEST_F(VerifyCommand, StandardOutputTakesTheDpi) {
  Design("d.vlm", {Rule("B987654321A", 15, 7)});
  const auto r = Run({"print", "d.vlm", "-o", "-", "--dpi", "203"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 5), "%PDF-");
  EXPECT_NE(Run({"print", "d.vlm", "-o", "-"}).err.find("加上 --dpi N"), std::string::npos);
}

// What a print system does with our PDF: Ghostscript rasterises it at the printer's resolution.
// (A PDF in exact units, whose 3.125-dot modules Ghostscript widens and narrows bar by bar,
// often does not read; bench/bench_scan measures how often.)
QImage Ghostscript(const std::string& pdf, int dpi, const std::string& out) {
  const std::string cmd = "gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pgmraw -r" +
                          std::to_string(dpi) + " -sOutputFile='" + out + "' '" + pdf +
                          "' >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return {};
  return QImage(QString::fromStdString(out));
}

TEST_F(VerifyCommand, PdfForA300DpiPrinterReadsAfterGhostscript) {
  const std::pair<std::string, int> symbols[] = {
      {"400638133393", 1}, {"590123412345", 1}, {"003600029145", 3}, {"007123456789", 3}};
  const char* want[] = {"EAN-13:4006381333931", "EAN-13:5901234123457", "UPC-A:036000291452",
                        "UPC-A:071234567898"};
  for (std::size_t i = 0; i < 4; ++i) {
    Design("d.vlm", {Rule(symbols[i].first, 15, symbols[i].second)});
    {
      const auto r = Run({"print", "d.vlm", "-o", "p.pdf", "--dpi", "300"});
      ASSERT_EQ(r.status, 0) << r.err;
      const QImage page = Ghostscript(dir.File("p.pdf"), 300, dir.File("p.pgm"));
      ASSERT_FALSE(page.isNull());
      // The label's corner of the A4 page.
      const auto found = test::DecodeAllWithZbar(page.copy(0, 0, 1200, 700));
      ASSERT_EQ(found.size(), 1u) << symbols[i].first;
      EXPECT_EQ(found[0], want[i]);
    }
  }
}

}  // namespace
}  // namespace vellomir
