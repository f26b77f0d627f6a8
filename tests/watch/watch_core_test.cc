// The watch's decisions with a site in memory: which works a tick takes, in
// what order, what lastSeenTime and downloadCount become, what the status
// label shows, and which files end up in the folder.
#include "app/watch_core.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/homepage_snapshot.h"
#include "app/work_download.h"
#include "platform/event_pump.h"
#include "tests/watch/watch_fakes.h"

namespace lirabel::testing {
namespace {

using platform::PlaceResult;

struct SiteWork {
  std::string link;
  std::string time;  // as it stands on the page
  std::string song;
  std::string media;  // the media bytes
};

// A site with the given works listed in this order, all saveable.
void serve(FakeNet& net, const std::vector<SiteWork>& works,
           const Text& nick = "singer") {
  std::vector<std::pair<std::string, std::string>> listed;
  for (const SiteWork& work : works) {
    listed.emplace_back(work.link, work.time);
    std::string mediaAddress = "http://127.0.0.1/media" + work.link;
    net.workPages[work.link] = workPageFor(mediaAddress, work.song, nick);
    net.media[mediaAddress] = MediaResponse{200, bytesOf(work.media)};
  }
  net.homepage = bytesOf(homepageFor(listed));
}

class WatchCoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder.path().empty());
    state.net = &net;
    state.outputFolder = folder.path();
  }

  FakeView view;
  FakeNet net;
  ScratchFolder folder;
  WatchState state;
};

// --- snapshot -------------------------------------------------------------

struct SnapshotCase {
  const char* name;
  std::string page;
  bool complete;
  std::vector<std::string> links;   // when complete
  std::vector<std::int64_t> times;  // when complete
};

std::string cover(const std::string& link) {
  return "<a href=\"" + link + "\" class=\"mod_playlist__cover\">";
}
std::string time(const std::string& value) { return "\"time\":" + value + ","; }

TEST(HomepageSnapshotTest, ReadsFourLinksAndTheTimesAfterTheFirst) {
  const std::vector<SnapshotCase> cases = {
      // The thresholds are inclusive.
      {"4 links and 5 times",
       time("1") + cover("/a") + time("10") + cover("/b") + time("20") +
           cover("/c") + time("30") + cover("/d") + time("40"),
       true,
       {"/a", "/b", "/c", "/d"},
       {10, 20, 30, 40}},
      {"4 links and 4 times",
       cover("/a") + time("10") + cover("/b") + time("20") + cover("/c") +
           time("30") + cover("/d") + time("40"),
       false,
       {},
       {}},
      {"3 links and 5 times",
       time("1") + cover("/a") + time("10") + cover("/b") + time("20") +
           cover("/c") + time("30") + time("40"),
       false,
       {},
       {}},
      // The first time belongs to no work, whatever it is.
      {"first time ignored",
       time("100") + cover("/a") + time("300") + cover("/b") + time("200") +
           cover("/c") + time("250") + cover("/d") + time("150"),
       true,
       {"/a", "/b", "/c", "/d"},
       {300, 200, 250, 150}},
      {"non-numeric times read 0, leading digits count",
       time("1") + cover("/a") + time("null") + cover("/b") + time(" 42abc") +
           cover("/c") + time("-5") + cover("/d") + time("\"x\""),
       true,
       {"/a", "/b", "/c", "/d"},
       {0, 42, -5, 0}},
      {"upper-case tag and attribute names match",
       time("1") + "<A HREF=\"/a\" CLASS=\"MOD_PLAYLIST__COVER\">" +
           time("10") + "<a Href=\"/b\" Class=\"mod_playlist__cover\">" +
           time("20") + cover("/c") + time("30") + cover("/d") + time("40"),
       true,
       {"/a", "/b", "/c", "/d"},
       {10, 20, 30, 40}},
      {"more than four works: the first four",
       time("1") + cover("/a") + time("10") + cover("/b") + time("20") +
           cover("/c") + time("30") + cover("/d") + time("40") + cover("/e") +
           time("50"),
       true,
       {"/a", "/b", "/c", "/d"},
       {10, 20, 30, 40}},
      {"an empty page", "", false, {}, {}},
  };
  for (const SnapshotCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeNet net;
    net.homepage = bytesOf(c.page);
    HomepageSnapshot snapshot = takeHomepageSnapshot("http://127.0.0.1/", net);
    ASSERT_EQ(snapshot.complete, c.complete);
    if (!c.complete) continue;
    for (int k = 0; k < kSnapshotEntries; ++k) {
      EXPECT_EQ(snapshot.entries[k].link, c.links[k]) << "entry " << k + 1;
      EXPECT_EQ(snapshot.entries[k].time, c.times[k]) << "entry " << k + 1;
    }
  }
}

