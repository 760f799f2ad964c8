// Matcher throughput for every pattern the system runs, over generated pages of
// three shapes, beside PCRE2-JIT and std::regex on the same text in the same run.
//
//   regex_bench [--mib N] [--no-std-regex] [--filter TEXT]
//
// RE2 runs through RegexMatcher exactly as the system calls it (GBK subject,
// every sub-match read back); the baselines get the UTF-8 page directly.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "bench/pattern_pages.h"
#include "bench/system_patterns.h"
#include "platform/codepage.h"
#include "regex/regex_matcher.h"

namespace qf::bench {
namespace {

using Clock = std::chrono::steady_clock;

struct Outcome {
  double ms = 0;
  long matches = 0;
  std::string note;  // why the engine stopped early, if it did
};

double Since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

volatile size_t sink = 0;  // keeps the sub-match reads from being optimised away

Outcome RunRe2(const std::string& gbkPattern, const std::string& gbkPage) {
  Outcome best;
  for (int round = 0; round < 3; ++round) {
    auto start = Clock::now();
    RegexMatcher matcher;
    matcher.Execute(gbkPattern, gbkPage);
    const int n = matcher.MatchCount();
    const int groups = matcher.SubMatchCount();
    size_t read = 0;
    for (int i = 1; i <= n; ++i)
      for (int g = 1; g <= groups; ++g) read += matcher.SubMatchText(i, g).size();
    double ms = Since(start);
    sink = sink + read;
    if (round == 0 || ms < best.ms) best = {ms, n, ""};
  }
  return best;
}

Outcome RunPcre2(const std::string& utf8Pattern, const std::string& page) {
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(utf8Pattern.data()), utf8Pattern.size(),
                                   PCRE2_UTF | PCRE2_CASELESS | PCRE2_MULTILINE, &error, &offset, nullptr);
  if (!code) return {0, 0, "rejected"};
  pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
  pcre2_jit_stack* stack = pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr);
  pcre2_match_context* context = pcre2_match_context_create(nullptr);
  pcre2_jit_stack_assign(context, nullptr, stack);
  pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);
  Outcome out;
  auto start = Clock::now();
  PCRE2_SIZE at = 0;
  while (at <= page.size()) {
    // The page is checked as UTF-8 once, not again on every resumed search.
    const uint32_t options = at == 0 ? 0 : PCRE2_NO_UTF_CHECK;
    int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(page.data()), page.size(), at, options, data, context);
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc < 0) {
      PCRE2_UCHAR message[120];
      pcre2_get_error_message(rc, message, sizeof message);
      out.note = "gave up: " + std::string(reinterpret_cast<char*>(message));
      break;
    }
    ++out.matches;
    PCRE2_SIZE* ov = pcre2_get_ovector_pointer(data);
    at = ov[1] > ov[0] ? ov[1] : ov[1] + 1;
  }
  out.ms = Since(start);
  pcre2_match_data_free(data);
  pcre2_match_context_free(context);
  pcre2_jit_stack_free(stack);
  pcre2_code_free(code);
  return out;
}

// std::regex may overflow its stack on large pages, so it runs in a child
// process with a time limit.
Outcome RunStdRegex(const std::string& utf8Pattern, const std::string& page, int limitSeconds) {
  int fds[2];
  if (pipe(fds) != 0) return {0, 0, "no pipe"};
  pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    alarm(static_cast<unsigned>(limitSeconds));
    Outcome out;
    auto start = Clock::now();
    try {
      std::regex re(utf8Pattern, std::regex::ECMAScript | std::regex::icase | std::regex::multiline);
      for (auto it = std::sregex_iterator(page.begin(), page.end(), re); it != std::sregex_iterator(); ++it)
        ++out.matches;
    } catch (const std::exception& e) {
      out.note = e.what();
    }
    out.ms = Since(start);
    char line[256];
    int len = std::snprintf(line, sizeof line, "%f %ld %s", out.ms, out.matches, out.note.c_str());
    if (write(fds[1], line, static_cast<size_t>(len)) < 0) _exit(3);
    _exit(0);
  }
  close(fds[1]);
  std::string reply;
  char buf[256];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) reply.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFSIGNALED(status)) {
    int sig = WTERMSIG(status);
    if (sig == SIGALRM) return {0, 0, "over " + std::to_string(limitSeconds) + " s"};
    if (sig == SIGSEGV) return {0, 0, "crashed (stack overflow)"};
    return {0, 0, std::string("crashed: ") + strsignal(sig)};
  }
  Outcome out;
  char note[200] = "";
  std::sscanf(reply.c_str(), "%lf %ld %199[^\n]", &out.ms, &out.matches, note);
  out.note = note;
  return out;
}

std::string Cell(const Outcome& o, size_t bytes) {
  char text[160];
  if (o.ms <= 0 && !o.note.empty()) return o.note;
  double mbps = o.ms > 0 ? (static_cast<double>(bytes) / (1 << 20)) / (o.ms / 1000.0) : 0;
  std::snprintf(text, sizeof text, "%8.1f ms %8.0f MB/s %6ld found", o.ms, mbps, o.matches);
  return o.note.empty() ? std::string(text) : std::string(text) + "  (" + o.note + ")";
}

}  // namespace
}  // namespace qf::bench

int main(int argc, char** argv) {
  using namespace qf::bench;
  double mib = 1;
  bool stdRegex = true;
  std::string filter;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--mib" && i + 1 < argc) mib = std::atof(argv[++i]);
    else if (a == "--no-std-regex") stdRegex = false;
    else if (a == "--filter" && i + 1 < argc) filter = argv[++i];
    else {
      std::fprintf(stderr, "usage: regex_bench [--mib N] [--no-std-regex] [--filter TEXT]\n");
      return 2;
    }
  }
  const size_t bytes = static_cast<size_t>(mib * (1 << 20));
  std::printf("pages of %.1f MiB; RE2 through RegexMatcher (best of 3, all sub-matches read), PCRE2-JIT, std::regex\n",
              mib);
  std::printf("%-22s %-9s | %-42s | %-42s | %s\n", "pattern", "page", "RE2", "PCRE2-JIT", "std::regex");
  double worst = 0;
  for (const NamedPattern& p : SystemPatterns()) {
    if (!filter.empty() && p.name.find(filter) == std::string::npos) continue;
    const std::string utf8Pattern = qf::platform::GbkBytesToUtf8(p.gbk);
    for (PageShape shape : {PageShape::CrLfLines, PageShape::OneLine, PageShape::NearMiss}) {
      const std::string page = PageFor(utf8Pattern, shape, bytes);
      const std::string gbkPage = qf::platform::Utf8BytesToGbk(page);
      Outcome re2 = RunRe2(p.gbk, gbkPage);
      Outcome pcre = RunPcre2(utf8Pattern, page);
      std::string stdCell = stdRegex ? Cell(RunStdRegex(utf8Pattern, page, 10), page.size()) : "skipped";
      if (re2.ms > worst) worst = re2.ms;
      std::printf("%-22s %-9s | %-42s | %-42s | %s\n", p.name.c_str(), ShapeName(shape),
                  Cell(re2, gbkPage.size()).c_str(), Cell(pcre, page.size()).c_str(), stdCell.c_str());
      std::fflush(stdout);
    }
  }
  std::printf("slowest RE2 run: %.1f ms\n", worst);
  return 0;
}
