#include "output/raw_printer.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "output/cups_job_fate.h"
#include "platform/output_file.h"

namespace vellomir {

namespace {

class FileStream : public LabelStream {
 public:
  explicit FileStream(const std::string& path) : file_(path) {}
  bool Open() { return file_.Open(); }
  bool Label(const std::string& commands) override {
    return file_.Write(commands.data(), commands.size());
  }
  bool End() override { return file_.Finish(); }
  void Abort() override { file_.Abandon(); }
  std::string Error() const override { return file_.Error(); }
  std::vector<std::string> Deliveries() const override { return {file_.Path()}; }
  bool KeepsEnded() const override { return false; }
  bool Commit() override { return file_.Commit(); }

 private:
  OutputFile file_;
};

std::string SystemWords(int error_number) { return std::strerror(error_number); }

class SocketStream : public LabelStream {
 public:
  SocketStream(std::string target, int fd, int timeout_seconds)
      : target_(std::move(target)), fd_(fd), timeout_ms_(timeout_seconds * 1000) {}
  ~SocketStream() override { Close(); }

  bool Label(const std::string& commands) override {
    if (fd_ < 0) return Fail("連線已經關閉");
    std::size_t done = 0;
    while (done < commands.size()) {
      NoteAcknowledged();
      pollfd p{fd_, POLLOUT, 0};
      const int ready = ::poll(&p, 1, timeout_ms_);
      if (ready == 0) return Fail(Seconds() + " 秒內沒有收下資料");
      if (ready < 0 && errno == EINTR) continue;
      const ssize_t n =
          ::send(fd_, commands.data() + done, commands.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0) {
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
        return Closed(errno);
      }
      done += static_cast<std::size_t>(n);
    }
    written_ += commands.size();
    ends_.push_back(written_);
    return true;
  }

  bool End() override {
    if (fd_ < 0) return Fail("連線已經關閉");
    // Our side is done; the run is over when the printer has acknowledged every byte.
    ::shutdown(fd_, SHUT_WR);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms_);
    char scratch[4096];
    while (Unacknowledged() > 0) {
      NoteAcknowledged();
      if (std::chrono::steady_clock::now() >= deadline)
        return Fail(Seconds() + " 秒內沒有收完資料");
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      const ssize_t n = ::recv(fd_, scratch, sizeof scratch, MSG_DONTWAIT);
      if (n == 0 && Unacknowledged() > 0) return Fail("提早關閉了連線", false);
      if (n < 0 && errno != EINTR && errno != EAGAIN) return Closed(errno);
    }
    taken_ = static_cast<std::int64_t>(ends_.size());
    Close();
    deliveries_.push_back(target_);
    return true;
  }

  void Abort() override { Close(); }
  std::string Error() const override { return error_; }
  std::int64_t LabelsTaken() const override { return taken_; }
  std::vector<std::string> Deliveries() const override { return deliveries_; }

 private:
  // Bytes sent but not yet acknowledged by the printer.
  std::uint64_t Unacknowledged() const {
    int queued = 0;
    if (fd_ < 0 || ::ioctl(fd_, SIOCOUTQ, &queued) != 0) return 0;
    return static_cast<std::uint64_t>(std::max(queued, 0));
  }
  // Counts the labels whose every byte the printer acknowledged. Only while the connection
  // stands: a reset one has dropped its queue and would seem to have delivered everything.
  void NoteAcknowledged() {
    const std::uint64_t acknowledged = written_ - std::min(written_, Unacknowledged());
    taken_ = std::max<std::int64_t>(
        taken_, std::upper_bound(ends_.begin(), ends_.end(), acknowledged) - ends_.begin());
  }
  bool Closed(int error_number) {
    if (error_number == EPIPE || error_number == ECONNRESET) return Fail("提早關閉了連線", false);
    return Fail(SystemWords(error_number), false);
  }
  bool Fail(const std::string& words, bool connection_stands = true) {
    if (fd_ >= 0 && connection_stands) NoteAcknowledged();
    error_ = "印表機 " + target_ + " " + words;
    Close();
    return false;
  }
  std::string Seconds() const { return std::to_string(timeout_ms_ / 1000); }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  std::string target_;
  int fd_ = -1;
  int timeout_ms_ = 10000;
  std::uint64_t written_ = 0;
  std::vector<std::uint64_t> ends_;  // where each label's bytes end
  std::int64_t taken_ = 0;
  std::string error_;
  std::vector<std::string> deliveries_;
};

http_t* ConnectToServer() {
  return httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000,
                      nullptr);
}

