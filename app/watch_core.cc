#include "app/watch_core.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "app/homepage_snapshot.h"
#include "app/watch_net.h"
#include "app/work_download.h"

namespace lirabel {
namespace {

// A work in one of the first three places of the page shows "等待下载" before
// its page is fetched; the fourth goes straight to "正在下载中", as it always
// has.
constexpr int kLastPositionWithWaiting = 3;

// Resets the tick flag on every way out of a tick.
class TickGuard {
 public:
  explicit TickGuard(bool& running) : running_(running) { running_ = true; }
  ~TickGuard() { running_ = false; }
  TickGuard(const TickGuard&) = delete;
  TickGuard& operator=(const TickGuard&) = delete;

 private:
  bool& running_;
};

// The window as one tick sees it: once the watch was seen off, it stays off
// for the rest of the tick, so a Stop (even one followed by a new Start at a
// later event point) ends the tick's downloads and its status texts.
class TickView final : public WatchView {
 public:
  explicit TickView(WatchView& view) : view_(view) {}
  Text homepageAddress() override { return view_.homepageAddress(); }
  Text singerNote() override { return view_.singerNote(); }
  void showStatus(Status status) override {
    if (isWatching()) view_.showStatus(status);
  }
  bool isWatching() override {
    if (watching_) watching_ = view_.isWatching();
    return watching_;
  }

 private:
  WatchView& view_;
  bool watching_ = true;
};

struct Candidate {
  int position;  // 1 to 4, in page order
  Text link;
  std::int64_t time;
};

bool givenUp(const WatchState& state, const Text& link) {
  auto tries = state.failedTries.find(link);
  return tries != state.failedTries.end() && tries->second >= kMaxTriesPerWork;
}

}  // namespace

void takeBaseline(WatchState& state, WatchView& view) {
  WatchNet& net = state.net ? *state.net : realWatchNet();
  HomepageSnapshot snapshot = takeHomepageSnapshot(view.homepageAddress(), net);
  if (!snapshot.complete) return;
  state.lastSeenTime = 0;
  for (const HomepageSnapshot::Entry& entry : snapshot.entries) {
    if (entry.time > state.lastSeenTime) state.lastSeenTime = entry.time;
  }
}

void checkForNewWorks(WatchState& state, WatchView& window) {
  // An elapse let through inside this tick's work-page fetch would see
  // lastSeenTime not yet raised and save the same work again.
  if (state.tickRunning) return;
  TickGuard guard(state.tickRunning);
  TickView view(window);
  if (!view.isWatching()) return;

  Text singerNote = view.singerNote();
  Text address = view.homepageAddress();
  WatchNet& net = state.net ? *state.net : realWatchNet();
  HomepageSnapshot snapshot = takeHomepageSnapshot(address, net);
  if (!snapshot.complete) return;

  std::vector<Candidate> candidates;
  for (int k = 0; k < kSnapshotEntries; ++k) {
    const HomepageSnapshot::Entry& entry = snapshot.entries[k];
    if (entry.time <= state.lastSeenTime) continue;
    if (state.savedLinks.contains(entry.link)) continue;
    if (givenUp(state, entry.link)) continue;
    candidates.push_back({k + 1, entry.link, entry.time});
  }
  // Oldest first, so that lastSeenTime can follow the saved works upwards.
  std::stable_sort(
      candidates.begin(), candidates.end(),
      [](const Candidate& a, const Candidate& b) { return a.time < b.time; });

  // Once a work failed and will be tried again, lastSeenTime must stay below
  // it, so later works of this tick are remembered by their links only.
  bool heldBack = false;
  std::set<Text> triedThisTick;
  for (const Candidate& candidate : candidates) {
    if (!view.isWatching()) break;
    if (!triedThisTick.insert(candidate.link).second) continue;
    DownloadOutcome outcome =
        downloadWork(state, view, singerNote, candidate.link,
                     candidate.position <= kLastPositionWithWaiting);
    if (outcome == DownloadOutcome::kSaved) {
      if (!heldBack && candidate.time > state.lastSeenTime) {
        state.lastSeenTime = candidate.time;
      }
    } else if (!givenUp(state, candidate.link)) {
      heldBack = true;
    }
  }
}

}  // namespace lirabel
