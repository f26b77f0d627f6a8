// The primitives' rules on GBK bytes: 1-based positions, -1 for a failed
// search, searches that only match where a character starts, ASCII-only case
// folding and the two spaces.
#include "text/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lirabel {
namespace {

// GBK bytes of a few characters used below.
constexpr char kA[] = "\xb0\xa1";          // 啊
constexpr char kFullSpace[] = "\xa1\xa1";  // full-width space
constexpr char kZhong[] = "\xd6\xd0";      // 中
// A double-byte character whose trail byte is the ASCII letter 'A'.
constexpr char kTrailA[] = "\x81\x41";

struct FindCase {
  const char* name;
  std::string text;
  std::string searched;
  int start;
  bool ignoreCase;
  int expected;
};

TEST(FindText, Table) {
  const std::vector<FindCase> cases = {
      // The empty text is found at 1 wherever the rest is not empty.
      {"empty in abc", "abc", "", 1, false, 1},
      {"empty in abc from 2", "abc", "", 2, false, 1},
      {"empty in abc from 3", "abc", "", 3, false, 1},
      {"empty in abc from 4", "abc", "", 4, false, -1},
      {"empty in empty", "", "", 1, false, -1},
      {"c in abc from 4", "abc", "c", 4, false, -1},
      {"c in abc from 3", "abc", "c", 3, false, 3},
      {"start below 1 counts as 1", "abc", "a", -7, false, 1},
      {"first occurrence at or after start", "abcabc", "bc", 3, false, 5},
      {"needle longer than rest", "abc", "bcd", 1, false, -1},
      // The bytes A1 B0 stand at position 2 but across two characters.
      {"across two characters", std::string(kA) + kA, "\xa1\xb0", 1, false, -1},
      {"whole character", std::string(kA) + kZhong, kZhong, 1, false, 3},
      // An ASCII byte that is the trail of a double-byte character.
      {"trail byte A not a match", std::string("x") + kTrailA + "A", "A", 1,
       false, 4},
      {"trail byte A without case", std::string("x") + kTrailA + "a", "A", 1,
       true, 4},
      {"set-cookie without case", "Set-Cookie: a", "set-cookie:", 1, true, 1},
      {"set-cookie exact", "Set-Cookie: a", "set-cookie:", 1, false, -1},
      // Only ASCII letters fold; trail bytes must match exactly.
      {"double-byte no fold", std::string("\x81") + "a",
       std::string("\x81") + "A", 1, true, -1},
      {"start inside a character walks from there",
       std::string(kA) + "\xa1"
                         "b",
       "\xa1", 2, false, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(findText(c.text, c.searched, c.start, c.ignoreCase), c.expected);
  }
}

TEST(FindText, LongTextWithMixedCharactersMatchesOnlyAtCharacterStarts) {
  // Long enough for the block-wise walk; the trail bytes of the Chinese
  // characters form the needle across character boundaries many times.
  std::string text;
  for (int i = 0; i < 200; ++i) {
    text += std::string(40, 'x') + kA + kA +
            "\xb0"
            "y";
  }
  const std::string needle = "\xa1\xb0";
  EXPECT_EQ(findText(text, needle), -1);
  text += "z";
  text += needle;
  EXPECT_EQ(findText(text, needle), static_cast<int>(text.size()) - 1);
  // A lone lead byte before the needle swallows its first byte.
  std::string swallowed = std::string(33, 'a') +
                          "\x90"
                          "marker marker";
  EXPECT_EQ(findText(swallowed, "marker"), 35 + 7);
}

TEST(FindTextLast, Table) {
  const std::vector<FindCase> cases = {
      {"last of many", "abcabc", "bc", kEndOfText, false, 5},
      {"wholly before start", "abcabc", "bc", 6, false, 2},
      {"ends right before start", "abcabc", "bc", 7, false, 5},
      {"start 1 finds nothing", "abc", "a", 1, false, -1},
      {"start 0 finds nothing", "abc", "a", 0, false, -1},
      {"start past end is whole text", "abca", "a", 100, false, 4},
      {"empty needle", "abc", "", kEndOfText, false, 1},
      {"empty needle empty text", "", "", kEndOfText, false, -1},
      {"overlapping occurrences", "aaa", "aa", kEndOfText, false, 2},
      {"across two characters", std::string(kA) + kA, "\xa1\xb0", kEndOfText,
       false, -1},
      {"without case", "xABx", "ab", kEndOfText, true, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(findTextLast(c.text, c.searched, c.start, c.ignoreCase),
              c.expected);
  }
}

TEST(ReplaceText, Table) {
  struct Case {
    const char* name;
    std::string text, find, replacement;
    int start, count;
    bool caseSensitive;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"default without case", "aAa", "a", "", 1, kUnlimited, false, ""},
      {"case-sensitive", "aAa", "a", "", 1, kUnlimited, true, "A"},
      {"count 1", "abab", "ab", "x", 1, 1, false, "xab"},
      {"count 0", "abab", "ab", "x", 1, 0, false, "abab"},
      {"start 2 all", "abab", "ab", "x", 2, kUnlimited, false, "abx"},
      {"negative count is all", "abab", "ab", "x", 1, -3, false, "xx"},
      {"start below 1", "abab", "ab", "x", -5, kUnlimited, false, "xx"},
      {"start past end", "abab", "ab", "x", 9, kUnlimited, false, "abab"},
      {"empty find", "abab", "", "x", 1, kUnlimited, false, "abab"},
      {"empty text", "", "a", "x", 1, kUnlimited, false, ""},
      {"replacement not searched again", "aa", "a", "aa", 1, kUnlimited, false,
       "aaaa"},
      {"no overlap", "aaa", "aa", "b", 1, kUnlimited, false, "ba"},
      // The trail byte of 中 equals no ASCII; 0x81 0x41 hides an 'A'.
      {"trail byte kept", std::string(kTrailA) + "a", "a", "", 1, kUnlimited,
       false, kTrailA},
      {"across characters", std::string(kA) + kA, "\xa1\xb0", "", 1, kUnlimited,
       true, std::string(kA) + kA},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(replaceText(c.text, c.find, c.replacement, c.start, c.count,
                          c.caseSensitive),
              c.expected);
  }
}

TEST(SplitText, Table) {
  struct Case {
    const char* name;
    std::string text, delimiter;
    int maxParts;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"empty part inside, none after trailing",
       "a,,b,",
       ",",
       kAllParts,
       {"a", "", "b"}},
      {"leading delimiter", ",a", ",", kAllParts, {"", "a"}},
      {"empty text", "", ",", kAllParts, {}},
      {"only a delimiter", ",", ",", kAllParts, {""}},
      {"no delimiter", "abc", ",", kAllParts, {"abc"}},
      {"empty delimiter", "a,b", "", kAllParts, {"a,b"}},
      {"max parts", "a,b,c", ",", 2, {"a", "b"}},
      {"max parts 0", "a,b,c", ",", 0, {}},
      {"max parts negative", "a,b,c", ",", -1, {}},
      {"CRLF lines", "x\r\ny\r\n\r\nz", "\r\n", kAllParts, {"x", "y", "", "z"}},
      {"delimiter exact case", "aXbxc", "x", kAllParts, {"aXb", "c"}},
      {"no split inside a character",
       std::string(kA) + kA,
       "\xa1\xb0",
       kAllParts,
       {std::string(kA) + kA}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(splitText(c.text, c.delimiter, c.maxParts), c.expected);
  }
}

TEST(Spaces, TrimAndRemove) {
  struct Case {
    const char* name;
    std::string text, trimmed, removed;
  };
  const std::vector<Case> cases = {
      {"ascii spaces", "  a b  ", "a b", "ab"},
      {"tab kept", "\ta\t", "\ta\t", "\ta\t"},
      {"full-width at both ends", std::string(kFullSpace) + "a" + kFullSpace,
       "a", "a"},
      {"mixed", std::string(" ") + kFullSpace + " a " + kFullSpace + "b ",
       std::string("a ") + kFullSpace + "b", "ab"},
      {"only spaces", std::string(" ") + kFullSpace, "", ""},
      {"empty", "", "", ""},
      // 0xB0 0xA1 then 0xA1 0x41: the A1 A1 pair straddles two characters.
      {"no space across characters", "\xb0\xa1\xa1\x41", "\xb0\xa1\xa1\x41",
       "\xb0\xa1\xa1\x41"},
      {"trail A1 then full-width space", std::string("\xb0\xa1") + kFullSpace,
       "\xb0\xa1", "\xb0\xa1"},
      {"cr lf kept", "\r\nx\r\n", "\r\nx\r\n", "\r\nx\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(trimSpaces(c.text), c.trimmed);
    EXPECT_EQ(removeSpaces(c.text), c.removed);
  }
}

TEST(CompareText, Table) {
  struct Case {
    const char* name;
    std::string a, b;
    bool caseSensitive;
    int sign;
  };
  const std::vector<Case> cases = {
      {"equal", "abc", "abc", true, 0},
      {"case differs exact", "abc", "ABC", true, 1},
      {"case differs without case", "abc", "ABC", false, 0},
      {"prefix is smaller", "ab", "abc", false, -1},
      {"bytes unsigned", "\xb0\xa1", "a", true, 1},
      {"empty equals empty", "", "", false, 0},
      {"trail bytes not folded", "\x81\x41", "\x81\x61", false, -1},
      {"chinese equal", kZhong, kZhong, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int r = compareText(c.a, c.b, c.caseSensitive);
    EXPECT_EQ((r > 0) - (r < 0), c.sign);
  }
}

TEST(ToInt64, Table) {
  struct Case {
    const char* name;
    std::string text;
    std::int64_t expected;
  };
  const std::vector<Case> cases = {
      {"plain", "1571234567", 1571234567},
      {"spaces sign and trailing", "  -12abc", -12},
      {"no digits", "abc", 0},
      {"empty", "", 0},
      {"null", "null", 0},
      {"plus", "+42", 42},
      {"leading white space", "\t\n\r\v\f 7", 7},
      {"sign then space", "- 5", 0},
      // １２ in full width
      {"full-width digits", "\xa3\xb1\xa3\xb2", 12},
      {"full-width minus and mixed",
       "\xa3\xad"
       "1\xa3\xb0",
       -10},
      {"full-width plus",
       "\xa3\xab"
       "9",
       9},
      {"full-width space then digits",
       "\xa1\xa1"
       "33",
       33},
      {"other double-byte stops", std::string("4") + kZhong + "5", 4},
      {"int64 max", "9223372036854775807", INT64_MAX},
      {"int64 min", "-9223372036854775808", INT64_MIN},
      // 2^64 + 5 wraps around to 5.
      {"wraps beyond 64 bits", "18446744073709551621", 5},
      {"wraps to negative", "9223372036854775808", INT64_MIN},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(toInt64(c.text), c.expected);
  }
}

TEST(PartsAndConversions, LeftRightMid) {
  EXPECT_EQ(leftText("abc", 2), "ab");
  EXPECT_EQ(leftText("abc", 0), "");
  EXPECT_EQ(leftText("abc", -1), "");
  EXPECT_EQ(leftText("abc", 10), "abc");
  EXPECT_EQ(rightText("abc", 2), "bc");
  EXPECT_EQ(rightText("abc", -2), "");
  EXPECT_EQ(rightText("abc", 10), "abc");
  EXPECT_EQ(midText("abcde", 2, 3), "bcd");
  EXPECT_EQ(midText("abcde", 4, 10), "de");
  EXPECT_EQ(midText("abcde", 0, 2), "");
  EXPECT_EQ(midText("abcde", 6, 2), "");
  EXPECT_EQ(midText("abcde", 2, 0), "");
  EXPECT_EQ(textLength(std::string(kZhong) + "a"), 3);
}

TEST(PartsAndConversions, NumbersCodesAndBytes) {
  EXPECT_EQ(toText(std::int64_t{0}), "0");
  EXPECT_EQ(toText(std::int64_t{-5}), "-5");
  EXPECT_EQ(toText(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(toText(Bytes{'a', 'b', 0, 'c'}), "ab");
  EXPECT_EQ(toText(Bytes{}), "");
  EXPECT_EQ(charCode("\xb0"
                     "a",
                     1),
            -80);
  EXPECT_EQ(charCode("\xb0"
                     "a",
                     2),
            'a');
  EXPECT_EQ(charCode("ab", 0), 0);
  EXPECT_EQ(charCode("ab", 3), 0);
  EXPECT_EQ(upperText(std::string("ab") + "\x81\x61" + "z"),
            std::string("AB") + "\x81\x61" + "Z");
  const Bytes data{1, 2, 3, 4};
  EXPECT_EQ(leftBytes(data, 2), (Bytes{1, 2}));
  EXPECT_EQ(leftBytes(data, 9), data);
  EXPECT_EQ(leftBytes(data, 0), Bytes{});
  EXPECT_EQ(midBytes(data, 3, 9), (Bytes{3, 4}));
  EXPECT_EQ(midBytes(data, 5, 1), Bytes{});
  EXPECT_EQ(midBytes(data, 0, 1), Bytes{});
}

}  // namespace
}  // namespace lirabel

namespace lirabel {
namespace {

// A plain character walk, the rule findText must follow, to check the
// block-wise walk against on texts full of lead and trail bytes.
int walkingFind(const std::string& text, const std::string& needle, int start,
                bool ignoreCase) {
  auto fold = [](unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
  };
  std::size_t i = static_cast<std::size_t>(start < 1 ? 1 : start) - 1;
  while (i < text.size()) {
    if (text.size() - i >= needle.size()) {
      bool same = true;
      for (std::size_t k = 0; k < needle.size() && same;) {
        const auto t = static_cast<unsigned char>(text[i + k]);
        const auto n = static_cast<unsigned char>(needle[k]);
        if (n >= 0x80) {
          same = t == n &&
                 (k + 1 >= needle.size() || text[i + k + 1] == needle[k + 1]);
          k += 2;
        } else {
          same = ignoreCase ? fold(t) == fold(n) : t == n;
          k += 1;
        }
      }
      if (same) return static_cast<int>(i) + 1;
    }
    i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
  }
  return -1;
}

TEST(FindText, AgreesWithAPlainWalkOnRandomTexts) {
  const std::string alphabet = "aA\x81\xa1\xb0 ";
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
  };
  for (int round = 0; round < 3000; ++round) {
    std::string text, needle;
    const std::size_t len = next() % 300;
    for (std::size_t i = 0; i < len; ++i) text += alphabet[next() % 6];
    const std::size_t nlen = 1 + next() % 3;
    for (std::size_t i = 0; i < nlen; ++i) needle += alphabet[next() % 6];
    const int start = static_cast<int>(next() % 8);
    const bool ignoreCase = next() % 2 == 0;
    SCOPED_TRACE(::testing::PrintToString(text) + " / " +
                 ::testing::PrintToString(needle) + " from " +
                 std::to_string(start));
    ASSERT_EQ(findText(text, needle, start, ignoreCase),
              walkingFind(text, needle, start, ignoreCase));
  }
}

}  // namespace
}  // namespace lirabel
