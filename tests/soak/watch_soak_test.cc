// A long watch over real HTTP with faults on a seeded random schedule.
//
// The fixture site publishes works from time to time and breaks the homepage,
// the work pages and the media at random, the way a flaky service and a
// flaky line would. After every tick the folder must hold exactly the works
// whose page and media the site served whole, each with its exact bytes; at
// the end no descriptor may be left open and memory must not have grown.
//
// Every work is broken at most kMaxFaultsPerWork times, below the watch's own
// limit of tries, so every work published is eventually served whole and must
// be saved. One extra work never names its media: it is the one the watch must
// give up after kMaxTriesPerWork tries without holding back the others.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/watch_core.h"
#include "tests/support/fixture_server.h"
#include "tests/watch/site_pages.h"
#include "tests/watch/watch_fakes.h"

namespace lirabel::testing {
namespace {

constexpr std::uint32_t kSeed = 20261211;
constexpr int kTicks = 300;
// The last ticks publish nothing and break nothing, so that every work still
// pending is served whole before the end.
constexpr int kQuietTicks = 20;
constexpr double kPublishChance = 0.3;
constexpr double kHomepageFaultChance = 0.12;
constexpr double kWorkPageFaultChance = 0.2;
constexpr double kMediaFaultChance = 0.25;
constexpr int kMaxFaultsPerWork = 6;
static_assert(kMaxFaultsPerWork < kMaxTriesPerWork,
              "a broken work must still be served whole before it is given up");
// The media request's idle limit is 15 s: one stall past it is all the run
// can afford. The other stalls go silent for a moment and then close, which
// takes the same path through the transfer (a body that stops short).
constexpr int kStallsPastTimeout = 1;
constexpr double kLongStallSeconds = 20;
constexpr double kShortStallSeconds = 0.5;
constexpr double kMediaIdleLimitSeconds = 15;
constexpr int kHopelessWorkTick = 20;
// Memory is measured once the first ticks have warmed every library up.
constexpr int kWarmUpTicks = 10;
constexpr long kRssGrowthLimitKb = 32 * 1024;
// AddressSanitizer holds freed blocks back (256 MB by default) to catch a use
// after free; memory parked there is not growth.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LIRABEL_SOAK_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(LIRABEL_SOAK_UNDER_ASAN)
constexpr long kAllocatorHoldbackKb = 256 * 1024;
#else
constexpr long kAllocatorHoldbackKb = 0;
#endif
// The homepage's listing sits behind this much script, so that a body cut in
// half holds no cover link; over the run the homepages add up to more than
// the memory bound, so that keeping any copy of one would show.
constexpr std::size_t kHomepagePaddingBytes = 128 * 1024;
constexpr std::size_t kWorkPagePaddingBytes = 4096;

// The figures of the run, printed as the last line of the program's output.
std::string gSummary;

enum class FaultKind {
  kHomepage500,
  kHomepageTooFewLinks,
  kHomepageTooFewTimes,
  kHomepageReset,
  kHomepageZeroBeforeListing,
  kPage500,
  kPage404,
  kPageEmpty,
  kPageTruncated,
  kPageReset,
  kPageShortStall,
  kPageZeroBeforeMarkers,
  kPageWithoutMarkers,
  kMedia404,
  kMedia500,
  kMediaReset,
  kMediaEmpty,
  kMediaClosed,
  kMediaShortStall,
  kMediaStallPastTimeout,
};

const std::vector<FaultKind> kHomepageFaults = {
    FaultKind::kHomepage500, FaultKind::kHomepageTooFewLinks,
    FaultKind::kHomepageTooFewTimes, FaultKind::kHomepageReset,
    FaultKind::kHomepageZeroBeforeListing};
const std::vector<FaultKind> kWorkPageFaults = {
    FaultKind::kPage500,
    FaultKind::kPage404,
    FaultKind::kPageEmpty,
    FaultKind::kPageTruncated,
    FaultKind::kPageReset,
    FaultKind::kPageShortStall,
    FaultKind::kPageZeroBeforeMarkers,
    FaultKind::kPageWithoutMarkers};
// The stall past the time-out is drawn apart, kStallsPastTimeout times.
const std::vector<FaultKind> kMediaFaults = {
    FaultKind::kMedia404,    FaultKind::kMedia500,
    FaultKind::kMediaReset,  FaultKind::kMediaEmpty,
    FaultKind::kMediaClosed, FaultKind::kMediaShortStall};

// Short names for the figures line.
const char* kindName(FaultKind kind) {
  switch (kind) {
    case FaultKind::kHomepage500:
      return "500";
    case FaultKind::kHomepageTooFewLinks:
      return "3 links";
    case FaultKind::kHomepageTooFewTimes:
      return "4 times";
    case FaultKind::kHomepageReset:
      return "reset";
    case FaultKind::kHomepageZeroBeforeListing:
      return "zero byte";
    case FaultKind::kPage500:
      return "500";
    case FaultKind::kPage404:
      return "404";
    case FaultKind::kPageEmpty:
      return "empty";
    case FaultKind::kPageTruncated:
      return "truncated";
    case FaultKind::kPageReset:
      return "reset";
    case FaultKind::kPageShortStall:
      return "stall+close";
    case FaultKind::kPageZeroBeforeMarkers:
      return "zero byte";
    case FaultKind::kPageWithoutMarkers:
      return "no media address";
    case FaultKind::kMedia404:
      return "404";
    case FaultKind::kMedia500:
      return "500";
    case FaultKind::kMediaReset:
      return "reset";
    case FaultKind::kMediaEmpty:
      return "empty";
    case FaultKind::kMediaClosed:
      return "closed";
    case FaultKind::kMediaShortStall:
      return "stall+close";
    case FaultKind::kMediaStallPastTimeout:
      return "stall past time-out";
  }
  return "?";
}

struct Work {
  int id = 0;
  std::int64_t time = 0;
  bool gbkPage = false;  // else UTF-8
  // The media's bytes come from their own generator, made again whenever
  // they are needed, so that the test itself holds none of them for long.
  std::size_t mediaSize = 0;
  std::uint32_t mediaSeed = 0;
  bool hopeless = false;  // its page never names a media address
  // Filled in as the run goes.
  int faultedTries = 0;
  int pageRequests = 0;
  bool saved = false;
};

// 歌手, the nickname on every work page, and 歌 of the song names.
const std::string kSingerUtf8 = "\xE6\xAD\x8C\xE6\x89\x8B";
const std::string kSingerGbk = "\xB8\xE8\xCA\xD6";
const std::string kSongUtf8 = "\xE6\xAD\x8C";
const std::string kSongGbk = "\xB8\xE8";

// Bytes that are not UTF-8: a lone continuation byte, a lead byte without
// its continuation, an overlong slash, a surrogate, and bytes never used.
const std::string kInvalidUtf8 =
    "\x80 \xC3( \xC0\xAF \xED\xA0\x80 \xFE\xFF\xF8";

long openDescriptors() {
  long count = 0;
  if (DIR* dir = ::opendir("/proc/self/fd")) {
    while (dirent* entry = ::readdir(dir)) {
      if (entry->d_name[0] != '.') ++count;
    }
    ::closedir(dir);
  }
  return count;
}

long residentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

class Soak {
 public:
  Soak() : random_(kSeed) {
    state_.outputFolder = folder_.path();
    view_.address = server_.url("/singer");
  }

