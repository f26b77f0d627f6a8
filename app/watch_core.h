// The watch without its window: the baseline that Start takes and the check
// that every elapse of 时钟1 runs. The window supplies a WatchView; the state
// lives as long as the program runs.
#ifndef LIRABEL_APP_WATCH_CORE_H_
#define LIRABEL_APP_WATCH_CORE_H_

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "app/status_texts.h"
#include "text/text.h"

namespace lirabel {

class WatchNet;
namespace platform {
class FileSystem;
}

// What the watch needs of the main window. Texts are local (GBK) text.
class WatchView {
 public:
  virtual ~WatchView() = default;
  virtual Text homepageAddress() = 0;          // the text of 编辑框1
  virtual Text singerNote() = 0;               // the text of 编辑框2
  virtual void showStatus(Status status) = 0;  // sets 标签2
  virtual bool isWatching() = 0;  // 时钟1 runs with its watch period
};

// A work that failed this many times in one run is left alone from then on.
inline constexpr int kMaxTriesPerWork = 10;

// The two globals of the run, and what the watch itself keeps about works.
struct WatchState {
  std::int64_t lastSeenTime = 0;   // 0 at start-up; never reset by Stop
  std::int32_t downloadCount = 0;  // set to 0 by Start, shown by Stop

  // Links of the works saved in this run: none is saved twice.
  std::set<Text> savedLinks;
  // Failed downloads per link in this run; cleared when the work is saved.
  std::map<Text, int> failedTries;
  // A tick is running; an elapse that comes inside it is skipped.
  bool tickRunning = false;

  // Where works are saved, as a UTF-8 path; empty means the program folder.
  std::string outputFolder;
  // The fetches and the file system; null means the real ones.
  WatchNet* net = nullptr;
  platform::FileSystem* files = nullptr;
};

// Start's first step: may set lastSeenTime from a fresh homepage snapshot.
void takeBaseline(WatchState& state, WatchView& view);

// The handler of 时钟1.
void checkForNewWorks(WatchState& state, WatchView& view);

}  // namespace lirabel

#endif  // LIRABEL_APP_WATCH_CORE_H_
