// The crossing between the window's texts and local GBK text.
#include "app/qt_text.h"

#include <gtest/gtest.h>

#include <vector>

namespace lirabel {
namespace {

TEST(QtTextTest, ConvertsBothWays) {
  struct Case {
    const char* name;
    const char* shown;  // UTF-8, as the control shows it
    const char* local;  // GBK
  };
  const std::vector<Case> cases = {
      {"empty", "", ""},
      {"ascii", "https://example.com/s?a=1&b=2",
       "https://example.com/s?a=1&b=2"},
      {"chinese", "主页地址", "\xD6\xF7\xD2\xB3\xB5\xD8\xD6\xB7"},
      {"mixed", "a歌b",
       "a\xB8\xE8"
       "b"},
      {"full-width punctuation", "（）", "\xA3\xA8\xA3\xA9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(toLocalText(QString::fromUtf8(c.shown)), c.local);
    EXPECT_EQ(toQString(c.local).toStdString(), c.shown);
  }
}

TEST(QtTextTest, CharacterOutsideGbkGivesASubstituteNotNothing) {
  // U+1F600 has no GBK form; the rest of the text survives around it.
  const Text local = toLocalText(QString::fromUtf8("a\xF0\x9F\x98\x80z"));
  ASSERT_GE(local.size(), 3u);
  EXPECT_EQ(local.front(), 'a');
  EXPECT_EQ(local.back(), 'z');
  EXPECT_EQ(local.find('\0'), Text::npos);
}

TEST(QtTextTest, WindowTextBreaksLinesAtCrLf) {
  EXPECT_EQ(windowText("快速粘贴\r\n（主页地址）\r\n无需点清除").toStdString(),
            "快速粘贴\n（主页地址）\n无需点清除");
  EXPECT_EQ(windowText("no break").toStdString(), "no break");
}

}  // namespace
}  // namespace lirabel
