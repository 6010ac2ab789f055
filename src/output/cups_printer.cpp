#include "output/cups_printer.h"

#include <cups/cups.h>
#include <cups/ppd.h>

#include <QPageSize>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "output/cups_job_fate.h"
#include "output/pdf_printer.h"

namespace vellomir {

namespace {

std::string ServerGoneWords() { return "列印伺服器「" + CupsServerName() + "」已經不在了"; }

bool CupsFailed() { return cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE; }

// The printer's resolution in dots per inch: its default, else the finest it supports.
int ResolutionOf(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
  auto dpi = [](ipp_attribute_t* attr, int index) {
    ipp_res_t units = IPP_RES_PER_INCH;
    int y = 0;
    const int x = ippGetResolution(attr, index, &y, &units);
    const int v = std::max(x, y);
    return units == IPP_RES_PER_CM ? static_cast<int>(std::lround(v * 2.54)) : v;
  };
  if (ipp_attribute_t* attr = cupsFindDestDefault(http, dest, info, "printer-resolution"))
    if (ippGetCount(attr) > 0 && ippGetValueTag(attr) == IPP_TAG_RESOLUTION) return dpi(attr, 0);
  int best = 0;
  if (ipp_attribute_t* attr = cupsFindDestSupported(http, dest, info, "printer-resolution"))
    if (ippGetValueTag(attr) == IPP_TAG_RESOLUTION)
      for (int i = 0; i < ippGetCount(attr); ++i) best = std::max(best, dpi(attr, i));
  return best;
}

// What a media name stands for, in hundredths of a millimetre: PWG and legacy names, a PPD's
// size names, and "w288h432" (points). Nothing for a name that says no size.
std::optional<std::pair<int, int>> SizeOfMediaName(const std::string& name) {
  if (name.empty()) return std::nullopt;
  for (pwg_media_t* media : {pwgMediaForPWG(name.c_str()), pwgMediaForLegacy(name.c_str()),
                             pwgMediaForPPD(name.c_str())})
    if (media != nullptr && media->width > 0 && media->length > 0)
      return std::make_pair(media->width, media->length);
  double w = 0, l = 0;
  char rest = 0;
  if (std::sscanf(name.c_str(), "w%lfh%lf%c", &w, &l, &rest) != 2 || w <= 0 || l <= 0)
    return std::nullopt;
  return std::make_pair(static_cast<int>(std::lround(w * 2540 / 72)),
                        static_cast<int>(std::lround(l * 2540 / 72)));
}

// A list entry's name as a job names it: the queue's key may carry "_borderless".
std::string MediaNameOf(const cups_size_t& size) {
  std::string name = size.media;
  constexpr std::string_view kBorderless = "_borderless";
  if (name.size() > kBorderless.size() && name.ends_with(kBorderless))
    name.resize(name.size() - kBorderless.size());
  return name;
}

// Sizes within a millimetre are one size: PWG sizes and a driver's points round differently.
bool SameSize(const cups_size_t& size, std::pair<int, int> want) {
  return std::abs(size.width - want.first) <= 100 && std::abs(size.length - want.second) <= 100;
}

// The queue's media list. libcups 2.4.2 answers the first look-up by name or size after
// cupsCopyDestInfo with a neighbouring entry, so the program matches names and sizes itself.
std::vector<cups_size_t> MediaList(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
  std::vector<cups_size_t> list;
  const int count = cupsGetDestMediaCount(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT);
  for (int i = 0; i < count; ++i) {
    cups_size_t size{};
    if (cupsGetDestMediaByIndex(http, dest, info, i, CUPS_MEDIA_FLAGS_DEFAULT, &size) &&
        size.width > 0 && size.length > 0)
      list.push_back(size);
  }
  return list;
}

// The entry of the queue's list the media name stands for: the same name, else the nearest
// of the same size. When the list says nothing, libcups is asked twice and its answer is taken
// only when its name or size is the one asked for.
std::optional<cups_size_t> MediaByName(http_t* http, cups_dest_t* dest, cups_dinfo_t* info,
                                       const std::vector<cups_size_t>& list,
                                       const std::string& name) {
  for (const cups_size_t& size : list)
    if (MediaNameOf(size) == name || name == size.media) return size;
  const auto want = SizeOfMediaName(name);
  if (want) {
    const cups_size_t* best = nullptr;
    auto distance = [&](const cups_size_t& s) {
      return std::abs(s.width - want->first) + std::abs(s.length - want->second);
    };
    for (const cups_size_t& size : list)
      if (SameSize(size, *want) && (best == nullptr || distance(size) < distance(*best)))
        best = &size;
    if (best != nullptr) return *best;
  }
  if (!list.empty()) return std::nullopt;
  for (int attempt = 0; attempt < 2; ++attempt) {
    cups_size_t size{};
    if (cupsGetDestMediaByName(http, dest, info, name.c_str(), CUPS_MEDIA_FLAGS_DEFAULT, &size) &&
        (MediaNameOf(size) == name || (want && SameSize(size, *want))))
      return size;
  }
  return std::nullopt;
}

// The media name a job gets when it names none: the queue's job default ("media" as
// lpoptions set it), else the printer's media default.
std::string DefaultMediaName(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
  if (const char* media = cupsGetOption("media", dest->num_options, dest->options);
      media != nullptr && media[0] != '\0')
    return media;
  if (ipp_attribute_t* attr = cupsFindDestDefault(http, dest, info, "media"))
    if (ippGetValueTag(attr) == IPP_TAG_KEYWORD || ippGetValueTag(attr) == IPP_TAG_NAME)
      if (const char* media = ippGetString(attr, 0, nullptr)) return media;
  return {};
}

// The entry of the queue's list nearest to the paper the user picked, when one is within a
// millimetre of it.
std::optional<cups_size_t> MediaBySize(const std::vector<cups_size_t>& list, double width_mm,
                                       double height_mm) {
  const std::pair<int, int> want{static_cast<int>(std::lround(width_mm * 100)),
                                 static_cast<int>(std::lround(height_mm * 100))};
  for (const cups_size_t& size : list)
    if (SameSize(size, want)) return size;
  return std::nullopt;
}

// The page in points exactly as the queue's PPD declares the size; libcups' hundredths of a
// millimetre when the queue has no PPD or the PPD has no such size.
void PageFromDriver(http_t* http, const std::string& queue, const cups_size_t& size,
                    CupsPage& page) {
  constexpr double kPointsPerHundredthMm = 72.0 / 2540;
  page.width_pt = size.width * kPointsPerHundredthMm;
  page.height_pt = size.length * kPointsPerHundredthMm;
  page.left_pt = size.left * kPointsPerHundredthMm;
  page.top_pt = size.top * kPointsPerHundredthMm;
  page.right_pt = size.right * kPointsPerHundredthMm;
  page.bottom_pt = size.bottom * kPointsPerHundredthMm;
  // The PPD interface is the only place the driver's own points are kept.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  char path[1024] = "";
  time_t modified = 0;
  if (cupsGetPPD3(http, queue.c_str(), &modified, path, sizeof path) != HTTP_STATUS_OK) return;
  ppd_file_t* ppd = ppdOpenFile(path);
  std::remove(path);
  if (ppd == nullptr) return;
  auto hundredths = [](double points) { return static_cast<int>(std::lround(points * 2540 / 72)); };
  for (int i = 0; i < ppd->num_sizes; ++i) {
    const ppd_size_t& s = ppd->sizes[i];
    if (std::abs(hundredths(s.width) - size.width) > 1 ||
        std::abs(hundredths(s.length) - size.length) > 1 || s.right <= s.left || s.top <= s.bottom)
      continue;
    page.width_pt = s.width;
    page.height_pt = s.length;
    page.left_pt = s.left;
    page.bottom_pt = s.bottom;
    page.right_pt = s.width - s.right;
    page.top_pt = s.length - s.top;
    break;
  }
  ppdClose(ppd);
#pragma GCC diagnostic pop
}

// Whether the server itself is gone (stopped, its socket removed), rather than the queue
// refusing: a fresh connection tells.
bool ServerGone() {
  http_t* http =
      httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 5000, nullptr);
  if (http == nullptr) return true;
  httpClose(http);
  return false;
}

}  // namespace

