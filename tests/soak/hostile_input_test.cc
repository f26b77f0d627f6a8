// Inputs built to hurt the watch: huge pages, absurd numbers, names made of
// every byte, line breaks in addresses, pages without anything to read. Each
// row says what the watch does with it; none may crash or hang it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/homepage_snapshot.h"
#include "app/watch_core.h"
#include "app/work_download.h"
#include "platform/program_files.h"
#include "tests/support/fixture_server.h"
#include "tests/watch/site_pages.h"
#include "tests/watch/watch_fakes.h"
#include "text/codepage.h"
#include "text/regex_object.h"
#include "web/response_text.h"
#include "web/web_object_request.h"
#include "web/web_session_request.h"

namespace lirabel::testing {
namespace {

// 歌手 in UTF-8 and in GBK.
const std::string kSingerUtf8 = "\xE6\xAD\x8C\xE6\x89\x8B";
const std::string kSingerGbk = "\xB8\xE8\xCA\xD6";

// A homepage of works "/w<i>" with times 1000 + i, newest first, as UTF-8.
std::vector<std::pair<std::string, std::string>> listedWorks(int count) {
  std::vector<std::pair<std::string, std::string>> works;
  for (int i = count; i >= 1; --i) {
    works.emplace_back("/w" + std::to_string(i), std::to_string(1000 + i));
  }
  return works;
}

bool isUtf8(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80         ? 1
                    : (c >> 5) == 6  ? 2
                    : (c >> 4) == 14 ? 3
                    : (c >> 3) == 30 ? 4
                                     : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

// --- The homepage --------------------------------------------------------

TEST(HostileHomepageTest, HugeAndCrowdedPagesStillGiveTheFirstFourWorks) {
  struct Case {
    const char* name;
    std::string page;
    std::vector<std::string> links;  // the snapshot's four entries
    std::vector<std::int64_t> times;
  };
  // Plain lines ahead of the listing, the way a heavy page carries scripts.
  std::string filler;
  const std::string line =
      "<div class=\"x\"><a href=\"/other\">an ordinary link</a></div>\n";
  while (filler.size() < 20u * 1024 * 1024) filler += line;
  std::string huge = homepageFor(listedWorks(4));
  huge.insert(huge.find("<ul>"), filler);
  // 20 MB without a single line break, then the listing on the same line.
  std::string oneLine = homepageFor(listedWorks(4));
  for (char& ch : oneLine) {
    if (ch == '\n') ch = ' ';
  }
  oneLine.insert(
      oneLine.find("<ul>"),
      "<script>/*" + std::string(20u * 1024 * 1024, 'q') + "*/</script>");
  // 10,000 ordinary links, a line each, ahead of the cover links.
  std::string manyLinks = homepageFor(listedWorks(4));
  std::string ordinary;
  for (int i = 0; i < 10000; ++i) {
    ordinary += "<a href=\"/other" + std::to_string(i) + "\">x</a>\n";
  }
  manyLinks.insert(manyLinks.find("<ul>"), ordinary);
  const std::vector<Case> cases = {
      // The search walks one 20 MB line without going back over it.
      {"20 MB homepage on one line",
       oneLine,
       {"/w4", "/w3", "/w2", "/w1"},
       {1004, 1003, 1002, 1001}},
      // Each on its own line, so none is joined to a cover link into one
      // match.
      {"10,000 ordinary links",
       manyLinks,
       {"/w4", "/w3", "/w2", "/w1"},
       {1004, 1003, 1002, 1001}},
      // 20 MB of ordinary lines before the four cover links: all read.
      {"20 MB homepage",
       huge,
       {"/w4", "/w3", "/w2", "/w1"},
       {1004, 1003, 1002, 1001}},
      // 10,000 cover links: the first four count, the rest are ignored.
      {"10,000 links",
       homepageFor(listedWorks(10000)),
       {"/w10000", "/w9999", "/w9998", "/w9997"},
       {11000, 10999, 10998, 10997}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HomepageSnapshot snapshot = readHomepageSnapshot(c.page);
    ASSERT_TRUE(snapshot.complete);
    for (int k = 0; k < kSnapshotEntries; ++k) {
      EXPECT_EQ(snapshot.entries[k].link, c.links[k]) << "entry " << k + 1;
      EXPECT_EQ(snapshot.entries[k].time, c.times[k]) << "entry " << k + 1;
    }
  }
}

TEST(HostileHomepageTest, TwentyMegabyteHomepageOverHttpStillSavesTheNewWork) {
  FixtureServer server;
  ScratchFolder folder;
  ASSERT_FALSE(folder.path().empty());
  std::vector<std::pair<std::string, std::string>> listed = {
      {server.url("/work/new"), "1100"},
      {server.url("/work/o1"), "900"},
      {server.url("/work/o2"), "800"},
      {server.url("/work/o3"), "700"}};
  std::string listing = homepageFor(listed);
  // 20 MB of script ahead of the listing, in lines of a megabyte.
  const std::string block = "<script>var filler = \"" +
                            std::string(1024 * 1024 - 32, 'f') +
                            "\";</script>\n";
  std::string body;
  body.reserve(20 * block.size() + listing.size());
  for (int i = 0; i < 20; ++i) body += block;
  body += listing;
  server.route("/singer", page(body));
  server.route("/work/new",
               page(workPageUtf8("song", server.url("/media/new"))));
  server.route("/media/new", page("the media", "audio/mp4"));

  FakeView view;
  view.address = server.url("/singer");
  WatchState state;
  state.outputFolder = folder.path();
  state.lastSeenTime = 1000;
  checkForNewWorks(state, view);
  EXPECT_EQ(folder.names(),
            std::vector<std::string>{kSingerUtf8 + " - song.m4a"});
  EXPECT_EQ(state.downloadCount, 1);
  EXPECT_EQ(state.lastSeenTime, 1100);
}

TEST(HostileHomepageTest, ThirtyDigitTimesWrapAroundAsToInt64Reads) {
  struct Case {
    const char* name;
    std::string timeText;
    std::int64_t value;  // modulo 2^64, read as signed
    bool taken;          // with lastSeenTime at 1000
  };
  const std::vector<Case> cases = {
      // Wraps to a huge positive time: the work is new, and lastSeenTime
      // rises so far that no work with a real time is taken after it.
      {"thirty nines", "999999999999999999999999999999", 5076944270305263615,
       true},
      {"one and 29 zeros", "100000000000000000000000000000",
       7886392056514347008, true},
      // Wraps to a negative time: never above lastSeenTime, never taken.
      {"digits 1 to 0 three times", "123456789012345678901234567890",
       -4362896299872285998, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeNet net;
    FakeView view;
    ScratchFolder folder;
    WatchState state;
    state.net = &net;
    state.outputFolder = folder.path();
    state.lastSeenTime = 1000;
    net.homepage = bytesOf(homepageFor({{"/huge", c.timeText},
                                        {"/o1", "900"},
                                        {"/o2", "800"},
                                        {"/o3", "700"}}));
    net.workPages["/huge"] = workPageFor("/m/huge", "huge", "s");
    net.media["/m/huge"] = {200, bytesOf("huge time")};
    EXPECT_EQ(readHomepageSnapshot(utf8ToLocal(net.homepage)).entries[0].time,
              c.value);

    checkForNewWorks(state, view);
    EXPECT_EQ(state.downloadCount, c.taken ? 1 : 0);
    EXPECT_EQ(state.lastSeenTime, c.taken ? c.value : 1000);

    // A real work published next.
    net.homepage = bytesOf(homepageFor({{"/next", "1700000000"},
                                        {"/huge", c.timeText},
                                        {"/o1", "900"},
                                        {"/o2", "800"}}));
    net.workPages["/next"] = workPageFor("/m/next", "next", "s");
    net.media["/m/next"] = {200, bytesOf("next")};
    checkForNewWorks(state, view);
    EXPECT_EQ(state.downloadCount, 1);
    EXPECT_EQ(state.lastSeenTime, c.taken ? c.value : 1700000000)
        << "below a wrapped-around huge time a real work is not new";
  }
}

TEST(HostileHomepageTest, LinkBrokenByALineBreakIsNotReadAsALink) {
  // The pattern's "." stops at a line feed: a cover link whose href holds
  // CR LF is no match, and the link after it takes its place.
  std::string page = homepageFor({{"/a\r\nX-Injected: 1", "1005"},
                                  {"/b", "1004"},
                                  {"/c", "1003"},
                                  {"/d", "1002"},
                                  {"/e", "1001"}});
  HomepageSnapshot snapshot = readHomepageSnapshot(page);
  ASSERT_TRUE(snapshot.complete);
  const std::vector<std::string> links = {"/b", "/c", "/d", "/e"};
  for (int k = 0; k < kSnapshotEntries; ++k) {
    EXPECT_EQ(snapshot.entries[k].link, links[k]);
    // Links and times pair by their order on the page, so the broken link's
    // time goes to the link after it.
    EXPECT_EQ(snapshot.entries[k].time, 1005 - k);
  }
}

// --- Requests ------------------------------------------------------------

TEST(HostileRequestTest, LineBreakInAnAddressSendsNoInjectedHeader) {
  FixtureServer server;
  server.route("/a", page("page a"));
  const std::vector<std::string> tails = {"\r\nX-Injected: 1",
                                          "\nX-Injected: 1", "\rX-Injected: 1"};
  for (const std::string& tail : tails) {
    const std::string url = server.url("/a") + tail;
    SCOPED_TRACE(::testing::PrintToString(url));
    server.clearRequests();
    std::int32_t status = -1;
    WebObjectRequestOptions options;
    options.status = &status;
    EXPECT_TRUE(WebObjectRequest(url, options).empty());
    EXPECT_EQ(status, 0) << "the request is refused, not sent";
    EXPECT_TRUE(WebSessionRequest(url).empty());
    for (const RecordedRequest& request : server.requests()) {
      EXPECT_EQ(request.header("X-Injected"), "") << request.raw;
    }
    EXPECT_TRUE(server.requests().empty());
  }
}

TEST(HostileRequestTest, LineBreakInALinkFailsTheDownloadAndIsRetried) {
  struct Case {
    const char* name;
    std::string coverTail;  // after the work page's address on the homepage
    std::string mediaTail;  // after the media address on the work page
    std::string mediaAddress = "";  // instead of the site's
  };
  const std::vector<Case> cases = {
      // A lone CR is read into the link (only a line feed stops the
      // pattern); the work page is then never asked for.
      {"CR in the cover link", "\rX-Injected: 1", ""},
      {"CR LF in the media address", "", "\r\nX-Injected: 1"},
      // Only HTTP and HTTPS are fetched: a page cannot make the watch copy
      // a local file into the folder.
      {"file address as the media", "", "", "file:///etc/hostname"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FixtureServer server;
    ScratchFolder folder;
    const std::string link = server.url("/work/new") + c.coverTail;
    server.route("/singer",
                 page(homepageFor({{link, "1100"},
                                   {server.url("/work/o1"), "900"},
                                   {server.url("/work/o2"), "800"},
                                   {server.url("/work/o3"), "700"}})));
    server.route(
        "/work/new",
        page(workPageUtf8("song", c.mediaAddress.empty()
                                      ? server.url("/media/new") + c.mediaTail
                                      : c.mediaAddress)));
    server.route("/media/new", page("the media", "audio/mp4"));
    FakeView view;
    view.address = server.url("/singer");
    WatchState state;
    state.outputFolder = folder.path();
    state.lastSeenTime = 1000;

    for (int tick = 1; tick <= 2; ++tick) checkForNewWorks(state, view);
    EXPECT_TRUE(folder.names().empty());
    EXPECT_EQ(state.downloadCount, 0);
    EXPECT_EQ(state.lastSeenTime, 1000);
    ASSERT_FALSE(view.statuses.empty());
    EXPECT_EQ(view.statuses.back(), Status::kDownloadFailed);
    EXPECT_EQ(state.failedTries[link], 2) << "tried again at the next tick";
    for (const RecordedRequest& request : server.requests()) {
      EXPECT_EQ(request.header("X-Injected"), "") << request.raw;
      EXPECT_EQ(request.requestLine.find("/media/"), std::string::npos)
          << "the media request never went out";
      if (!c.coverTail.empty()) {
        EXPECT_EQ(request.requestLine.find("/work/"), std::string::npos)
            << "nor the work page's";
      }
    }
  }
}

// --- Work pages ----------------------------------------------------------

TEST(HostileWorkPageTest, NamesAreCleanedAndStayInTheOutputFolder) {
  // Every byte from 0x01 to 0x7F; the song field cannot hold the double
  // quote, which ends it on the page.
  std::string everyByte;
  for (int b = 0x01; b <= 0x7F; ++b) everyByte += static_cast<char>(b);
  std::string everyButQuote = everyByte;
  everyButQuote.erase(everyButQuote.find('"'), 1);
  // What is left once the nine characters and the bytes below 0x20 are gone.
  const std::string cleaned =
      " !#$%&'()+,-.0123456789;=@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]^_`"
      "abcdefghijklmnopqrstuvwxyz{}~\x7F";
  struct Case {
    const char* name;
    Text note;
    Text song;
    Text nick;
    std::string file;
  };
  const std::vector<Case> cases = {
      {"singer note of every byte", everyByte, "song", "",
       cleaned + " - song.m4a"},
      {"song name of every byte", "", everyButQuote, "nick",
       "nick - " + cleaned + ".m4a"},
      {"nickname of every byte", "", "song", everyButQuote,
       cleaned + " - song.m4a"},
      // Leading dots go; what is left of "../" stays inside the folder.
      {"names of dots and slashes", "", "../../x", "../..", " - ....x.m4a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder root;
    const std::string out = root.path() + "/out";
    ASSERT_EQ(::mkdir(out.c_str(), 0700), 0);
    FakeNet net;
    FakeView view;
    view.note = c.note;
    WatchState state;
    state.net = &net;
    state.outputFolder = out;
    state.lastSeenTime = 1000;
    net.homepage = bytesOf(homepageFor(
        {{"/w", "1100"}, {"/o1", "900"}, {"/o2", "800"}, {"/o3", "700"}}));
    net.workPages["/w"] = workPageFor("/m", c.song, c.nick);
    net.media["/m"] = {200, bytesOf("bytes")};

    checkForNewWorks(state, view);
    EXPECT_EQ(namesIn(out), std::vector<std::string>{c.file});
    EXPECT_EQ(root.names(), std::vector<std::string>{"out"})
        << "nothing outside the output folder";
    EXPECT_EQ(state.downloadCount, 1);
  }
}

TEST(HostileWorkPageTest, TenKilobyteSongNameIsCutAtACharacterBoundary) {
  // 歌 (two bytes in GBK, three in UTF-8) and ASCII in turn, so the cut can
  // land in the middle of a character unless it looks for its start.
  Text song;
  while (song.size() < 10 * 1024) song += "\xB8\xE8x";
  FakeNet net;
  FakeView view;
  ScratchFolder folder;
  WatchState state;
  state.net = &net;
  state.outputFolder = folder.path();
  state.lastSeenTime = 1000;
  net.homepage = bytesOf(homepageFor(
      {{"/w1", "1100"}, {"/w2", "1200"}, {"/o2", "800"}, {"/o3", "700"}}));
  // Two recordings of the same song: the second gets " (2)" within the
  // limit too.
  net.workPages["/w1"] = workPageFor("/m1", song, kSingerGbk);
  net.workPages["/w2"] = workPageFor("/m2", song, kSingerGbk);
  net.media["/m1"] = {200, bytesOf("first")};
  net.media["/m2"] = {200, bytesOf("second")};

  checkForNewWorks(state, view);
  std::vector<std::string> names = folder.names();
  ASSERT_EQ(names.size(), 2u);
  const std::string prefix = kSingerUtf8 + " - \xE6\xAD\x8Cx\xE6\xAD\x8C";
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    EXPECT_LE(name.size(), kMaxWorkFileNameBytes);
    EXPECT_LE(name.size() + 1 + platform::kTempNameExtraBytes,
              platform::kMaxFileNameBytes)
        << "its temporary name fits as well";
    EXPECT_TRUE(isUtf8(name)) << "cut at a character boundary";
    // Within three bytes of the limit: no more was cut than a character.
    EXPECT_GT(name.size() + 3, kMaxWorkFileNameBytes);
    EXPECT_EQ(name.rfind(prefix, 0), 0u);
  }
  EXPECT_EQ(names[0].substr(names[0].size() - 8), " (2).m4a");
  EXPECT_EQ(names[1].substr(names[1].size() - 5), "x.m4a");
  EXPECT_EQ(folder.read(names[1]), "first");
  EXPECT_EQ(folder.read(names[0]), "second");
  EXPECT_EQ(state.downloadCount, 2);
}

TEST(HostileWorkPageTest, TenKilobyteSingerNoteLeavesNoRoomForTheSong) {
  Text note;
  while (note.size() < 10 * 1024) note += "x\xB8\xE8";
  FakeNet net;
  FakeView view;
  view.note = note;
  ScratchFolder folder;
  WatchState state;
  state.net = &net;
  state.outputFolder = folder.path();
  state.lastSeenTime = 1000;
  net.homepage = bytesOf(homepageFor(
      {{"/w", "1100"}, {"/o1", "900"}, {"/o2", "800"}, {"/o3", "700"}}));
  net.workPages["/w"] = workPageFor("/m", "song", "nick");
  net.media["/m"] = {200, bytesOf("bytes")};
  checkForNewWorks(state, view);
  std::vector<std::string> names = folder.names();
  ASSERT_EQ(names.size(), 1u);
  const std::string& name = names[0];
  EXPECT_LE(name.size(), kMaxWorkFileNameBytes);
  EXPECT_GT(name.size() + 3, kMaxWorkFileNameBytes);
  EXPECT_TRUE(isUtf8(name)) << "cut at a character boundary";
  EXPECT_EQ(name.rfind("x\xE6\xAD\x8Cx", 0), 0u);
  EXPECT_EQ(name.substr(name.size() - 7), " - .m4a") << "the song gives way";
  EXPECT_EQ(folder.read(name), "bytes");
}

TEST(HostileWorkPageTest, PageWithoutAnyMarkerFailsUntilItIsGivenUp) {
  FakeNet net;
  FakeView view;
  ScratchFolder folder;
  WatchState state;
  state.net = &net;
  state.outputFolder = folder.path();
  state.lastSeenTime = 1000;
  net.homepage = bytesOf(homepageFor(
      {{"/w", "1100"}, {"/o1", "900"}, {"/o2", "800"}, {"/o3", "700"}}));
  net.workPages["/w"] = "<html><body>nothing to read here</body></html>";
  for (int tick = 1; tick <= kMaxTriesPerWork + 2; ++tick) {
    checkForNewWorks(state, view);
  }
  EXPECT_EQ(net.fetchedWorkPages.size(),
            static_cast<std::size_t>(kMaxTriesPerWork));
  EXPECT_TRUE(net.fetchedMedia.empty()) << "no media address, no request";
  EXPECT_TRUE(folder.names().empty());
  EXPECT_EQ(state.downloadCount, 0);
  EXPECT_EQ(state.lastSeenTime, 1000);
  ASSERT_FALSE(view.statuses.empty());
  EXPECT_EQ(view.statuses.back(), Status::kDownloadFailed);
}

TEST(HostileWorkPageTest, UnknownCharsetLeavesThePageUndecoded) {
  // Names the pattern reads but no converter answers to; each leaves the
  // page as it came.
  const std::vector<std::string> names = {"x-no-such-charset",
                                          std::string(300, 'a'), "-", "_"};
  for (const std::string& charset : names) {
    SCOPED_TRACE(charset);
    const std::string page = "<html><head><meta charset=\"" + charset +
                             "\"></head>\xE6\xAD\x8C \xFF\xFE</html>";
    RegexObject regex;
    EXPECT_EQ(decodeBodyText(bytesOf(page), regex), page);
  }

  // The nickname is UTF-8 bytes that no decoder touched.
  const std::string body =
      "<html><head><meta charset=\"x-no-such-charset\"></head><script>var d "
      "= {\"playurl\":\"MEDIA\",\"song_name\":\"plain\",\"nick\":\"" +
      kSingerUtf8 + "\"};</script></html>";
  FixtureServer server;
  ScratchFolder folder;
  std::string workPage = body;
  workPage.replace(workPage.find("MEDIA"), 5, server.url("/media/new"));
  server.route("/singer", page(homepageFor({{server.url("/work/new"), "1100"},
                                            {server.url("/work/o1"), "900"},
                                            {server.url("/work/o2"), "800"},
                                            {server.url("/work/o3"), "700"}})));
  server.route("/work/new", page(workPage));
  server.route("/media/new", page("the media", "audio/mp4"));
  FakeView view;
  view.address = server.url("/singer");
  WatchState state;
  state.outputFolder = folder.path();
  state.lastSeenTime = 1000;
  checkForNewWorks(state, view);
  // The six UTF-8 bytes of 歌手 taken as GBK are 姝屾墜.
  const std::string name = "\xE5\xA7\x9D\xE5\xB1\xBE\xE5\xA2\x9C - plain.m4a";
  EXPECT_EQ(folder.names(), std::vector<std::string>{name});
  EXPECT_EQ(folder.read(name), "the media");
}

}  // namespace
}  // namespace lirabel::testing
