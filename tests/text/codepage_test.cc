// UTF-8 / UTF-16LE / GBK conversions: the NUL rules, substitutes instead of
// failures, and the round trip.
#include "text/codepage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lirabel {
namespace {

Bytes bytesOf(std::string_view s) { return Bytes(s.begin(), s.end()); }

TEST(Utf8ToLocal, Table) {
  struct Case {
    const char* name;
    std::string utf8;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"empty", "", ""},
      {"ascii unchanged", "<a href=\"x\">", "<a href=\"x\">"},
      // 中文 is E4 B8 AD E6 96 87 in UTF-8 and D6 D0 CE C4 in GBK.
      {"chinese three bytes to two", "a\xe4\xb8\xad\xe6\x96\x87z",
       "a\xd6\xd0\xce\xc4z"},
      {"zero byte ends the text", std::string("ab\0cd", 5), "ab"},
      {"zero byte first", std::string("\0cd", 3), ""},
      // U+1F600 has no GBK form.
      {"character gbk lacks",
       "a\xf0\x9f\x98\x80"
       "b",
       "a?b"},
      {"bad byte",
       "a\xff"
       "b",
       "a?b"},
      {"truncated sequence at the end", "a\xe4\xb8", "a?"},
      // é (U+00E9) is A8 A6 in the Windows table; the euro sign is 0x80.
      {"latin letter with a gbk form", "\xc3\xa9", "\xa8\xa6"},
      {"euro sign", "\xe2\x82\xac", "\x80"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(utf8ToLocal(bytesOf(c.utf8)), c.expected);
  }
}

TEST(Utf8ToLocal, LongMixedTextConvertsWhole) {
  std::string utf8, gbk;
  for (int i = 0; i < 5000; ++i) {
    utf8 += "line \xe4\xb8\xad ";
    gbk += "line \xd6\xd0 ";
  }
  EXPECT_EQ(utf8ToLocal(bytesOf(utf8)), gbk);
}

TEST(LocalToWide, Table) {
  struct Case {
    const char* name;
    std::string text;
    Bytes expected;
  };
  const std::vector<Case> cases = {
      {"empty gives no terminator", "", {}},
      {"one letter", "A", {'A', 0, 0, 0}},
      // 中 is U+4E2D.
      {"chinese", "\xd6\xd0", {0x2D, 0x4E, 0, 0}},
      {"mixed", "a\xd6\xd0", {'a', 0, 0x2D, 0x4E, 0, 0}},
      {"stops at a zero byte", std::string("a\0b", 3), {'a', 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(localToWide(c.text), c.expected);
  }
}

TEST(WideToLocal, Table) {
  struct Case {
    const char* name;
    Bytes wide;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"empty", {}, ""},
      {"terminated", {'a', 0, 'b', 0, 0, 0}, "ab"},
      {"no terminator", {'a', 0, 'b', 0}, "ab"},
      {"nul in the middle", {'a', 0, 0, 0, 'b', 0}, "a"},
      {"odd last byte ignored", {'a', 0, 'b'}, "a"},
      {"single byte", {'a'}, ""},
      {"chinese", {0x2D, 0x4E, 0x87, 0x65}, "\xd6\xd0\xce\xc4"},
      // e followed by U+0301 COMBINING ACUTE ACCENT becomes é (A8 A6).
      {"combining mark precomposed", {'e', 0, 0x01, 0x03, 'x', 0}, "\xa8\xa6x"},
      {"already precomposed", {0xE9, 0x00}, "\xa8\xa6"},
      // A lone surrogate is not a character.
      {"unpaired surrogate", {'a', 0, 0x00, 0xD8, 'b', 0}, "a?b"},
      {"character gbk lacks", {0x3D, 0xD8, 0x00, 0xDE}, "?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(wideToLocal(c.wide), c.expected);
  }
}

TEST(WideToLocal, RoundTripOfAsciiAndChinese) {
  const std::vector<std::string> texts = {
      "a",
      "Set-Cookie: sid=1",
      "\xd6\xd0\xce\xc4",                     // 中文
      "x\xb0\xa1y\xd2\xfd\xba\xc5 \xa1\xa1",  // x啊y引号, full-width space
      "\x81\x40\xfe\x4f",  // first and late GBK extension rows
  };
  for (const auto& t : texts) {
    SCOPED_TRACE(::testing::PrintToString(t));
    EXPECT_EQ(wideToLocal(localToWide(t)), t);
  }
}

}  // namespace
}  // namespace lirabel