// The server connection and what it said of the queue.
class CupsConnection {
 public:
  ~CupsConnection() {
    if (info != nullptr) cupsFreeDestInfo(info);
    if (dest != nullptr) cupsFreeDests(1, dest);
    if (http != nullptr) httpClose(http);
  }
  http_t* http = nullptr;
  cups_dest_t* dest = nullptr;
  cups_dinfo_t* info = nullptr;
};

// The open document and the bytes it is written into.
class CupsPrinter::Document {
 public:
  StringSink sink;
  std::unique_ptr<PdfDocument> pdf;
};

CupsPrinter::~CupsPrinter() = default;

std::unique_ptr<CupsPrinter> CupsPrinter::Open(const CupsRequest& request, std::string& problem,
                                               PdfDocumentFactory make_document) {
  std::unique_ptr<CupsPrinter> printer(new CupsPrinter);
  printer->make_document_ = std::move(make_document);
  printer->job_name_ = request.job_name;
  printer->offset_x_mm_ = request.offset_x_mm;
  printer->offset_y_mm_ = request.offset_y_mm;
  auto cups = std::make_unique<CupsConnection>();
  cups->http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000,
                            nullptr);
  if (cups->http == nullptr) {
    problem = "無法連線到列印伺服器「" + CupsServerName() + "」,沒有列印";
    return nullptr;
  }
  cups->dest = cupsGetNamedDest(cups->http, request.queue.empty() ? nullptr : request.queue.c_str(),
                                nullptr);
  if (cups->dest == nullptr) {
    if (cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE || httpGetFd(cups->http) < 0)
      problem = "列印伺服器「" + CupsServerName() + "」沒有回應: " + LastCupsWords() + ",沒有列印";
    else if (request.queue.empty())
      problem = "沒有預設的印表機,請選擇一台印表機,沒有列印";
    else
      problem = "找不到印表機: " + request.queue;
    return nullptr;
  }
  printer->queue_ = cups->dest->name;
  cups->info = cupsCopyDestInfo(cups->http, cups->dest);
  if (cups->info == nullptr) {
    problem = "無法取得印表機「" + printer->queue_ + "」的資料: " + LastCupsWords() + ",沒有列印";
    return nullptr;
  }

  // The paper the user picked when the queue has it, else the queue's own default.
  const std::vector<cups_size_t> list = MediaList(cups->http, cups->dest, cups->info);
  std::optional<cups_size_t> size;
  if (request.paper_width_mm > 0 && request.paper_height_mm > 0)
    size = MediaBySize(list, request.paper_width_mm, request.paper_height_mm);
  if (!size) {
    const std::string name = DefaultMediaName(cups->http, cups->dest, cups->info);
    if (!name.empty()) {
      size = MediaByName(cups->http, cups->dest, cups->info, list, name);
      if (!size) {
        problem =
            "印表機「" + printer->queue_ + "」的紙張「" + name + "」不在它的紙張清單中,沒有列印";
        return nullptr;
      }
    } else if (cups_size_t fallback{}; cupsGetDestMediaDefault(
                   cups->http, cups->dest, cups->info, CUPS_MEDIA_FLAGS_DEFAULT, &fallback)) {
      size = fallback;
    }
  }
  if (!size || size->width <= 0 || size->length <= 0) {
    problem = "印表機「" + printer->queue_ + "」沒有說明它的紙張大小,沒有列印";
    return nullptr;
  }
  CupsPage& page = printer->page_;
  page.media = MediaNameOf(*size);
  PageFromDriver(cups->http, printer->queue_, *size, page);
  page.dpi = ResolutionOf(cups->http, cups->dest, cups->info);

  // A stopped queue takes jobs and holds them: worth saying, not a failure.
  if (const char* state =
          cupsGetOption("printer-state", cups->dest->num_options, cups->dest->options);
      state != nullptr && std::strcmp(state, "5") == 0)
    printer->notice_ = "印表機「" + printer->queue_ + "」目前暫停中,列印工作會保留到印表機恢復為止";
  printer->cups_ = std::move(cups);
  return printer;
}

