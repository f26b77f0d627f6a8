// Header blocks and cookie strings: the two text forms in which request
// headers and cookies cross both request routines.
//
// A header block is a Text of "name: value" lines separated by CR LF; empty
// lines and lines without a colon may occur and are skipped by the consumers
// here. A cookie string is a Text of "name=value" items separated by "; ".
//
// Everything here is a pure function over Text, apart from mergeCookies,
// which also rewrites both of its arguments. Nothing fails: odd input simply
// gives the result that the rules give. All searches walk GBK characters, so
// a separator is never matched at the second byte of a double-byte character.
#ifndef LIRABEL_WEB_HEADER_COOKIE_H_
#define LIRABEL_WEB_HEADER_COOKIE_H_

#include <string_view>
#include <vector>

#include "text/text.h"

namespace lirabel {

// The line separator of header blocks and response header texts.
inline constexpr std::string_view kCrLf = "\r\n";
// The separator between the items of a cookie string.
inline constexpr std::string_view kCookieSeparator = "; ";

// The block with every name in canonical case: the first letter and each
// letter after a '-' upper-cased (nothing is lowered), the rest of each line
// from the colon on untouched. Lines without a colon (empty ones too) are
// dropped; the lines are joined by CR LF with none after the last.
Text normalizeHeaders(std::string_view block);

// The text with its first byte upper-cased if it is an ASCII a to z.
Text capitalizeFirst(std::string_view text);

// The part before the first colon, trimmed; empty without a colon.
Text headerName(std::string_view line);
// The part after the first colon, trimmed; empty without a colon.
Text headerValue(std::string_view line);

// The first bytes of text in front of the first separator found at or after
// startPosition (values below 1 count as 1), counted from the start of text;
// empty when the separator is not found.
Text textBefore(std::string_view text, std::string_view separator,
                int startPosition = 1, bool ignoreCase = false);

// The cookie string made of the name=value parts of the "Set-Cookie: " lines
// of a response header text, in response order, duplicates included.
Text collectSetCookies(std::string_view responseHeaders);

// Merges incoming cookies into current ones: an incoming item replaces the
// current items of its name, current items that were not mentioned follow
// behind the incoming ones, items ending in "=deleted" and exact duplicates
// are dropped. Both arguments lose every space; current receives the merged
// string, which is also returned.
Text mergeCookies(Text& current, Text& incoming);

// The part of a cookie item before its first '=', trimmed (all of it when
// there is no '=').
Text cookieName(std::string_view item);

// True when some item's cookieName equals name exactly.
bool hasCookieName(const std::vector<Text>& items, std::string_view name);

// The pieces of text between the separators, each exact repeat left out,
// joined by the separator again.
Text removeDuplicateItems(std::string_view text, std::string_view separator);

// The position (from 1) of the first element equal to text, or -1.
int indexOfItem(const std::vector<Text>& items, std::string_view text);

}  // namespace lirabel

#endif  // LIRABEL_WEB_HEADER_COOKIE_H_