  void run() {
    ASSERT_FALSE(folder_.path().empty());
    // The works the singer had before Start: the baseline, never saved.
    for (int i = 0; i < 4; ++i) publish(false);
    for (Work& work : works_) work.saved = true;  // not the watch's to save
    preStartWorks_ = static_cast<int>(works_.size());
    routeHomepage(std::nullopt);
    takeBaseline(state_, view_);
    ASSERT_EQ(state_.lastSeenTime, works_.back().time);

    long descriptorsAtStart = -1;
    long rssAfterWarmUp = -1;
    for (int tick = 0; tick < kTicks; ++tick) {
      SCOPED_TRACE("tick " + std::to_string(tick) + ", seed " +
                   std::to_string(kSeed));
      runTick(tick);
      if (::testing::Test::HasFatalFailure()) return;
      if (tick == 0) descriptorsAtStart = openDescriptors();
      if (tick + 1 == kWarmUpTicks) rssAfterWarmUp = residentKb();
    }
    finalChecks(descriptorsAtStart, rssAfterWarmUp);
  }

 private:
  std::string workPath(const Work& w) {
    return "/work/" + std::to_string(w.id);
  }
  std::string mediaPath(const Work& w) {
    return "/media/" + std::to_string(w.id);
  }
  std::string fileName(const Work& w) {
    return kSingerUtf8 + " - " + kSongUtf8 + std::to_string(w.id) + ".m4a";
  }
  bool chance(double p) { return std::bernoulli_distribution(p)(random_); }
  template <typename T>
  const T& pick(const std::vector<T>& from) {
    return from[std::uniform_int_distribution<std::size_t>(
        0, from.size() - 1)(random_)];
  }

