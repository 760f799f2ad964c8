#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/command.h"
#include "cli/json_output.h"
#include "web/fetch_url.h"

namespace qf::cli {
namespace {

constexpr const char* kMethodNames[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};

int MethodIndex(const std::string& name) {
  std::string upper = name;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  for (int i = 0; i < 8; ++i)
    if (upper == kMethodNames[i]) return i;
  return -1;
}

bool ParseSeconds(const std::string& text, int& seconds) {
  if (text.empty() || text.size() > 9) return false;
  seconds = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    seconds = seconds * 10 + (c - '0');
  }
  return true;
}

int RunFetch(const ParsedArgs& args) {
  const Command self = FetchCommand();
  if (args.positional.size() != 1) return UsageError(self, "fetch takes one URL");
  int method = 0;
  if (args.Has("-X") && (method = MethodIndex(args.Value("-X"))) < 0)
    return UsageError(self, "unknown method " + args.Value("-X"));
  int timeout = 0;
  if (args.Has("--timeout") && !ParseSeconds(args.Value("--timeout"), timeout))
    return UsageError(self, "--timeout wants whole seconds");
  std::string headers;
  for (const std::string& line : args.Values("-H")) {
    if (!headers.empty()) headers += "\r\n";
    headers += FromTerminal(line);
  }

  std::string returnedCookies, returnedHeaders, location, statusText, responseBytes;
  // The body goes out as given: a form body is already percent-encoded.
  std::string page = FetchUrl(FromTerminal(args.positional[0]), method, args.Value("-d"), nullptr, &returnedCookies,
                              headers, &returnedHeaders, args.Has("--no-redirects"), {}, {},
                              args.Value("--proxy"), {}, {}, timeout, &location, &statusText, &responseBytes);
  // A response always brings its header block; without one a step failed.
  const bool failed = returnedHeaders.empty();

  if (args.Has("--json")) {
    nlohmann::json out = {{"status", ToTerminal(statusText)},
                          {"location", ToTerminal(location)},
                          {"headers", ToTerminal(returnedHeaders)},
                          {"cookies", ToTerminal(returnedCookies)},
                          {"body", ToTerminal(page)}};
    PrintJson(out);
  } else {
    if (args.Has("-i")) std::cout << ToTerminal(returnedHeaders);
    if (args.Has("--raw")) std::cout << responseBytes;
    else std::cout << ToTerminal(page);
    std::cout.flush();
  }
  std::cerr << ToTerminal(statusText) << "\n";
  return failed ? kExitNothing : kExitFound;
}

}  // namespace

Command FetchCommand() {
  return {"fetch",
          "fetch URL [-X METHOD] [-d BODY] [-H LINE]... [-i] [--raw] [--timeout S] [--no-redirects] [--proxy HOST:PORT]",
          "one request as the engine makes it; the page (decoded) to stdout, the status text last on stderr",
          {{"-X", true},
           {"-d", true},
           {"-H", true},
           {"-i", false},
           {"--raw", false},
           {"--timeout", true},
           {"--no-redirects", false},
           {"--proxy", true}},
          RunFetch};
}

}  // namespace qf::cli
