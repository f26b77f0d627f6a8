// A large media download over loopback: WebObjectRequest plus a whole-file
// write against the command-line curl fetching the same file in the same
// run, and this process's peak memory against the body size.
//
// It starts its own nginx (unprivileged port, 127.0.0.1 only, a temporary
// prefix and configuration) serving a generated file from a temporary
// folder, and stops it again. Not part of the test suite: run it by hand,
//   download_bench [megabytes=200] [rounds=3]
// It needs nginx and curl (scripts/setup.sh --bench).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "web/web_object_request.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kDefaultMegabytes = 200;
constexpr int kDefaultRounds = 3;
constexpr double kWallTimeGoal = 1.25;
constexpr long kMemoryAllowanceBytes = 64L << 20;

// Runs argv to its end; returns its exit status, or -1.
int run(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) !=
      0) {
    return -1;
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// The nginx master as a child of this process; stopped when this ends.
class Nginx {
 public:
  Nginx(const fs::path& prefix, const fs::path& root, int port) {
    fs::create_directories(prefix / "logs");
    const fs::path conf = prefix / "nginx.conf";
    std::ofstream(conf) << "worker_processes 1;\n"
                        << "pid " << (prefix / "nginx.pid").string() << ";\n"
                        << "error_log " << (prefix / "logs/error.log").string()
                        << ";\n"
                        << "events { worker_connections 64; }\n"
                        << "http {\n"
                        << "  access_log off;\n"
                        << "  sendfile on;\n"
                        << "  client_body_temp_path " << prefix.string()
                        << "/body;\n"
                        << "  proxy_temp_path " << prefix.string()
                        << "/proxy;\n"
                        << "  server {\n"
                        << "    listen 127.0.0.1:" << port << ";\n"
                        << "    root " << root.string() << ";\n"
                        << "  }\n"
                        << "}\n";
    std::vector<std::string> args = {"nginx",
                                     "-p",
                                     prefix.string(),
                                     "-c",
                                     conf.string(),
                                     "-e",
                                     (prefix / "logs/error.log").string(),
                                     "-g",
                                     "daemon off;"};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, "nginx", nullptr, nullptr, argv.data(), environ) !=
        0) {
      pid_ = -1;
    }
  }
  ~Nginx() {
    if (pid_ > 0) {
      kill(pid_, SIGQUIT);
      waitpid(pid_, nullptr, 0);
    }
  }
  Nginx(const Nginx&) = delete;
  Nginx& operator=(const Nginx&) = delete;
  bool running() const {
    return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0;
  }

 private:
  pid_t pid_ = -1;
};

// A loopback port that is free now, for nginx to take.
int freePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

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
  return static_cast<bool>(out);
}

bool sameContents(const fs::path& a, const fs::path& b) {
  if (fs::file_size(a) != fs::file_size(b)) return false;
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

long peakRssBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss * 1024L;  // kilobytes on Linux
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

  char pattern[] = "/tmp/lirabel-download-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const fs::path dir = pattern;
  const fs::path root = dir / "www";
  fs::create_directories(root);
  // nginx's worker runs as another user when started by root.
  chmod(dir.c_str(), 0755);
  chmod(root.c_str(), 0755);
  const fs::path media = root / "media.m4a";
  if (!makeMedia(media, bodyBytes)) {
    std::fprintf(stderr, "cannot write %s\n", media.c_str());
    return 1;
  }
  chmod(media.c_str(), 0644);

  int status = 1;
  {
    const int port = freePort();
    Nginx nginx(dir / "nginx", root, port);
    const std::string url =
        "http://127.0.0.1:" + std::to_string(port) + "/media.m4a";
    const std::string curlOut = (dir / "curl.out").string();
    const std::string ownOut = (dir / "own.out").string();
    for (int i = 0; i < 50 && run({"curl", "-s", "-o", "/dev/null", url}) != 0;
         ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!nginx.running()) {
      std::fprintf(stderr, "nginx did not start; see %s\n",
                   (dir / "nginx/logs/error.log").c_str());
    } else {
      const long rssBefore = peakRssBytes();
      std::vector<double> curlTimes, ownTimes;
      bool intact = true;
      for (int round = 0; round < rounds; ++round) {
        auto start = Clock::now();
        const int rc = run({"curl", "-s", "-o", curlOut, url});
        curlTimes.push_back(seconds(Clock::now() - start));

        start = Clock::now();
        bool written = false;
        {
          const lirabel::Bytes body = lirabel::WebObjectRequest(url);
          written = static_cast<long>(body.size()) == bodyBytes &&
                    writeWholeFile(ownOut, body);
        }
        ownTimes.push_back(seconds(Clock::now() - start));
        intact = intact && rc == 0 && written && sameContents(media, ownOut) &&
                 sameContents(media, curlOut);
      }
      std::sort(curlTimes.begin(), curlTimes.end());
      std::sort(ownTimes.begin(), ownTimes.end());
      const double curlMedian = curlTimes[curlTimes.size() / 2];
      const double ownMedian = ownTimes[ownTimes.size() / 2];
      const double ratio = ownMedian / curlMedian;
      const long peak = peakRssBytes();
      std::printf("body: %d MiB, rounds: %d, files intact: %s\n", megabytes,
                  rounds, intact ? "yes" : "NO");
      std::printf("curl -o median: %.3f s (best %.3f s)\n", curlMedian,
                  curlTimes.front());
      std::printf(
          "WebObjectRequest + whole-file write median: %.3f s (best %.3f s)\n",
          ownMedian, ownTimes.front());
      std::printf("wall time ratio: %.2f (goal <= %.2f)\n", ratio,
                  kWallTimeGoal);
      std::printf(
          "peak RSS: %.1f MiB (before the downloads %.1f MiB); body + 64 MiB "
          "= %.1f MiB: %s\n",
          peak / 1048576.0, rssBefore / 1048576.0,
          (bodyBytes + kMemoryAllowanceBytes) / 1048576.0,
          peak <= bodyBytes + kMemoryAllowanceBytes ? "within" : "OVER");
      status = intact && ratio <= kWallTimeGoal &&
                       peak <= bodyBytes + kMemoryAllowanceBytes
                   ? 0
                   : 1;
    }
  }
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return status;
}