TEST(HomepageSnapshotTest, ChineseLinksComeBackAsLocalText) {
  FakeNet net;
  // "歌" is E6 AD 8C in UTF-8 and B8 E8 in GBK.
  net.homepage =
      bytesOf(time("1") + cover("/\xE6\xAD\x8C") + time("10") + cover("/b") +
              time("20") + cover("/c") + time("30") + cover("/d") + time("40"));
  HomepageSnapshot snapshot = takeHomepageSnapshot("http://127.0.0.1/", net);
  ASSERT_TRUE(snapshot.complete);
  EXPECT_EQ(snapshot.entries[0].link, "/\xB8\xE8");
}

// --- baseline ---------------------------------------------------------------

TEST_F(WatchCoreTest, BaselineIsTheLargestEntryTimeOfACompleteSnapshot) {
  struct Case {
    const char* name;
    std::vector<std::string> times;  // five, the first one of no work
    std::int64_t before;
    std::int64_t after;
  };
  const std::vector<Case> cases = {
      {"the largest of the four entries",
       {"100", "300", "200", "250", "150"},
       7,
       300},
      {"the first time does not count", {"9999", "1", "2", "3", "4"}, 7, 4},
      {"all zero, negative or not numbers",
       {"5", "0", "-3", "x", "null"},
       7,
       0},
      {"incomplete: four times only keep the old value",
       {"100", "300", "200", "250"},
       777,
       777},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string page = time(c.times[0]);
    for (std::size_t k = 1; k <= 4; ++k) {
      page += cover("/w" + std::to_string(k));
      if (k < c.times.size()) page += time(c.times[k]);
    }
    net.homepage = bytesOf(page);
    state.lastSeenTime = c.before;
    takeBaseline(state, view);
    EXPECT_EQ(state.lastSeenTime, c.after);
  }
  EXPECT_TRUE(view.statuses.empty()) << "the baseline shows nothing";
}

TEST_F(WatchCoreTest, BaselineOfAFailedFetchKeepsTheOldValue) {
  net.homepage.clear();
  state.lastSeenTime = 1234;
  takeBaseline(state, view);
  EXPECT_EQ(state.lastSeenTime, 1234);
}

// --- which works a tick takes -----------------------------------------------

