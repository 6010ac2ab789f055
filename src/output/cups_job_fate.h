#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/printer.h"

// What became of print jobs a CUPS server accepted. Taking a job is not printing it: the
// backend may fail afterwards, the job may be held or the printer may never answer. Any
// submission path (a PDF run, raw printer language) follows its jobs with this.
namespace vellomir {

enum class CupsJobEnd {
  kCompleted,   // every job completed
  kFailed,      // a job was aborted, cancelled or stopped
  kUnfinished,  // a job is held, or still pending or processing when the wait ran out
  kServerGone,  // the server stopped answering while we waited
};

struct CupsJobFate {
  CupsJobEnd end = CupsJobEnd::kCompleted;
  // How many jobs, in the order given, completed before the first that did not.
  std::size_t completed = 0;
  // The first job that did not complete, and the printer's own words about it (its state
  // message and reasons); empty when every job completed.
  int job = 0;
  std::string words;
};

// Where the print server is, for messages: a socket path, a host name.
std::string CupsServerName();
// libcups' own words for its last failure.
std::string LastCupsWords();

// The longest a run waits for its jobs: a few seconds after the last document, more for a
// run of many documents, since a label printer works through them one after another.
std::chrono::milliseconds CupsJobWaitBound(std::size_t jobs);

// Asks the server (CUPS_SERVER or the system's) about the jobs until each has completed, one
// has failed or is held, or `bound` has passed. Jobs are expected to finish in order.
// Jobs are expected to be on `queue`, whose state tells a stopped printer from a slow one.
CupsJobFate FollowCupsJobs(const std::string& queue, const std::vector<int>& jobs,
                           std::chrono::milliseconds bound);

// The same, as a printer tells a print run what became of its deliveries.
DeliveryFate FollowCupsDeliveries(const std::string& queue, const std::vector<int>& jobs);

// The fate said in the program's words: "印表機「Q」的列印工作 Q-12 失敗: out of labels".
// Empty when every job completed.
std::string DescribeCupsJobFate(const std::string& queue, const CupsJobFate& fate);

}  // namespace vellomir
