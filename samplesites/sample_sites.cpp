#include "samplesites/sample_sites.h"

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "samplesites/certificate.h"
#include "samplesites/site_pages.h"

namespace qf::samplesites {

struct SampleSites::Impl {
  std::unique_ptr<httplib::Server> http;
  std::unique_ptr<httplib::SSLServer> https;
  std::thread httpThread, httpsThread;
  int httpPort = -1, httpsPort = -1;
  std::string directory;
  CertificateFiles certificate;
  std::string error;

  mutable std::mutex lock;
  std::condition_variable released;
  bool held = false;
  bool stopping = false;
  int waiting = 0;
  std::map<std::pair<std::string, std::string>, SitePage> pages;
  std::vector<RecordedRequest> requests;

  void Handle(const std::string& scheme, const httplib::Request& req, httplib::Response& res);
  void Install(httplib::Server& server, const std::string& scheme);
  void Stop();
};

namespace {

std::string HostWithoutPort(const std::string& host) {
  if (!host.empty() && host.front() == '[') return host.substr(0, host.find(']') + 1);
  return host.substr(0, host.find(':'));
}

std::string PathOf(const std::string& target) { return target.substr(0, target.find('?')); }

}  // namespace

void SampleSites::Impl::Handle(const std::string& scheme, const httplib::Request& req, httplib::Response& res) {
  RecordedRequest record{scheme,   req.method, HostWithoutPort(req.get_header_value("Host")), req.target, req.body,
                         req.get_header_value("Content-Type")};
  std::optional<SitePage> page;
  {
    std::unique_lock<std::mutex> guard(lock);
    requests.push_back(record);
    ++waiting;
    released.wait(guard, [&] { return !held || stopping; });
    --waiting;
    for (const std::string& path : {PathOf(record.target), std::string("*")}) {
      auto it = pages.find({record.host, path});
      if (it != pages.end()) {
        page = it->second;
        break;
      }
    }
  }
  if (!page) page = BuiltInPage({record.method, record.host, record.target, record.body});
  if (!page) {
    res.status = 404;
    res.set_content("", "text/html");
    return;
  }
  res.status = page->status;
  res.set_content(page->body, page->contentType.c_str());
}

void SampleSites::Impl::Install(httplib::Server& server, const std::string& scheme) {
  auto handler = [this, scheme](const httplib::Request& req, httplib::Response& res) { Handle(scheme, req, res); };
  server.Get(".*", handler);
  server.Post(".*", handler);
  server.set_keep_alive_max_count(1);
}

void SampleSites::Impl::Stop() {
  {
    std::lock_guard<std::mutex> guard(lock);
    stopping = true;
  }
  released.notify_all();
  if (http) http->stop();
  if (https) https->stop();
  if (httpThread.joinable()) httpThread.join();
  if (httpsThread.joinable()) httpsThread.join();
  if (!directory.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
  }
}

SampleSites::SampleSites() : impl_(std::make_unique<Impl>()) {
  Impl& d = *impl_;
  std::string pattern = (std::filesystem::temp_directory_path() / "quillfen-sites-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    d.error = "cannot make a folder for the certificate";
    return;
  }
  d.directory = pattern;
  if (!MakeSelfSignedCertificate(SiteHostNames(), d.directory, d.certificate)) {
    d.error = "cannot make the certificate";
    return;
  }
  d.http = std::make_unique<httplib::Server>();
  d.https = std::make_unique<httplib::SSLServer>(d.certificate.certificatePath.c_str(), d.certificate.keyPath.c_str());
  if (!d.https->is_valid()) {
    d.error = "the HTTPS server does not accept the certificate";
    return;
  }
  d.Install(*d.http, "http");
  d.Install(*d.https, "https");
  d.httpPort = d.http->bind_to_any_port("127.0.0.1");
  d.httpsPort = d.https->bind_to_any_port("127.0.0.1");
  if (d.httpPort <= 0 || d.httpsPort <= 0) {
    d.error = "cannot listen on 127.0.0.1";
    return;
  }
  d.httpThread = std::thread([&d] { d.http->listen_after_bind(); });
  d.httpsThread = std::thread([&d] { d.https->listen_after_bind(); });
  for (int i = 0; i < 500 && !(d.http->is_running() && d.https->is_running()); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

SampleSites::~SampleSites() { impl_->Stop(); }

bool SampleSites::Started() const {
  return impl_->error.empty() && impl_->http && impl_->http->is_running() && impl_->https && impl_->https->is_running();
}
std::string SampleSites::Error() const { return impl_->error; }
int SampleSites::HttpPort() const { return impl_->httpPort; }
int SampleSites::HttpsPort() const { return impl_->httpsPort; }
std::string SampleSites::CaFile() const { return impl_->certificate.certificatePath; }

std::vector<std::string> SampleSites::ResolveEntries() const {
  std::vector<std::string> entries;
  for (const std::string& host : SiteHostNames()) {
    entries.push_back(host + ":80:127.0.0.1:" + std::to_string(impl_->httpPort));
    entries.push_back(host + ":443:127.0.0.1:" + std::to_string(impl_->httpsPort));
  }
  return entries;
}

void SampleSites::SetPage(const std::string& host, const std::string& path, std::string body, int status) {
  std::lock_guard<std::mutex> guard(impl_->lock);
  SitePage page;
  page.status = status;
  page.body = std::move(body);
  impl_->pages[{host, path}] = std::move(page);
}

void SampleSites::ClearPages() {
  std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->pages.clear();
}

std::vector<RecordedRequest> SampleSites::Requests() const {
  std::lock_guard<std::mutex> guard(impl_->lock);
  return impl_->requests;
}

void SampleSites::ClearRequests() {
  std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->requests.clear();
}

void SampleSites::HoldResponses(bool hold) {
  {
    std::lock_guard<std::mutex> guard(impl_->lock);
    impl_->held = hold;
  }
  impl_->released.notify_all();
}

int SampleSites::HeldCount() const {
  std::lock_guard<std::mutex> guard(impl_->lock);
  return impl_->waiting;
}

}  // namespace qf::samplesites