class RawQueueStream : public LabelStream {
 public:
  RawQueueStream(std::string queue, std::string job_name, http_t* http)
      : queue_(std::move(queue)), job_name_(std::move(job_name)), http_(http) {}
  ~RawQueueStream() override { httpClose(http_); }

  bool Label(const std::string& commands) override {
    document_ += commands;
    return true;
  }
  bool End() override {
    const std::string bytes = std::move(document_);
    document_.clear();
    cups_option_t* options = nullptr;
    int count = cupsAddOption("copies", "1", 0, &options);
    const std::string title = job_name_.empty() ? "Vellomir" : job_name_;
    const int job = cupsCreateJob(http_, queue_.c_str(), title.c_str(), count, options);
    cupsFreeOptions(count, options);
    if (job <= 0 || cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
      error_ = "印表機「" + queue_ + "」不接受列印工作: " + LastCupsWords();
      return false;
    }
    auto give_up = [&] {
      error_ = "無法把列印工作送到印表機「" + queue_ + "」: " + LastCupsWords();
      cupsCancelJob2(http_, queue_.c_str(), job, 0);
      return false;
    };
    if (cupsStartDocument(http_, queue_.c_str(), job, title.c_str(), CUPS_FORMAT_RAW, 1) !=
        HTTP_STATUS_CONTINUE)
      return give_up();
    constexpr std::size_t kChunk = 64 * 1024;
    for (std::size_t done = 0; done < bytes.size(); done += kChunk)
      if (cupsWriteRequestData(http_, bytes.data() + done, std::min(kChunk, bytes.size() - done)) !=
          HTTP_STATUS_CONTINUE) {
        cupsFinishDocument(http_, queue_.c_str());
        return give_up();
      }
    if (cupsFinishDocument(http_, queue_.c_str()) > IPP_STATUS_OK_EVENTS_COMPLETE) return give_up();
    jobs_.push_back(queue_ + "-" + std::to_string(job));
    job_ids_.push_back(job);
    return true;
  }
  void Abort() override { document_.clear(); }
  std::string Error() const override { return error_; }
  std::vector<std::string> Deliveries() const override { return jobs_; }
  DeliveryFate Follow() override { return FollowCupsDeliveries(queue_, job_ids_); }

 private:
  std::string queue_;
  std::string job_name_;
  http_t* http_;
  std::string document_;
  std::string error_;
  std::vector<std::string> jobs_;
  std::vector<int> job_ids_;
};

}  // namespace

std::unique_ptr<LabelStream> OpenFileStream(const std::string& path, std::string& problem) {
  auto stream = std::make_unique<FileStream>(path);
  if (!stream->Open()) {
    problem = stream->Error();
    return nullptr;
  }
  return stream;
}

std::optional<PrinterAddress> ParsePrinterAddress(const std::string& target) {
  constexpr std::string_view kScheme = "socket://";
  if (target.rfind(kScheme, 0) != 0) return std::nullopt;
  std::string rest = target.substr(kScheme.size());
  if (const auto slash = rest.find('/'); slash != std::string::npos) {
    if (slash + 1 != rest.size()) return std::nullopt;
    rest.pop_back();
  }
  PrinterAddress address;
  std::string port;
  if (!rest.empty() && rest.front() == '[') {  // [IPv6]:port
    const auto close = rest.find(']');
    if (close == std::string::npos) return std::nullopt;
    address.host = rest.substr(1, close - 1);
    if (close + 1 < rest.size()) {
      if (rest[close + 1] != ':') return std::nullopt;
      port = rest.substr(close + 2);
    }
  } else if (const auto colon = rest.rfind(':'); colon != std::string::npos) {
    address.host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
    if (address.host.find(':') != std::string::npos) return std::nullopt;
  } else {
    address.host = rest;
  }
  if (address.host.empty()) return std::nullopt;
  if (!port.empty() || rest.back() == ':') {
    if (port.empty() || port.size() > 5 ||
        port.find_first_not_of("0123456789") != std::string::npos)
      return std::nullopt;
    address.port = std::stoi(port);
    if (address.port < 1 || address.port > 65535) return std::nullopt;
  }
  return address;
}

