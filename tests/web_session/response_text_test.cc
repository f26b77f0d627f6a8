// Reading a response: status text, redirect target and cookies out of the
// raw header block, and page text out of the body by its meta charset.
#include "web/response_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/event_pump.h"
#include "tests/web_session/pump_counter.h"
#include "text/codepage.h"

namespace lirabel {
namespace {

Bytes bytesOf(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// GBK bytes of text written here in UTF-8.
std::string gbk(const std::string& utf8) { return utf8ToLocal(bytesOf(utf8)); }

TEST(ParseResponseHeadersTest, StatusLocationAndCookies) {
  struct Case {
    const char* name;
    std::string block;
    std::string cookiesBefore;
    bool autoMerge;
    std::string status;
    std::string location;  // "keep" when it keeps its value
    std::string returned;
    std::string cookiesAfter;
    int lines;  // lines of the block, each one lets events through
  };
  const std::vector<Case> cases = {
      // The last Location line wins, whatever its ASCII case.
      {"redirect",
       "HTTP/1.1 302 Found\r\nLocation: /next\r\nlocation: /other\r\n", "",
       true, "302 Found", "/other", "", "", 3},
      // Only the status line: location untouched, cookies replaced by none.
      {"status line only", "HTTP/1.1 200 OK\r\n", "", true, "200 OK", "keep",
       "", "", 1},
      {"no line end at all", "HTTP/1.1 200 OK", "", true, "", "keep", "", "",
       1},
      // The value is taken untrimmed; without the space it is no match.
      {"location forms",
       "HTTP/1.1 301 Moved\r\nLOCATION:  /a \r\nLocation:/b\r\n", "", true,
       "301 Moved", " /a ", "", "", 3},
      {"set-cookie lines",
       "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"
       "set-cookie: c=3\r\n",
       "", true, "200 OK", "keep", "a=1; b=2", "", 4},
      // Merged into the caller's cookies, both end alike.
      {"merged", "HTTP/1.1 200 OK\r\nSet-Cookie: b=2\r\n", "a=1", true,
       "200 OK", "keep", "b=2; a=1", "b=2; a=1", 2},
      {"merge off", "HTTP/1.1 200 OK\r\nSet-Cookie: b=2\r\n", "a=1", false,
       "200 OK", "keep", "b=2", "a=1", 2},
      {"404 reason as worded", "HTTP/1.1 404 Not Found\r\nX: y\r\n", "", true,
       "404 Not Found", "keep", "", "", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Text cookies = c.cookiesBefore;
    Text returned = "old=1";
    Text location = "keep";
    Text status = "before";
    PumpCounter pumps;
    parseResponseHeaders(c.block, cookies, returned, location, status,
                         c.autoMerge);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(location, c.location);
    EXPECT_EQ(returned, c.returned);
    EXPECT_EQ(cookies,
              c.cookiesAfter.empty() ? c.cookiesBefore : c.cookiesAfter);
    EXPECT_EQ(pumps.count(), c.lines);
  }
}

TEST(DecodeBodyTextTest, MetaCharsetDecidesTheDecoding) {
  const std::string chinese = "中文歌曲，欢迎";  // UTF-8 here
  const std::string padding(1100, ' ');
  struct Case {
    const char* name;
    std::string body;
    std::string page;
  };
  const std::vector<Case> cases = {
      {"utf-8 page decoded",
       "<html><head><meta charset=\"utf-8\"></head><body>" + chinese +
           "</body>",
       gbk("<html><head><meta charset=\"utf-8\"></head><body>" + chinese +
           "</body>")},
      // gb2312 in lower case is taken as local text, byte for byte.
      {"gb2312 left as it is",
       "<META http-equiv=\"Content-Type\" content=\"text/html; "
       "charset=gb2312\">" +
           gbk(chinese),
       "<META http-equiv=\"Content-Type\" content=\"text/html; "
       "charset=gb2312\">" +
           gbk(chinese)},
      // In capitals it is decoded, as GBK, to the same text.
      {"GB2312 decoded to the same",
       "<META http-equiv=\"Content-Type\" content=\"text/html; "
       "charset=GB2312\">" +
           gbk(chinese),
       "<META http-equiv=\"Content-Type\" content=\"text/html; "
       "charset=GB2312\">" +
           gbk(chinese)},
      {"big5 decoded", "<meta charset='big5'>\xA4\xA4\xA4\xE5",
       gbk("<meta charset='big5'>中文")},
      // Beyond the first 1024 bytes the declaration is not seen.
      {"declaration too far down",
       padding + "<meta charset=\"utf-8\">" + chinese,
       padding + "<meta charset=\"utf-8\">" + chinese},
      {"no declaration, zero byte cuts",
       std::string("<p>before\0after</p>", 19), "<p>before"},
      {"decoded page cut at a zero byte too",
       std::string("<meta charset=utf-8>a\0b", 23), "<meta charset=utf-8>a"},
      // A character set no converter knows leaves the page undecoded.
      {"unknown character set", "<meta charset=\"x-no-such-set\">" + chinese,
       "<meta charset=\"x-no-such-set\">" + chinese},
      {"empty body", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject regex;
    PumpCounter pumps;
    EXPECT_EQ(decodeBodyText(bytesOf(c.body), regex), c.page);
    // The search itself works for every page, so events go through once.
    EXPECT_EQ(pumps.count(), 1);
  }
}

}  // namespace
}  // namespace lirabel
