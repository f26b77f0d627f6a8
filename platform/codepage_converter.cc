#include "platform/codepage_converter.h"

#include <unicode/ucnv.h>
#include <unicode/unorm2.h>

#include <algorithm>

namespace lirabel::platform {
namespace {

// ICU's name for the Windows table of code page 936 (its aliases GBK, CP936
// and MS936 name the same table; plain "windows-936" is ambiguous in ICU 72).
constexpr char kGbkConverterName[] = "windows-936-2000";
constexpr char kUtf8ConverterName[] = "UTF-8";
// WideCharToMultiByte's default character for code page 936. ICU's own
// substitute for this table is the control character 0x1A.
constexpr char kDefaultCharacter[] = "?";
// Room ICU uses between the two converters of convertMultiByte.
constexpr std::size_t kPivotUnits = 4096;

const char* converterName(CodePage codePage) {
  return codePage == CodePage::kUtf8 ? kUtf8ConverterName : kGbkConverterName;
}

// Most code units a byte of the code page can turn into, and most bytes a
// code unit can turn into; ICU reports overflow, so these only size the first
// buffer.
std::size_t unitsPerByte() { return 1; }
std::size_t bytesPerUnit(CodePage codePage) {
  return codePage == CodePage::kUtf8 ? 3 : 2;
}

template <typename String>
void growFor(String* out, std::size_t used) {
  out->resize(std::max<std::size_t>(out->size() * 2, used + 16));
}

}  // namespace

Converter::~Converter() {
  if (handle_ != nullptr) ucnv_close(handle_);
}

Converter& Converter::operator=(Converter&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) ucnv_close(handle_);
    handle_ = other.release();
  }
  return *this;
}

UConverter* Converter::release() {
  UConverter* handle = handle_;
  handle_ = nullptr;
  return handle;
}

Converter openConverter(CodePage codePage) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(converterName(codePage), &status));
  if (U_FAILURE(status)) return Converter();
  if (codePage == CodePage::kGbk) {
    // Windows' best-fit mappings: ICU keeps them as fallbacks.
    ucnv_setFallback(converter.get(), true);
    ucnv_setSubstChars(converter.get(), kDefaultCharacter,
                       static_cast<int8_t>(sizeof kDefaultCharacter - 1),
                       &status);
    if (U_FAILURE(status)) return Converter();
  }
  return converter;
}

std::u16string multiByteToWide(CodePage codePage, std::string_view bytes,
                               std::vector<std::int32_t>* sourceOffsets) {
  if (sourceOffsets != nullptr) sourceOffsets->clear();
  std::u16string out;
  if (bytes.empty()) return out;
  Converter converter = openConverter(codePage);
  if (!converter) return out;
  out.resize(bytes.size() * unitsPerByte() + 1);
  if (sourceOffsets != nullptr) sourceOffsets->resize(out.size());
  const char* source = bytes.data();
  const char* sourceEnd = bytes.data() + bytes.size();
  std::size_t used = 0;
  for (;;) {
    UChar* target = out.data() + used;
    UChar* const targetStart = target;
    std::int32_t* offsets =
        sourceOffsets != nullptr ? sourceOffsets->data() + used : nullptr;
    const char* const sourceBefore = source;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter.get(), &target, out.data() + out.size(), &source,
                   sourceEnd, offsets, /*flush=*/true, &status);
    const auto produced = static_cast<std::size_t>(target - targetStart);
    if (offsets != nullptr) {
      // ICU counts offsets from the source of this call.
      const auto base = static_cast<std::int32_t>(sourceBefore - bytes.data());
      // A unit finished from an earlier call's state has no offset of its
      // own (-1); it belongs to the byte where this call started.
      for (std::size_t i = 0; i < produced; ++i) {
        offsets[i] = offsets[i] < 0 ? base : offsets[i] + base;
      }
    }
    used += produced;
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      growFor(&out, used);
      if (sourceOffsets != nullptr) sourceOffsets->resize(out.size());
      continue;
    }
    if (U_FAILURE(status)) {
      out.clear();
      if (sourceOffsets != nullptr) sourceOffsets->clear();
      return out;
    }
    break;
  }
  out.resize(used);
  if (sourceOffsets != nullptr) sourceOffsets->resize(used);
  return out;
}

std::string wideToMultiByte(CodePage codePage, std::u16string_view wide) {
  std::string out;
  if (wide.empty()) return out;
  Converter converter = openConverter(codePage);
  if (!converter) return out;
  out.resize(wide.size() * bytesPerUnit(codePage));
  const UChar* source = wide.data();
  const UChar* sourceEnd = wide.data() + wide.size();
  std::size_t used = 0;
  for (;;) {
    char* target = out.data() + used;
    char* const targetStart = target;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_fromUnicode(converter.get(), &target, out.data() + out.size(), &source,
                     sourceEnd, nullptr, /*flush=*/true, &status);
    used += static_cast<std::size_t>(target - targetStart);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      growFor(&out, used);
      continue;
    }
    if (U_FAILURE(status)) return {};
    break;
  }
  out.resize(used);
  return out;
}

std::string convertMultiByte(CodePage to, CodePage from,
                             std::string_view bytes) {
  std::string out;
  if (bytes.empty()) return out;
  Converter target = openConverter(to);
  Converter source = openConverter(from);
  if (!target || !source) return out;
  // Every source byte gives at most one code unit, and a code unit at most
  // bytesPerUnit bytes; from UTF-8 to GBK the result is never longer.
  out.resize(to == CodePage::kGbk && from == CodePage::kUtf8
                 ? bytes.size()
                 : bytes.size() * bytesPerUnit(to));
  UChar pivot[kPivotUnits];
  UChar* pivotSource = pivot;
  UChar* pivotTarget = pivot;
  const char* in = bytes.data();
  const char* const inEnd = bytes.data() + bytes.size();
  std::size_t used = 0;
  bool reset = true;
  for (;;) {
    char* outPos = out.data() + used;
    char* const outStart = outPos;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_convertEx(target.get(), source.get(), &outPos, out.data() + out.size(),
                   &in, inEnd, pivot, &pivotSource, &pivotTarget,
                   pivot + kPivotUnits, reset, /*flush=*/true, &status);
    reset = false;
    used += static_cast<std::size_t>(outPos - outStart);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      growFor(&out, used);
      continue;
    }
    if (U_FAILURE(status)) return {};
    break;
  }
  out.resize(used);
  return out;
}

std::u16string composeCharacters(std::u16string_view wide) {
  std::u16string unchanged(wide);
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  if (U_FAILURE(status) || nfc == nullptr) return unchanged;
  const auto length = static_cast<std::int32_t>(wide.size());
  // Most text is already composed: then there is nothing to do.
  if (unorm2_isNormalized(nfc, wide.data(), length, &status) &&
      U_SUCCESS(status)) {
    return unchanged;
  }
  status = U_ZERO_ERROR;
  std::u16string out(wide.size() + 16, u'\0');
  std::int32_t written =
      unorm2_normalize(nfc, wide.data(), length, out.data(),
                       static_cast<std::int32_t>(out.size()), &status);
  if (status == U_BUFFER_OVERFLOW_ERROR) {
    status = U_ZERO_ERROR;
    out.resize(static_cast<std::size_t>(written));
    written = unorm2_normalize(nfc, wide.data(), length, out.data(), written,
                               &status);
  }
  if (U_FAILURE(status)) return unchanged;
  out.resize(static_cast<std::size_t>(written));
  return out;
}

}  // namespace lirabel::platform