  // Still to be requested by the watch: not saved, not given up.
  bool pending(const Work& w) {
    return !w.saved && !(w.hopeless && w.pageRequests >= kMaxTriesPerWork);
  }

  // The newest works, newest first.
  std::vector<Work*> newest(std::size_t count) {
    std::vector<Work*> list;
    for (auto it = works_.rbegin(); it != works_.rend() && list.size() < count;
         ++it) {
      list.push_back(&*it);
    }
    return list;
  }

  // Every pending work is among the n newest, so that a listing of those
  // shows it.
  bool pendingWithinNewest(std::size_t n) {
    std::size_t rank = 0;
    for (auto it = works_.rbegin(); it != works_.rend(); ++it, ++rank) {
      if (pending(*it) && rank >= n) return false;
    }
    return true;
  }

  // Half the works are large enough that together they outweigh the memory
  // bound too.
  void publish(bool hopeless) {
    Work work;
    work.id = static_cast<int>(works_.size()) + 1;
    work.time = 1000 + 10 * work.id;
    work.gbkPage = work.id % 2 == 1;
    work.hopeless = hopeless;
    std::size_t size = chance(0.5) ? std::uniform_int_distribution<std::size_t>(
                                         300000, 1200000)(random_)
                                   : std::uniform_int_distribution<std::size_t>(
                                         1, 40000)(random_);
    work.mediaSize = size;
    work.mediaSeed = static_cast<std::uint32_t>(random_());
    works_.push_back(std::move(work));
  }

  static std::string mediaOf(const Work& w) {
    std::mt19937 bytes(w.mediaSeed);
    std::string media(w.mediaSize, '\0');
    for (char& c : media) c = static_cast<char>(bytes() & 0xFF);
    return media;
  }

  // The listing of a good homepage: the four newest in some order, or an old
  // work pinned first and the three newest.
  std::vector<Work*> listing() {
    std::vector<Work*> listed = newest(4);
    int layout = std::uniform_int_distribution<int>(0, 9)(random_);
    if (layout < 3) {
      std::shuffle(listed.begin(), listed.end(), random_);
    } else if (layout < 5 && works_.size() > 4 && pendingWithinNewest(3)) {
      listed.pop_back();
      Work* old = &works_[std::uniform_int_distribution<std::size_t>(
          0, works_.size() - 4)(random_)];
      listed.insert(listed.begin(), old);
    }
    return listed;
  }

  // Routes the homepage, good or with the fault; returns whether the watch
  // can read a complete snapshot from it.
  bool routeHomepage(std::optional<FaultKind> fault) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (Work* w : listing()) {
      entries.emplace_back(server_.url(workPath(*w)), std::to_string(w->time));
    }
    if (fault == FaultKind::kHomepageTooFewLinks) entries.pop_back();
    std::string body = homepageFor(entries);
    if (fault == FaultKind::kHomepageTooFewTimes) {
      // Without the leading time only four are left.
      std::size_t first = body.find("{\"time\":1,");
      body.replace(first, 9, "{\"when\":1");
    }
    std::string padding = "<script>/*" +
                          std::string(kHomepagePaddingBytes, 'p') +
                          "*/</script>\n";
    std::string hostile = kInvalidUtf8;
    if (fault == FaultKind::kHomepageZeroBeforeListing) {
      hostile += std::string(1, '\0');
    }
    // Bad bytes ahead of the listing and a zero byte behind it; neither may
    // cost a work.
    std::size_t listStart = body.find("<ul>");
    body.insert(listStart, padding + hostile);
    body += std::string("\0tail after a zero byte", 23) + kInvalidUtf8;
    ++hostilePages_;