namespace {
constexpr double kMmPerPoint = 25.4 / 72;
}  // namespace

std::optional<PrintableArea> CupsPrinter::Printable() const {
  return PrintableArea{(page_.width_pt - page_.left_pt - page_.right_pt) * kMmPerPoint,
                       (page_.height_pt - page_.top_pt - page_.bottom_pt) * kMmPerPoint};
}

bool CupsPrinter::Begin() {
  if (document_) return true;
  auto document = std::make_unique<Document>();
  PdfPageSetup setup;
  setup.width_pt = page_.width_pt;
  setup.height_pt = page_.height_pt;
  // The printer's calibration moves what is drawn, not the page.
  setup.origin_x_pt = page_.left_pt + offset_x_mm_ / kMmPerPoint;
  setup.origin_y_pt = page_.top_pt + offset_y_mm_ / kMmPerPoint;
  setup.dpi = page_.dpi;
  document->pdf = make_document_ ? make_document_(setup, document->sink) : nullptr;
  if (!document->pdf) {
    error_ = "無法為印表機「" + queue_ + "」產生列印資料";
    return false;
  }
  document_ = std::move(document);
  return true;
}

DrawingSurface& CupsPrinter::Surface() {
  if (!error_.empty() || !Begin()) return NowhereSurface();
  return document_->pdf->Surface();
}

