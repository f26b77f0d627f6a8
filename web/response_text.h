// Reading a received response into what the caller of WebSessionRequest gets
// back: the status text, the redirect target and the cookies out of the raw
// header block, and the page text out of the body, decoded from the
// character set that the page declares in a meta tag near its start.
//
// Both are plain functions; the outputs are the caller's, handed through.
#ifndef LIRABEL_WEB_RESPONSE_TEXT_H_
#define LIRABEL_WEB_RESPONSE_TEXT_H_

#include <string_view>

#include "text/regex_object.h"
#include "text/text.h"

namespace lirabel {

// statusText becomes the status line from its 10th byte on (code and reason
// phrase); location the rest of the last "Location: " line (ASCII case
// ignored), or stays as it was without one; returnedCookies the cookies the
// response sets. With autoMergeCookies and a non-empty cookies, both end as
// the merge of the returned cookies into cookies. Pending window events are
// let through after every line of the block.
void parseResponseHeaders(std::string_view rawHeaders, Text& cookies,
                          Text& returnedCookies, Text& location,
                          Text& statusText, bool autoMergeCookies);

// The body up to its first zero byte, as it is, unless the first 1024 bytes
// declare a character set other than exactly "gbk" or "gb2312": then the
// whole body decoded from it into local text. A name no converter knows
// leaves the undecoded text. regex is the caller's, used for the search.
Text decodeBodyText(const Bytes& body, RegexObject& regex);

}  // namespace lirabel

#endif  // LIRABEL_WEB_RESPONSE_TEXT_H_
