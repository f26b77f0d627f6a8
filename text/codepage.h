// Conversions between UTF-8, UTF-16LE and the local code page 936 (GBK).
//
// None of them fails: bad input gives the converter's substitutes.
#ifndef LIRABEL_TEXT_CODEPAGE_H_
#define LIRABEL_TEXT_CODEPAGE_H_

#include <cstddef>
#include <cstdint>

#include "text/text.h"

namespace lirabel {

// UTF-8 bytes to local text, cut at the first zero byte.
Text utf8ToLocal(const Bytes& data);
Text utf8ToLocal(const std::uint8_t* data, std::size_t size);

// Local text to UTF-16LE with one terminating NUL character; empty for an
// empty text.
Bytes localToWide(std::string_view text);

// UTF-16LE (an odd last byte ignored) to local text, up to the first NUL
// character; a base character followed by a combining mark is precomposed.
Text wideToLocal(const Bytes& data);

}  // namespace lirabel

#endif  // LIRABEL_TEXT_CODEPAGE_H_