    FixtureResponse response = page(body);
    if (fault == FaultKind::kHomepage500) {
      response = page("<html>500 Internal Server Error</html>");
      response.status = 500;
      response.reason = "Internal Server Error";
    } else if (fault == FaultKind::kHomepageReset) {
      response.fault = Fault::kResetAfterHeaders;
    }
    server_.route("/singer", response);
    return !fault.has_value();
  }

  std::string workPage(const Work& w, bool withMarkers) {
    std::string head = w.gbkPage ? "<html><head><meta charset=\"gbk\">"
                                 : "<html><head><meta charset=\"utf-8\">";
    head += "</head><script>/*" + std::string(kWorkPagePaddingBytes, 'w') +
            "*/</script>";
    if (!w.gbkPage) head += kInvalidUtf8;  // ahead of the fields
    std::string song =
        (w.gbkPage ? kSongGbk : kSongUtf8) + std::to_string(w.id);
    std::string nick = w.gbkPage ? kSingerGbk : kSingerUtf8;
    std::string fields =
        (withMarkers && !w.hopeless
             ? "{\"playurl\":\"" + server_.url(mediaPath(w)) + "\","
             : std::string("{")) +
        "\"song_name\":\"" + song + "\",\"nick\":\"" + nick + "\"}";
    return head + "<script>var d = " + fields + ";</script>" +
           std::string(1, '\0') + "after a zero byte</html>";
  }

  // The answer for a work page; returns whether it is good.
  bool routeWorkPage(const Work& w, std::optional<FaultKind> fault) {
    std::string good = workPage(w, true);
    FixtureResponse response = page(good);
    if (fault) {
      switch (*fault) {
        case FaultKind::kPage500:
          response = page("<html>500 Internal Server Error</html>");
          response.status = 500;
          response.reason = "Internal Server Error";
          break;
        case FaultKind::kPage404:
          response = page("<html>404 Not Found</html>");
          response.status = 404;
          response.reason = "Not Found";
          break;
        case FaultKind::kPageEmpty:
          response = page("");
          break;
        case FaultKind::kPageTruncated: {
          // Cut inside the media address: its closing quote never comes.
          std::size_t cut = good.find("/media/");
          response = page(good.substr(0, cut));
          break;
        }
        case FaultKind::kPageReset:
          response.fault = Fault::kResetAfterHeaders;
          break;
        case FaultKind::kPageShortStall:
          response.fault = Fault::kStallAfterHeaders;
          response.stallSeconds = kShortStallSeconds;
          break;
        case FaultKind::kPageZeroBeforeMarkers: {
          std::size_t at = good.find("<script>var d");
          good.insert(at, std::string(1, '\0'));
          response = page(good);
          break;
        }
        case FaultKind::kPageWithoutMarkers:
          response = page(workPage(w, false));
          break;
        default:
          ADD_FAILURE() << "not a work-page fault";
      }
    }
    server_.route(workPath(w), response);
    return !fault.has_value() && !w.hopeless;
  }

  bool routeMedia(const Work& w, std::optional<FaultKind> fault) {
    FixtureResponse response = page(mediaOf(w), "audio/mp4");
    if (fault) {
      switch (*fault) {
        case FaultKind::kMedia404:
          response = page("<html>404 Not Found</html>");
          response.status = 404;
          response.reason = "Not Found";
          break;
        case FaultKind::kMedia500:
          response = page("<html>500 Internal Server Error</html>");
          response.status = 500;
          response.reason = "Internal Server Error";
          break;
        case FaultKind::kMediaReset:
          response.fault = Fault::kResetAfterHeaders;
          break;
        case FaultKind::kMediaEmpty:
          response = page("", "audio/mp4");
          break;
        case FaultKind::kMediaClosed:
          response.fault = Fault::kCloseBeforeResponse;
          break;
        case FaultKind::kMediaShortStall:
          response.fault = Fault::kStallAfterHeaders;
          response.stallSeconds = kShortStallSeconds;
          break;
        case FaultKind::kMediaStallPastTimeout:
          response.fault = Fault::kStallAfterHeaders;
          response.stallSeconds = kLongStallSeconds;
          break;
        default:
          ADD_FAILURE() << "not a media fault";
      }
    }
    server_.route(mediaPath(w), response);
    return !fault.has_value();
  }

