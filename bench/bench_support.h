// What the benchmarks share: a private nginx on 127.0.0.1 serving files from
// a temporary folder, child processes, the generated 1 MB homepage, and this
// process's CPU time and memory.
//
// Every benchmark that needs a server owns one Site for its whole run; the
// Site owns its folder and its nginx and removes both when it goes. Nothing
// here ever contacts another address than 127.0.0.1.
#ifndef LIRABEL_BENCH_BENCH_SUPPORT_H_
#define LIRABEL_BENCH_BENCH_SUPPORT_H_

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace lirabel::bench {

// The two patterns through which the watch reads a homepage.
inline constexpr char kLinkPattern[] =
    "<a href=\"(.*?)\" class=\"mod_playlist__cover\"";
inline constexpr char kTimePattern[] = "time\":(.*?),";
// Near the end of the generated page, for searches that must walk it all.
inline constexpr char kEndMarker[] = "<div id=\"page-end-marker\">";
inline constexpr std::size_t kHomepageBytes = 1 << 20;

// A homepage-like page in UTF-8: mostly ASCII markup
// with Chinese titles and paragraphs in lines of ordinary length, four cover
// links at the top, a "time" value in every feed line (rising down the
// page), and kEndMarker near the end. Its length is kHomepageBytes or a
// few bytes more.
std::string makeHomepageUtf8();

// Runs argv to its end (searched on PATH); returns its exit status, or -1.
int run(const std::vector<std::string>& args);

// Starts argv without waiting; returns its process id, or -1.
pid_t spawn(const std::vector<std::string>& args);

// A loopback port that is free now.
int freePort();

// A folder under /tmp that every user may read, removed with its contents.
class TempFolder {
 public:
  explicit TempFolder(const char* name);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// An nginx master as a child of this process, serving root on
// 127.0.0.1:port; stopped when this goes.
class Nginx {
 public:
  Nginx(const std::filesystem::path& prefix, const std::filesystem::path& root,
        int port);
  ~Nginx();
  Nginx(const Nginx&) = delete;
  Nginx& operator=(const Nginx&) = delete;
  // Waits until the port takes connections; false if nginx ended first or
  // never listened.
  bool waitUntilServing();
  bool running() const;
  std::filesystem::path errorLog() const { return prefix_ / "logs/error.log"; }

 private:
  std::filesystem::path prefix_;
  int port_;
  pid_t pid_ = -1;
};

// A folder of files served by its own nginx.
class Site {
 public:
  explicit Site(const char* name);
  // Writes a file into the served folder (readable by nginx's worker).
  bool put(const std::string& name, const std::string& contents);
  std::filesystem::path pathOf(const std::string& name) const;
  // The site's own folder, beside the served one: for scratch files.
  const std::filesystem::path& folder() const { return folder_.path(); }
  // Starts nginx once the files are in place.
  bool start();
  std::string url(const std::string& name) const;
  const Nginx* nginx() const { return nginx_.get(); }

 private:
  TempFolder folder_;
  std::filesystem::path root_;
  int port_ = 0;
  std::unique_ptr<Nginx> nginx_;
};

// CPU time (user + system) of this process, of its waited-for children, in
// seconds.
double processCpuSeconds();
double childrenCpuSeconds();
// VmRSS and VmHWM of this process, in bytes.
long residentBytes();
long peakResidentBytes();

double median(std::vector<double> values);

}  // namespace lirabel::bench

#endif  // LIRABEL_BENCH_BENCH_SUPPORT_H_