std::unique_ptr<LabelStream> OpenSocketStream(const std::string& target, int timeout_seconds,
                                              std::string& problem) {
  const auto address = ParsePrinterAddress(target);
  if (!address) {
    problem = "印表機位址要寫成 socket://主機[:埠]: " + target;
    return nullptr;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (const int e = ::getaddrinfo(address->host.c_str(), std::to_string(address->port).c_str(),
                                  &hints, &found);
      e != 0) {
    problem = "找不到印表機 " + target + ": " + gai_strerror(e) + ",沒有列印";
    return nullptr;
  }
  const int timeout_ms = std::max(1, timeout_seconds) * 1000;
  std::string why = "連不上";
  int fd = -1;
  for (addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) continue;
    int error_number = 0;
    if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      error_number = errno;
      if (error_number == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        int ready;
        do ready = ::poll(&p, 1, timeout_ms);
        while (ready < 0 && errno == EINTR);
        socklen_t size = sizeof error_number;
        if (ready == 0)
          error_number = ETIMEDOUT;
        else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error_number, &size) != 0)
          error_number = errno;
      }
    }
    if (error_number != 0) {
      why = error_number == ECONNREFUSED ? "拒絕連線"
            : error_number == ETIMEDOUT
                ? std::to_string(std::max(1, timeout_seconds)) + " 秒內沒有回應"
                : SystemWords(error_number);
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(found);
  if (fd < 0) {
    problem = "印表機 " + target + " " + why + ",沒有列印";
    return nullptr;
  }
  return std::make_unique<SocketStream>(target, fd, timeout_seconds);
}

std::unique_ptr<LabelStream> OpenRawQueueStream(const std::string& queue,
                                                const std::string& job_name, std::string& problem) {
  http_t* http = ConnectToServer();
  if (http == nullptr) {
    problem = "無法連線到列印伺服器「" + CupsServerName() + "」,沒有列印";
    return nullptr;
  }
  return std::make_unique<RawQueueStream>(queue, job_name, http);
}

std::optional<QueueDriver> QueryQueueDriver(const std::string& queue, std::string& problem) {
  http_t* http = ConnectToServer();
  if (http == nullptr) {
    problem = "無法連線到列印伺服器「" + CupsServerName() + "」,沒有列印";
    return std::nullopt;
  }
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                   "/printers/%s", queue.c_str());
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  static const char* const kWanted[] = {"printer-make-and-model", "printer-resolution-default"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr,
                kWanted);
  ipp_t* response = cupsDoRequest(http, request, "/");
  std::optional<QueueDriver> driver;
  if (response == nullptr || cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
    problem = cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND
                  ? "找不到印表機: " + queue
                  : "列印伺服器「" + CupsServerName() + "」沒有回應: " + LastCupsWords() + ",沒有列印";
  } else {
    driver = QueueDriver{};
    const char* model = nullptr;
    if (ipp_attribute_t* a = ippFindAttribute(response, "printer-make-and-model", IPP_TAG_TEXT))
      model = ippGetString(a, 0, nullptr);
    driver->raw = model == nullptr || std::strcmp(model, "Local Raw Printer") == 0;
    if (ipp_attribute_t* a =
            ippFindAttribute(response, "printer-resolution-default", IPP_TAG_RESOLUTION)) {
      ipp_res_t units = IPP_RES_PER_INCH;
      int y = 0;
      const int x = ippGetResolution(a, 0, &y, &units);
      driver->dpi = units == IPP_RES_PER_CM ? (std::max(x, y) * 254 + 50) / 100 : std::max(x, y);
    }
  }
  ippDelete(response);
  httpClose(http);
  return driver;
}

}  // namespace vellomir
