// The three conversions name their code pages explicitly, so nothing depends
// on the process locale. The platform layer does the table work; this file
// keeps the NUL rules.
#include "text/codepage.h"

#include <cstring>

#include "platform/codepage_converter.h"

namespace lirabel {
namespace {

using platform::CodePage;

std::string_view upToFirstZero(const char* data, std::size_t size) {
  const void* zero = std::memchr(data, 0, size);
  if (zero == nullptr) return {data, size};
  return {data,
          static_cast<std::size_t>(static_cast<const char*>(zero) - data)};
}

}  // namespace

Text utf8ToLocal(const Bytes& data) {
  return utf8ToLocal(data.data(), data.size());
}

Text utf8ToLocal(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size == 0) return {};
  // A zero byte in UTF-8 is U+0000 and nothing else, and GBK writes no zero
  // byte for any other character: cutting the input gives the same text as
  // cutting the result, without converting the rest.
  const std::string_view utf8 =
      upToFirstZero(reinterpret_cast<const char*>(data), size);
  return platform::convertMultiByte(CodePage::kGbk, CodePage::kUtf8, utf8);
}

Bytes localToWide(std::string_view text) {
  if (text.empty()) return {};
  // Decoding stops at the terminator, as with a length of -1.
  const std::u16string wide = platform::multiByteToWide(
      CodePage::kGbk, upToFirstZero(text.data(), text.size()));
  Bytes out;
  out.reserve((wide.size() + 1) * 2);
  for (const char16_t unit : wide) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

Text wideToLocal(const Bytes& data) {
  const std::size_t units = data.size() / 2;  // an odd last byte plays no part
  std::u16string wide;
  wide.reserve(units);
  for (std::size_t i = 0; i < units; ++i) {
    const auto unit =
        static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    if (unit == 0) break;
    wide.push_back(unit);
  }
  if (wide.empty()) return {};
  return platform::wideToMultiByte(CodePage::kGbk,
                                   platform::composeCharacters(wide));
}

}  // namespace lirabel
