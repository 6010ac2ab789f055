#include "support/pdf.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>

namespace vellomir::test {

std::optional<PdfInfo> ReadPdfInfo(const std::string& path) {
  QProcess p;
  p.start("pdfinfo", {QString::fromStdString(path)});
  if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    return std::nullopt;
  const QString out = QString::fromUtf8(p.readAllStandardOutput());
  PdfInfo info;
  const auto pages =
      QRegularExpression(R"(^Pages:\s+(\d+))", QRegularExpression::MultilineOption).match(out);
  const auto size = QRegularExpression(R"(^Page size:\s+([\d.]+) x ([\d.]+) pts)",
                                       QRegularExpression::MultilineOption)
                        .match(out);
  if (!pages.hasMatch() || !size.hasMatch()) return std::nullopt;
  info.pages = pages.captured(1).toInt();
  info.width_pt = size.captured(1).toDouble();
  info.height_pt = size.captured(2).toDouble();
  return info;
}

std::optional<std::string> ExtractPdfText(const std::string& path) {
  QProcess p;
  p.start("pdftotext", {"-enc", "UTF-8", QString::fromStdString(path), "-"});
  if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    return std::nullopt;
  return p.readAllStandardOutput().toStdString();
}

std::vector<PdfWord> ExtractPdfWords(const std::string& path) {
  QProcess p;
  p.start("pdftotext", {"-enc", "UTF-8", "-bbox", QString::fromStdString(path), "-"});
  if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    return {};
  const QString out = QString::fromUtf8(p.readAllStandardOutput());
  const QRegularExpression tag(
      R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
  std::vector<PdfWord> words;
  int page = 0;
  for (auto it = tag.globalMatch(out); it.hasNext();) {
    const auto m = it.next();
    if (m.captured(0).startsWith("<page")) {
      ++page;
      continue;
    }
    words.push_back({page, m.captured(5).toStdString(), m.captured(1).toDouble(),
                     m.captured(2).toDouble(), m.captured(3).toDouble(), m.captured(4).toDouble()});
  }
  return words;
}

bool QpdfChecks(const std::string& path, std::string* report) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start("qpdf", {"--check", QString::fromStdString(path)});
  const bool ran = p.waitForFinished(300000) && p.exitStatus() == QProcess::NormalExit;
  if (report != nullptr) *report = p.readAll().toStdString();
  return ran && p.exitCode() == 0;
}

std::vector<QImage> RenderPdfPages(const std::string& path, int dpi) {
  QTemporaryDir dir;
  if (!dir.isValid()) return {};
  QProcess p;
  p.start("pdftoppm",
          {"-r", QString::number(dpi), "-png", QString::fromStdString(path), dir.filePath("page")});
  if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    return {};
  // pdftoppm numbers pages with as many digits as the last one needs, so sort by the number.
  QStringList names = QDir(dir.path()).entryList({"page-*.png"}, QDir::Files);
  auto number = [](const QString& name) {
    return name.mid(5, name.size() - 9).toInt();  // "page-" N ".png"
  };
  std::sort(names.begin(), names.end(),
            [&](const QString& a, const QString& b) { return number(a) < number(b); });
  std::vector<QImage> pages;
  for (const QString& name : names) pages.emplace_back(dir.filePath(name));
  return pages;
}

}  // namespace vellomir::test
