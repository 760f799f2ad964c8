#include "tests/support/test_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace qf::test {

LocalHttpServer::LocalHttpServer() : server_(std::make_unique<httplib::Server>()) {}

LocalHttpServer::LocalHttpServer(const TestCertificate& certificate)
    : server_(std::make_unique<httplib::SSLServer>(certificate.certFile.c_str(), certificate.keyFile.c_str())),
      secure_(true) {}

LocalHttpServer::~LocalHttpServer() { Stop(); }

bool LocalHttpServer::Start() {
  if (!server_->is_valid()) return false;
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) return false;
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() only takes effect once the accept loop runs.
  for (int i = 0; i < 500 && !server_->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return server_->is_running();
}

void LocalHttpServer::Stop() {
  if (!thread_.joinable()) return;
  server_->stop();
  thread_.join();
}

std::string LocalHttpServer::Url(const std::string& path) const {
  return std::string(secure_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + path;
}

RawServer::RawServer(Handler handler) : handler_(std::move(handler)) {}

RawServer::~RawServer() { Stop(); }

bool RawServer::Start() {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (listenFd_ < 0) return false;
  int one = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listenFd_, 16) != 0)
    return false;
  socklen_t len = sizeof addr;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void RawServer::AcceptLoop() {
  while (!stopping_) {
    pollfd p{listenFd_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    int fd = ::accept(listenFd_, nullptr, nullptr);
    if (fd < 0) continue;
    ++connections_;
    std::lock_guard<std::mutex> lock(mutex_);
    clientFds_.push_back(fd);
    workers_.emplace_back([this, fd] {
      handler_(fd, stopping_);
      ::shutdown(fd, SHUT_RDWR);
    });
  }
}

void RawServer::Stop() {
  if (!acceptThread_.joinable()) return;
  stopping_ = true;
  acceptThread_.join();
  std::vector<std::thread> workers;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int fd : clientFds_) ::shutdown(fd, SHUT_RDWR);
    workers.swap(workers_);
  }
  for (std::thread& t : workers) t.join();
  for (int fd : clientFds_) ::close(fd);
  clientFds_.clear();
  ::close(listenFd_);
  listenFd_ = -1;
}

std::string RawServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string RawServer::ReadRequest(int fd) {
  std::string data;
  char buffer[4096];
  size_t need = std::string::npos;
  for (;;) {
    if (need == std::string::npos) {
      size_t end = data.find("\r\n\r\n");
      if (end != std::string::npos) {
        size_t length = 0;
        std::string head = data.substr(0, end);
        for (size_t at = 0; (at = head.find("\r\n", at)) != std::string::npos;) {
          at += 2;
          std::string line = head.substr(at, head.find("\r\n", at) - at);
          std::string lower = line;
          for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
          if (lower.rfind("content-length:", 0) == 0) length = std::stoul(line.substr(15));
        }
        need = end + 4 + length;
      }
    }
    if (need != std::string::npos && data.size() >= need) return data;
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return data;
    data.append(buffer, static_cast<size_t>(n));
  }
}

bool RawServer::SendAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool RawServer::Pause(int milliseconds, const std::atomic<bool>& stopping) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < until) {
    if (stopping) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return !stopping;
}

}  // namespace qf::test
