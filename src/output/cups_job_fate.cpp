#include "output/cups_job_fate.h"

#include <cups/cups.h>

#include <algorithm>
#include <thread>

namespace vellomir {

namespace {

struct JobStatus {
  bool answered = false;
  ipp_jstate_t state = IPP_JSTATE_PENDING;
  std::string words;  // the printer's message and the job's reasons
};

std::string Joined(ipp_attribute_t* attr) {
  std::string out;
  for (int i = 0; attr != nullptr && i < ippGetCount(attr); ++i) {
    const char* s = ippGetString(attr, i, nullptr);
    // "none" says nothing a user could act on.
    if (s == nullptr || s[0] == '\0' || std::string(s) == "none") continue;
    out += (out.empty() ? "" : ", ") + std::string(s);
  }
  return out;
}

JobStatus AskJob(http_t* http, int job) {
  static const char* const kWanted[] = {"job-state", "job-state-reasons",
                                        "job-printer-state-message"};
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  const std::string uri = "ipp://localhost/jobs/" + std::to_string(job);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(std::size(kWanted)), nullptr, kWanted);
  JobStatus status;
  ipp_t* response = cupsDoRequest(http, request, "/");
  if (response == nullptr || ippGetStatusCode(response) > IPP_STATUS_OK_EVENTS_COMPLETE) {
    ippDelete(response);
    return status;
  }
  if (ipp_attribute_t* a = ippFindAttribute(response, "job-state", IPP_TAG_ENUM)) {
    status.answered = true;
    status.state = static_cast<ipp_jstate_t>(ippGetInteger(a, 0));
  }
  const std::string message =
      Joined(ippFindAttribute(response, "job-printer-state-message", IPP_TAG_TEXT));
  const std::string reasons = Joined(ippFindAttribute(response, "job-state-reasons", IPP_TAG_ZERO));
  status.words = message.empty()   ? reasons
                 : reasons.empty() ? message
                                   : message + " (" + reasons + ")";
  ippDelete(response);
  return status;
}

// The queue's state and its printer's last words, for a job that waits on it.
struct QueueStatus {
  bool stopped = false;
  std::string words;
};

QueueStatus AskQueue(http_t* http, const std::string& queue) {
  static const char* const kWanted[] = {"printer-state", "printer-state-message"};
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                   "/printers/%s", queue.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(std::size(kWanted)), nullptr, kWanted);
  QueueStatus status;
  if (ipp_t* response = cupsDoRequest(http, request, "/")) {
    if (ipp_attribute_t* a = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM))
      status.stopped = ippGetInteger(a, 0) == IPP_PSTATE_STOPPED;
    status.words = Joined(ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT));
    ippDelete(response);
  }
  return status;
}

http_t* Connect() {
  return httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 5000,
                      nullptr);
}

std::string StateWord(ipp_jstate_t state) {
  switch (state) {
    case IPP_JSTATE_HELD:
      return "保留中";
    case IPP_JSTATE_PENDING:
      return "等待中";
    case IPP_JSTATE_PROCESSING:
      return "處理中";
    case IPP_JSTATE_STOPPED:
      return "已停止";
    case IPP_JSTATE_CANCELED:
      return "已取消";
    case IPP_JSTATE_ABORTED:
      return "已中止";
    case IPP_JSTATE_COMPLETED:
      return "已完成";
  }
  return "狀態不明";
}

}  // namespace

std::chrono::milliseconds CupsJobWaitBound(std::size_t jobs) {
  using std::chrono::seconds;
  const std::size_t more = jobs > 1 ? jobs - 1 : 0;
  return std::min<std::chrono::milliseconds>(seconds(20) + seconds(2) * more, seconds(120));
}

CupsJobFate FollowCupsJobs(const std::string& queue, const std::vector<int>& jobs,
                           std::chrono::milliseconds bound) {
  CupsJobFate fate;
  if (jobs.empty()) return fate;
  const auto deadline = std::chrono::steady_clock::now() + bound;
  http_t* http = Connect();
  auto pause = std::chrono::milliseconds(50);
  JobStatus status;
  for (;;) {
    status = http != nullptr ? AskJob(http, jobs[fate.completed]) : JobStatus{};
    if (!status.answered) {
      // A dropped connection is tried once more before the server counts as gone.
      if (http != nullptr) httpClose(http);
      http = Connect();
      status = http != nullptr ? AskJob(http, jobs[fate.completed]) : JobStatus{};
      if (!status.answered) {
        fate.end = CupsJobEnd::kServerGone;
        break;
      }
    }
    if (status.state == IPP_JSTATE_COMPLETED) {
      if (++fate.completed == jobs.size()) break;
      continue;
    }
    if (status.state >= IPP_JSTATE_STOPPED) {
      fate.end = CupsJobEnd::kFailed;
      break;
    }
    // A held job, or one on a stopped queue, waits for someone: no use waiting for it here.
    const QueueStatus printer = AskQueue(http, queue);
    if (status.state == IPP_JSTATE_HELD || printer.stopped ||
        std::chrono::steady_clock::now() >= deadline) {
      fate.end = CupsJobEnd::kUnfinished;
      if (printer.stopped)
        status.words = "印表機暫停中" + (printer.words.empty() ? "" : ", " + printer.words);
      else if (status.words.empty())
        status.words = printer.words;
      break;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(500));
  }
  if (http != nullptr) httpClose(http);
  if (fate.end != CupsJobEnd::kCompleted) {
    fate.job = jobs[fate.completed];
    if (fate.end != CupsJobEnd::kServerGone)
      fate.words = StateWord(status.state) + (status.words.empty() ? "" : ": " + status.words);
  }
  return fate;
}

std::string DescribeCupsJobFate(const std::string& queue, const CupsJobFate& fate) {
  const std::string job = queue + "-" + std::to_string(fate.job);
  switch (fate.end) {
    case CupsJobEnd::kCompleted:
      return {};
    case CupsJobEnd::kFailed:
      return "印表機「" + queue + "」沒有印完列印工作 " + job + " (" + fate.words + ")";
    case CupsJobEnd::kUnfinished:
      return "已送出, 印表機尚未完成: 印表機「" + queue + "」的列印工作 " + job + " " + fate.words;
    case CupsJobEnd::kServerGone:
      return "列印伺服器「" + CupsServerName() + "」已經不在了, 不知道列印工作 " + job + " 是否印出";
  }
  return {};
}

DeliveryFate FollowCupsDeliveries(const std::string& queue, const std::vector<int>& jobs) {
  const CupsJobFate fate = FollowCupsJobs(queue, jobs, CupsJobWaitBound(jobs.size()));
  DeliveryFate out;
  out.done = fate.completed;
  out.words = DescribeCupsJobFate(queue, fate);
  switch (fate.end) {
    case CupsJobEnd::kCompleted:
      out.end = DeliveryFate::End::kDone;
      break;
    case CupsJobEnd::kUnfinished:
      out.end = DeliveryFate::End::kUnfinished;
      break;
    case CupsJobEnd::kFailed:
    case CupsJobEnd::kServerGone:
      out.end = DeliveryFate::End::kFailed;
      break;
  }
  return out;
}

std::string CupsServerName() {
  const char* server = cupsServer();
  return server != nullptr ? server : "";
}

std::string LastCupsWords() {
  const char* words = cupsLastErrorString();
  return words != nullptr && words[0] != '\0' ? words : "沒有說明原因";
}

}  // namespace vellomir
