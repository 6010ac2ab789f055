#include "gui/cups_printer.h"

#include <cups/cups.h>

#include <QPageSize>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "gui/qt_printer.h"

namespace vellomir {

namespace {

// Where the print server is, for messages: a socket path, a host name.
std::string ServerName() {
  const char* server = cupsServer();
  return server != nullptr ? server : "";
}

std::string LastCupsWords() {
  const char* words = cupsLastErrorString();
  return words != nullptr && words[0] != '\0' ? words : "沒有說明原因";
}

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

// The queue's entry for a media name, whatever naming the queue's defaults use: PWG or legacy
// names, or a PPD's "w288h432" (points).
bool MediaByName(http_t* http, cups_dest_t* dest, cups_dinfo_t* info, const char* name,
                 cups_size_t& size) {
  if (name == nullptr || name[0] == '\0') return false;
  if (cupsGetDestMediaByName(http, dest, info, name, CUPS_MEDIA_FLAGS_DEFAULT, &size)) return true;
  int width = 0, length = 0;
  if (pwg_media_t* media = pwgMediaForPWG(name)) {
    width = media->width;
    length = media->length;
  } else if (pwg_media_t* legacy = pwgMediaForLegacy(name)) {
    width = legacy->width;
    length = legacy->length;
  } else if (pwg_media_t* ppd = pwgMediaForPPD(name)) {
    width = ppd->width;
    length = ppd->length;
  } else {
    double w = 0, l = 0;
    char rest = 0;
    if (std::sscanf(name, "w%lfh%lf%c", &w, &l, &rest) != 2) return false;
    width = static_cast<int>(std::lround(w * 2540 / 72));
    length = static_cast<int>(std::lround(l * 2540 / 72));
  }
  return width > 0 && length > 0 &&
         cupsGetDestMediaBySize(http, dest, info, width, length, CUPS_MEDIA_FLAGS_DEFAULT, &size);
}

// The media a job gets when it names none: the queue's job default ("media" as lpadmin or
// lpoptions set it), else the printer's media default, else what libcups makes of it.
bool DefaultMedia(http_t* http, cups_dest_t* dest, cups_dinfo_t* info, cups_size_t& size) {
  if (MediaByName(http, dest, info, cupsGetOption("media", dest->num_options, dest->options), size))
    return true;
  if (ipp_attribute_t* attr = cupsFindDestDefault(http, dest, info, "media"))
    if (ippGetValueTag(attr) == IPP_TAG_KEYWORD || ippGetValueTag(attr) == IPP_TAG_NAME)
      if (MediaByName(http, dest, info, ippGetString(attr, 0, nullptr), size)) return true;
  return cupsGetDestMediaDefault(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size) != 0;
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
    problem = "無法連線到列印伺服器「" + ServerName() + "」,沒有列印";
    return nullptr;
  }
  cups->dest = cupsGetNamedDest(cups->http, request.queue.empty() ? nullptr : request.queue.c_str(),
                                nullptr);
  if (cups->dest == nullptr) {
    if (cupsLastError() == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE || httpGetFd(cups->http) < 0)
      problem = "列印伺服器「" + ServerName() + "」沒有回應: " + LastCupsWords() + ",沒有列印";
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
  cups_size_t size{};
  bool found = false;
  if (request.paper_width_mm > 0 && request.paper_height_mm > 0)
    found = cupsGetDestMediaBySize(cups->http, cups->dest, cups->info,
                                   static_cast<int>(std::lround(request.paper_width_mm * 100)),
                                   static_cast<int>(std::lround(request.paper_height_mm * 100)),
                                   CUPS_MEDIA_FLAGS_DEFAULT, &size) != 0;
  if (!found) found = DefaultMedia(cups->http, cups->dest, cups->info, size);
  if (!found || size.width <= 0 || size.length <= 0) {
    problem = "印表機「" + printer->queue_ + "」沒有說明它的紙張大小,沒有列印";
    return nullptr;
  }
  CupsPage& page = printer->page_;
  page.media = size.media;
  page.width_mm = size.width / 100.0;
  page.height_mm = size.length / 100.0;
  page.left_mm = size.left / 100.0;
  page.top_mm = size.top / 100.0;
  page.right_mm = size.right / 100.0;
  page.bottom_mm = size.bottom / 100.0;
  page.dpi = ResolutionOf(cups->http, cups->dest, cups->info);

  // A stopped queue takes jobs and holds them: worth saying, not a failure.
  if (const char* state =
          cupsGetOption("printer-state", cups->dest->num_options, cups->dest->options);
      state != nullptr && std::strcmp(state, "5") == 0)
    printer->notice_ = "印表機「" + printer->queue_ + "」目前暫停中,列印工作會保留到印表機恢復為止";
  printer->cups_ = std::move(cups);
  return printer;
}

std::optional<PrintableArea> CupsPrinter::Printable() const {
  return PrintableArea{page_.width_mm - page_.left_mm - page_.right_mm,
                       page_.height_mm - page_.top_mm - page_.bottom_mm};
}

bool CupsPrinter::Begin() {
  if (document_) return true;
  auto document = std::make_unique<Document>();
  PdfPageSetup setup;
  setup.width_mm = page_.width_mm;
  setup.height_mm = page_.height_mm;
  setup.origin_x_mm = page_.left_mm + offset_x_mm_;
  setup.origin_y_mm = page_.top_mm + offset_y_mm_;
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
    error_ = "印表機「" + queue_ + "」不接受列印工作: " + LastCupsWords();
    return false;
  }
  auto give_up = [&](const std::string& words) {
    error_ = "無法把列印工作送到印表機「" + queue_ + "」: " + words;
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
  jobs_.push_back(queue_ + "-" + std::to_string(job));
  return true;
}

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
