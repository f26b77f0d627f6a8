// Text primitives over GBK (code page 936) byte strings.
//
// A Text is a sequence of code page 936 bytes that holds no zero byte; an
// absent Text and an empty one are the same. A byte below 0x80 is one
// character, a byte of 0x80 or above starts a two-byte character with the byte
// after it. Positions are 1-based byte positions, a failed search gives -1,
// and a search only tests the positions that a character walk from its start
// position reaches, so it never matches inside a double-byte character.
// Comparing "without case" folds only the ASCII letters.
//
// Bytes is a byte array with an explicit length: response bodies, file
// contents, UTF-16 data. It may hold zero bytes.
//
// All primitives are pure: they never change their arguments, keep no state
// and never report an error.
#ifndef LIRABEL_TEXT_TEXT_H_
#define LIRABEL_TEXT_TEXT_H_

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lirabel {

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;

// Default for the start position of findTextLast: the whole text.
inline constexpr int kEndOfText = INT_MAX;
// Default for counts and part limits: no limit.
inline constexpr int kUnlimited = -1;
inline constexpr int kAllParts = INT_MAX;

int textLength(std::string_view text);
Text leftText(std::string_view text, int n);
Text rightText(std::string_view text, int n);
Text midText(std::string_view text, int position, int n);

int findText(std::string_view text, std::string_view searched,
             int startPosition = 1, bool ignoreCase = false);
int findTextLast(std::string_view text, std::string_view searched,
                 int startPosition = kEndOfText, bool ignoreCase = false);

Text replaceText(std::string_view text, std::string_view find,
                 std::string_view replacement = {}, int startPosition = 1,
                 int count = kUnlimited, bool caseSensitive = false);

std::vector<Text> splitText(std::string_view text,
                            std::string_view delimiter = ",",
                            int maxParts = kAllParts);

Text trimSpaces(std::string_view text);
Text removeSpaces(std::string_view text);

// Negative, zero or positive; bytes compare as unsigned values.
int compareText(std::string_view a, std::string_view b, bool caseSensitive);

std::int64_t toInt64(std::string_view text);

Text toText(std::int64_t value);
// The bytes up to the first zero byte.
Text toText(const Bytes& data);
Text toText(const std::uint8_t* data, std::size_t size);

// The byte at the position as a signed value; 0 outside the text.
int charCode(std::string_view text, int position = 1);
Text upperText(std::string_view text);

// Bytes helpers: they clamp to the data and never fail.
Bytes leftBytes(const Bytes& data, int n);
Bytes midBytes(const Bytes& data, int position, int n);

}  // namespace lirabel

#endif  // LIRABEL_TEXT_TEXT_H_
