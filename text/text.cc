// Text primitives over GBK bytes.
//
// Every search walks characters forward from its start position: a byte of
// 0x80 or above takes the byte after it along, whatever that byte is. Since a
// trail byte may be any value, even ASCII, a position cannot be classified by
// looking backwards, so the fast search finds candidates with memmem and then
// moves the walk up to each candidate, skipping runs of ASCII bytes a block at
// a time. A candidate the walk steps over lies on a trail byte and is dropped.
#include "text/text.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lirabel {
namespace {

constexpr std::size_t kNotFound = std::string_view::npos;
constexpr unsigned char kFirstLeadByte = 0x80;
constexpr unsigned char kFullWidthSpaceByte = 0xA1;  // 0xA1 0xA1
// Full-width forms that toInt64 reads as ASCII: 0xA3 followed by the ASCII
// byte plus 0x80 (０ is 0xA3 0xB0, ＋ is 0xA3 0xAB, － is 0xA3 0xAD).
constexpr unsigned char kFullWidthFormsLead = 0xA3;
constexpr unsigned char kFullWidthFormsOffset = 0x80;

inline unsigned char byteAt(std::string_view s, std::size_t i) {
  return static_cast<unsigned char>(s[i]);
}

inline bool isLeadByte(unsigned char c) { return c >= kFirstLeadByte; }

inline std::size_t charLength(std::string_view s, std::size_t i) {
  return isLeadByte(byteAt(s, i)) ? 2 : 1;
}

inline unsigned char foldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A'))
                                : c;
}

inline bool isAsciiLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Where the walk leaves a block of n bytes (n <= 64) that it enters at the
// block's first byte: n, or n + 1 when the block's last byte is a lead byte.
// mask has bit i set when byte i is 0x80 or above. Within a run of such bytes
// that starts where a character starts, the bytes pair up, so only the run's
// length matters: an odd run takes the byte after it as its last trail byte.
inline unsigned leaveBlock(std::uint64_t mask, unsigned n) {
  unsigned pos = 0;
  while (pos < n) {
    const std::uint64_t rest = mask >> pos;
    if (rest == 0) return n;
    pos += static_cast<unsigned>(std::countr_zero(rest));
    const std::uint64_t run = ~(mask >> pos);
    const unsigned length =
        run == 0 ? n - pos : static_cast<unsigned>(std::countr_zero(run));
    const unsigned inBlock = std::min(length, n - pos);
    pos += inBlock + (inBlock & 1u);
  }
  return pos;
}

#if defined(__SSE2__)
inline std::uint64_t highBits16(const unsigned char* p) {
  return static_cast<std::uint32_t>(
      _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
}
#else
inline std::uint64_t highBits16(const unsigned char* p) {
  std::uint64_t mask = 0;
  for (unsigned i = 0; i < 16; ++i) {
    mask |= static_cast<std::uint64_t>(p[i] >> 7) << i;
  }
  return mask;
}
#endif

// Moves the walk from the character start w until it reaches or steps over
// target; the result is the first character start at or after target. Reads
// only bytes before target, so target may be the text's length.
std::size_t walkTo(const unsigned char* p, std::size_t w, std::size_t target) {
  constexpr unsigned kChunk = 64;
  while (w + kChunk <= target) {
    const std::uint64_t mask =
        highBits16(p + w) | highBits16(p + w + 16) << 16 |
        highBits16(p + w + 32) << 32 | highBits16(p + w + 48) << 48;
    w += mask == 0 ? kChunk : leaveBlock(mask, kChunk);
  }
  constexpr unsigned kBlock = 16;
  while (w + kBlock <= target) {
    const std::uint64_t mask = highBits16(p + w);
    w += mask == 0 ? kBlock : leaveBlock(mask, kBlock);
  }
  while (w < target) w += isLeadByte(p[w]) ? 2 : 1;
  return w;
}

// The needle compared at text[at...] by the case rule: ASCII letters fold,
// both bytes of a double-byte character must be equal. The caller has checked
// that the needle fits.
bool equalsWithoutCase(const unsigned char* t, std::string_view needle) {
  std::size_t i = 0;
  const std::size_t n = needle.size();
  while (i < n) {
    const unsigned char c = byteAt(needle, i);
    if (isLeadByte(c)) {
      if (t[i] != c) return false;
      if (i + 1 < n && t[i + 1] != byteAt(needle, i + 1)) return false;
      i += 2;
    } else {
      if (foldAscii(t[i]) != foldAscii(c)) return false;
      ++i;
    }
  }
  return true;
}

bool hasAsciiLetter(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); i += charLength(s, i)) {
    if (isAsciiLetter(byteAt(s, i))) return true;
  }
  return false;
}

