#include "web/web_session_request.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/event_pump.h"
#include "text/codepage.h"
#include "text/regex_object.h"
#include "web/header_cookie.h"
#include "web/response_text.h"

namespace lirabel {

namespace {

// The error texts, as UTF-8 here; statusText receives them in the local code
// page. There is no 706.
constexpr std::string_view kError700 = "700 当前系统不支持WinHttp服务!";
constexpr std::string_view kError701 = "701 解析URL地址失败!";
constexpr std::string_view kError702 = "702 创建WinHttp会话失败!";
constexpr std::string_view kError703 = "703 创建WinHttp连接失败!";
constexpr std::string_view kError704 = "704 创建WinHttp请求失败!";
constexpr std::string_view kError705 = "705 设置超时时间失败!";
constexpr std::string_view kError707 = "707 设置代理凭证失败!";
constexpr std::string_view kError708 = "708 禁止自动设置Cookies失败!";
constexpr std::string_view kError709 = "709 重定向设置失败!";
constexpr std::string_view kError710 = "710 设置协议头失败!";
constexpr std::string_view kError711 = "711 发送请求失败!";
constexpr std::string_view kError712 = "712 服务器未响应!";
constexpr std::string_view kError713 = "713 读取数据失败!";

constexpr std::string_view kMethodNames[] = {
    "GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr int kMethodPost = 1;

constexpr int kDefaultTimeoutMs = 30000;
constexpr int kMillisecondsPerSecond = 1000;

constexpr std::string_view kRootObject = "/";
constexpr std::string_view kHttpProxyPrefix = "http=";

struct DefaultHeader {
  std::string_view marker;
  std::string_view line;
  bool onlyForPost;
};
// In this order; a line goes in only when its marker (ASCII case ignored)
// is nowhere in the block built so far.
constexpr DefaultHeader kDefaultHeaders[] = {
    {"User-Agent: ",
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; "
     "Trident/5.0)",
     false},
    {"Accept: ", "Accept: text/html, application/xhtml+xml, */*", false},
    // Names character sets, not content codings: nothing is decoded.
    {"Accept-Encoding: ", "Accept-Encoding: gbk, GB2312", false},
    {"Accept-Language: ", "Accept-Language: zh-cn", false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded", true},
    {"Cache-Control: ", "Cache-Control: no-cache", false},
};

constexpr std::string_view kConnectionName = "Connection";
constexpr std::string_view kKeepAliveValue = "keep-alive";
constexpr std::string_view kKeepAliveLine = "Connection: keep-alive\r\n";
constexpr std::string_view kCookieMarker = "Cookie:";
constexpr std::string_view kCookieLinePrefix = "Cookie: ";
constexpr std::string_view kHeaderSeparator = ": ";

Text localText(std::string_view utf8) {
  return utf8ToLocal(reinterpret_cast<const std::uint8_t*>(utf8.data()),
                     utf8.size());
}

std::string_view methodName(int method) {
  if (method < 0 || method >= static_cast<int>(std::size(kMethodNames))) {
    return kMethodNames[0];
  }
  return kMethodNames[method];
}

int timeoutMilliseconds(int timeoutSeconds) {
  if (timeoutSeconds < 1) return kDefaultTimeoutMs;
  // A huge number of seconds means "as long as can be said", not overflow.
  const std::int64_t ms =
      static_cast<std::int64_t>(timeoutSeconds) * kMillisecondsPerSecond;
  return static_cast<int>(std::min<std::int64_t>(ms, INT_MAX));
}

Text composeHeaderBlock(const WebSessionRequestOptions& options,
                        const Text& cookies, bool addDefaultHeaders,
                        bool normalizeHeaderCase) {
  Text block;
  if (!options.headers.empty()) {
    block = options.headers;
    block += kCrLf;
  }
  if (addDefaultHeaders) {
    for (const DefaultHeader& row : kDefaultHeaders) {
      if (row.onlyForPost && options.method != kMethodPost) continue;
      if (findText(block, row.marker, 1, true) > 0) continue;
      block += row.line;
      block += kCrLf;
    }
  }
  if (normalizeHeaderCase) block = normalizeHeaders(block);
  if (findText(block, kConnectionName) > 0 &&
      lookupHeader(block, kConnectionName) == kKeepAliveValue) {
    block = replaceText(block, kKeepAliveLine, {}, 1, kUnlimited, true);
  }
  if (findText(block, kCookieMarker, 1, true) < 1 && !cookies.empty()) {
    block += kCrLf;
    // Cookies that already say "Cookie:" are taken as complete lines.
    if (findText(cookies, kCookieMarker, 1, true) < 1) {
      block += kCookieLinePrefix;
    }
    block += cookies;
    block += kCrLf;
  }
  return block;
}

}  // namespace

Text lookupHeader(std::string_view block, std::string_view name) {
  for (const Text& line : splitText(block, kCrLf)) {
    if (leftText(line, textLength(name)) == name) {
      Text marker(name);
      marker += kHeaderSeparator;
      return textAfterLast(line, marker);
    }
  }
  return {};
}

Text textAfterLast(std::string_view text, std::string_view marker,
                   int startPosition, bool ignoreCase) {
  const int p = findTextLast(text, marker, startPosition, ignoreCase);
  if (p < 1) return {};
  return rightText(text, textLength(text) - textLength(marker) - p + 1);
}

Text WebSessionRequest(const Text& url,
                       const WebSessionRequestOptions& options) {
  std::unique_ptr<platform::HttpSession> layer =
      platform::makeCurlHttpSession();
  return WebSessionRequest(*layer, url, options);
}

Text WebSessionRequest(platform::HttpSession& layer, const Text& url,
                       const WebSessionRequestOptions& options) {
  // Left-out outputs land in scratch values that go with the call.
  Text scratchCookies, scratchReturnedCookies, scratchResponseHeaders,
      scratchLocation, scratchStatusText;
  Bytes scratchResponseBytes;
  Text& cookies = options.cookies ? *options.cookies : scratchCookies;
  Text& returnedCookies = options.returnedCookies ? *options.returnedCookies
                                                  : scratchReturnedCookies;
  Text& responseHeaders = options.responseHeaders ? *options.responseHeaders
                                                  : scratchResponseHeaders;
  Text& location = options.location ? *options.location : scratchLocation;
  Text& statusText =
      options.statusText ? *options.statusText : scratchStatusText;
  Bytes& responseBytes =
      options.responseBytes ? *options.responseBytes : scratchResponseBytes;

  const bool autoMergeCookies = options.autoMergeCookies.value_or(true);
  const bool addDefaultHeaders = options.addDefaultHeaders.value_or(true);
  const bool normalizeHeaderCase = options.normalizeHeaderCase.value_or(true);

  RegexObject regex;  // for the charset search, held for the whole call
  // Declared in opening order, so that leaving the scope would also close
  // them request first.
  platform::HttpHandle session, connection, request;
  Text page;

  auto closeAll = [&] {
    for (platform::HttpHandle* handle : {&request, &connection, &session}) {
      if (*handle) layer.closeHandle(*handle);
    }
  };
  auto finish = [&]() -> Text {
    platform::letPendingEventsThrough();
    closeAll();
    return page;
  };
  auto failWith = [&](std::string_view error) -> Text {
    statusText = localText(error);
    return finish();
  };
  // The configuration errors return at once, without letting events in.
  auto returnAtOnce = [&](std::string_view error) -> Text {
    statusText = localText(error);
    closeAll();
    return Text();
  };

  if (!layer.checkPlatform()) return failWith(kError700);

  platform::UrlParts parts;
  if (!layer.crackUrl(localToWide(url), &parts)) return failWith(kError701);
  const bool secure = parts.secure;
  const Text host = wideToLocal(parts.host);
  const Text path = wideToLocal(parts.path);
  // With no path the query still follows the "/".
  const Text objectName =
      (path.empty() ? Text(kRootObject) : path) + wideToLocal(parts.extraInfo);

  const int accessType = options.proxy.empty()
                             ? platform::kAccessTypeNoProxy
                             : platform::kAccessTypeNamedProxy;
  Text proxyString;
  if (!options.proxy.empty()) {
    proxyString =
        secure ? options.proxy : Text(kHttpProxyPrefix) + options.proxy;
  }

  session = layer.openSession(accessType, localToWide(proxyString));
  if (!session) return failWith(kError702);

  const int timeoutMs = timeoutMilliseconds(options.timeoutSeconds);
  if (!layer.setTimeouts(session, timeoutMs, timeoutMs, timeoutMs, timeoutMs)) {
    return failWith(kError705);
  }

  connection = layer.connect(session, localToWide(host), parts.port);
  if (!connection) return failWith(kError703);

  request = layer.openRequest(
      connection, localToWide(methodName(options.method)),
      localToWide(objectName), secure ? platform::kRequestFlagSecure : 0);
  if (!request) return failWith(kError704);

  if (!options.serverUser.empty() && !options.serverPassword.empty() &&
      !layer.setCredentials(request, platform::kAuthTargetServer,
                            platform::kAuthSchemeBasic,
                            localToWide(options.serverUser),
                            localToWide(options.serverPassword))) {
    return returnAtOnce(kError707);
  }
  if (!options.proxyUser.empty() && !options.proxyPassword.empty() &&
      !layer.setCredentials(
          request, platform::kAuthTargetProxy, platform::kAuthSchemeBasic,
          localToWide(options.proxyUser), localToWide(options.proxyPassword))) {
    return returnAtOnce(kError707);
  }

  const bool cookiePolicySet =
      cookies.empty()
          ? layer.setOption(request, platform::kOptionDisableFeature,
                            platform::kDisableCookies)
          : layer.setOption(request, platform::kOptionEnableFeature,
                            platform::kEnableSslRevocation);
  if (!cookiePolicySet) return returnAtOnce(kError708);

  if (options.noRedirect &&
      !layer.setOption(request, platform::kOptionDisableFeature,
                       platform::kDisableRedirects)) {
    return returnAtOnce(kError709);
  }

  const Text block = composeHeaderBlock(options, cookies, addDefaultHeaders,
                                        normalizeHeaderCase);
  if (!layer.addRequestHeaders(request, localToWide(block),
                               platform::kAddHeadersAdd)) {
    return failWith(kError710);
  }

  const Bytes requestBody =
      !options.postBytes.empty()
          ? options.postBytes
          : Bytes(options.postText.begin(), options.postText.end());
  if (!layer.sendRequest(request, requestBody)) return failWith(kError711);
  if (!layer.receiveResponse(request)) return failWith(kError712);

  Bytes body;
  while (true) {
    std::size_t available = 0;
    if (!layer.queryDataAvailable(request, &available) || available < 1) {
      break;
    }
    std::vector<std::uint8_t> buffer(available);
    std::size_t read = 0;
    if (!layer.readData(request, buffer.data(), buffer.size(), &read)) {
      statusText = localText(kError713);
      break;
    }
    read = std::min(read, buffer.size());
    body.insert(body.end(), buffer.begin(), buffer.begin() + read);
  }

  Bytes rawWide;
  if (!layer.queryHeaders(request, platform::kQueryRawHeadersCrlf, &rawWide)) {
    return finish();
  }
  const Text rawHeaders = wideToLocal(rawWide);
  responseHeaders = rawHeaders;
  parseResponseHeaders(rawHeaders, cookies, returnedCookies, location,
                       statusText, autoMergeCookies);

  responseBytes = std::move(body);
  page = decodeBodyText(responseBytes, regex);
  return finish();
}

}  // namespace lirabel
