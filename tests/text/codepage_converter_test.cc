// The GBK decoder takes shortcuts (ASCII widened directly, a pair table);
// it must give exactly what ICU gives for the same bytes, offsets included.
#include "platform/codepage_converter.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <string>
#include <vector>

namespace lirabel::platform {
namespace {

struct IcuResult {
  std::u16string units;
  std::vector<std::int32_t> offsets;
};

// The reference: one plain ucnv_toUnicode call over all bytes.
IcuResult decodeWithIcu(std::string_view bytes) {
  IcuResult result;
  Converter converter = openConverter(CodePage::kGbk);
  EXPECT_TRUE(converter);
  if (!converter || bytes.empty()) return result;
  result.units.resize(bytes.size() * 2 + 16);
  result.offsets.resize(result.units.size());
  UChar* target = result.units.data();
  const char* source = bytes.data();
  UErrorCode status = U_ZERO_ERROR;
  ucnv_toUnicode(converter.get(), &target,
                 result.units.data() + result.units.size(), &source,
                 bytes.data() + bytes.size(), result.offsets.data(), true,
                 &status);
  EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
  const auto n = static_cast<std::size_t>(target - result.units.data());
  result.units.resize(n);
  result.offsets.resize(n);
  return result;
}

TEST(GbkDecoder, MatchesIcuOnTexts) {
  const std::vector<std::string> texts = {
      "plain ascii text that is longer than one block of sixteen",
      "\xd6\xd0\xce\xc4 mixed \xb0\xa1 text \xd2\xfd\xba\xc5",
      "\x80 euro, \xff alone, cut lead at end \xd6",
      "\x81\x0a lead before a line feed, \x81\x7f lead before DEL",
      "\xa1\xa1\xa3\xb0\xfe\x4f\xfe\xfe\xa2\xa0 user-defined rows",
      std::string(40, 'a') + "\xd6\xd0" + std::string(40, 'b') + "\x80\x80",
  };
  for (const auto& text : texts) {
    SCOPED_TRACE(::testing::PrintToString(text));
    const IcuResult expected = decodeWithIcu(text);
    std::vector<std::int32_t> offsets;
    EXPECT_EQ(multiByteToWide(CodePage::kGbk, text, &offsets), expected.units);
    EXPECT_EQ(offsets, expected.offsets);
    EXPECT_EQ(multiByteToWide(CodePage::kGbk, text), expected.units);
  }
}

TEST(GbkDecoder, MatchesIcuOnRandomBytes) {
  // Bytes drawn mostly from the edges of the GBK ranges, with runs of ASCII
  // long enough for the block-wise path.
  const std::string edges = "\x80\x81\xa0\xa1\xfe\xff\x40\x7f\x0a a\xd6\xd0";
  std::uint32_t seed = 2024;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const std::size_t len = next() % 80;
    while (text.size() < len) {
      if (next() % 4 == 0) {
        text += std::string(next() % 20, 'x');
      } else if (next() % 3 == 0) {
        text += static_cast<char>(next() & 0xFF);
      } else {
        text += edges[next() % edges.size()];
      }
    }
    SCOPED_TRACE(::testing::PrintToString(text));
    const IcuResult expected = decodeWithIcu(text);
    std::vector<std::int32_t> offsets;
    ASSERT_EQ(multiByteToWide(CodePage::kGbk, text, &offsets), expected.units);
    ASSERT_EQ(offsets, expected.offsets);
    ASSERT_EQ(multiByteToWide(CodePage::kGbk, text), expected.units);
  }
}

}  // namespace
}  // namespace lirabel::platform