  void runTick(int tick) {
    const bool quiet = tick >= kTicks - kQuietTicks;
    if (!quiet) {
      const bool hopeless = tick >= kHopelessWorkTick && !hopelessPublished_;
      if (hopeless || chance(kPublishChance)) {
        publish(hopeless);
        // The listing shows four works: a new one must not push a pending
        // one out of it, so it waits for a later tick.
        if (!pendingWithinNewest(4)) {
          works_.pop_back();
        } else if (hopeless) {
          hopelessPublished_ = true;
        }
      }
    }

    std::optional<FaultKind> homepageFault;
    if (!quiet && chance(kHomepageFaultChance)) {
      homepageFault = pick(kHomepageFaults);
    }
    const bool homepageGood = routeHomepage(homepageFault);

    struct Plan {
      Work* work;
      std::optional<FaultKind> pageFault;
      std::optional<FaultKind> mediaFault;
      bool pageGood;
      bool mediaGood;
    };
    std::vector<Plan> plans;
    for (Work& w : works_) {
      if (!pending(w)) continue;
      Plan plan{&w, std::nullopt, std::nullopt, false, false};
      bool mayFault = !quiet && w.faultedTries < kMaxFaultsPerWork;
      if (mayFault && chance(kWorkPageFaultChance)) {
        plan.pageFault = pick(kWorkPageFaults);
      } else if (mayFault && chance(kMediaFaultChance)) {
        plan.mediaFault =
            stallsPastTimeout_ < kStallsPastTimeout && tick >= kTicks / 2
                ? FaultKind::kMediaStallPastTimeout
                : pick(kMediaFaults);
      }
      plan.pageGood = routeWorkPage(w, plan.pageFault);
      plan.mediaGood = routeMedia(w, plan.mediaFault);
      plans.push_back(plan);
    }

    server_.clearRequests();
    const auto started = std::chrono::steady_clock::now();
    checkForNewWorks(state_, view_);
    const double seconds = std::chrono::duration<double>(
                               std::chrono::steady_clock::now() - started)
                               .count();

    std::map<std::string, int> requested;
    for (const RecordedRequest& request : server_.requests()) {
      std::istringstream line(request.requestLine);
      std::string method, target;
      line >> method >> target;
      ++requested[target];
    }
    EXPECT_EQ(requested["/singer"], 1);

    for (const Plan& plan : plans) {
      Work& w = *plan.work;
      SCOPED_TRACE("work " + std::to_string(w.id));
      const int pageHits = requested[workPath(w)];
      const int mediaHits = requested[mediaPath(w)];
      // A complete snapshot lists every pending work, and each is tried
      // once a tick; a broken homepage tries none.
      EXPECT_EQ(pageHits, homepageGood ? 1 : 0);
      EXPECT_EQ(mediaHits, homepageGood && plan.pageGood ? 1 : 0)
          << "the media is asked for only when the page named it";
      if (pageHits == 0) continue;
      ++w.pageRequests;
      if (plan.pageGood && plan.mediaGood && mediaHits == 1) {
        w.saved = true;
        expectedFiles_.insert(fileName(w));
        continue;
      }
      ++w.faultedTries;
      FaultKind kind = plan.pageFault    ? *plan.pageFault
                       : plan.mediaFault ? *plan.mediaFault
                                         : FaultKind::kPageWithoutMarkers;
      ++faultsSurvived_[kind];
      if (kind == FaultKind::kMediaStallPastTimeout) {
        ++stallsPastTimeout_;
        // The idle limit ends the transfer; nothing caps it sooner, and it
        // does not wait for the server to give up.
        EXPECT_GE(seconds, kMediaIdleLimitSeconds - 1);
        EXPECT_LT(seconds, kLongStallSeconds - 0.5);
        longStallSeconds_ = seconds;
      }
    }
    if (homepageFault) ++faultsSurvived_[*homepageFault];

    // The folder holds exactly the works served whole, and nothing else.
    std::vector<std::string> expected(expectedFiles_.begin(),
                                      expectedFiles_.end());
    ASSERT_EQ(folder_.names(), expected);
    EXPECT_EQ(state_.downloadCount, static_cast<int>(expectedFiles_.size()));
  }

