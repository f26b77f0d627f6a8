// Stand-ins for the window, the network and the file system of the watch,
// and a scratch folder that a test owns.
#ifndef LIRABEL_TESTS_WATCH_WATCH_FAKES_H_
#define LIRABEL_TESTS_WATCH_WATCH_FAKES_H_

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/status_texts.h"
#include "app/watch_core.h"
#include "app/watch_net.h"
#include "platform/program_files.h"
#include "text/text.h"

namespace lirabel::testing {

// The main window as the watch sees it: the two edit boxes, the status label
// with every text it was given, and whether the timer runs.
class FakeView : public WatchView {
 public:
  Text address = "http://127.0.0.1/singer";
  Text note;
  bool watching = true;
  std::vector<Status> statuses;

  Text homepageAddress() override { return address; }
  Text singerNote() override { return note; }
  void showStatus(Status status) override { statuses.push_back(status); }
  bool isWatching() override { return watching; }
};

// A site in memory. Pages are built from a list of works; every fetch is
// recorded, and hooks may run inside a work-page fetch.
class FakeNet : public WatchNet {
 public:
  Bytes homepage;
  std::map<Text, Text> workPages;
  std::map<Text, MediaResponse> media;
  std::vector<Text> fetchedWorkPages;
  std::vector<Text> fetchedMedia;
  int homepageFetches = 0;
  std::function<void(const Text& link)> duringWorkPage;

  Bytes fetchHomepage(const Text&) override {
    ++homepageFetches;
    return homepage;
  }
  Text fetchWorkPage(const Text& link) override {
    fetchedWorkPages.push_back(link);
    if (duringWorkPage) duringWorkPage(link);
    auto page = workPages.find(link);
    return page == workPages.end() ? Text{} : page->second;
  }
  MediaResponse fetchMedia(const Text& address) override {
    fetchedMedia.push_back(address);
    auto found = media.find(address);
    return found == media.end() ? MediaResponse{404, {}} : found->second;
  }
};

inline Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A homepage in the shape the watch reads: a leading "time" that belongs to
// no work, then one cover link and one time per work, in the order given.
inline std::string homepageFor(
    const std::vector<std::pair<std::string, std::string>>& works) {
  std::string page =
      "<html><head><meta charset=\"utf-8\"></head><body>\n"
      "<script>var page = {\"time\":1,\"x\":0};</script>\n<ul>\n";
  for (const auto& [link, time] : works) {
    page += "<li><a href=\"" + link +
            "\" class=\"mod_playlist__cover\"><img></a>"
            "<script>{\"time\":" +
            time + ",\"y\":1}</script></li>\n";
  }
  return page + "</ul></body></html>\n";
}

// A work page with the three fields, in local text.
inline Text workPageFor(const Text& media, const Text& song, const Text& nick) {
  return "<html><head><meta charset=\"gbk\"></head><script>var d = "
         "{\"playurl\":\"" +
         media + "\",\"song_name\":\"" + song + "\",\"nick\":\"" + nick +
         "\"};</script></html>";
}

// The names in a folder, sorted, hidden ones included.
inline std::vector<std::string> namesIn(const std::string& path) {
  std::vector<std::string> found;
  if (DIR* dir = ::opendir(path.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") found.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(found.begin(), found.end());
  return found;
}

// A folder under the temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/lirabel-watch-XXXXXX";
    char* made = ::mkdtemp(pattern);
    if (made) path_ = made;
  }
  ~ScratchFolder() {
    if (!path_.empty()) removeTree(path_);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }

  // The names in the folder, sorted, hidden ones included.
  std::vector<std::string> names() const { return namesIn(path_); }

  std::string read(const std::string& name) const {
    std::ifstream in(path_ + "/" + name, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }

  void write(const std::string& name, const std::string& content) const {
    std::ofstream out(path_ + "/" + name, std::ios::binary);
    out << content;
  }

 private:
  static void removeTree(const std::string& path) {
    if (DIR* dir = ::opendir(path.c_str())) {
      while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string child = path + "/" + name;
        struct stat info;
        if (::lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
          removeTree(child);
        } else {
          ::unlink(child.c_str());
        }
      }
      ::closedir(dir);
    }
    ::rmdir(path.c_str());
  }

  std::string path_;
};

}  // namespace lirabel::testing

#endif  // LIRABEL_TESTS_WATCH_WATCH_FAKES_H_
