#include "platform/codepage_converter.h"

#include <unicode/ucnv.h>
#include <unicode/unorm2.h>

#include <algorithm>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Most bytes a code unit can turn into; ICU reports overflow, so this only
// sizes the first buffer.
std::size_t bytesPerUnit(CodePage codePage) {
  return codePage == CodePage::kUtf8 ? 3 : 2;
}

template <typename String>
void growFor(String* out, std::size_t used) {
  out->resize(std::max<std::size_t>(out->size() * 2, used + 16));
}

// Code units being written, with the source byte of each when asked for.
// units is kept larger than used; the caller trims it at the end.
struct WideBuffer {
  std::u16string units;
  std::vector<std::int32_t>* offsets = nullptr;
  std::size_t used = 0;

  void makeRoom(std::size_t more) {
    if (used + more <= units.size()) return;
    units.resize(std::max(units.size() * 2, used + more + 16));
    if (offsets != nullptr) offsets->resize(units.size());
  }
};

// Appends what ICU makes of bytes; base is the index of bytes[0] in the
// caller's input. False when ICU fails.
bool appendIcuWide(UConverter* converter, std::string_view bytes,
                   std::size_t base, WideBuffer* out) {
  // A byte gives at most one code unit in both code pages (a four-byte UTF-8
  // sequence gives two).
  out->makeRoom(bytes.size() + 1);
  const char* source = bytes.data();
  const char* const sourceEnd = bytes.data() + bytes.size();
  for (;;) {
    UChar* target = out->units.data() + out->used;
    UChar* const targetStart = target;
    std::int32_t* offsets =
        out->offsets != nullptr ? out->offsets->data() + out->used : nullptr;
    const auto callBase = static_cast<std::int32_t>(
        base + static_cast<std::size_t>(source - bytes.data()));
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter, &target, out->units.data() + out->units.size(),
                   &source, sourceEnd, offsets, /*flush=*/true, &status);
    const auto produced = static_cast<std::size_t>(target - targetStart);
    if (offsets != nullptr) {
      // ICU counts from this call's source; a unit finished from an earlier
      // call's state has no offset of its own (-1).
      for (std::size_t i = 0; i < produced; ++i) {
        offsets[i] = offsets[i] < 0 ? callBase : offsets[i] + callBase;
      }
    }
    out->used += produced;
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      out->makeRoom(out->units.size() - out->used + 16);
      continue;
    }
    return U_SUCCESS(status);
  }
}

// The code unit of every double-byte GBK character that ICU decodes on its
// own, as ICU decodes it; 0 where the decoder must ask ICU (an unmapped or
// malformed pair). Taken from ICU once per process, so the common characters
// need no converter call.
struct GbkPairTable {
  static constexpr unsigned kFirstLead = 0x81;
  static constexpr unsigned kLastLead = 0xFE;
  static constexpr unsigned kFirstTrail = 0x40;
  static constexpr unsigned kLastTrail = 0xFE;
  char16_t units[0x80][0x100] = {};  // [lead - 0x80][trail]
};

std::unique_ptr<GbkPairTable> buildGbkPairTable() {
  auto table = std::make_unique<GbkPairTable>();
  Converter converter = openConverter(CodePage::kGbk);
  if (!converter) return table;
  // Every pair followed by a line feed: an ASCII byte always ends a
  // character, so each pair is decoded on its own.
  std::string probe;
  for (unsigned lead = GbkPairTable::kFirstLead;
       lead <= GbkPairTable::kLastLead; ++lead) {
    for (unsigned trail = GbkPairTable::kFirstTrail;
         trail <= GbkPairTable::kLastTrail; ++trail) {
      probe += static_cast<char>(lead);
      probe += static_cast<char>(trail);
      probe += '\n';
    }
  }
  std::vector<std::int32_t> offsets;
  WideBuffer out;
  out.offsets = &offsets;
  if (!appendIcuWide(converter.get(), probe, 0, &out)) return table;
  // ICU's substitutes for what it cannot decode.
  constexpr char16_t kIcuSubstitutes[] = {u'\uFFFD', u'\x1A'};
  for (std::size_t k = 0; k + 1 < out.used; ++k) {
    const auto at = static_cast<std::size_t>(offsets[k]);
    const char16_t unit = out.units[k];
    const bool onePairOneUnit =
        at % 3 == 0 && out.units[k + 1] == u'\n' &&
        static_cast<std::size_t>(offsets[k + 1]) == at + 2 &&
        (k == 0 || offsets[k - 1] != offsets[k]);
    if (!onePairOneUnit) continue;
    if (unit == kIcuSubstitutes[0] || unit == kIcuSubstitutes[1]) continue;
    if (unit >= 0xD800 && unit <= 0xDFFF) continue;
    const auto lead = static_cast<unsigned char>(probe[at]);
    const auto trail = static_cast<unsigned char>(probe[at + 1]);
    table->units[lead - 0x80][trail] = unit;
  }
  return table;
}