TEST_F(WatchCoreTest, TickSavesEveryNewerWorkOldestFirst) {
  struct Case {
    const char* name;
    std::int64_t baseline;
    std::vector<std::string> times;  // of the four listed works, in order
    std::vector<std::string> saved;  // links, in the order fetched
    std::int64_t lastSeen;
  };
  const std::vector<Case> cases = {
      // Newest first: both newer works are taken, the older one first.
      {"falling times",
       1000,
       {"1200", "1100", "900", "800"},
       {"/1", "/0"},
       1200},
      {"rising after an old first entry",
       1000,
       {"500", "1200", "1100", "1300"},
       {"/2", "/1", "/3"},
       1300},
      {"a time equal to lastSeenTime is not taken",
       1000,
       {"1000", "1000", "999", "1"},
       {},
       1000},
      // An old work pinned to the top does not hide the newer ones.
      {"pinned old work first",
       1000,
       {"10", "1300", "1200", "1100"},
       {"/3", "/2", "/1"},
       1300},
      {"equal times in page order",
       1000,
       {"1100", "1100", "900", "1100"},
       {"/0", "/1", "/3"},
       1100},
      {"baseline 0 and all new",
       0,
       {"4", "3", "2", "1"},
       {"/3", "/2", "/1", "/0"},
       4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeNet site;
    ScratchFolder out;
    WatchState fresh;
    fresh.net = &site;
    fresh.outputFolder = out.path();
    fresh.lastSeenTime = c.baseline;
    std::vector<SiteWork> works;
    for (std::size_t k = 0; k < c.times.size(); ++k) {
      std::string link = "/" + std::to_string(k);
      works.push_back(
          {link, c.times[k], "song" + std::to_string(k), "media of " + link});
    }
    serve(site, works);

    checkForNewWorks(fresh, view);

    EXPECT_EQ(site.fetchedWorkPages, c.saved);
    EXPECT_EQ(fresh.lastSeenTime, c.lastSeen);
    EXPECT_EQ(fresh.downloadCount, static_cast<int>(c.saved.size()));
    std::vector<std::string> expectedFiles;
    for (const std::string& link : c.saved) {
      std::string k = link.substr(1);
      expectedFiles.push_back("singer - song" + k + ".m4a");
      EXPECT_EQ(out.read("singer - song" + k + ".m4a"), "media of " + link);
    }
    std::sort(expectedFiles.begin(), expectedFiles.end());
    EXPECT_EQ(out.names(), expectedFiles);

    // The next tick over the same page takes nothing more.
    site.fetchedWorkPages.clear();
    checkForNewWorks(fresh, view);
    EXPECT_TRUE(site.fetchedWorkPages.empty());
    EXPECT_EQ(fresh.downloadCount, static_cast<int>(c.saved.size()));
  }
}

TEST_F(WatchCoreTest, IncompleteHomepageEndsTheTickQuietly) {
  net.homepage = bytesOf(cover("/a") + time("5000") + cover("/b"));
  checkForNewWorks(state, view);
  EXPECT_TRUE(net.fetchedWorkPages.empty());
  EXPECT_TRUE(view.statuses.empty());
}

TEST_F(WatchCoreTest, StatusTextsOfATick) {
  // Works in places 1 and 4 are new; the fourth place shows no "等待下载".
  serve(net, {{"/a", "1100", "s1", "m1"},
              {"/b", "500", "s2", "m2"},
              {"/c", "400", "s3", "m3"},
              {"/d", "1200", "s4", "m4"}});
  state.lastSeenTime = 1000;
  checkForNewWorks(state, view);
  EXPECT_EQ(view.statuses,
            (std::vector<Status>{Status::kWaiting, Status::kDownloading,
                                 Status::kDownloaded, Status::kDownloading,
                                 Status::kDownloaded}));
}

// --- failures ----------------------------------------------------------------

TEST_F(WatchCoreTest, FailedWorkLeavesNoFileAndIsSavedOnALaterTick) {
  struct Case {
    const char* name;
    std::function<void(FakeNet&)> breakIt;
  };
  const std::string mediaAddress = "http://127.0.0.1/media/a";
  const std::vector<Case> cases = {
      {"media answers 404 with a page",
       [&](FakeNet& n) {
         n.media[mediaAddress] = MediaResponse{404, bytesOf("<h1>gone</h1>")};
       }},
      {"media answers 500",
       [&](FakeNet& n) {
         n.media[mediaAddress] = MediaResponse{500, bytesOf("oops")};
       }},
      {"media answers 200 with no body",
       [&](FakeNet& n) {
         n.media[mediaAddress] = MediaResponse{200, {}};
       }},
      {"media not fetched",
       [&](FakeNet& n) {
         n.media[mediaAddress] = MediaResponse{0, {}};
       }},
      {"empty work page", [](FakeNet& n) { n.workPages["/a"] = ""; }},
      {"work page without a media address",
       [](FakeNet& n) {
         n.workPages["/a"] = workPageFor("", "song", "singer");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeNet site;
    ScratchFolder out;
    FakeView window;
    WatchState fresh;
    fresh.net = &site;
    fresh.outputFolder = out.path();
    fresh.lastSeenTime = 1000;
    serve(site, {{"/a", "1100", "song", "the exact bytes"},
                 {"/old1", "900", "x", "x"},
                 {"/old2", "800", "x", "x"},
                 {"/old3", "700", "x", "x"}});
    auto healthy = site;
    c.breakIt(site);

    checkForNewWorks(fresh, window);
    EXPECT_TRUE(out.names().empty()) << "no file, no temporary file";
    EXPECT_EQ(fresh.downloadCount, 0);
    EXPECT_EQ(fresh.lastSeenTime, 1000);
    ASSERT_FALSE(window.statuses.empty());
    EXPECT_EQ(window.statuses.back(), Status::kDownloadFailed);

    // The site recovers: the next tick saves the work whole.
    site.workPages = healthy.workPages;
    site.media = healthy.media;
    checkForNewWorks(fresh, window);
    EXPECT_EQ(out.names(), std::vector<std::string>{"singer - song.m4a"});
    EXPECT_EQ(out.read("singer - song.m4a"), "the exact bytes");
    EXPECT_EQ(fresh.downloadCount, 1);
    EXPECT_EQ(fresh.lastSeenTime, 1100);
    EXPECT_EQ(window.statuses.back(), Status::kDownloaded);
  }
}

TEST_F(WatchCoreTest, FailedWorkHoldsLastSeenTimeBackButNotTheOthers) {
  serve(net, {{"/new", "1300", "newer", "n"},
              {"/bad", "1100", "broken", "b"},
              {"/ok", "1200", "fine", "f"},
              {"/old", "900", "old", "o"}});
  net.media["http://127.0.0.1/media/bad"] = MediaResponse{404, {}};
  state.lastSeenTime = 1000;

  checkForNewWorks(state, view);
  // Both works after the failed one are saved, but lastSeenTime stays below
  // the failed one so that it is looked at again.
  EXPECT_EQ(net.fetchedWorkPages,
            (std::vector<std::string>{"/bad", "/ok", "/new"}));
  EXPECT_EQ(state.downloadCount, 2);
  EXPECT_EQ(state.lastSeenTime, 1000);

  net.fetchedWorkPages.clear();
  net.media["http://127.0.0.1/media/bad"] = MediaResponse{200, bytesOf("b")};
  checkForNewWorks(state, view);
  EXPECT_EQ(net.fetchedWorkPages, std::vector<std::string>{"/bad"})
      << "saved works are not fetched again";
  EXPECT_EQ(state.downloadCount, 3);
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"singer - broken.m4a",
                                                      "singer - fine.m4a",
                                                      "singer - newer.m4a"}));
}

