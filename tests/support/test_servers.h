// Servers that tests start on 127.0.0.1 at an ephemeral port: an httplib
// server (HTTP or HTTPS) and a raw-socket server for answers no well-behaved
// server gives.
#pragma once

#include <httplib.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_certificate.h"

namespace qf::test {

class LocalHttpServer {
 public:
  LocalHttpServer();  // plain HTTP
  explicit LocalHttpServer(const TestCertificate& certificate);  // HTTPS
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  httplib::Server& server() { return *server_; }
  // Register handlers first. False when the port could not be bound.
  bool Start();
  void Stop();
  int port() const { return port_; }
  // "http://127.0.0.1:PORT" + path (https for an HTTPS server).
  std::string Url(const std::string& path = "/") const;

 private:
  std::unique_ptr<httplib::Server> server_;
  bool secure_ = false;
  int port_ = -1;
  std::thread thread_;
};

class RawServer {
 public:
  // Runs once per connection on its own thread; return to close the socket.
  // `stopping` turns true when the server stops (blocked reads end too).
  using Handler = std::function<void(int fd, const std::atomic<bool>& stopping)>;

  explicit RawServer(Handler handler);
  ~RawServer();
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  bool Start();
  void Stop();
  int port() const { return port_; }
  std::string Url(const std::string& path = "/") const;
  int connections() const { return connections_.load(); }

  // Reads one request: the head, then as many body bytes as Content-Length says.
  static std::string ReadRequest(int fd);
  static bool SendAll(int fd, std::string_view data);
  // Sleeps in small steps; false when the server started stopping meanwhile.
  static bool Pause(int milliseconds, const std::atomic<bool>& stopping);

 private:
  void AcceptLoop();

  Handler handler_;
  int listenFd_ = -1;
  int port_ = -1;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::thread acceptThread_;
  std::mutex mutex_;
  std::vector<std::thread> workers_;
  std::vector<int> clientFds_;
};

}  // namespace qf::test
