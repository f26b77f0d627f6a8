// The charset stream: bytes in, a character set named, UTF-16 out.
#include "platform/charset_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/codepage.h"

namespace lirabel::platform {
namespace {

Bytes bytesOf(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

TEST(CharsetStreamTest, DecodesFromTheNamedCharacterSet) {
  struct Case {
    const char* name;
    std::string charset;
    std::string body;
    std::string localUtf8;  // the expected text, written here in UTF-8
  };
  const std::vector<Case> cases = {
      {"utf-8", "utf-8", "歌曲 song", "歌曲 song"},
      // The byte-order mark is not part of the text.
      {"utf-8 with mark", "UTF-8", "\xEF\xBB\xBF歌", "歌"},
      // GBK under the GB2312 label, a character beyond GB2312 included.
      {"GB2312 label reads GBK", "GB2312", "\xB8\xE8\x81\x40", "歌丂"},
      {"big5", "big5", "\xA4\xA4\xA4\xE5", "中文"},
      {"latin-1", "iso-8859-1", "caf\xE9", "café"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CharsetStream stream;
    stream.write(bytesOf(c.body));
    ASSERT_TRUE(stream.setCharset(c.charset));
    Bytes wide;
    ASSERT_TRUE(stream.readText(&wide));
    EXPECT_EQ(wideToLocal(wide), utf8ToLocal(bytesOf(c.localUtf8)));
  }
}

TEST(CharsetStreamTest, UnknownNamesAreRefusedAndTheEarlierChoiceStays) {
  CharsetStream stream;
  stream.write(bytesOf("\xE6\xAD\x8C"));
  Bytes wide;
  // Nothing chosen yet: nothing to read.
  EXPECT_FALSE(stream.readText(&wide));
  EXPECT_FALSE(stream.setCharset(""));
  EXPECT_FALSE(stream.setCharset("x-no-such-set"));
  EXPECT_FALSE(stream.readText(&wide));
  ASSERT_TRUE(stream.setCharset("utf-8"));
  EXPECT_FALSE(stream.setCharset("x-no-such-set"));
  ASSERT_TRUE(stream.readText(&wide));
  EXPECT_EQ(wideToLocal(wide), utf8ToLocal(bytesOf("歌")));
}

}  // namespace
}  // namespace lirabel::platform
