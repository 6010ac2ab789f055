#pragma once

#include <QImage>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/files.h"

// A private CUPS server for tests: cupsd started in the foreground with its configuration,
// spool, logs and socket in a temporary folder, listening only on that Unix socket. It has
// four queues:
//   "sheets"  a cups-pdf A4 queue with 5 mm margins, whose output (PostScript) is kept;
//   "labels"  the ZPL label printer of CUPS's sample driver, 4 x 6 in media at 203 dpi,
//             whose output (ZPL) is kept;
//   "closed"  a queue that refuses jobs;
//   "raw"     a raw queue (no driver), whose output is exactly what it was sent.
// Besides "capture:" (keeps the output), the backends "failing:" (fails every job after reading
// it, saying "out of labels") and "vanishing:" (kills cupsd) serve queues a test adds.
// Jobs' documents stay in the spool, so a test reads the PDF each job received. CUPS_SERVER
// points at the socket for this process and the programs it starts.
namespace vellomir::test {

struct CupsJob {
  int id = 0;
  std::string queue;
  std::string name;   // job-name
  std::string media;  // the media the job asked for
  int copies = 0;
  int state = 0;  // IPP job state: 9 completed, 7 canceled, 8 aborted, 3 pending...
};

class CupsServer {
 public:
  // Starts the server and its queues. When that is impossible, Reason() says why.
  CupsServer();
  ~CupsServer();
  CupsServer(const CupsServer&) = delete;
  CupsServer& operator=(const CupsServer&) = delete;

  // Why the server is not running: "" when it runs.
  const std::string& Reason() const { return reason_; }
  const std::string& Socket() const { return socket_; }
  // The device URI of a queue whose output is kept (see Output).
  std::string CaptureUri() const { return "capture:" + (dir_.path() / "out").string(); }

  // Stops cupsd at once, as a crash would.
  void Kill();

  // Runs a CUPS administration program (lpadmin, cupsreject, cupsdisable...) on this server;
  // true when it exits 0.
  bool Admin(const std::string& program, const std::vector<std::string>& args);

  // Every job the server knows, oldest first.
  std::vector<CupsJob> Jobs();
  // Waits until no job is pending or processing (at most `seconds`); false on time out.
  bool WaitUntilIdle(int seconds = 60);
  // The document job `id` received, as the program sent it.
  std::string ReceivedDocument(int id) const;
  // What the queue's filters and backend produced for job `id`.
  std::string Output(int id) const;

 private:
  bool Start();
  std::string reason_;
  TempDir dir_;
  std::string socket_;
  long pid_ = -1;
};

// The bitmap a ZPL printer would print from rastertolabel's ~DG graphic: one image per
// label sent (black on white). Empty when the data is no such graphic.
std::vector<QImage> DecodeZplGraphics(const std::string& zpl);

// The labels a ZPL printer would print from our formats: one image of ^PW x ^LL dots per
// ^XA..^XZ, every ^FO..^GFA graphic (Z64 with its CRC checked, or compressed hexadecimal) in
// place. `problem` gets the first thing that does not decode; the labels before it are kept.
std::vector<QImage> DecodeZplLabels(const std::string& zpl, std::string* problem = nullptr);
// The same for EPL2, ours or a driver's: q and Q size the label (else its graphics do), GW
// places its binary graphic (0 bits print), P prints it.
std::vector<QImage> DecodeEplLabels(const std::string& epl, std::string* problem = nullptr);

// Every page of a PostScript or PDF file rendered with Ghostscript at `dpi`.
std::vector<QImage> RenderWithGhostscript(const std::string& path, int dpi);

// The top-left-most dark pixel: the smallest x holding ink and the smallest y holding ink.
std::optional<std::pair<int, int>> FirstInk(const QImage& image);

}  // namespace vellomir::test
