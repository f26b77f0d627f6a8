// RegexObject: the option defaults, the dialect the three patterns of the
// program rely on, 1-based access with empty results, and GBK subjects.
#include "text/regex_object.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lirabel {
namespace {

constexpr char kLinkPattern[] =
    "<a href=\"(.*?)\" class=\"mod_playlist__cover\"";
constexpr char kTimePattern[] = "time\":(.*?),";
constexpr char kCharsetPattern[] = "<meta.+?charset=[^\\w]?([-\\w]+)";
constexpr char kZhong[] = "\xd6\xd0";  // 中
constexpr char kWen[] = "\xce\xc4";    // 文

TEST(RegexObject, NewObjectReadsEmpty) {
  RegexObject regex;
  int position = 7;
  EXPECT_EQ(regex.matchCount(), 0);
  EXPECT_EQ(regex.subMatchCount(), 0);
  EXPECT_EQ(regex.matchText(1, &position), "");
  EXPECT_EQ(position, -1);
  EXPECT_EQ(regex.subMatchText(1, 1), "");
  EXPECT_EQ(regex.patternText(), "");
  EXPECT_EQ(regex.replaceMatches("x"), "");
}

TEST(RegexObject, NoMatchIsASuccessfulSearch) {
  RegexObject regex;
  EXPECT_TRUE(regex.search("(z+)", "abc"));
  EXPECT_EQ(regex.matchCount(), 0);
  EXPECT_EQ(regex.matchText(1), "");
  EXPECT_EQ(regex.subMatchText(1, 1), "");
  EXPECT_EQ(regex.subMatchCount(), 0);
}

TEST(RegexObject, PatternThatDoesNotCompile) {
  const std::vector<std::string> patterns = {"(abc", "a[b", "*a", "a{2,1}"};
  for (const auto& pattern : patterns) {
    SCOPED_TRACE(pattern);
    RegexObject regex;
    EXPECT_FALSE(regex.search(pattern, "abc (abc a[b"));
    EXPECT_EQ(regex.matchCount(), 0);
    EXPECT_EQ(regex.matchText(1), "");
    EXPECT_EQ(regex.patternText(), pattern);
    EXPECT_EQ(regex.replaceMatches("x"), "");
    // Still usable afterwards.
    EXPECT_TRUE(regex.search("b", "abc"));
    EXPECT_EQ(regex.matchCount(), 1);
  }
}

TEST(RegexObject, IndexesOutOfRangeGiveEmpty) {
  RegexObject regex;
  ASSERT_TRUE(regex.search("(\\d)(x)?", "a1b2"));
  ASSERT_EQ(regex.matchCount(), 2);
  struct Case {
    const char* name;
    int match, group;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"first match first group", 1, 1, "1"},
      {"second match first group", 2, 1, "2"},
      {"match 0", 0, 1, ""},
      {"negative match", -1, 1, ""},
      {"match past the end", 3, 1, ""},
      {"group 0", 1, 0, ""},
      {"negative group", 1, -2, ""},
      {"group past the end", 1, 3, ""},
      {"group that took no part", 1, 2, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int position = 99;
    EXPECT_EQ(regex.subMatchText(c.match, c.group, &position), c.expected);
    if (c.expected.empty()) {
      EXPECT_EQ(position, -1);
    }
  }
  EXPECT_EQ(regex.matchText(0), "");
  EXPECT_EQ(regex.matchText(-5), "");
  EXPECT_EQ(regex.matchText(3), "");
  EXPECT_EQ(regex.matchText(2), "2");
  EXPECT_EQ(regex.subMatchCount(), 2);
}

TEST(RegexObject, OptionsAndDialect) {
  struct Case {
    const char* name;
    std::string pattern, subject;
    bool caseSensitive, multiLine, global;
    std::vector<std::string> matches;
  };
  const std::vector<Case> cases = {
      {"case ignored by default", "abc", "xABCx", false, true, true, {"ABC"}},
      {"case-sensitive", "abc", "xABCx", true, true, true, {}},
      {"global by default",
       "a.",
       "a1a2a3",
       false,
       true,
       true,
       {"a1", "a2", "a3"}},
      {"first match only", "a.", "a1a2a3", false, true, false, {"a1"}},
      {"caret at each line", "^b.", "ab1\nb2", false, true, true, {"b2"}},
      {"caret at start only", "^b.", "b0\nb2", false, false, true, {"b0"}},
      {"dollar at each line end",
       "\\d$",
       "1\n2",
       false,
       true,
       true,
       {"1", "2"}},
      {"dollar at the very end only", "\\d$", "1\n2\n", false, false, true, {}},
      {"dot stops at line feed", "a.*b", "a\nb", false, true, true, {}},
      {"dot takes carriage return", "a.b", "a\rb", false, true, true, {"a\rb"}},
      {"lazy quantifier",
       "<(.+?)>",
       "<a><b>",
       false,
       true,
       true,
       {"<a>", "<b>"}},
      // \w is ASCII only: a Chinese character is not a word character.
      {"word class ascii",
       "\\w+",
       std::string("ab") + kZhong + "c_9",
       false,
       true,
       true,
       {"ab", "c_9"}},
      {"not word class takes chinese",
       "[^\\w]",
       std::string("a") + kZhong,
       false,
       true,
       true,
       {kZhong}},
      {"dot is one chinese character",
       ".",
       std::string(kZhong) + kWen,
       false,
       true,
       true,
       {kZhong, kWen}},
      {"class of chinese",
       std::string("[") + kZhong + "]+",
       std::string("a") + kZhong + kZhong + kWen,
       false,
       true,
       true,
       {std::string(kZhong) + kZhong}},
      {"empty matches step on", "x*", "ab", false, true, true, {"", "", ""}},
      {"unicode escape",
       "\\u4e2d",
       std::string("a") + kZhong,
       false,
       true,
       true,
       {kZhong}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject regex;
    ASSERT_TRUE(regex.search(c.pattern, c.subject, c.caseSensitive, c.multiLine,
                             c.global));
    std::vector<std::string> found;
    for (int i = 1; i <= regex.matchCount(); ++i) {
      found.push_back(regex.matchText(i));
    }
    EXPECT_EQ(found, c.matches);
  }
}

TEST(RegexObject, HomepagePatterns) {
  const std::string page =
      "<li><a href=\"https://h/s/1\" class=\"mod_playlist__cover\">"
      "\xb8\xe8</a>\n"
      "<a href=\"https://h/s/2\" CLASS=\"mod_playlist__cover\">\n"
      // Opening and closing parts on two lines: not a link.
      "<a href=\"https://h/s/x\"\n class=\"mod_playlist__cover\">\n"
      "{\"time\":1571234567,\"t\":1},{\"time\": 42,}\n";
  RegexObject links;
  links.search(kLinkPattern, page);
  ASSERT_EQ(links.matchCount(), 2);
  EXPECT_EQ(links.subMatchText(1, 1), "https://h/s/1");
  EXPECT_EQ(links.subMatchText(2, 1), "https://h/s/2");
  RegexObject times;
  times.search(kTimePattern, page);
  ASSERT_EQ(times.matchCount(), 2);
  EXPECT_EQ(times.subMatchText(1, 1), "1571234567");
  EXPECT_EQ(times.subMatchText(2, 1), " 42");
}

TEST(RegexObject, CharsetPattern) {
  struct Case {
    const char* name;
    std::string head, charset;
  };
  const std::vector<Case> cases = {
      {"meta charset", "<html><head><meta charset=\"utf-8\">", "utf-8"},
      {"content type in capitals",
       "<META http-equiv=\"Content-Type\" content=\"text/html; "
       "charset=GB2312\">",
       "GB2312"},
      {"no quote", "<meta charset=gbk>", "gbk"},
      {"underscore and digits", "<meta charset='x_mac-936'>", "x_mac-936"},
      {"no meta", "<head><title>charset=utf-8</title>", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject regex;
    ASSERT_TRUE(regex.search(kCharsetPattern, c.head));
    EXPECT_EQ(regex.subMatchText(1, 1), c.charset);
  }
}

TEST(RegexObject, QuotePlaceholder) {
  const std::string pattern = "href=#\xd2\xfd\xba\xc5(.*?)#\xd2\xfd\xba\xc5";
  const std::string subject = "<a href=\"u1\">";
  RegexObject on;
  ASSERT_TRUE(on.search(pattern, subject, false, true, true, true));
  EXPECT_EQ(on.patternText(), "href=\"(.*?)\"");
  EXPECT_EQ(on.subMatchText(1, 1), "u1");
  RegexObject off;
  ASSERT_TRUE(off.search(pattern, subject));
  EXPECT_EQ(off.patternText(), pattern);
  EXPECT_EQ(off.matchCount(), 0);
}

TEST(RegexObject, SecondSearchReplacesTheFirst) {
  RegexObject regex;
  ASSERT_TRUE(regex.search("(a)(b)", "ab ab ab"));
  ASSERT_EQ(regex.matchCount(), 3);
  ASSERT_TRUE(regex.search("z", "xzx"));
  EXPECT_EQ(regex.matchCount(), 1);
  EXPECT_EQ(regex.matchText(1), "z");
  EXPECT_EQ(regex.subMatchCount(), 0);
  EXPECT_EQ(regex.subMatchText(1, 1), "");
  EXPECT_EQ(regex.replaceMatches("y"), "xyx");
  // A failed search leaves nothing of the one before either.
  EXPECT_FALSE(regex.search("(", "xzx"));
  EXPECT_EQ(regex.matchCount(), 0);
  EXPECT_EQ(regex.matchText(1), "");
}

TEST(RegexObject, ReplaceMatches) {
  struct Case {
    const char* name;
    std::string pattern, subject, replacement;
    bool global;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"group references", "(\\d+)-(\\d+)", "1-2 3-4", "$2-$1", true,
       "2-1 4-3"},
      {"first only", "(\\d+)-(\\d+)", "1-2 3-4", "$2-$1", false, "2-1 3-4"},
      {"braced reference and dollar", "(b)", "abc", "${1}$$", true, "ab$c"},
      {"unset group is empty", "(x)?b", "ab", "[$1]", true, "a[]"},
      {"missing group is empty", "b", "ab", "[$3]", true, "a[]"},
      {"chinese kept whole", ".", std::string(kZhong) + "a", "<$0>", true,
       std::string("<") + kZhong + "><a>"},
      {"no match", "z", "abc", "y", true, "abc"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RegexObject regex;
    ASSERT_TRUE(regex.search(c.pattern, c.subject, false, true, c.global));
    EXPECT_EQ(regex.replaceMatches(c.replacement), c.expected);
  }
}

TEST(RegexObject, PositionsAreByteOffsetsIntoTheSubject) {
  // 中 a 文 b: bytes 0-1, 2, 3-4, 5.
  const std::string subject = std::string(kZhong) + "a" + kWen + "b";
  RegexObject regex;
  ASSERT_TRUE(regex.search("(.)b|a", subject));
  ASSERT_EQ(regex.matchCount(), 2);
  int position = -2;
  EXPECT_EQ(regex.matchText(1, &position), "a");
  EXPECT_EQ(position, 2);
  EXPECT_EQ(regex.matchText(2, &position), std::string(kWen) + "b");
  EXPECT_EQ(position, 3);
  EXPECT_EQ(regex.subMatchText(2, 1, &position), kWen);
  EXPECT_EQ(position, 3);
  EXPECT_EQ(regex.subMatchText(1, 1, &position), "");
  EXPECT_EQ(position, -1);
  EXPECT_EQ(regex.matchText(3, &position), "");
  EXPECT_EQ(position, -1);
}

TEST(RegexObject, SubjectCutInsideACharacter) {
  // The charset scan reads the first 1024 bytes, which may end on a lead
  // byte.
  const std::string subject =
      std::string("<meta charset=gbk>") + kZhong + "\xd6";
  RegexObject regex;
  ASSERT_TRUE(regex.search(kCharsetPattern, subject));
  EXPECT_EQ(regex.subMatchText(1, 1), "gbk");
  ASSERT_TRUE(regex.search(".", subject));
  EXPECT_GE(regex.matchCount(), 20);
  EXPECT_EQ(regex.matchText(19), kZhong);
}

TEST(RegexObject, MovedObjectKeepsItsMatches) {
  RegexObject first;
  ASSERT_TRUE(first.search("b+", "abbc"));
  RegexObject second(std::move(first));
  EXPECT_EQ(second.matchText(1), "bb");
  RegexObject third;
  third = std::move(second);
  EXPECT_EQ(third.matchCount(), 1);
}

}  // namespace
}  // namespace lirabel
