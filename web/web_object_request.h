// WebObjectRequest: one HTTP or HTTPS request through the request component
// (platform/http_request_component.h), with the system's request conventions
// around it: a method chosen by a small code, a desktop browser's default
// headers, canonical header names, an optional proxy with Basic credentials,
// a cookie string that goes out as "Cookie" and comes back merged with the
// response's "Set-Cookie" lines, and time-outs in seconds.
//
// Every call is self-contained: it makes (or borrows) one request object,
// sends one request and releases what it made before it returns. Nothing is
// raised: a failed request gives an empty body, empty response headers and
// status 0. An HTTP error status is no failure; its body is returned.
//
// The system's own callers pass only the address. The options hold the
// remaining parameters; inputs are values, and outputs and in/out values are
// pointers to the caller's variables (nullptr: left out, written to a
// scratch value that is dropped). Where a left-out value differs from an
// empty one, the option is a pointer or a std::optional.
#ifndef LIRABEL_WEB_WEB_OBJECT_REQUEST_H_
#define LIRABEL_WEB_WEB_OBJECT_REQUEST_H_

#include <cstdint>
#include <optional>

#include "platform/http_request_component.h"
#include "text/text.h"

namespace lirabel {

struct WebObjectRequestOptions {
  // Method code: 0 "GET", 1 "POST", 2 "HEAD", 3 "PUT", 4 "OPTIONS",
  // 5 "DELETE", 6 "TRACE", 7 "CONNECT"; anything else is "GET".
  int method = 0;
  Text postText = {};
  // In/out cookie string. nullptr: no "Cookie" header and no merging; an
  // empty text still sends an empty "Cookie" header.
  Text* cookies = nullptr;
  Text* returnedCookies = nullptr;  // out
  // In/out header block; afterwards it holds the block that was used.
  Text* headers = nullptr;
  Text* responseHeaders = nullptr;  // out
  std::int32_t* status = nullptr;   // out
  bool noRedirect = false;
  // Sent instead of postText when not empty.
  Bytes postBytes = {};
  Text proxy = {};  // empty: no proxy
  // -1 keeps the component's own time-outs; 0 or less is 15 s; each phase.
  std::int32_t timeoutSeconds = 0;
  Text proxyUser = {};
  Text proxyPassword = {};
  // Left out means 1 (Basic credentials); any other value sends none.
  std::optional<std::int32_t> proxyAuthMode = {};
  // Left out: a new object is made for the call. Supplied, the caller's
  // object is used and stays the caller's; a supplied nullptr holds no
  // object, so every operation fails and the result is empty.
  std::optional<platform::HttpRequestComponent*> requestObject = {};
  // Each left out means true.
  std::optional<bool> autoMergeCookies = {};
  std::optional<bool> addDefaultHeaders = {};
  std::optional<bool> normalizeHeaderCase = {};
};

// The response body; empty when there is none or the request failed.
Bytes WebObjectRequest(const Text& url,
                       const WebObjectRequestOptions& options = {});

// Standard Base64 (RFC 4648) with '=' padding and no line breaks.
Text base64Encode(const Bytes& data);

}  // namespace lirabel

#endif  // LIRABEL_WEB_WEB_OBJECT_REQUEST_H_