bool CupsPrinter::NewPage() {
  if (!error_.empty() || !Begin()) return false;
  if (!document_->pdf->NewPage()) {
    error_ = "無法為印表機「" + queue_ + "」產生新的一頁";
    return false;
  }
  return true;
}

bool CupsPrinter::EndDoc() {
  if (!error_.empty() || !Begin()) return false;
  const std::unique_ptr<Document> document = std::move(document_);
  if (!document->pdf->Finish()) {
    error_ = "無法為印表機「" + queue_ + "」產生列印資料";
    return false;
  }
  document->pdf.reset();
  return Submit(document->sink.bytes);
}

void CupsPrinter::AbortDoc() { document_.reset(); }

bool CupsPrinter::Submit(const std::string& pdf) {
  http_t* http = cups_->http;
  cups_option_t* options = nullptr;
  int count = 0;
  count = cupsAddOption("media", page_.media.c_str(), count, &options);
  // One copy of each page, whatever the queue's default: the copies field counts labels.
  count = cupsAddOption("copies", "1", count, &options);
  // The page is already the queue's own: nothing may scale it.
  count = cupsAddOption("print-scaling", "none", count, &options);
  const std::string title = job_name_.empty() ? "Vellomir" : job_name_;
  const int job = cupsCreateJob(http, queue_.c_str(), title.c_str(), count, options);
  cupsFreeOptions(count, options);
  if (job <= 0 || CupsFailed()) {
    error_ = ServerGone() ? ServerGoneWords()
                          : "印表機「" + queue_ + "」不接受列印工作: " + LastCupsWords();
    return false;
  }
  auto give_up = [&](const std::string& words) {
    error_ =
        ServerGone() ? ServerGoneWords() : "無法把列印工作送到印表機「" + queue_ + "」: " + words;
    cupsCancelJob2(http, queue_.c_str(), job, 0);
    return false;
  };
  if (cupsStartDocument(http, queue_.c_str(), job, title.c_str(), CUPS_FORMAT_PDF, 1) !=
      HTTP_STATUS_CONTINUE)
    return give_up(LastCupsWords());
  constexpr std::size_t kChunk = 64 * 1024;
  for (std::size_t done = 0; done < pdf.size(); done += kChunk) {
    const std::size_t n = std::min(kChunk, pdf.size() - done);
    if (cupsWriteRequestData(http, pdf.data() + done, n) != HTTP_STATUS_CONTINUE) {
      cupsFinishDocument(http, queue_.c_str());
      return give_up(LastCupsWords());
    }
  }
  if (cupsFinishDocument(http, queue_.c_str()) > IPP_STATUS_OK_EVENTS_COMPLETE)
    return give_up(LastCupsWords());
  jobs_.push_back(job);
  return true;
}

std::vector<std::string> CupsPrinter::Deliveries() const {
  std::vector<std::string> names;
  for (int job : jobs_) names.push_back(queue_ + "-" + std::to_string(job));
  return names;
}

DeliveryFate CupsPrinter::FollowDeliveries() { return FollowCupsDeliveries(queue_, jobs_); }

std::unique_ptr<Printer> OpenChosenPrinter(const CommonDialog& chosen, const std::string& job_name,
                                           std::string& problem) {
  if (!chosen.print_file.empty()) return std::make_unique<PdfPrinter>(chosen.print_file);
  CupsRequest request;
  request.queue = chosen.printer_name;
  request.paper_width_mm = chosen.paper_width_mm;
  request.paper_height_mm = chosen.paper_height_mm;
  request.job_name = job_name;
  return CupsPrinter::Open(request, problem);
}

}  // namespace vellomir
