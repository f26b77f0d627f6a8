// A large media download over loopback: WebObjectRequest plus a whole-file
// write against the command-line curl fetching the same file in the same
// run, and this process's peak memory against the body size.
//
// It starts its own nginx (unprivileged port, 127.0.0.1 only, a temporary
// prefix and configuration) serving a generated file from a temporary
// folder, and stops it again. Not part of the test suite: run it by hand,
//   download_bench [megabytes=200] [rounds=3]
// or through bench/run, which reads the last line ("figures ..."). It needs
// nginx and curl (scripts/setup.sh --bench).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "web/web_object_request.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace lirabel::bench;

constexpr int kDefaultMegabytes = 200;
constexpr int kDefaultRounds = 3;
constexpr double kWallTimeGoal = 1.25;
constexpr long kMemoryAllowanceBytes = 64L << 20;

bool writeWholeFile(const std::string& path, const lirabel::Bytes& data) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return close(fd) == 0 && done == data.size();
}

// A body that is not all one byte, made in pieces so that making it costs
// this process no memory worth counting.
bool makeMedia(const fs::path& path, long bytes) {
  {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    std::uint32_t state = 0x12345678;
    for (char& c : block) {
      state = state * 1664525u + 1013904223u;
      c = static_cast<char>(state >> 24);
    }
    for (long written = 0; written < bytes;) {
      const long n = std::min<long>(bytes - written, block.size());
      block[0] = static_cast<char>(written >> 20);  // no two blocks alike
      out.write(block.data(), n);
      written += n;
    }
    if (!out) return false;
  }
  return chmod(path.c_str(), 0644) == 0;
}

bool sameContents(const fs::path& a, const fs::path& b) {
  std::error_code error;
  if (fs::file_size(a, error) != fs::file_size(b, error) || error) {
    return false;
  }
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  std::vector<char> bx(1 << 20), by(1 << 20);
  while (x && y) {
    x.read(bx.data(), bx.size());
    y.read(by.data(), by.size());
    if (x.gcount() != y.gcount() ||
        !std::equal(bx.begin(), bx.begin() + x.gcount(), by.begin())) {
      return false;
    }
  }
  return true;
}

double seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int megabytes = argc > 1 ? std::atoi(argv[1]) : kDefaultMegabytes;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : kDefaultRounds;
  const long bodyBytes = static_cast<long>(megabytes) << 20;
  if (megabytes <= 0 || rounds <= 0) {
    std::fprintf(stderr, "usage: download_bench [megabytes] [rounds]\n");
    return 2;
  }

  Site site("lirabel-download-bench");
  const fs::path media = site.pathOf("media.m4a");
  if (!makeMedia(media, bodyBytes)) {
    std::fprintf(stderr, "cannot write %s\n", media.c_str());
    return 1;
  }
  if (!site.start()) {
    std::fprintf(stderr, "nginx did not start; see %s\n",
                 site.nginx() ? site.nginx()->errorLog().c_str() : "-");
    return 1;
  }
  const std::string url = site.url("media.m4a");
  const std::string curlOut = (site.folder() / "curl.out").string();
  const std::string ownOut = (site.folder() / "own.out").string();

  const long rssBefore = peakResidentBytes();
  std::vector<double> curlTimes, ownTimes;
  bool intact = true;
  for (int round = 0; round < rounds; ++round) {
    // Neither side pays for truncating the last round's file.
    std::error_code ignored;
    fs::remove(curlOut, ignored);
    fs::remove(ownOut, ignored);
    int rc = -1;
    auto timeCurl = [&] {
      const auto start = Clock::now();
      rc = run({"curl", "-s", "-o", curlOut, url});
      curlTimes.push_back(seconds(Clock::now() - start));
    };
    bool written = false;
    auto timeOwn = [&] {
      const auto start = Clock::now();
      {
        const lirabel::Bytes body = lirabel::WebObjectRequest(url);
        written = static_cast<long>(body.size()) == bodyBytes &&
                  writeWholeFile(ownOut, body);
      }
      ownTimes.push_back(seconds(Clock::now() - start));
    };
    // Taking turns at going first shares out whatever the machine does to
    // the second (write-back of the first one's file, say).
    if (round % 2 == 0) {
      timeCurl();
      timeOwn();
    } else {
      timeOwn();
      timeCurl();
    }
    intact = intact && rc == 0 && written && sameContents(media, ownOut) &&
             sameContents(media, curlOut);
  }
  const double curlMedian = median(curlTimes);
  const double ownMedian = median(ownTimes);
  const double ratio = ownMedian / curlMedian;
  const long peak = peakResidentBytes();
  const bool memoryWithin = peak <= bodyBytes + kMemoryAllowanceBytes;
  std::printf("body: %d MiB, rounds: %d, files intact: %s\n", megabytes, rounds,
              intact ? "yes" : "NO");
  std::printf("curl -o median: %.3f s (best %.3f s)\n", curlMedian,
              *std::min_element(curlTimes.begin(), curlTimes.end()));
  std::printf(
      "WebObjectRequest + whole-file write median: %.3f s (best %.3f s)\n",
      ownMedian, *std::min_element(ownTimes.begin(), ownTimes.end()));
  std::printf("wall time ratio: %.2f (goal <= %.2f)\n", ratio, kWallTimeGoal);
  std::printf(
      "peak RSS: %.1f MiB (before the downloads %.1f MiB); body + 64 MiB "
      "= %.1f MiB: %s\n",
      peak / 1048576.0, rssBefore / 1048576.0,
      (bodyBytes + kMemoryAllowanceBytes) / 1048576.0,
      memoryWithin ? "within" : "OVER");
  std::printf(
      "figures body_bytes=%ld rounds=%d intact=%d curl_s=%.4f own_s=%.4f "
      "peak_rss_bytes=%ld rss_before_bytes=%ld\n",
      bodyBytes, rounds, intact ? 1 : 0, curlMedian, ownMedian, peak,
      rssBefore);
  return intact && ratio <= kWallTimeGoal && memoryWithin ? 0 : 1;
}
