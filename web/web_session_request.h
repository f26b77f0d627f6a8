// WebSessionRequest: one HTTP or HTTPS request through the session layer
// (platform/http_session.h), whose handles form a chain: a session, a
// connection to one host and port inside it, one request on that connection.
// The call opens the chain, configures the request (time-outs, proxy, server
// and proxy credentials, cookie and redirect policy), sends a header block
// composed from the caller's lines and a browser's default lines, reads the
// whole response and returns the body as page text in the local code page,
// decoded from the character set the page declares (web/response_text.h).
//
// Every call is self-contained: it opens its own handles and closes them,
// request, connection, session, before it returns, on every path. Nothing is
// raised: a failing step leaves a numbered error text in statusText and the
// result is empty. An HTTP error status is no failure; its page is returned.
//
// The system's own caller passes only the address. The options hold the
// other twenty parameters in their usual order; inputs are values, outputs
// and in/out values are pointers to the caller's variables (nullptr: left
// out, written to a scratch value that is dropped). Outputs are written only
// on the paths that reach them; otherwise they keep what they held.
#ifndef LIRABEL_WEB_WEB_SESSION_REQUEST_H_
#define LIRABEL_WEB_WEB_SESSION_REQUEST_H_

#include <optional>
#include <string_view>

#include "platform/http_session.h"
#include "text/text.h"

namespace lirabel {

struct WebSessionRequestOptions {
  // Method code: 0 "GET", 1 "POST", 2 "HEAD", 3 "PUT", 4 "OPTIONS",
  // 5 "DELETE", 6 "TRACE", 7 "CONNECT"; anything else is "GET".
  int method = 0;
  Text postText;  // the body when postBytes is empty
  // In/out cookie string: sent as a "Cookie" line unless the headers carry
  // one; receives the merged cookies when autoMergeCookies is on.
  Text* cookies = nullptr;
  Text* returnedCookies = nullptr;  // out: the cookies the response set
  Text headers;                     // the caller's header lines
  Text* responseHeaders = nullptr;  // out: the raw response header block
  bool noRedirect = false;          // the layer must not follow redirects
  Text serverUser;
  Text serverPassword;
  Text proxy;  // "host:port"; empty means a direct connection
  Text proxyUser;
  Text proxyPassword;
  int timeoutSeconds = 0;          // per phase; 0 or less means 30 s
  Text* location = nullptr;        // out: the "Location" target
  Text* statusText = nullptr;      // out: "200 OK", or an error text
  Bytes* responseBytes = nullptr;  // out: the body as received
  // Each left out means true; a supplied false stays false.
  std::optional<bool> autoMergeCookies;
  std::optional<bool> addDefaultHeaders;
  Bytes postBytes;  // the body; wins over postText when not empty
  std::optional<bool> normalizeHeaderCase;
};

// The page text; empty when the request failed.
Text WebSessionRequest(const Text& url,
                       const WebSessionRequestOptions& options = {});

// The same over a given session layer, which stays the caller's. Tests hand
// in one that fails a chosen step.
Text WebSessionRequest(platform::HttpSession& layer, const Text& url,
                       const WebSessionRequestOptions& options = {});

// The value of the first line of block that begins with name (exact case):
// the text after the last "name: " in that line, untrimmed; empty when no
// line begins with name.
Text lookupHeader(std::string_view block, std::string_view name);

// The text after the last occurrence of marker that lies wholly before
// startPosition (by default the whole text is searched); empty when there is
// none.
Text textAfterLast(std::string_view text, std::string_view marker,
                   int startPosition = kEndOfText, bool ignoreCase = false);

}  // namespace lirabel

#endif  // LIRABEL_WEB_WEB_SESSION_REQUEST_H_
