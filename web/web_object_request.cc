#include "web/web_object_request.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <string_view>

#include "web/header_cookie.h"

namespace lirabel {

namespace {

constexpr const char* kMethodNames[] = {
    "GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr int kMethodPost = 1;

constexpr std::int32_t kKeepComponentTimeouts = -1;
constexpr int kDefaultTimeoutMs = 15000;
constexpr std::int64_t kMillisecondsPerSecond = 1000;

constexpr std::int32_t kProxyAuthBasic = 1;
constexpr int kRedirectsOff = 0;

struct DefaultHeader {
  std::string_view marker;
  std::string_view line;  // the url follows when appendUrl is set
  bool appendUrl;
  bool onlyForPost;
};

// A desktop browser's request profile, in the order the lines are added.
constexpr DefaultHeader kDefaultHeaders[] = {
    {"Accept:", "Accept: */*", false, false},
    {"Referer:", "Referer: ", true, false},
    {"Accept-Language:", "Accept-Language: zh-cn", false, false},
    {"User-Agent:",
     "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)", false,
     false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded", false,
     true},
};

constexpr std::string_view kProxyAuthorizationName = "Proxy-Authorization";
constexpr std::string_view kBasicPrefix = "Basic ";
constexpr std::string_view kCookieHeaderName = "Cookie";
constexpr std::string_view kCookiePrefix = "Cookie:";
constexpr std::string_view kConnectionName = "Connection";
// Left to the component, which keeps connections alive on its own.
constexpr std::string_view kKeepAliveValue = "keep-alive";

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kBase64Pad = '=';

int timeoutMilliseconds(std::int32_t seconds) {
  if (seconds < 1) return kDefaultTimeoutMs;
  return static_cast<int>(std::min<std::int64_t>(
      std::int64_t{seconds} * kMillisecondsPerSecond, INT_MAX));
}

void setHeaderLine(platform::HttpRequestComponent* request,
                   std::string_view line) {
  if (request) request->setRequestHeader(headerName(line), headerValue(line));
}

}  // namespace

Text base64Encode(const Bytes& data) {
  Text out;
  out.reserve((data.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    std::uint32_t group = (std::uint32_t{data[i]} << 16) |
                          (std::uint32_t{data[i + 1]} << 8) | data[i + 2];
    out += kBase64Alphabet[(group >> 18) & 0x3f];
    out += kBase64Alphabet[(group >> 12) & 0x3f];
    out += kBase64Alphabet[(group >> 6) & 0x3f];
    out += kBase64Alphabet[group & 0x3f];
  }
  const std::size_t rest = data.size() - i;
  if (rest > 0) {
    std::uint32_t group = std::uint32_t{data[i]} << 16;
    if (rest == 2) group |= std::uint32_t{data[i + 1]} << 8;
    out += kBase64Alphabet[(group >> 18) & 0x3f];
    out += kBase64Alphabet[(group >> 12) & 0x3f];
    out += rest == 2 ? kBase64Alphabet[(group >> 6) & 0x3f] : kBase64Pad;
    out += kBase64Pad;
  }
  return out;
}

Bytes WebObjectRequest(const Text& url,
                       const WebObjectRequestOptions& options) {
  const bool autoMergeCookies = options.autoMergeCookies.value_or(true);
  const bool addDefaultHeaders = options.addDefaultHeaders.value_or(true);
  const bool normalizeHeaderCase = options.normalizeHeaderCase.value_or(true);
  const std::int32_t proxyAuthMode =
      options.proxyAuthMode.value_or(kProxyAuthBasic);

  const int method =
      options.method >= 0 && options.method <= 7 ? options.method : 0;
  const std::string_view methodName = kMethodNames[method];

  std::unique_ptr<platform::HttpRequestComponent> owned;
  platform::HttpRequestComponent* request = nullptr;
  if (options.requestObject.has_value()) {
    request = *options.requestObject;
  } else {
    owned = platform::createHttpRequestComponent(
        platform::kHttpRequestComponentName);
    if (!owned) return Bytes();  // no output is touched
    request = owned.get();
  }

  Text scratchHeaders, scratchResponseHeaders, scratchReturnedCookies;
  std::int32_t scratchStatus = 0;
  Text& headers = options.headers ? *options.headers : scratchHeaders;
  Text& responseHeaders = options.responseHeaders ? *options.responseHeaders
                                                  : scratchResponseHeaders;
  Text& returnedCookies = options.returnedCookies ? *options.returnedCookies
                                                  : scratchReturnedCookies;
  std::int32_t& status = options.status ? *options.status : scratchStatus;
  Text* cookies = options.cookies;

  if (request && options.timeoutSeconds != kKeepComponentTimeouts) {
    const int ms = timeoutMilliseconds(options.timeoutSeconds);
    request->setTimeouts(ms, ms, ms, ms);
  }
  if (request && !options.proxy.empty()) {
    request->setProxy(platform::kProxySettingNamed, options.proxy);
  }
  if (request) request->open(methodName, url, false);
  if (request && options.noRedirect) {
    request->setOption(platform::kOptionEnableRedirects, kRedirectsOff);
  }
  if (request) {
    request->setOption(platform::kOptionSslErrorIgnoreFlags,
                       platform::kSslErrorIgnoreFlagsCommon);
  }

  if (addDefaultHeaders) {
    for (const DefaultHeader& row : kDefaultHeaders) {
      if (row.onlyForPost && method != kMethodPost) continue;
      if (findText(headers, row.marker, 1, true) >= 1) continue;
      headers += kCrLf;
      headers += row.line;
      if (row.appendUrl) headers += url;
    }
  }
  if (normalizeHeaderCase) headers = normalizeHeaders(headers);

  if (!options.proxy.empty() && !options.proxyUser.empty() &&
      proxyAuthMode == kProxyAuthBasic && request) {
    const Text credentials = options.proxyUser + ":" + options.proxyPassword;
    Text value(kBasicPrefix);
    value += base64Encode(Bytes(credentials.begin(), credentials.end()));
    request->setRequestHeader(kProxyAuthorizationName, value);
  }

  if (cookies) {
    if (!cookies->empty() && findText(*cookies, kCookiePrefix, 1, true) >= 1) {
      *cookies = replaceText(*cookies, kCookiePrefix);
    }
    if (request) request->setRequestHeader(kCookieHeaderName, *cookies);
  }

  if (findText(headers, kCrLf) < 1) {
    setHeaderLine(request, headers);
  } else {
    for (const Text& line : splitText(headers, kCrLf)) {
      if (line.empty()) continue;
      if (headerName(line) == kConnectionName &&
          headerValue(line) == kKeepAliveValue) {
        continue;
      }
      setHeaderLine(request, line);
    }
  }

  Bytes body;
  if (request) {
    if (!options.postBytes.empty()) {
      request->send(options.postBytes);
    } else {
      request->send(std::string_view(options.postText));
    }
    body = request->takeResponseBody();
    responseHeaders = request->getAllResponseHeaders();
    status = request->status();
  } else {
    responseHeaders.clear();
    status = 0;
  }
  returnedCookies = collectSetCookies(responseHeaders);
  if (autoMergeCookies && cookies) {
    returnedCookies = mergeCookies(*cookies, returnedCookies);
  }
  return body;
}

}  // namespace lirabel
