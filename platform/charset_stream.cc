#include "platform/charset_stream.h"

#include <unicode/ucnv.h>

#include <array>
#include <climits>
#include <string>
#include <vector>

namespace lirabel::platform {

namespace {

// Pages that declare one of these mean GBK, whatever the strict name says:
// GB2312 pages routinely hold characters beyond GB2312.
constexpr std::array<std::string_view, 9> kGbkLabels = {
    "chinese",    "csgb2312", "csiso58gb231280", "gb2312", "gb_2312",
    "gb_2312-80", "gbk",      "iso-ir-58",       "x-gbk"};
constexpr char16_t kByteOrderMark = 0xFEFF;

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

CharsetStream::CharsetStream() = default;
CharsetStream::~CharsetStream() = default;
CharsetStream::CharsetStream(CharsetStream&&) noexcept = default;
CharsetStream& CharsetStream::operator=(CharsetStream&&) noexcept = default;

void CharsetStream::write(const Bytes& data) {
  content_.insert(content_.end(), data.begin(), data.end());
}

bool CharsetStream::setCharset(std::string_view name) {
  // ICU opens its default converter for an empty name; that is no choice.
  if (name.empty() || name.find('\0') != std::string_view::npos) return false;
  for (std::string_view label : kGbkLabels) {
    if (!equalsIgnoringAsciiCase(name, label)) continue;
    Converter gbk = openConverter(CodePage::kGbk);
    if (!gbk) return false;
    converter_ = std::move(gbk);
    return true;
  }
  std::string icuName(name);
  UErrorCode status = U_ZERO_ERROR;
  Converter opened(ucnv_open(icuName.c_str(), &status));
  if (U_FAILURE(status) || !opened) return false;
  converter_ = std::move(opened);
  return true;
}

bool CharsetStream::readText(Bytes* text) const {
  text->clear();
  if (!converter_) return false;
  if (content_.empty()) return true;
  if (content_.size() > INT32_MAX / 2) return false;
  const char* source = reinterpret_cast<const char*>(content_.data());
  const auto sourceLength = static_cast<int32_t>(content_.size());
  // Every byte gives at most two code units in the converters ICU ships.
  std::vector<UChar> units(content_.size() * 2 + 2);
  ucnv_resetToUnicode(converter_.get());
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = ucnv_toUChars(converter_.get(), units.data(),
                                 static_cast<int32_t>(units.size()), source,
                                 sourceLength, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    units.assign(static_cast<std::size_t>(length) + 1, 0);
    status = U_ZERO_ERROR;
    ucnv_resetToUnicode(converter_.get());
    length = ucnv_toUChars(converter_.get(), units.data(),
                           static_cast<int32_t>(units.size()), source,
                           sourceLength, &status);
  }
  if (U_FAILURE(status)) return false;
  std::size_t begin = (length > 0 && units[0] == kByteOrderMark) ? 1 : 0;
  text->reserve((static_cast<std::size_t>(length) - begin) * 2);
  for (std::size_t i = begin; i < static_cast<std::size_t>(length); ++i) {
    text->push_back(static_cast<std::uint8_t>(units[i] & 0xFF));
    text->push_back(static_cast<std::uint8_t>(units[i] >> 8));
  }
  return true;
}

}  // namespace lirabel::platform
