#include "web/header_cookie.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lirabel {
namespace {

enum class Routine {
  kNormalizeHeaders,   // a -> result
  kHeaderName,         // a -> result
  kHeaderValue,        // a -> result
  kTextBefore,         // a, b (separator) -> result
  kCollectSetCookies,  // a -> result
  kMergeCookies,       // a (current), b (incoming) -> result; current, incoming
  kRemoveDuplicates,   // a, b (separator) -> result
  kCapitalizeFirst,    // a -> result
  kCookieName,         // a -> result
};

struct Case {
  const char* name;
  Routine routine;
  Text a;
  Text b;
  Text expected;
  // mergeCookies only: what the incoming argument holds afterwards.
  Text expectedIncoming = {};
};

// Full-width space of the local code page.
const Text kWideSpace = "\xA1\xA1";

const std::vector<Case> kCases = {
    {"normalize: lower names, a line without colon and an empty line go",
     Routine::kNormalizeHeaders,
     "accept: */*\r\nuser-agent: X\r\nno colon here\r\n\r\nx-requested-with:1",
     "", "Accept: */*\r\nUser-Agent: X\r\nX-Requested-With:1"},
    {"normalize: upper-case letters are not lowered",
     Routine::kNormalizeHeaders, "ACCEPT-language: zh", "",
     "ACCEPT-Language: zh"},
    {"normalize: no colon at all gives empty", Routine::kNormalizeHeaders,
     "abc\r\ndef", "", ""},
    {"normalize: empty block", Routine::kNormalizeHeaders, "", "", ""},
    {"normalize: trailing CR LF leaves no empty line",
     Routine::kNormalizeHeaders, "a: 1\r\nb: 2\r\n", "", "A: 1\r\nB: 2"},
    {"normalize: trailing dash of the name comes back",
     Routine::kNormalizeHeaders, "x-: v", "", "X-: v"},
    {"normalize: two dashes", Routine::kNormalizeHeaders, "a--b: v", "",
     "A--B: v"},
    {"normalize: space before the name leaves the line alone",
     Routine::kNormalizeHeaders, " accept: x", "", " accept: x"},
    {"normalize: value and spaces after the colon untouched",
     Routine::kNormalizeHeaders, "cookie:  a=b; c-d=e", "",
     "Cookie:  a=b; c-d=e"},
    {"normalize: a double-byte name start is not touched",
     Routine::kNormalizeHeaders, "\xB0\xA1-x: 1", "", "\xB0\xA1-X: 1"},

    {"headerName: space before colon", Routine::kHeaderName, "Host :  a:b", "",
     "Host"},
    {"headerValue: further colons kept", Routine::kHeaderValue, "Host :  a:b",
     "", "a:b"},
    {"headerValue: time value", Routine::kHeaderValue, "Time: 12:30", "",
     "12:30"},
    {"headerName: no colon", Routine::kHeaderName, "no colon", "", ""},
    {"headerValue: no colon", Routine::kHeaderValue, "no colon", "", ""},
    {"headerValue: full-width spaces trimmed", Routine::kHeaderValue,
     "A:" + kWideSpace + "v" + kWideSpace, "", "v"},
    {"headerValue: tab is no space", Routine::kHeaderValue, "A:\tv", "", "\tv"},

    {"textBefore: Set-Cookie line", Routine::kTextBefore, "Set-Cookie: a=1",
     ": ", "Set-Cookie"},
    {"textBefore: separator absent", Routine::kTextBefore, "abc", ": ", ""},
    {"textBefore: separator at the start", Routine::kTextBefore, ": x", ": ",
     ""},

    {"collect: only exact Set-Cookie lines, attributes dropped",
     Routine::kCollectSetCookies,
     "Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\nset-cookie: "
     "c=3\r\nContent-Type: text/html",
     "", "a=1; b=2"},
    {"collect: no Set-Cookie line", Routine::kCollectSetCookies,
     "Content-Type: text/html\r\nServer: x", "", ""},
    {"collect: duplicates kept in response order", Routine::kCollectSetCookies,
     "Set-Cookie: b=2\r\nSet-Cookie: b=2", "", "b=2; b=2"},
    {"collect: no space after the colon is not taken",
     Routine::kCollectSetCookies, "Set-Cookie:a=1", "", ""},

    {"merge: incoming replaces, old ones follow", Routine::kMergeCookies,
     "a=1; b=2", "b=3; c=4", "b=3; c=4; a=1", "b=3;c=4"},
    {"merge: deleted cookie removes the old one and itself",
     Routine::kMergeCookies, "a=1; b=2", "b=deleted", "a=1", "b=deleted"},
    {"merge: spaces inside values removed", Routine::kMergeCookies, "a=x y", "",
     "a=xy", ""},
    {"merge: full-width spaces removed too", Routine::kMergeCookies,
     "a=x" + kWideSpace + "y", "", "a=xy", ""},
    {"merge: exact duplicates dropped", Routine::kMergeCookies, "", "a=1; a=1",
     "a=1", "a=1;a=1"},
    {"merge: same name, other value both stay", Routine::kMergeCookies, "",
     "a=1; a=2", "a=1; a=2", "a=1;a=2"},
    {"merge: empty item between two semicolons carried along",
     Routine::kMergeCookies, "x=9;;b=2", "", "x=9; ; b=2", ""},
    {"merge: two empty texts", Routine::kMergeCookies, "", "", "", ""},
    {"merge: of several old items of one name only the first survives",
     Routine::kMergeCookies, "a=1; a=2; b=3", "", "a=1; b=3", ""},

    {"removeDuplicates: exact repeats go", Routine::kRemoveDuplicates,
     "a=1; b=2; a=1", "; ", "a=1; b=2"},
    {"removeDuplicates: empty text", Routine::kRemoveDuplicates, "", "; ", ""},

    {"capitalizeFirst: ASCII letter", Routine::kCapitalizeFirst, "abc", "",
     "Abc"},
    {"capitalizeFirst: empty", Routine::kCapitalizeFirst, "", "", ""},
    {"capitalizeFirst: double-byte start", Routine::kCapitalizeFirst,
     "\xB0\xA1x", "", "\xB0\xA1x"},

    {"cookieName: trimmed name", Routine::kCookieName, " a =1", "", "a"},
    {"cookieName: no '=' is all name", Routine::kCookieName, "flag", "",
     "flag"},
};

TEST(HeaderCookieTest, Examples) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    switch (c.routine) {
      case Routine::kNormalizeHeaders:
        EXPECT_EQ(normalizeHeaders(c.a), c.expected);
        break;
      case Routine::kHeaderName:
        EXPECT_EQ(headerName(c.a), c.expected);
        break;
      case Routine::kHeaderValue:
        EXPECT_EQ(headerValue(c.a), c.expected);
        break;
      case Routine::kTextBefore:
        EXPECT_EQ(textBefore(c.a, c.b), c.expected);
        break;
      case Routine::kCollectSetCookies:
        EXPECT_EQ(collectSetCookies(c.a), c.expected);
        break;
      case Routine::kMergeCookies: {
        Text current = c.a;
        Text incoming = c.b;
        EXPECT_EQ(mergeCookies(current, incoming), c.expected);
        EXPECT_EQ(current, c.expected) << "current after the merge";
        EXPECT_EQ(incoming, c.expectedIncoming) << "incoming after the merge";
        break;
      }
      case Routine::kRemoveDuplicates:
        EXPECT_EQ(removeDuplicateItems(c.a, c.b), c.expected);
        break;
      case Routine::kCapitalizeFirst:
        EXPECT_EQ(capitalizeFirst(c.a), c.expected);
        break;
      case Routine::kCookieName:
        EXPECT_EQ(cookieName(c.a), c.expected);
        break;
    }
  }
}

TEST(HeaderCookieTest, TextBeforeCountsFromTheStartOfTheText) {
  // The search begins at 5, past the first ':', but the result still starts
  // at the first byte.
  EXPECT_EQ(textBefore("a:b-c:d", ":", 5), "a:b-c");
  EXPECT_EQ(textBefore("a:b", ":", 0), "a") << "start 0 counts as 1";
  EXPECT_EQ(textBefore("ABC: x", "c: ", 1, true), "AB");
  EXPECT_EQ(textBefore("ABC: x", "c: ", 1, false), "");
}

TEST(HeaderCookieTest, ListLookups) {
  const std::vector<Text> items = {"a=1", " b =2", "c"};
  EXPECT_TRUE(hasCookieName(items, "b"));
  EXPECT_TRUE(hasCookieName(items, "c"));
  EXPECT_FALSE(hasCookieName(items, "B")) << "names compare exactly";
  EXPECT_FALSE(hasCookieName({}, ""));
  EXPECT_EQ(indexOfItem({"x", "y", "y"}, "y"), 2);
  EXPECT_EQ(indexOfItem({"x"}, "X"), -1);
  EXPECT_EQ(indexOfItem({}, ""), -1);
}

}  // namespace
}  // namespace lirabel