// The 0-based position of the first occurrence of a non-empty needle at a
// character start that the walk from `from` reaches; from must itself be
// where a character starts (or past the end).
std::size_t findFrom(std::string_view text, std::string_view needle,
                     std::size_t from, bool ignoreCase) {
  const std::size_t size = text.size();
  const std::size_t n = needle.size();
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t w = from;
  if (!ignoreCase || !hasAsciiLetter(needle)) {
    while (w < size && size - w >= n) {
      const void* hit = ::memmem(p + w, size - w, needle.data(), n);
      if (hit == nullptr) return kNotFound;
      const auto c =
          static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - p);
      w = walkTo(p, w, c);
      if (w == c) return c;
      // The candidate was a trail byte; w is the character start after it.
    }
    return kNotFound;
  }
  const unsigned char first = foldAscii(byteAt(needle, 0));
  while (w < size && size - w >= n) {
    if (foldAscii(p[w]) == first && equalsWithoutCase(p + w, needle)) {
      return w;
    }
    w += isLeadByte(p[w]) ? 2 : 1;
  }
  return kNotFound;
}

int toPosition(std::size_t index) {
  return index >= static_cast<std::size_t>(std::numeric_limits<int>::max())
             ? -1
             : static_cast<int>(index) + 1;
}

// Length of the space at i (0x20 or 0xA1 0xA1), or 0.
std::size_t spaceLength(std::string_view s, std::size_t i) {
  const unsigned char c = byteAt(s, i);
  if (c == ' ') return 1;
  if (c == kFullWidthSpaceByte && i + 1 < s.size() &&
      byteAt(s, i + 1) == kFullWidthSpaceByte) {
    return 2;
  }
  return 0;
}

std::string_view clampView(std::string_view s, std::size_t from,
                           std::size_t count) {
  if (from >= s.size()) return {};
  return s.substr(from, count);
}

}  // namespace

int textLength(std::string_view text) {
  return text.size() > static_cast<std::size_t>(INT_MAX)
             ? INT_MAX
             : static_cast<int>(text.size());
}

Text leftText(std::string_view text, int n) {
  if (n <= 0) return {};
  return Text(text.substr(0, static_cast<std::size_t>(n)));
}

Text rightText(std::string_view text, int n) {
  if (n <= 0) return {};
  const auto count = static_cast<std::size_t>(n);
  if (count >= text.size()) return Text(text);
  return Text(text.substr(text.size() - count));
}

Text midText(std::string_view text, int position, int n) {
  if (position < 1 || n <= 0) return {};
  return Text(clampView(text, static_cast<std::size_t>(position) - 1,
                        static_cast<std::size_t>(n)));
}

int findText(std::string_view text, std::string_view searched,
             int startPosition, bool ignoreCase) {
  const std::size_t from =
      startPosition < 1 ? 0 : static_cast<std::size_t>(startPosition) - 1;
  if (from >= text.size()) return -1;
  if (searched.empty()) return 1;
  return toPosition(findFrom(text, searched, from, ignoreCase));
}

int findTextLast(std::string_view text, std::string_view searched,
                 int startPosition, bool ignoreCase) {
  if (startPosition <= 1) return -1;
  const std::string_view part = text.substr(
      0, std::min(text.size(), static_cast<std::size_t>(startPosition) - 1));
  if (part.empty()) return -1;
  if (searched.empty()) return 1;
  std::size_t last = kNotFound;
  std::size_t from = 0;
  for (;;) {
    const std::size_t hit = findFrom(part, searched, from, ignoreCase);
    if (hit == kNotFound) break;
    last = hit;
    from = hit + charLength(part, hit);
  }
  return last == kNotFound ? -1 : toPosition(last);
}

Text replaceText(std::string_view text, std::string_view find,
                 std::string_view replacement, int startPosition, int count,
                 bool caseSensitive) {
  const std::size_t from =
      startPosition < 1 ? 0 : static_cast<std::size_t>(startPosition) - 1;
  if (text.empty() || find.empty() || count == 0 || from >= text.size()) {
    return Text(text);
  }
  Text out;
  out.reserve(text.size());
  out.append(text.substr(0, from));
  std::size_t w = from;
  long long left = count;  // negative: no limit
  while (left != 0) {
    const std::size_t hit = findFrom(text, find, w, !caseSensitive);
    if (hit == kNotFound) break;
    out.append(text.substr(w, hit - w));
    out.append(replacement);
    w = hit + find.size();
    if (left > 0) --left;
  }
  if (w < text.size()) out.append(text.substr(w));
  return out;
}

std::vector<Text> splitText(std::string_view text, std::string_view delimiter,
                            int maxParts) {
  std::vector<Text> parts;
  if (text.empty() || maxParts <= 0) return parts;
  if (delimiter.empty()) {
    parts.emplace_back(text);
    return parts;
  }
  const auto limit = static_cast<std::size_t>(maxParts);
  std::size_t w = 0;
  while (parts.size() < limit) {
    const std::size_t hit = findFrom(text, delimiter, w, false);
    if (hit == kNotFound) {
      // No empty part after a trailing delimiter.
      if (w < text.size()) parts.emplace_back(text.substr(w));
      break;
    }
    parts.emplace_back(text.substr(w, hit - w));
    w = hit + delimiter.size();
  }
  return parts;
}