const GbkPairTable& gbkPairTable() {
  static const std::unique_ptr<GbkPairTable> table = buildGbkPairTable();
  return *table;
}

// GBK to UTF-16 with ICU's results: ASCII is widened directly, pairs come
// from the table, and whatever else (0x80, 0xFF, unmapped or cut-off pairs)
// goes to ICU up to and including the next ASCII byte, which always ends a
// character, so ICU starts and stops where a character does.
template <bool kWithOffsets>
bool decodeGbk(UConverter* converter, std::string_view bytes, WideBuffer* out) {
  const GbkPairTable& pairs = gbkPairTable();
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  out->makeRoom(n + 1);
  char16_t* units = out->units.data();
  std::int32_t* offsets = kWithOffsets ? out->offsets->data() : nullptr;
  std::size_t used = out->used;
  std::size_t i = 0;
  while (i < n) {
#if defined(__SSE2__)
    if constexpr (!kWithOffsets) {
      // Room was made for one unit per remaining byte, so a whole block of
      // 16 units may be stored even when only its ASCII prefix counts.
      const __m128i zero = _mm_setzero_si128();
      while (i + 16 <= n) {
        const __m128i v =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(units + used),
                         _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(units + used + 8),
                         _mm_unpackhi_epi8(v, zero));
        const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
        if (high != 0) {
          const unsigned ascii = static_cast<unsigned>(__builtin_ctz(high));
          used += ascii;
          i += ascii;
          break;
        }
        used += 16;
        i += 16;
      }
      if (i >= n) break;
    }
#endif
    const unsigned char c = p[i];
    if (c < 0x80) {
      if constexpr (kWithOffsets) offsets[used] = static_cast<std::int32_t>(i);
      units[used++] = c;
      ++i;
      continue;
    }
    if (i + 1 < n) {
      const char16_t unit = pairs.units[c - 0x80][p[i + 1]];
      if (unit != 0) {
        if constexpr (kWithOffsets) {
          offsets[used] = static_cast<std::int32_t>(i);
        }
        units[used++] = unit;
        i += 2;
        continue;
      }
    }
    std::size_t end = i + 1;
    while (end < n && p[end] >= 0x80) ++end;
    end = std::min(end + 1, n);
    out->used = used;
    if (!appendIcuWide(converter, bytes.substr(i, end - i), i, out)) {
      return false;
    }
    i = end;
    out->makeRoom(n - i + 1);
    units = out->units.data();
    if constexpr (kWithOffsets) offsets = out->offsets->data();
    used = out->used;
  }
  out->used = used;
  return true;
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
  if (bytes.empty()) return {};
  Converter converter = openConverter(codePage);
  if (!converter) return {};
  WideBuffer out;
  out.offsets = sourceOffsets;
  bool ok = false;
  if (codePage != CodePage::kGbk) {
    ok = appendIcuWide(converter.get(), bytes, 0, &out);
  } else if (sourceOffsets != nullptr) {
    ok = decodeGbk<true>(converter.get(), bytes, &out);
  } else {
    ok = decodeGbk<false>(converter.get(), bytes, &out);
  }
  if (!ok) {
    if (sourceOffsets != nullptr) sourceOffsets->clear();
    return {};
  }
  out.units.resize(out.used);
  if (sourceOffsets != nullptr) sourceOffsets->resize(out.used);
  return std::move(out.units);
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
