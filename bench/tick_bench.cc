// One watch tick that finds nothing new, against the shell pipeline that
// reads the same two patterns out of the same page:
//   curl -s URL | grep -oP '<link pattern>|<time pattern>'
// (grep -P takes a single pattern, so the two go in as alternatives.)
//
// The generated 1 MB homepage is served by a private nginx on 127.0.0.1.
// Our figure is this process's CPU time for checkForNewWorks with
// lastSeenTime above every time on the page, so nothing is fetched but the
// homepage; the peer's is the CPU time of both pipeline processes (their
// rusage, start-up included, since that is what the pipeline costs). The
// pipeline over an empty page is measured too, to tell its start-up from
// its work on the page.
//   tick_bench [ticks=30]
// The last line ("figures ...") is for bench/run.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "app/homepage_snapshot.h"
#include "app/watch_core.h"
#include "bench/bench_support.h"

extern char** environ;

namespace {

using namespace lirabel::bench;

constexpr int kDefaultTicks = 30;
constexpr int kWarmUpTicks = 3;
constexpr double kGoal = 1.5;
// grep -P matches in UTF mode only under a UTF-8 locale, as our search does.
constexpr char kUtf8Locale[] = "LC_ALL=C.UTF-8";

// The main window as a tick sees it while watching.
class WatchingView final : public lirabel::WatchView {
 public:
  explicit WatchingView(std::string address) : address_(std::move(address)) {}
  lirabel::Text homepageAddress() override { return address_; }
  lirabel::Text singerNote() override { return {}; }
  void showStatus(lirabel::Status) override { ++statuses; }
  bool isWatching() override { return true; }
  int statuses = 0;

 private:
  std::string address_;
};

// curl's output piped into grep, grep's into outPath; returns the number of
// lines grep printed, or -1 if either process failed.
int runPipeline(const std::string& url, const std::string& outPath) {
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return -1;
  std::vector<std::string> curlArgs = {"curl", "-s", url};
  std::vector<std::string> grepArgs = {
      "grep", "-oP", std::string(kLinkPattern) + "|" + kTimePattern};
  auto argvOf = [](std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return argv;
  };
  std::vector<char*> curlArgv = argvOf(curlArgs);
  std::vector<char*> grepArgv = argvOf(grepArgs);
  std::vector<std::string> environment;
  for (char** e = environ; *e; ++e) {
    if (std::string(*e).rfind("LC_ALL=", 0) != 0) environment.push_back(*e);
  }
  environment.push_back(kUtf8Locale);
  std::vector<char*> envp = argvOf(environment);

  posix_spawn_file_actions_t curlActions, grepActions;
  posix_spawn_file_actions_init(&curlActions);
  posix_spawn_file_actions_adddup2(&curlActions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_init(&grepActions);
  posix_spawn_file_actions_adddup2(&grepActions, pipeEnds[0], STDIN_FILENO);
  posix_spawn_file_actions_addopen(&grepActions, STDOUT_FILENO, outPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t curl = -1, grep = -1;
  const bool started = posix_spawnp(&curl, "curl", &curlActions, nullptr,
                                    curlArgv.data(), envp.data()) == 0 &&
                       posix_spawnp(&grep, "grep", &grepActions, nullptr,
                                    grepArgv.data(), envp.data()) == 0;
  posix_spawn_file_actions_destroy(&curlActions);
  posix_spawn_file_actions_destroy(&grepActions);
  close(pipeEnds[0]);
  close(pipeEnds[1]);
  bool ok = started;
  for (pid_t pid : {curl, grep}) {
    int status = 0;
    if (pid > 0) {
      ok = waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0 && ok;
    }
  }
  if (!ok) return -1;
  int lines = 0;
  if (FILE* out = std::fopen(outPath.c_str(), "r")) {
    for (int c; (c = std::fgetc(out)) != EOF;) lines += c == '\n';
    std::fclose(out);
  }
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  const int ticks = argc > 1 ? std::atoi(argv[1]) : kDefaultTicks;
  if (ticks <= 0) {
    std::fprintf(stderr, "usage: tick_bench [ticks]\n");
    return 2;
  }
  Site site("lirabel-tick-bench");
  const std::string page = makeHomepageUtf8();
  if (!site.put("singer.html", page) || !site.put("empty.html", "") ||
      !site.start()) {
    std::fprintf(stderr, "nginx did not start\n");
    return 1;
  }
  const std::string url = site.url("singer.html");

  // The page must read as a homepage, or the tick would stop early and
  // measure nothing.
  const lirabel::HomepageSnapshot snapshot = lirabel::takeHomepageSnapshot(url);
  if (!snapshot.complete) {
    std::fprintf(stderr, "the served page does not read as a homepage\n");
    return 1;
  }

  lirabel::WatchState state;
  state.lastSeenTime = std::numeric_limits<std::int64_t>::max();
  WatchingView view(url);
  std::vector<double> ours, peers;
  for (int i = 0; i < kWarmUpTicks + ticks; ++i) {
    const double before = processCpuSeconds();
    lirabel::checkForNewWorks(state, view);
    if (i >= kWarmUpTicks) ours.push_back(processCpuSeconds() - before);
  }
  const bool nothingDone = state.downloadCount == 0 && view.statuses == 0;

  const std::string grepOut = (site.folder() / "grep.out").string();
  int lines = -1;
  for (int i = 0; i < kWarmUpTicks + ticks; ++i) {
    const double before = childrenCpuSeconds();
    lines = runPipeline(url, grepOut);
    if (lines < 0) {
      std::fprintf(stderr, "curl | grep failed\n");
      return 1;
    }
    if (i >= kWarmUpTicks) peers.push_back(childrenCpuSeconds() - before);
  }

  // The same pipeline over an empty page: what starting both processes and
  // connecting costs, without the work on the page.
  std::vector<double> startUps;
  const std::string emptyUrl = site.url("empty.html");
  for (int i = 0; i < ticks; ++i) {
    const double before = childrenCpuSeconds();
    // grep finds nothing and fails; only the figure counts here.
    runPipeline(emptyUrl, grepOut);
    startUps.push_back(childrenCpuSeconds() - before);
  }

  const double ourMedian = median(ours);
  const double startUpMedian = median(startUps);
  const double peerMedian = median(peers);
  const double ratio = ourMedian / peerMedian;
  std::printf("page: %zu bytes at %s, ticks: %d (after %d warm-up)\n",
              page.size(), url.c_str(), ticks, kWarmUpTicks);
  std::printf("tick with nothing new, CPU median: %.2f ms%s\n", ourMedian * 1e3,
              nothingDone ? "" : " (BUT it downloaded or showed a status)");
  std::printf("curl | grep -oP, CPU of both median: %.2f ms (%d matches)\n",
              peerMedian * 1e3, lines);
  std::printf("ratio: %.2f (goal <= %.2f)\n", ratio, kGoal);
  std::printf(
      "the same pipeline over an empty page (start-up and connection): "
      "%.2f ms\n",
      startUpMedian * 1e3);
  std::printf(
      "figures ticks=%d ours_cpu_s=%.6f peer_cpu_s=%.6f peer_matches=%d "
      "nothing_new=%d peer_startup_cpu_s=%.6f\n",
      ticks, ourMedian, peerMedian, lines, nothingDone ? 1 : 0, startUpMedian);
  return nothingDone && ratio <= kGoal ? 0 : 1;
}
