// A loopback GET of a 200 KB page: FetchUrl beside plain libcurl and the curl
// command-line tool, in the same run against the same local server.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/test_servers.h"
#include "web/fetch_url.h"

namespace {

constexpr size_t kPageBytes = 200 * 1024;

qf::test::LocalHttpServer& Server() {
  static qf::test::LocalHttpServer* server = [] {
    auto* s = new qf::test::LocalHttpServer;
    std::string page;
    while (page.size() < kPageBytes) page += "<tr><td>row</td><td>" + std::to_string(page.size()) + "</td></tr>\n";
    page.resize(kPageBytes);
    s->server().Get("/page", [page](const httplib::Request&, httplib::Response& res) {
      res.set_content(page, "text/html");
    });
    if (!s->Start()) std::abort();
    return s;
  }();
  return *server;
}

void BM_FetchUrl(benchmark::State& state) {
  const std::string url = Server().Url("/page");
  for (auto _ : state) {
    std::string text = qf::FetchUrl(url);
    if (text.size() != kPageBytes) state.SkipWithError("short page");
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPageBytes));
}

size_t Collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// The floor: one fresh easy handle per request, as FetchUrl makes.
void BM_LibcurlEasy(benchmark::State& state) {
  const std::string url = Server().Url("/page");
  for (auto _ : state) {
    std::string body;
    CURL* easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    if (curl_easy_perform(easy) != CURLE_OK || body.size() != kPageBytes) state.SkipWithError("libcurl failed");
    curl_easy_cleanup(easy);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPageBytes));
}

// The curl tool, process start included: what a script would pay.
void BM_CurlTool(benchmark::State& state) {
  const std::string command = "curl -s --noproxy '*' -o /dev/null '" + Server().Url("/page") + "'";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("curl failed");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPageBytes));
}

BENCHMARK(BM_FetchUrl)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LibcurlEasy)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_CurlTool)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