TEST_F(WatchCoreTest, WorkThatNeverSavesIsLeftAloneAfterTenTries) {
  serve(net, {{"/never", "1100", "never", "x"},
              {"/o1", "900", "x", "x"},
              {"/o2", "800", "x", "x"},
              {"/o3", "700", "x", "x"}});
  net.workPages["/never"] = workPageFor("", "never", "singer");
  state.lastSeenTime = 1000;
  for (int tick = 1; tick <= kMaxTriesPerWork + 3; ++tick) {
    checkForNewWorks(state, view);
  }
  EXPECT_EQ(net.fetchedWorkPages.size(), std::size_t{kMaxTriesPerWork});
  EXPECT_TRUE(net.fetchedMedia.empty()) << "no request for an empty address";
  EXPECT_EQ(state.downloadCount, 0);

  // Given up, it no longer holds lastSeenTime back.
  serve(net, {{"/fresh", "1200", "fresh", "f"},
              {"/never", "1100", "never", "x"},
              {"/o1", "900", "x", "x"},
              {"/o2", "800", "x", "x"}});
  net.workPages["/never"] = workPageFor("", "never", "singer");
  checkForNewWorks(state, view);
  EXPECT_EQ(state.downloadCount, 1);
  EXPECT_EQ(state.lastSeenTime, 1200);
}

