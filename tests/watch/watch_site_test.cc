// The watch over real HTTP: a fixture site on 127.0.0.1 serves the homepage,
// the work pages and the media, and breaks them on demand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/homepage_snapshot.h"
#include "app/watch_core.h"
#include "platform/event_pump.h"
#include "tests/support/fixture_server.h"
#include "tests/watch/site_pages.h"
#include "tests/watch/watch_fakes.h"

namespace lirabel::testing {
namespace {

struct Work {
  std::string id;
  std::string time;
  std::string song;   // UTF-8
  std::string media;  // the exact bytes
};

class WatchSiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder.path().empty());
    state.outputFolder = folder.path();
    view.address = server.url("/singer");
  }

  std::string workLink(const std::string& id) {
    return server.url("/work/" + id);
  }
  std::string mediaPath(const std::string& id) { return "/media/" + id; }

  // Routes the homepage listing the works in this order, and each work's
  // page (UTF-8, declared by a meta charset) and media.
  void publish(const std::vector<Work>& works) {
    std::vector<std::pair<std::string, std::string>> listed;
    for (const Work& work : works) {
      listed.emplace_back(workLink(work.id), work.time);
      server.route(
          "/work/" + work.id,
          page(workPageUtf8(work.song, server.url(mediaPath(work.id)))));
      server.route(mediaPath(work.id), page(work.media, "audio/mp4"));
    }
    server.route("/singer", page(homepageFor(listed)));
  }

  int requestsFor(const std::string& path) {
    int count = 0;
    for (const RecordedRequest& request : server.requests()) {
      if (request.requestLine.find(" " + path + " ") != std::string::npos) {
        ++count;
      }
    }
    return count;
  }

  FixtureServer server;
  ScratchFolder folder;
  FakeView view;
  WatchState state;
};

// 歌手 in UTF-8, as the file names hold it.
const std::string kSinger = "\xE6\xAD\x8C\xE6\x89\x8B";

TEST_F(WatchSiteTest, StartThenTickSavesTheNewWorksOldestFirst) {
  publish({{"4", "1000", "four", "m4"},
           {"3", "900", "three", "m3"},
           {"2", "800", "two", "m2"},
           {"1", "700", "one", "m1"}});
  takeBaseline(state, view);
  EXPECT_EQ(state.lastSeenTime, 1000);

  // Two works arrive between ticks; the page lists them newest first.
  publish({{"6", "1200", "six", "media six"},
           {"5", "1100", "five", "media five"},
           {"4", "1000", "four", "m4"},
           {"3", "900", "three", "m3"}});
  server.clearRequests();
  checkForNewWorks(state, view);

  std::vector<std::string> order;
  for (const RecordedRequest& request : server.requests()) {
    order.push_back(
        request.requestLine.substr(0, request.requestLine.find(" HTTP")));
  }
  EXPECT_EQ(order, (std::vector<std::string>{"GET /singer", "GET /work/5",
                                             "GET /media/5", "GET /work/6",
                                             "GET /media/6"}));
  EXPECT_EQ(folder.names(), (std::vector<std::string>{kSinger + " - five.m4a",
                                                      kSinger + " - six.m4a"}));
  EXPECT_EQ(folder.read(kSinger + " - five.m4a"), "media five");
  EXPECT_EQ(folder.read(kSinger + " - six.m4a"), "media six");
  EXPECT_EQ(state.lastSeenTime, 1200);
  EXPECT_EQ(state.downloadCount, 2);
}

