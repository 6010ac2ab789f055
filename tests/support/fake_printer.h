#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

namespace vellomir::test {

// A printer on a loopback port: reads `keep` bytes (all when negative), then closes; with
// `stall` it never reads, its receive buffer kept small.
class FakePrinter {
 public:
  explicit FakePrinter(long keep = -1, bool stall = false)
      : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    int small = 2048;
    if (stall) ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in a{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof a;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), size);
    ::listen(fd_, 1);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &size);
    port = ntohs(a.sin_port);
    thread_ = std::thread([this, keep, stall] {
      const int c = ::accept(fd_, nullptr, nullptr);
      char buf[4096];
      for (ssize_t n = 1; c >= 0 && stall && !done_;) ::usleep(10000 * n);
      for (ssize_t n; c >= 0 && !stall && (keep < 0 || static_cast<long>(received.size()) < keep) &&
                      (n = ::read(c, buf, sizeof buf)) > 0;)
        received.append(buf, static_cast<std::size_t>(n));
      if (c >= 0) ::close(c);
    });
  }
  ~FakePrinter() { Stop(); }
  // Stops listening; `received` is whole afterwards.
  void Stop() {
    done_ = true;
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  std::string Address() const { return "socket://127.0.0.1:" + std::to_string(port); }

  int port = 0;
  std::string received;

 private:
  int fd_ = -1;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

}  // namespace vellomir::test
