#include "web/response_text.h"

#include "platform/charset_stream.h"
#include "platform/event_pump.h"
#include "text/codepage.h"
#include "web/header_cookie.h"

namespace lirabel {

namespace {

// The status line starts with "HTTP/1.1 ": the code begins at this byte.
constexpr int kStatusTextPosition = 10;
constexpr std::string_view kLocationPrefix = "Location: ";
constexpr std::string_view kMetaCharsetPattern =
    "<meta.+?charset=[^\\w]?([-\\w]+)";
// A declaration further down the page is not looked for.
constexpr int kCharsetScanBytes = 1024;
// Names under which the page already is in the local code page, compared
// byte for byte.
constexpr std::string_view kLocalCharsetNames[] = {"gbk", "gb2312"};

bool isLocalCharsetName(std::string_view name) {
  for (std::string_view local : kLocalCharsetNames) {
    if (name == local) return true;
  }
  return false;
}

}  // namespace

void parseResponseHeaders(std::string_view rawHeaders, Text& cookies,
                          Text& returnedCookies, Text& location,
                          Text& statusText, bool autoMergeCookies) {
  const int lineEnd = findText(rawHeaders, kCrLf, kStatusTextPosition);
  statusText = lineEnd > 0 ? midText(rawHeaders, kStatusTextPosition,
                                     lineEnd - kStatusTextPosition)
                           : Text();

  const int prefixLength = textLength(kLocationPrefix);
  for (const Text& line : splitText(rawHeaders, kCrLf)) {
    if (compareText(leftText(line, prefixLength), kLocationPrefix, false) ==
        0) {
      location = midText(line, prefixLength + 1, textLength(line));
    }
    platform::letPendingEventsThrough();
  }

  returnedCookies = collectSetCookies(rawHeaders);
  if (autoMergeCookies && !cookies.empty()) {
    returnedCookies = mergeCookies(cookies, returnedCookies);
  }
}

Text decodeBodyText(const Bytes& body, RegexObject& regex) {
  Text page = toText(body);
  if (regex.search(kMetaCharsetPattern, leftText(page, kCharsetScanBytes))) {
    const Text name = regex.subMatchText(1, 1);
    if (!name.empty() && !isLocalCharsetName(name)) {
      platform::CharsetStream stream;
      stream.write(body);
      Bytes wide;
      // A name the converters do not know leaves the page as it came.
      if (stream.setCharset(name) && stream.readText(&wide)) {
        page = wideToLocal(wide);
      }
    }
    platform::letPendingEventsThrough();
  }
  return page;
}

}  // namespace lirabel