// --- file names --------------------------------------------------------------

TEST_F(WatchCoreTest, FileNamesAreCleanedAndStayInTheFolder) {
  struct Case {
    const char* name;
    Text note;
    Text nick;
    Text song;
    std::string file;  // UTF-8
  };
  const std::vector<Case> cases = {
      // A double quote ends the field on the page, so the nickname can hold
      // only the other eight; the note holds all nine.
      {"the removed characters go from the nickname", "", "a\\b/c:d*e?f<g>h|i",
       "song", "abcdefghi - song.m4a"},
      {"the nine characters go from the note", "a\\b/c:d*e?f\"g<h>i|j", "",
       "song", "abcdefghij - song.m4a"},
      // 0x81 0x5C is 乗 and 0xB0 0x7C is 皘: the trail bytes are "\" and "|".
      {"a double-byte character with such a trail byte stays whole", "",
       "\x81\x5C\xB0\x7C", "song", "\xE4\xB9\x97\xE7\x9A\x98 - song.m4a"},
      {"a song name cannot name another folder", "", "singer",
       "../../etc/passwd", "singer - ....etcpasswd.m4a"},
      {"the note is cleaned too", "..\\x/y", "ignored", "song",
       "xy - song.m4a"},
      {"no hidden file", ".hidden", "", "song", "hidden - song.m4a"},
      {"control bytes go", "",
       "a\x01"
       "b\tc",
       "s\x1Fo\rng", "abc - song.m4a"},
      {"spaces in the note count as a name", "  ", "nick", "song",
       "   - song.m4a"},
      {"empty nickname and song", "", "", "", " - .m4a"},
      // 歌手 is B8 E8 CA D6 in GBK.
      {"Chinese names are written in UTF-8", "", "\xB8\xE8\xCA\xD6", "\xB8\xE8",
       "\xE6\xAD\x8C\xE6\x89\x8B - \xE6\xAD\x8C.m4a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder parent;
    std::string out = parent.path() + "/out";
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    FakeNet site;
    FakeView window;
    window.note = c.note;
    WatchState fresh;
    fresh.net = &site;
    fresh.outputFolder = out;
    site.workPages["/w"] = workPageFor("http://127.0.0.1/m", c.song, c.nick);
    site.media["http://127.0.0.1/m"] = MediaResponse{200, bytesOf("data")};

    EXPECT_EQ(downloadWork(fresh, window, c.note, "/w", true),
              DownloadOutcome::kSaved);
    EXPECT_EQ(parent.names(), std::vector<std::string>{"out"});
    EXPECT_EQ(namesIn(out), std::vector<std::string>{c.file});
  }
}

TEST_F(WatchCoreTest, SameSingerAndSongTwiceKeepsBoth) {
  folder.write("singer - song.m4a", "an earlier work");
  serve(net, {{"/second", "1200", "song", "second recording"},
              {"/first", "1100", "song", "first recording"},
              {"/o1", "900", "x", "x"},
              {"/o2", "800", "x", "x"}});
  state.lastSeenTime = 1000;
  checkForNewWorks(state, view);
  EXPECT_EQ(state.downloadCount, 2);
  EXPECT_EQ(folder.read("singer - song.m4a"), "an earlier work");
  EXPECT_EQ(folder.read("singer - song (2).m4a"), "first recording");
  EXPECT_EQ(folder.read("singer - song (3).m4a"), "second recording");
  EXPECT_EQ(folder.names().size(), 3u) << "no temporary file is left";
}

TEST(WorkFileNameTest, LongNamesAreCutAtACharacterBoundary) {
  struct Case {
    const char* name;
    Text singer;
    Text song;
    int copy;
    std::string ending;
  };
  // 歌 is B8 E8 in GBK and three bytes in UTF-8.
  Text longSong;
  for (int i = 0; i < 200; ++i) longSong += "\xB8\xE8";
  const std::vector<Case> cases = {
      {"long Chinese song", "singer", longSong, 1, ".m4a"},
      {"long Chinese song, a copy", "singer", longSong, 12, " (12).m4a"},
      {"long ASCII song", "s", std::string(400, 'x'), 1, ".m4a"},
      {"long singer as well", std::string(300, 'y'), longSong, 1, ".m4a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string name = workFileName(c.singer, c.song, c.copy);
    EXPECT_LE(name.size() + 1 + platform::kTempNameExtraBytes,
              platform::kMaxFileNameBytes);
    EXPECT_GE(name.size() + 3, kMaxWorkFileNameBytes) << "cut no more than a "
                                                         "character";
    ASSERT_GE(name.size(), c.ending.size());
    EXPECT_EQ(name.substr(name.size() - c.ending.size()), c.ending);
    // Every character whole: the text before the ending is valid UTF-8.
    std::string body = name.substr(0, name.size() - c.ending.size());
    for (std::size_t i = 0; i < body.size();) {
      unsigned char lead = static_cast<unsigned char>(body[i]);
      std::size_t length = lead < 0x80 ? 1 : lead >= 0xE0 ? 3 : 2;
      ASSERT_LE(i + length, body.size()) << "a character is cut at " << i;
      i += length;
    }
  }
}

TEST_F(WatchCoreTest, LongSongNameIsSavedShortened) {
  Text longSong;
  for (int i = 0; i < 200; ++i) longSong += "\xB8\xE8";
  net.workPages["/w"] = workPageFor("http://127.0.0.1/m", longSong, "singer");
  net.media["http://127.0.0.1/m"] = MediaResponse{200, bytesOf("data")};
  ASSERT_EQ(downloadWork(state, view, "", "/w", true), DownloadOutcome::kSaved);
  ASSERT_EQ(folder.names().size(), 1u);
  EXPECT_EQ(folder.read(folder.names()[0]), "data");
}

// --- writing -----------------------------------------------------------------

// The real file system with one step made to fail.
class FailingFileSystem : public platform::FileSystem {
 public:
  bool failTemporary = false;
  bool failPlace = false;
  std::vector<std::string> removed;

  bool exists(const std::string& path) override {
    return platform::realFileSystem().exists(path);
  }
  std::string writeTemporaryFile(
      const std::string& folder, const std::string& stem,
      const std::vector<std::uint8_t>& data) override {
    if (failTemporary) return {};
    return platform::realFileSystem().writeTemporaryFile(folder, stem, data);
  }
  PlaceResult placeFile(const std::string& from,
                        const std::string& to) override {
    if (failPlace) return PlaceResult::kFailed;
    return platform::realFileSystem().placeFile(from, to);
  }
  bool removeFile(const std::string& path) override {
    removed.push_back(path);
    return platform::realFileSystem().removeFile(path);
  }
};

TEST_F(WatchCoreTest, WorkThatCannotBeWrittenIsNotCounted) {
  struct Case {
    const char* name;
    bool failTemporary;
    bool failPlace;
    bool folderIsAFile;
  };
  const std::vector<Case> cases = {
      {"the folder is not a folder", false, false, true},
      {"the temporary file cannot be written", true, false, false},
      {"the finished file cannot be renamed", false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder out;
    FailingFileSystem files;
    files.failTemporary = c.failTemporary;
    files.failPlace = c.failPlace;
    FakeNet site;
    FakeView window;
    WatchState fresh;
    fresh.net = &site;
    fresh.files = &files;
    fresh.outputFolder = out.path();
    if (c.folderIsAFile) {
      out.write("plain", "x");
      fresh.outputFolder = out.path() + "/plain";
    }
    fresh.lastSeenTime = 1000;
    serve(site, {{"/a", "1100", "song", "bytes"},
                 {"/o1", "900", "x", "x"},
                 {"/o2", "800", "x", "x"},
                 {"/o3", "700", "x", "x"}});
    checkForNewWorks(fresh, window);
    EXPECT_EQ(fresh.downloadCount, 0);
    EXPECT_EQ(fresh.lastSeenTime, 1000);
    EXPECT_EQ(window.statuses.back(), Status::kDownloadFailed);
    EXPECT_EQ(out.names(), c.folderIsAFile ? std::vector<std::string>{"plain"}
                                           : std::vector<std::string>{})
        << "no temporary file is left";
    EXPECT_FALSE(fresh.failedTries.empty());
  }
}

// --- events inside a tick
// ------------------------------------------------------

// Lets the installed pump run inside every work-page fetch, as the session
// request does, and puts the old pump back at the end.
class PumpInWorkPage {
 public:
  PumpInWorkPage(FakeNet& net, platform::EventPump pump)
      : previous_(platform::setEventPump(std::move(pump))) {
    net.duringWorkPage = [](const Text&) {
      platform::letPendingEventsThrough();
    };
  }
  ~PumpInWorkPage() { platform::setEventPump(std::move(previous_)); }

 private:
  platform::EventPump previous_;
};

TEST_F(WatchCoreTest, ElapseInsideATickIsSkipped) {
  serve(net, {{"/a", "1100", "song", "bytes"},
              {"/o1", "900", "x", "x"},
              {"/o2", "800", "x", "x"},
              {"/o3", "700", "x", "x"}});
  state.lastSeenTime = 1000;
  int nested = 0;
  PumpInWorkPage pump(net, [&] {
    // One elapse falls due inside the tick.
    if (++nested == 1) checkForNewWorks(state, view);
  });
  checkForNewWorks(state, view);
  EXPECT_GE(nested, 1);
  EXPECT_EQ(net.homepageFetches, 1) << "the nested tick did nothing";
  EXPECT_EQ(net.fetchedWorkPages, std::vector<std::string>{"/a"});
  EXPECT_EQ(state.downloadCount, 1);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"singer - song.m4a"});
  EXPECT_FALSE(state.tickRunning);

  // A later tick runs normally again.
  checkForNewWorks(state, view);
  EXPECT_EQ(net.homepageFetches, 2);
}

TEST_F(WatchCoreTest, StopDuringAWorkPageFinishesThatWorkOnly) {
  serve(net, {{"/c", "1300", "third", "3"},
              {"/b", "1200", "second", "2"},
              {"/a", "1100", "first", "1"},
              {"/o", "900", "x", "x"}});
  state.lastSeenTime = 1000;
  PumpInWorkPage pump(net, [&] {
    // What Stop does to the window.
    view.watching = false;
    view.statuses.push_back(Status::kStopped);
  });
  checkForNewWorks(state, view);
  EXPECT_EQ(net.fetchedWorkPages, std::vector<std::string>{"/a"});
  EXPECT_EQ(state.downloadCount, 1) << "the work in hand is counted";
  EXPECT_EQ(state.lastSeenTime, 1100);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"singer - first.m4a"});
  EXPECT_EQ(folder.read("singer - first.m4a"), "1");
  EXPECT_EQ(view.statuses,
            (std::vector<Status>{Status::kWaiting, Status::kStopped}))
      << "nothing is shown after the stop";
}

TEST_F(WatchCoreTest, TickWhileNotWatchingDoesNothing) {
  serve(net, {{"/a", "1100", "song", "bytes"},
              {"/o1", "900", "x", "x"},
              {"/o2", "800", "x", "x"},
              {"/o3", "700", "x", "x"}});
  view.watching = false;
  checkForNewWorks(state, view);
  EXPECT_EQ(net.homepageFetches, 0);
  EXPECT_TRUE(view.statuses.empty());
}

}  // namespace
}  // namespace lirabel::testing