Text trimSpaces(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t len = spaceLength(text, begin);
    if (len == 0) break;
    begin += len;
  }
  // A trailing 0xA1 0xA1 may be the trail byte of one character and the lead
  // of another, so the end is found walking forward too.
  std::size_t end = begin;
  std::size_t i = begin;
  while (i < text.size()) {
    const std::size_t len = spaceLength(text, i);
    if (len != 0) {
      i += len;
    } else {
      i += charLength(text, i);
      end = std::min(i, text.size());
    }
  }
  return Text(text.substr(begin, end - begin));
}

Text removeSpaces(std::string_view text) {
  Text out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t len = spaceLength(text, i);
    if (len != 0) {
      i += len;
      continue;
    }
    const std::size_t step = std::min(charLength(text, i), text.size() - i);
    out.append(text.substr(i, step));
    i += step;
  }
  return out;
}

int compareText(std::string_view a, std::string_view b, bool caseSensitive) {
  const std::size_t common = std::min(a.size(), b.size());
  if (caseSensitive) {
    const int r = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
    if (r != 0) return r < 0 ? -1 : 1;
  } else {
    std::size_t i = 0;
    while (i < common) {
      const unsigned char ca = byteAt(a, i);
      const unsigned char cb = byteAt(b, i);
      if (isLeadByte(ca) || isLeadByte(cb)) {
        if (ca != cb) return ca < cb ? -1 : 1;
        // Same lead byte: the trail bytes compare exactly.
        ++i;
        if (i < common && byteAt(a, i) != byteAt(b, i)) {
          return byteAt(a, i) < byteAt(b, i) ? -1 : 1;
        }
        ++i;
      } else {
        const unsigned char fa = foldAscii(ca);
        const unsigned char fb = foldAscii(cb);
        if (fa != fb) return fa < fb ? -1 : 1;
        ++i;
      }
    }
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::int64_t toInt64(std::string_view text) {
  // Reads one character at i as its ASCII form (full-width digits, signs and
  // the full-width space included); 0 for anything else double-byte.
  std::size_t i = 0;
  auto next = [&](unsigned char* out) -> bool {
    if (i >= text.size()) return false;
    const unsigned char c = byteAt(text, i);
    if (!isLeadByte(c)) {
      *out = c;
      ++i;
      return true;
    }
    unsigned char mapped = 0;
    if (i + 1 < text.size()) {
      const unsigned char t = byteAt(text, i + 1);
      if (c == kFullWidthFormsLead) {
        const unsigned char ascii =
            static_cast<unsigned char>(t - kFullWidthFormsOffset);
        if ((ascii >= '0' && ascii <= '9') || ascii == '+' || ascii == '-') {
          mapped = ascii;
        }
      } else if (c == kFullWidthSpaceByte && t == kFullWidthSpaceByte) {
        mapped = ' ';
      }
    }
    *out = mapped;
    i += 2;
    return true;
  };
  unsigned char c = 0;
  bool have = next(&c);
  while (have && (c == ' ' || c == '\t' || c == '\n' || c == '\r' ||
                  c == '\v' || c == '\f')) {
    have = next(&c);
  }
  bool negative = false;
  if (have && (c == '+' || c == '-')) {
    negative = c == '-';
    have = next(&c);
  }
  // Unsigned arithmetic: a value beyond 64 bits wraps around.
  std::uint64_t value = 0;
  while (have && c >= '0' && c <= '9') {
    value = value * 10u + static_cast<std::uint64_t>(c - '0');
    have = next(&c);
  }
  if (negative) value = 0u - value;
  return static_cast<std::int64_t>(value);
}

Text toText(std::int64_t value) { return std::to_string(value); }

Text toText(const Bytes& data) { return toText(data.data(), data.size()); }

Text toText(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size == 0) return {};
  const void* zero = std::memchr(data, 0, size);
  const std::size_t len =
      zero == nullptr ? size
                      : static_cast<std::size_t>(
                            static_cast<const std::uint8_t*>(zero) - data);
  return Text(reinterpret_cast<const char*>(data), len);
}

int charCode(std::string_view text, int position) {
  if (position < 1 || static_cast<std::size_t>(position) > text.size()) {
    return 0;
  }
  return static_cast<signed char>(text[static_cast<std::size_t>(position) - 1]);
}

Text upperText(std::string_view text) {
  Text out(text);
  std::size_t i = 0;
  while (i < out.size()) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (isLeadByte(c)) {
      i += 2;
      continue;
    }
    if (c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - ('a' - 'A'));
    ++i;
  }
  return out;
}

Bytes leftBytes(const Bytes& data, int n) {
  if (n <= 0) return {};
  const std::size_t len = std::min(data.size(), static_cast<std::size_t>(n));
  return Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(len));
}

Bytes midBytes(const Bytes& data, int position, int n) {
  if (position < 1 || n <= 0) return {};
  const auto from = static_cast<std::size_t>(position) - 1;
  if (from >= data.size()) return {};
  const std::size_t len =
      std::min(data.size() - from, static_cast<std::size_t>(n));
  const auto begin = data.begin() + static_cast<std::ptrdiff_t>(from);
  return Bytes(begin, begin + static_cast<std::ptrdiff_t>(len));
}

}  // namespace lirabel