TEST_F(WatchSiteTest, BrokenDownloadLeavesNoFileAndIsSavedLater) {
  struct Case {
    const char* name;
    std::string path;  // the route that breaks once
    FixtureResponse broken;
  };
  FixtureResponse notFound = page("<html>404 gone</html>");
  notFound.status = 404;
  notFound.reason = "Not Found";
  FixtureResponse reset = page(std::string(200000, 'r'), "audio/mp4");
  reset.fault = Fault::kResetAfterHeaders;
  FixtureResponse closed;
  closed.fault = Fault::kCloseBeforeResponse;
  const std::vector<Case> cases = {
      {"media answers 404", "/media/new", notFound},
      {"media connection reset mid-body", "/media/new", reset},
      {"empty work page", "/work/new", page("")},
      {"work page not answered", "/work/new", closed},
  };
  const std::string bytes(50000, '\x7F');
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FixtureServer site;
    ScratchFolder out;
    FakeView window;
    window.address = site.url("/singer");
    WatchState fresh;
    fresh.outputFolder = out.path();
    fresh.lastSeenTime = 1000;
    std::vector<std::pair<std::string, std::string>> listed = {
        {site.url("/work/new"), "1100"},
        {site.url("/work/o1"), "900"},
        {site.url("/work/o2"), "800"},
        {site.url("/work/o3"), "700"}};
    site.route("/singer", page(homepageFor(listed)));
    FixtureResponse good =
        c.path == "/work/new"
            ? page(workPageUtf8("song", site.url("/media/new")))
            : page(bytes, "audio/mp4");
    if (c.path == "/work/new") {
      site.route("/media/new", page(bytes, "audio/mp4"));
    } else {
      site.route("/work/new",
                 page(workPageUtf8("song", site.url("/media/new"))));
    }
    site.route(c.path, std::vector<FixtureResponse>{c.broken, good});

    checkForNewWorks(fresh, window);
    EXPECT_TRUE(out.names().empty()) << "no file and no temporary file";
    EXPECT_EQ(fresh.downloadCount, 0);
    EXPECT_EQ(fresh.lastSeenTime, 1000);
    ASSERT_FALSE(window.statuses.empty());
    EXPECT_EQ(window.statuses.back(), Status::kDownloadFailed);

    checkForNewWorks(fresh, window);
    EXPECT_EQ(out.names(), std::vector<std::string>{kSinger + " - song.m4a"});
    EXPECT_EQ(out.read(kSinger + " - song.m4a"), bytes) << "the exact bytes";
    EXPECT_EQ(fresh.downloadCount, 1);
    EXPECT_EQ(fresh.lastSeenTime, 1100);
    EXPECT_EQ(window.statuses.back(), Status::kDownloaded);
  }
}

TEST_F(WatchSiteTest, GbkWorkPageKeepsItsCharactersWhole) {
  // 乗 is 0x81 0x5C in GBK: its trail byte is a backslash. 歌 is B8 E8.
  std::string gbkPage =
      "<html><head><meta charset=\"gbk\"></head><script>{\"playurl\":\"" +
      server.url("/media/g") +
      "\",\"song_name\":\"\xB8\xE8\",\"nick\":\"a\x81\x5C"
      "b/c\"}</script>";
  server.route("/work/g", page(gbkPage));
  server.route("/media/g", page("gbk work", "audio/mp4"));
  server.route("/singer", page(homepageFor({{workLink("g"), "1100"},
                                            {workLink("o1"), "900"},
                                            {workLink("o2"), "800"},
                                            {workLink("o3"), "700"}})));
  state.lastSeenTime = 1000;
  checkForNewWorks(state, view);
  const std::string name =
      "a\xE4\xB9\x97"
      "bc - \xE6\xAD\x8C.m4a";
  EXPECT_EQ(folder.names(), std::vector<std::string>{name});
  EXPECT_EQ(folder.read(name), "gbk work");
}

TEST_F(WatchSiteTest, ElapseAtAnEventPointIsSkipped) {
  publish({{"new", "1100", "song", "bytes"},
           {"o1", "900", "x", "x"},
           {"o2", "800", "x", "x"},
           {"o3", "700", "x", "x"}});
  state.lastSeenTime = 1000;
  int nested = 0;
  platform::EventPump previous = platform::setEventPump([&] {
    // One elapse falls due inside the tick.
    if (++nested == 1) checkForNewWorks(state, view);
  });
  checkForNewWorks(state, view);
  platform::setEventPump(std::move(previous));

  EXPECT_GT(nested, 0) << "the work-page fetch let events through";
  EXPECT_EQ(requestsFor("/singer"), 1);
  EXPECT_EQ(requestsFor("/media/new"), 1);
  EXPECT_EQ(state.downloadCount, 1);
  EXPECT_EQ(folder.names(), std::vector<std::string>{kSinger + " - song.m4a"});
}

TEST_F(WatchSiteTest, StopDuringAWorkPageFetch) {
  publish({{"c", "1300", "third", "3"},
           {"b", "1200", "second", "2"},
           {"a", "1100", "first", "1"},
           {"o", "900", "x", "x"}});
  state.lastSeenTime = 1000;
  platform::EventPump previous = platform::setEventPump([&] {
    if (!view.watching) return;
    view.watching = false;
    view.statuses.push_back(Status::kStopped);
  });
  checkForNewWorks(state, view);
  platform::setEventPump(std::move(previous));

  EXPECT_EQ(folder.names(), std::vector<std::string>{kSinger + " - first.m4a"});
  EXPECT_EQ(folder.read(kSinger + " - first.m4a"), "1");
  EXPECT_EQ(state.downloadCount, 1);
  EXPECT_EQ(requestsFor("/work/b"), 0) << "no further download starts";
  EXPECT_EQ(requestsFor("/work/c"), 0);
  ASSERT_FALSE(view.statuses.empty());
  EXPECT_EQ(view.statuses.back(), Status::kStopped)
      << "no status text after the stop";
}

}  // namespace
}  // namespace lirabel::testing