  void finalChecks(long descriptorsAtStart, long rssAfterWarmUp) {
    int published = 0;
    int hopeless = 0;
    for (const Work& w : works_) {
      if (w.id <= preStartWorks_) continue;
      SCOPED_TRACE("work " + std::to_string(w.id));
      if (w.hopeless) {
        ++hopeless;
        EXPECT_FALSE(w.saved);
        EXPECT_EQ(w.pageRequests, kMaxTriesPerWork)
            << "given up after its tries, and not asked for again";
        EXPECT_EQ(state_.failedTries[server_.url(workPath(w))],
                  kMaxTriesPerWork);
        continue;
      }
      ++published;
      ASSERT_TRUE(w.saved) << "every work was served whole at last";
      EXPECT_TRUE(folder_.read(fileName(w)) == mediaOf(w)) << "the exact bytes";
      EXPECT_FALSE(state_.failedTries.contains(server_.url(workPath(w))));
    }
    EXPECT_EQ(static_cast<int>(state_.savedLinks.size()), published);
    EXPECT_EQ(state_.downloadCount, published);
    EXPECT_EQ(static_cast<int>(folder_.names().size()), published)
        << "no partial, temporary or second copy of a work";
    for (const std::string& name : folder_.names()) {
      EXPECT_NE(name[0], '.') << name;
    }
    // The given-up work no longer holds the baseline back.
    EXPECT_EQ(state_.lastSeenTime, works_.back().time);
    EXPECT_EQ(stallsPastTimeout_, kStallsPastTimeout);

    const long descriptorsAtEnd = openDescriptors();
    EXPECT_EQ(descriptorsAtEnd, descriptorsAtStart);
    const long rssAtEnd = residentKb();
    EXPECT_LT(rssAtEnd - rssAfterWarmUp,
              kRssGrowthLimitKb + kAllocatorHoldbackKb)
        << "VmRSS " << rssAfterWarmUp << " kB after the first ticks, "
        << rssAtEnd << " kB at the end";

    // Totals and counts by kind for each of the three requests.
    int faults = 0;
    std::string byKind[3];
    int groupTotal[3] = {0, 0, 0};
    for (const auto& [kind, count] : faultsSurvived_) {
      faults += count;
      int group = kind <= FaultKind::kHomepageZeroBeforeListing ? 0
                  : kind <= FaultKind::kPageWithoutMarkers      ? 1
                                                                : 2;
      groupTotal[group] += count;
      byKind[group] += std::string(byKind[group].empty() ? "" : ", ") +
                       kindName(kind) + " " + std::to_string(count);
    }
    std::ostringstream summary;
    summary << "soak: seed " << kSeed << ", " << kTicks << " ticks, "
            << published << " works (+" << hopeless
            << " without media address, given up after " << kMaxTriesPerWork
            << " tries), " << faults << " faults survived (homepage "
            << groupTotal[0] << ": " << byKind[0] << "; work page "
            << groupTotal[1] << ": " << byKind[1] << "; media " << groupTotal[2]
            << ": " << byKind[2] << "; the stall past the time-out took "
            << longStallSeconds_ << " s), " << hostilePages_
            << " homepages with bad UTF-8 and zero bytes, "
            << folder_.names().size() << " files, fds " << descriptorsAtStart
            << "->" << descriptorsAtEnd << ", VmRSS " << rssAfterWarmUp << "->"
            << rssAtEnd << " kB";
    gSummary = summary.str();
  }

  std::mt19937 random_;
  FixtureServer server_;
  ScratchFolder folder_;
  FakeView view_;
  WatchState state_;
  std::vector<Work> works_;
  int preStartWorks_ = 0;
  std::set<std::string> expectedFiles_;
  std::map<FaultKind, int> faultsSurvived_;
  int stallsPastTimeout_ = 0;
  double longStallSeconds_ = 0;
  int hostilePages_ = 0;
  bool hopelessPublished_ = false;
};

TEST(WatchSoakTest, SavesEveryWorkServedWholeThroughAScheduleOfFaults) {
  std::cout << "soak seed " << kSeed << std::endl;
  Soak soak;
  soak.run();
}

}  // namespace
}  // namespace lirabel::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  // After gtest's own report, so that the figures are the last line.
  if (!lirabel::testing::gSummary.empty()) {
    std::cout << lirabel::testing::gSummary << std::endl;
  }
  return result;
}
