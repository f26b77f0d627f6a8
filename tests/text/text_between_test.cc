// Marker extraction and chained replacement, with the double-byte boundary
// cases that a byte-wise search would get wrong.
#include "text/text_between.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lirabel {
namespace {

constexpr char kPlaceholder[] = "#\xd2\xfd\xba\xc5";  // #引号
constexpr char kA[] = "\xb0\xa1";                     // 啊

TEST(TextBetween, Table) {
  struct Case {
    const char* name;
    std::string subject, start, end;
    int startPosition;
    bool ignoreCase;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"plain", "x[abc]y", "[", "]", 1, false, "abc"},
      {"start marker absent", "xabc]y", "[", "]", 1, false, ""},
      {"end marker absent after start", "]x[abc", "[", "]", 1, false, ""},
      {"end follows start directly", "x[]y", "[", "]", 1, false, ""},
      {"first start and first end after it", "[a][b]", "[", "]", 1, false, "a"},
      {"start position skips the first", "[a][b]", "[", "]", 2, false, "b"},
      {"start position below 1", "[a]", "[", "]", -3, false, "a"},
      {"start position past end", "[a]", "[", "]", 10, false, ""},
      {"quote placeholder in markers", "\"playurl\":\"http://h/x.m4a\",",
       std::string(kPlaceholder) + "playurl" + kPlaceholder + ":" +
           kPlaceholder,
       kPlaceholder, 1, false, "http://h/x.m4a"},
      {"literal placeholder in subject does not match",
       std::string("a") + kPlaceholder + "b\"c\"",
       std::string("a") + kPlaceholder, "\"", 1, false, ""},
      {"cookie line", "Set-Cookie: sid=1; path=/", "Set-Cookie:", ";", 1, false,
       " sid=1"},
      {"without case", "set-cookie: sid=1; path=/", "Set-Cookie:", ";", 1, true,
       " sid=1"},
      {"exact by default", "set-cookie: sid=1;", "Set-Cookie:", ";", 1, false,
       ""},
      {"chinese byte for byte", std::string(kA) + "x]", "\xb0\xa2", "]", 1,
       true, ""},
      // The start marker's bytes stand across two characters.
      {"across two characters", std::string(kA) + kA + "z]", "\xa1\xb0", "]", 1,
       false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(
        textBetween(c.subject, c.start, c.end, c.startPosition, c.ignoreCase),
        c.expected);
  }
}

// The nickname clean-up of the download step: two chained series.
Text cleanNickname(std::string_view nick) {
  const Text once = replaceSeries(
      nick, {{"\\", ""}, {"/", ""}, {":", ""}, {"*", ""}, {"?", ""}});
  return replaceSeries(once, {{"\"", ""}, {"<", ""}, {">", ""}, {"|", ""}});
}

TEST(ReplaceSeries, NicknameCleanUp) {
  struct Case {
    const char* name;
    std::string nick, expected;
  };
  const std::vector<Case> cases = {
      {"slash and colon", "a/b:c", "abc"},
      {"all nine", "\\/:*?\"<>|x", "x"},
      // 0x95 0x5C: the trail byte is a backslash; 0x81 0x7C hides a '|';
      // 0xB0 0x3F hides a '?'.
      {"trail byte backslash", "\x95\x5c", "\x95\x5c"},
      {"trail byte bar and question mark", "\x81\x7c\xb0\x3f/",
       "\x81\x7c\xb0\x3f"},
      {"chinese untouched", "\xd6\xd0\xce\xc4", "\xd6\xd0\xce\xc4"},
      {"empty", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(cleanNickname(c.nick), c.expected);
  }
}

TEST(ReplaceSeries, CountStartAndCase) {
  struct Case {
    const char* name;
    std::string subject;
    ReplaceSeriesOptions options;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"defaults", "a-b_a-b", {}, "ab ab"},
      {"count 1 per pair", "a-b_a-b", {1, 1, false}, "ab a-b"},
      {"count 0", "a-b_a-b", {0, 1, false}, "a-b_a-b"},
      {"negative count", "a-b_a-b", {-2, 1, false}, "ab ab"},
      {"start 3 keeps first two bytes",
       "-_a-b_",
       {kUnlimited, 3, false},
       "-_ab "},
      {"start 0 is 1", "-x", {kUnlimited, 0, false}, "x"},
      {"start past end", "a-b", {kUnlimited, 9, false}, "a-b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(replaceSeries(c.subject, {{"-", ""}, {"_", " "}}, c.options),
              c.expected);
  }
}

TEST(ReplaceSeries, PairsChainAndCaseRule) {
  // Each pair works on the result of the one before.
  EXPECT_EQ(replaceSeries("abc", {{"a", "b"}, {"bb", "x"}}), "xc");
  // An empty find text changes nothing, but later pairs still run.
  EXPECT_EQ(replaceSeries("abc", {{"", "z"}, {"c", "d"}}), "abd");
  // Without case by default; exact when asked.
  EXPECT_EQ(replaceSeries("aAb", {{"a", ""}}), "b");
  EXPECT_EQ(replaceSeries("aAb", {{"a", ""}}, {kUnlimited, 1, true}), "Ab");
  // Pairs beyond the fifth are ignored.
  EXPECT_EQ(
      replaceSeries(
          "abcdefg",
          {{"a", ""}, {"b", ""}, {"c", ""}, {"d", ""}, {"e", ""}, {"f", ""}}),
      "fg");
}

}  // namespace
}  // namespace lirabel
