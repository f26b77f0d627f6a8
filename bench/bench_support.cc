#include "bench/bench_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace lirabel::bench {
namespace {

namespace fs = std::filesystem;

// How long nginx may take to listen, probed this often.
constexpr int kStartProbes = 100;
constexpr auto kStartProbeInterval = std::chrono::milliseconds(50);

// UTF-8 Chinese fragments (song titles, a paragraph).
const char* const kTitles[] = {
    "\xe5\xa4\x9c\xe7\xa9\xba\xe4\xb8\xad\xe6\x9c\x80\xe4\xba\xae\xe7\x9a\x84"
    "\xe6\x98\x9f",  // 夜空中最亮的星
    "\xe5\x91\x8a\xe7\x99\xbd\xe6\xb0\x94\xe7\x90\x83",  // 告白气球
    "\xe6\x99\xb4\xe5\xa4\xa9",                          // 晴天
    "\xe5\x8f\x8b\xe8\xb0\x8a\xe4\xb9\x8b\xe5\x85\x89",  // 友谊之光
};
constexpr char kParagraph[] =
    "\xe8\xbf\x99\xe6\x98\xaf\xe4\xb8\x80\xe9\xa6\x96\xe5\xbe\x88\xe5\xa5\xbd"
    "\xe5\x90\xac\xe7\x9a\x84\xe6\xad\x8c\xef\xbc\x8c\xe6\xac\xa2\xe8\xbf\x8e"
    "\xe5\xa4\xa7\xe5\xae\xb6\xe6\x94\xb6\xe5\x90\xac\xe3\x80\x82";

double seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }

double cpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A "VmXXX:" line of /proc/self/status, in bytes; 0 if missing.
long statusBytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(key + ":", 0) == 0) {
      return std::atol(line.c_str() + key.size() + 1) * 1024L;  // kB
    }
  }
  return 0;
}

std::vector<char*> argvOf(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return argv;
}

}  // namespace

std::string makeHomepageUtf8() {
  std::string page =
      "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
      "<title>\xe4\xb8\xbb\xe9\xa1\xb5</title></head><body>\n";
  for (int i = 0; i < 4; ++i) {
    page += "<li><a href=\"https://example.invalid/play/" +
            std::to_string(1000 + i) +
            "\" class=\"mod_playlist__cover\" title=\"" + kTitles[i] +
            "\"><img src=\"/c/" + std::to_string(i) + ".jpg\"></a></li>\n";
  }
  std::size_t row = 0;
  const std::size_t bodyEnd = kHomepageBytes - 4096;
  while (page.size() < bodyEnd) {
    page += "<div class=\"feed_item\" data-id=\"" + std::to_string(row) +
            "\"><a href=\"/u/" + std::to_string(row * 7) +
            "\" class=\"user\">" + kTitles[row % 4] +
            "</a><span class=\"t\">{"
            "\"time\":" +
            std::to_string(1571234567 + row) +
            ",\"plays\":" + std::to_string(row * 3) + "}</span></div>\n";
    if (row % 5 == 0) page += std::string("<p>") + kParagraph + "</p>\n";
    ++row;
  }
  page += kEndMarker;
  page += "</div>\n";
  while (page.size() < kHomepageBytes) page += "<!-- padding -->\n";
  return page;
}

pid_t spawn(const std::vector<std::string>& args) {
  std::vector<std::string> copy = args;
  std::vector<char*> argv = argvOf(copy);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) !=
      0) {
    return -1;
  }
  return pid;
}

int run(const std::vector<std::string>& args) {
  const pid_t pid = spawn(args);
  if (pid < 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

int freePort() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
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

TempFolder::TempFolder(const char* name) {
  std::string pattern = std::string("/tmp/") + name + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a folder under /tmp");
  }
  path_ = pattern;
  // nginx's worker runs as another user when started by root.
  chmod(path_.c_str(), 0755);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

Nginx::Nginx(const fs::path& prefix, const fs::path& root, int port)
    : prefix_(prefix), port_(port) {
  fs::create_directories(prefix / "logs");
  const fs::path conf = prefix / "nginx.conf";
  std::ofstream(conf) << "worker_processes 1;\n"
                      << "pid " << (prefix / "nginx.pid").string() << ";\n"
                      << "error_log " << errorLog().string() << ";\n"
                      << "events { worker_connections 64; }\n"
                      << "http {\n"
                      << "  access_log off;\n"
                      << "  sendfile on;\n"
                      << "  types { text/html html; audio/mp4 m4a; }\n"
                      << "  client_body_temp_path " << prefix.string()
                      << "/body;\n"
                      << "  proxy_temp_path " << prefix.string() << "/proxy;\n"
                      << "  server {\n"
                      << "    listen 127.0.0.1:" << port << ";\n"
                      << "    root " << root.string() << ";\n"
                      << "  }\n"
                      << "}\n";
  pid_ = spawn({"nginx", "-p", prefix.string(), "-c", conf.string(), "-e",
                errorLog().string(), "-g", "daemon off;"});
}

Nginx::~Nginx() {
  if (pid_ > 0) {
    kill(pid_, SIGQUIT);
    waitpid(pid_, nullptr, 0);
  }
}

bool Nginx::running() const {
  return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0;
}

bool Nginx::waitUntilServing() {
  for (int i = 0; i < kStartProbes && running(); ++i) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port_));
    const bool up =
        fd >= 0 &&
        connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) close(fd);
    if (up) return true;
    std::this_thread::sleep_for(kStartProbeInterval);
  }
  return false;
}

Site::Site(const char* name) : folder_(name), root_(folder_.path() / "www") {
  fs::create_directories(root_);
  chmod(root_.c_str(), 0755);
}

fs::path Site::pathOf(const std::string& name) const { return root_ / name; }

bool Site::put(const std::string& name, const std::string& contents) {
  const fs::path path = pathOf(name);
  {
    std::ofstream out(path, std::ios::binary);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!out) return false;
  }
  return chmod(path.c_str(), 0644) == 0;
}

bool Site::start() {
  port_ = freePort();
  if (port_ == 0) return false;
  nginx_ = std::make_unique<Nginx>(folder_.path() / "nginx", root_, port_);
  return nginx_->waitUntilServing();
}

std::string Site::url(const std::string& name) const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/" + name;
}

double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

double childrenCpuSeconds() { return cpuSeconds(RUSAGE_CHILDREN); }

long residentBytes() { return statusBytes("VmRSS"); }
long peakResidentBytes() { return statusBytes("VmHWM"); }

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace lirabel::bench
