// A local stand-in for the twelve sites: one HTTP and one HTTPS server on
// 127.0.0.1 that answer by the Host header as each site would. Clients reach
// them through host mappings ("HOST:PORT:127.0.0.1:LOCALPORT") and trust the
// HTTPS server through its certificate file.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace qf::samplesites {

struct RecordedRequest {
  std::string scheme;  // "http" or "https"
  std::string method;
  std::string host;    // without port
  std::string target;  // path and query, as sent
  std::string body;
  std::string contentType;
};

class SampleSites {
 public:
  SampleSites();  // starts both servers; see Started()
  ~SampleSites();
  SampleSites(const SampleSites&) = delete;
  SampleSites& operator=(const SampleSites&) = delete;

  bool Started() const;
  std::string Error() const;  // why starting failed
  int HttpPort() const;
  int HttpsPort() const;
  std::string CaFile() const;  // the HTTPS server's certificate
  // Maps port 80 of every site host to the HTTP server and 443 to the HTTPS one.
  std::vector<std::string> ResolveEntries() const;

  // Serves `body` for GET and POST on host+path (any query) instead of the
  // built-in page; a path of "*" stands for every path of the host.
  void SetPage(const std::string& host, const std::string& path, std::string body, int status = 200);
  void ClearPages();

  std::vector<RecordedRequest> Requests() const;
  void ClearRequests();

  // While held, every request waits before it is answered (until released or
  // the servers stop).
  void HoldResponses(bool hold);
  // Number of requests waiting while held.
  int HeldCount() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace qf::samplesites

namespace qf::samplesites {

// Points this process's HTTP layer at the sample sites (host mappings and the
// certificate); false when they are not running.
bool ConnectToSampleSites(const SampleSites& sites);
// Clears what ConnectToSampleSites set.
void DisconnectFromSampleSites();

}  // namespace qf::samplesites
