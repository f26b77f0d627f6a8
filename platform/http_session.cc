// The session interface over libcurl's easy interface.
//
// libcurl runs a whole exchange in one blocking curl_easy_perform, so
// sendRequest performs it, keeping the final response's header lines and
// body in the request handle; receiveResponse, queryDataAvailable, readData
// and queryHeaders then report from what was kept. Where the exchange broke
// off decides which of those steps reports the failure, so a caller sees the
// same step fail as with an interface that sends, waits and reads one piece
// at a time.
#include "platform/http_session.h"

#include <curl/curl.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage_converter.h"
#include "platform/curl_handles.h"

namespace lirabel::platform {

namespace {

// The body is kept in pieces of this size, each released once it has been
// read, so a long body is never held twice.
constexpr std::size_t kBodyPieceBytes = 64 * 1024;
// As many redirects as a browser-like client follows before giving up.
constexpr long kMaxRedirects = 10;
constexpr long kIdleLowSpeedBytesPerSecond = 1;
constexpr int kNoLimitMs = -1;
constexpr int kMillisecondsPerSecond = 1000;
constexpr int kDefaultHttpPort = 80;
constexpr int kDefaultHttpsPort = 443;
constexpr int kMaxPort = 65535;
constexpr const char* kSchemeHttp = "http";
constexpr const char* kSchemeHttps = "https";
constexpr const char* kAllowedProtocols = "http,https";
constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kStatusLinePrefix = "HTTP/";
constexpr std::string_view kConnectMethodPrefix = "CONNECT ";
constexpr std::string_view kLocationHeader = "location";
// Lines that remove what libcurl would add by itself, so the request carries
// the caller's block and nothing else but Host and the framing lines.
constexpr const char* kRemoveAccept = "Accept:";
constexpr const char* kRemoveExpect = "Expect:";
constexpr const char* kRemoveContentType = "Content-Type:";

// --- Text conversions at the edge of the interface. ---

// UTF-16LE code units up to the first NUL (an odd last byte ignored).
std::u16string wideUnits(const Bytes& wide) {
  std::u16string units;
  units.reserve(wide.size() / 2);
  for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
    char16_t unit = static_cast<char16_t>(wide[i] | (wide[i + 1] << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return units;
}

Bytes unitsToWide(const UChar* units, std::size_t count) {
  Bytes wide;
  wide.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    wide.push_back(static_cast<std::uint8_t>(units[i] & 0xFF));
    wide.push_back(static_cast<std::uint8_t>(units[i] >> 8));
  }
  return wide;
}

// What libcurl gets: UTF-8, a lone surrogate becoming U+FFFD.
std::string wideToUtf8(const Bytes& wide) {
  std::u16string units = wideUnits(wide);
  if (units.empty() || units.size() > INT32_MAX / 3) return {};
  std::string out(units.size() * 3, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length,
                     reinterpret_cast<const UChar*>(units.data()),
                     static_cast<int32_t>(units.size()), 0xFFFD, nullptr,
                     &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<std::size_t>(length));
  return out;
}

// Strict UTF-8 to UTF-16LE; false when the bytes are not UTF-8.
bool utf8ToWide(std::string_view utf8, Bytes* wide) {
  wide->clear();
  if (utf8.empty()) return true;
  if (utf8.size() > INT32_MAX) return false;
  std::vector<UChar> units(utf8.size());
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8(units.data(), static_cast<int32_t>(units.size()), &length,
                utf8.data(), static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status)) return false;
  *wide = unitsToWide(units.data(), static_cast<std::size_t>(length));
  return true;
}

// Response header bytes as UTF-16LE: UTF-8 when they are, else GBK, which
// is what this service's servers send otherwise.
Bytes headerBytesToWide(std::string_view raw) {
  Bytes wide;
  if (utf8ToWide(raw, &wide)) return wide;
  std::u16string units = multiByteToWide(CodePage::kGbk, raw);
  return unitsToWide(reinterpret_cast<const UChar*>(units.data()),
                     units.size());
}

// --- Small text helpers. ---

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
    text.remove_suffix(1);
  }
  return text;
}

std::string_view withoutLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
    line.remove_suffix(1);
  }
  return line;
}

std::vector<std::string_view> splitLines(std::string_view block) {
  std::vector<std::string_view> lines;
  while (!block.empty()) {
    std::size_t end = block.find(kCrLf);
    if (end == std::string_view::npos) {
      lines.push_back(block);
      break;
    }
    lines.push_back(block.substr(0, end));
    block.remove_prefix(end + kCrLf.size());
  }
  return lines;
}

// Percent-escapes what may not stand in a request target as it goes out:
// controls, spaces and every byte of a non-ASCII character.
std::string escapeObjectName(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    if (c <= 0x20 || c >= 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool urlPart(CURLU* url, CURLUPart part, unsigned flags, std::string* out,
             bool* present = nullptr) {
  char* raw = nullptr;
  CURLUcode rc = curl_url_get(url, part, &raw, flags);
  CurlString owned(raw);
  if (present) *present = (rc == CURLUE_OK);
  if (rc != CURLUE_OK) {
    out->clear();
    return present != nullptr;  // an optional part may be missing
  }
  out->assign(owned.get());
  return true;
}

// --- What the handles keep. ---

struct SessionSettings {
  int accessType = kAccessTypeNoProxy;
  std::string proxyList;     // UTF-8, as given
  int connectTimeoutMs = 0;  // 0: libcurl's own connect limit
  int idleTimeoutMs = 0;     // 0: none
};

class SessionState : public HttpHandle::State {
 public:
  SessionSettings settings;
};

class ConnectionState : public HttpHandle::State {
 public:
  SessionSettings settings;
  std::string host;
  int port = 0;
};

// Where a performed exchange broke off.
enum class Outcome {
  kNotSent,        // nothing performed yet
  kSendFailed,     // the request did not go out whole
  kReceiveFailed,  // it went out, but the final response's headers never came
  kBodyFailed,     // headers came, the body broke off
  kComplete,
};

class RequestState : public HttpHandle::State {
 public:
  CurlEasy curl;
  SessionSettings settings;
  std::string host;
  int port = 0;
  bool secure = false;
  std::string method;
  std::string objectName;

  bool serverCredentials = false;
  std::string serverUser, serverPassword;
  bool proxyCredentials = false;
  std::string proxyUser, proxyPassword;
  bool cookieStore = false;
  bool followRedirects = true;
  std::vector<std::string> headerLines;  // libcurl's form, in order
  std::vector<std::string> headerNames;

  Outcome outcome = Outcome::kNotSent;
  bool bodyFailureReported = false;

  // Filled while the exchange runs.
  bool tunnelling = false;
  bool tunnelRequestSeen = false;
  bool requestHeadSent = false;
  std::size_t bodyBytesSent = 0;
  std::size_t bodyBytesToSend = 0;
  bool finalHeadersArrived = false;
  bool blockHasLocation = false;
  bool bodyStarted = false;
  long blockStatus = 0;
  std::string rawHeaders;  // the latest response's lines, each with CR LF
  std::deque<Bytes> body;
  std::size_t frontOffset = 0;
};

// --- libcurl callbacks. ---

size_t onHeader(char* data, size_t size, size_t count, void* user) {
  auto* request = static_cast<RequestState*>(user);
  const size_t bytes = size * count;
  std::string_view line(data, bytes);
  if (line.substr(0, kStatusLinePrefix.size()) == kStatusLinePrefix) {
    // A new response: only the final one's lines and body are kept.
    request->rawHeaders.clear();
    request->body.clear();
    request->frontOffset = 0;
    request->finalHeadersArrived = false;
    request->blockHasLocation = false;
    request->bodyStarted = false;
    request->blockStatus = 0;
    std::size_t space = line.find(' ');
    if (space != std::string_view::npos) {
      request->blockStatus = std::strtol(
          std::string(line.substr(space + 1, 3)).c_str(), nullptr, 10);
    }
  } else if (request->bodyStarted) {
    return bytes;  // trailers of a chunked body are not part of the block
  }
  std::string_view content = withoutLineEnd(line);
  if (content.empty()) {
    const long status = request->blockStatus;
    const bool interim = status >= 100 && status < 200;
    const bool followed = request->followRedirects && status >= 300 &&
                          status < 400 && status != 304 &&
                          request->blockHasLocation;
    request->finalHeadersArrived = !interim && !followed;
    return bytes;
  }
  if (startsWithIgnoringCase(content, kLocationHeader) &&
      content.size() > kLocationHeader.size() &&
      trimBlanks(content.substr(kLocationHeader.size())).substr(0, 1) == ":") {
    request->blockHasLocation = true;
  }
  request->rawHeaders.append(content);
  request->rawHeaders.append(kCrLf);
  return bytes;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
  auto* request = static_cast<RequestState*>(user);
  const size_t bytes = size * count;
  request->bodyStarted = true;
  const auto* begin = reinterpret_cast<const std::uint8_t*>(data);
  const auto* end = begin + bytes;
  while (begin != end) {
    if (request->body.empty() ||
        request->body.back().size() >= kBodyPieceBytes) {
      request->body.emplace_back();
      request->body.back().reserve(kBodyPieceBytes);
    }
    Bytes& piece = request->body.back();
    std::size_t take = std::min<std::size_t>(kBodyPieceBytes - piece.size(),
                                             static_cast<size_t>(end - begin));
    piece.insert(piece.end(), begin, begin + take);
    begin += take;
  }
  return bytes;
}

// Watches what goes out, to tell a request that never left from one whose
// answer never came. Everything else libcurl reports is dropped.
int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  auto* request = static_cast<RequestState*>(user);
  if (type == CURLINFO_HEADER_OUT) {
    std::string_view head(data, size);
    if (request->tunnelling && !request->tunnelRequestSeen &&
        head.substr(0, kConnectMethodPrefix.size()) == kConnectMethodPrefix) {
      request->tunnelRequestSeen = true;
    } else {
      request->requestHeadSent = true;
    }
  } else if (type == CURLINFO_DATA_OUT && request->requestHeadSent) {
    request->bodyBytesSent += size;
  }
  return 0;
}

// --- Proxy strings. ---

// The non-empty entries of a proxy list, which separates them by ";", space
// or tab.
std::vector<std::string_view> proxyEntries(std::string_view list) {
  std::vector<std::string_view> entries;
  std::size_t pos = 0;
  while (pos < list.size()) {
    std::size_t end = list.find_first_of("; \t", pos);
    if (end == std::string_view::npos) end = list.size();
    if (end > pos) entries.push_back(list.substr(pos, end - pos));
    pos = end + 1;
  }
  return entries;
}

// The proxy for scheme out of a list of "host:port" and "scheme=host:port"
// entries; a scheme's own entry wins over a general one. Empty when none
// applies.
std::string proxyFor(std::string_view list, std::string_view scheme) {
  std::string general;
  for (std::string_view entry : proxyEntries(list)) {
    std::size_t equals = entry.find('=');
    std::size_t slashes = entry.find("://");
    if (equals != std::string_view::npos &&
        (slashes == std::string_view::npos || equals < slashes)) {
      if (equalsIgnoringCase(entry.substr(0, equals), scheme)) {
        return std::string(entry.substr(equals + 1));
      }
    } else if (general.empty()) {
      general = std::string(entry);
    }
  }
  return general;
}

bool proxyListValid(std::string_view list) {
  std::vector<std::string_view> entries = proxyEntries(list);
  for (std::string_view entry : entries) {
    std::size_t equals = entry.find('=');
    if (equals == 0 || equals + 1 == entry.size()) return false;
  }
  return !entries.empty();
}

// --- Setting up and running one exchange. ---

class Setup {
 public:
  explicit Setup(CURL* curl) : curl_(curl) {}
  template <typename T>
  Setup& set(CURLoption option, T value) {
    if (ok_ && curl_easy_setopt(curl_, option, value) != CURLE_OK) ok_ = false;
    return *this;
  }
  bool ok() const { return ok_; }

 private:
  CURL* curl_;
  bool ok_ = true;
};

std::string requestUrl(const RequestState& request) {
  std::string host = request.host;
  if (host.find(':') != std::string::npos && host.front() != '[') {
    host = "[" + host + "]";
  }
  int port = request.port;
  if (port == 0) port = request.secure ? kDefaultHttpsPort : kDefaultHttpPort;
  std::string object = request.objectName;
  if (object.empty() || object.front() != '/') object.insert(0, "/");
  return std::string(request.secure ? kSchemeHttps : kSchemeHttp) + "://" +
         host + ":" + std::to_string(port) + escapeObjectName(object);
}

bool hasHeaderNamed(const RequestState& request, std::string_view name) {
  for (const std::string& n : request.headerNames) {
    if (equalsIgnoringCase(n, name)) return true;
  }
  return false;
}

Outcome perform(RequestState& request, const Bytes& body,
                CurlHeaderList& headers) {
  CURL* curl = request.curl.get();
  const std::string& method = request.method;
  // POST and PUT always frame a body, an empty one as "Content-Length: 0".
  const bool sendsBody = method != "HEAD" &&
                         (!body.empty() || method == "POST" || method == "PUT");
  request.bodyBytesToSend = body.size();

  for (const std::string& line : request.headerLines) {
    if (!headers.append(line)) return Outcome::kSendFailed;
  }
  if (!hasHeaderNamed(request, "Accept") && !headers.append(kRemoveAccept)) {
    return Outcome::kSendFailed;
  }
  if (!hasHeaderNamed(request, "Expect") && !headers.append(kRemoveExpect)) {
    return Outcome::kSendFailed;
  }
  if (sendsBody && !hasHeaderNamed(request, "Content-Type") &&
      !headers.append(kRemoveContentType)) {
    return Outcome::kSendFailed;
  }

  const std::string url = requestUrl(request);
  Setup setup(curl);
  setup.set(CURLOPT_URL, url.c_str())
      .set(CURLOPT_PROTOCOLS_STR, kAllowedProtocols)
      .set(CURLOPT_REDIR_PROTOCOLS_STR, kAllowedProtocols)
      .set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1))
      .set(CURLOPT_NOSIGNAL, 1L)
      .set(CURLOPT_HTTPHEADER, headers.get())
      .set(CURLOPT_HTTP_CONTENT_DECODING, 0L)
      .set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L)
      .set(CURLOPT_HEADERFUNCTION, onHeader)
      .set(CURLOPT_HEADERDATA, &request)
      .set(CURLOPT_WRITEFUNCTION, onBody)
      .set(CURLOPT_WRITEDATA, &request)
      .set(CURLOPT_DEBUGFUNCTION, onDebug)
      .set(CURLOPT_DEBUGDATA, &request)
      .set(CURLOPT_VERBOSE, 1L)
      .set(CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L)
      .set(CURLOPT_MAXREDIRS, kMaxRedirects);

  if (method == "HEAD") {
    setup.set(CURLOPT_NOBODY, 1L);
  } else if (sendsBody) {
    // body outlives the perform below, so libcurl need not copy it.
    setup.set(CURLOPT_POST, 1L)
        .set(CURLOPT_POSTFIELDS, static_cast<const void*>(body.data()))
        .set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    if (method != "POST") setup.set(CURLOPT_CUSTOMREQUEST, method.c_str());
  } else if (method == "GET") {
    setup.set(CURLOPT_HTTPGET, 1L);
  } else {
    setup.set(CURLOPT_CUSTOMREQUEST, method.c_str());
  }

  const SessionSettings& s = request.settings;
  if (s.connectTimeoutMs > 0) {
    setup.set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(s.connectTimeoutMs));
  }
  if (s.idleTimeoutMs > 0) {
    // Whole seconds, rounded up, so that a limit below one second still is
    // one.
    const long seconds =
        (static_cast<long>(s.idleTimeoutMs) + kMillisecondsPerSecond - 1) /
        kMillisecondsPerSecond;
    setup.set(CURLOPT_LOW_SPEED_LIMIT, kIdleLowSpeedBytesPerSecond)
        .set(CURLOPT_LOW_SPEED_TIME, seconds);
  }

  std::string proxy;
  if (s.accessType == kAccessTypeNamedProxy) {
    proxy = proxyFor(s.proxyList, request.secure ? kSchemeHttps : kSchemeHttp);
    if (!proxy.empty() && proxy.find("://") == std::string::npos) {
      proxy.insert(0, "http://");
    }
  }
  if (s.accessType != kAccessTypeDefaultProxy) {
    // An empty proxy also keeps the environment's proxy variables out; an
    // empty no-proxy list keeps a named proxy from being bypassed.
    setup.set(CURLOPT_PROXY, proxy.c_str()).set(CURLOPT_NOPROXY, "");
  }
  request.tunnelling = !proxy.empty() && request.secure;

  if (request.serverCredentials) {
    setup.set(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC))
        .set(CURLOPT_USERNAME, request.serverUser.c_str())
        .set(CURLOPT_PASSWORD, request.serverPassword.c_str());
  }
  if (request.proxyCredentials) {
    setup.set(CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC))
        .set(CURLOPT_PROXYUSERNAME, request.proxyUser.c_str())
        .set(CURLOPT_PROXYPASSWORD, request.proxyPassword.c_str());
  }
  if (request.cookieStore) {
    // An empty file name starts an empty store in memory; nothing is saved.
    setup.set(CURLOPT_COOKIEFILE, "");
  }
  if (!setup.ok()) return Outcome::kSendFailed;

  const CURLcode rc = curl_easy_perform(curl);
  // Nothing may point into this call's locals once it returns.
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, static_cast<const void*>(nullptr));
  if (rc == CURLE_OK) return Outcome::kComplete;
  const bool sentWhole = request.requestHeadSent &&
                         request.bodyBytesSent >= request.bodyBytesToSend;
  if (!sentWhole) return Outcome::kSendFailed;
  if (!request.finalHeadersArrived) return Outcome::kReceiveFailed;
  return Outcome::kBodyFailed;
}

template <typename T>
T* stateOf(HttpHandle& handle) {
  return dynamic_cast<T*>(handle.state());
}

bool received(const RequestState* request) {
  return request != nullptr && (request->outcome == Outcome::kComplete ||
                                request->outcome == Outcome::kBodyFailed);
}

bool validTimeout(int ms) { return ms >= kNoLimitMs; }

int limitOf(int a, int b) {
  // 0 and -1 both mean no limit.
  return std::max(std::max(a, 0), std::max(b, 0));
}

class CurlHttpSession : public HttpSession {
 public:
  bool checkPlatform() override {
    if (!curlReady()) return false;
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    return info != nullptr && info->protocols != nullptr;
  }

  bool crackUrl(const Bytes& url, UrlParts* parts) override {
    const std::string text = wideToUtf8(url);
    if (text.empty() || parts == nullptr || !curlReady()) return false;
    CurlUrl handle(curl_url());
    if (!handle) return false;
    if (curl_url_set(handle.get(), CURLUPART_URL, text.c_str(),
                     CURLU_PATH_AS_IS | CURLU_ALLOW_SPACE) != CURLUE_OK) {
      return false;
    }
    std::string scheme, host, port, path, query, fragment;
    bool hasQuery = false, hasFragment = false;
    if (!urlPart(handle.get(), CURLUPART_SCHEME, 0, &scheme) ||
        !urlPart(handle.get(), CURLUPART_HOST, 0, &host) ||
        !urlPart(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT, &port) ||
        !urlPart(handle.get(), CURLUPART_PATH, 0, &path) ||
        !urlPart(handle.get(), CURLUPART_QUERY, 0, &query, &hasQuery) ||
        !urlPart(handle.get(), CURLUPART_FRAGMENT, 0, &fragment,
                 &hasFragment)) {
      return false;
    }
    const bool secure = equalsIgnoringCase(scheme, kSchemeHttps);
    if ((!secure && !equalsIgnoringCase(scheme, kSchemeHttp)) || host.empty()) {
      return false;
    }
    char* end = nullptr;
    const long number = std::strtol(port.c_str(), &end, 10);
    if (port.empty() || *end != '\0' || number < 1 || number > kMaxPort) {
      return false;
    }
    std::string extra;
    if (hasQuery) extra += "?" + query;
    if (hasFragment) extra += "#" + fragment;
    UrlParts result;
    result.secure = secure;
    result.port = static_cast<int>(number);
    if (!utf8ToWide(host, &result.host) || !utf8ToWide(path, &result.path) ||
        !utf8ToWide(extra, &result.extraInfo)) {
      return false;
    }
    *parts = std::move(result);
    return true;
  }

  HttpHandle openSession(int accessType, const Bytes& proxy) override {
    if (!curlReady()) return {};
    auto state = std::make_unique<SessionState>();
    state->settings.accessType = accessType;
    switch (accessType) {
      case kAccessTypeNoProxy:
      case kAccessTypeDefaultProxy:
        break;
      case kAccessTypeNamedProxy:
        state->settings.proxyList = wideToUtf8(proxy);
        if (!proxyListValid(state->settings.proxyList)) return {};
        break;
      default:
        return {};
    }
    return HttpHandle(std::move(state));
  }

  bool setTimeouts(HttpHandle& session, int resolveMs, int connectMs,
                   int sendMs, int receiveMs) override {
    auto* state = stateOf<SessionState>(session);
    if (state == nullptr || !validTimeout(resolveMs) ||
        !validTimeout(connectMs) || !validTimeout(sendMs) ||
        !validTimeout(receiveMs)) {
      return false;
    }
    state->settings.connectTimeoutMs = limitOf(resolveMs, connectMs);
    state->settings.idleTimeoutMs = limitOf(sendMs, receiveMs);
    return true;
  }

  HttpHandle connect(HttpHandle& session, const Bytes& host,
                     int port) override {
    auto* state = stateOf<SessionState>(session);
    if (state == nullptr || port < 0 || port > kMaxPort) return {};
    auto connection = std::make_unique<ConnectionState>();
    connection->settings = state->settings;
    connection->host = wideToUtf8(host);
    connection->port = port;
    if (connection->host.empty()) return {};
    return HttpHandle(std::move(connection));
  }

  HttpHandle openRequest(HttpHandle& connection, const Bytes& method,
                         const Bytes& objectName,
                         std::uint32_t flags) override {
    auto* state = stateOf<ConnectionState>(connection);
    if (state == nullptr || (flags & ~kRequestFlagSecure) != 0) return {};
    auto request = std::make_unique<RequestState>();
    request->settings = state->settings;
    request->host = state->host;
    request->port = state->port;
    request->secure = (flags & kRequestFlagSecure) != 0;
    request->method = wideToUtf8(method);
    request->objectName = wideToUtf8(objectName);
    if (request->method.empty() ||
        request->method.find_first_of(" \t\r\n") != std::string::npos) {
      return {};
    }
    // The address must be one libcurl will take, or the request is refused
    // here rather than at sending.
    CurlUrl check(curl_url());
    if (!check ||
        curl_url_set(check.get(), CURLUPART_URL, requestUrl(*request).c_str(),
                     CURLU_PATH_AS_IS) != CURLUE_OK) {
      return {};
    }
    request->curl.reset(curl_easy_init());
    if (!request->curl) return {};
    return HttpHandle(std::move(request));
  }

  bool setCredentials(HttpHandle& request, int target, int scheme,
                      const Bytes& user, const Bytes& password) override {
    auto* state = stateOf<RequestState>(request);
    if (state == nullptr || state->outcome != Outcome::kNotSent ||
        scheme != kAuthSchemeBasic) {
      return false;
    }
    if (target == kAuthTargetServer) {
      state->serverCredentials = true;
      state->serverUser = wideToUtf8(user);
      state->serverPassword = wideToUtf8(password);
    } else if (target == kAuthTargetProxy) {
      state->proxyCredentials = true;
      state->proxyUser = wideToUtf8(user);
      state->proxyPassword = wideToUtf8(password);
    } else {
      return false;
    }
    return true;
  }

  bool setOption(HttpHandle& request, int option,
                 std::uint32_t value) override {
    auto* state = stateOf<RequestState>(request);
    if (state == nullptr || state->outcome != Outcome::kNotSent) return false;
    if (option == kOptionDisableFeature) {
      if (value == 0 || (value & ~(kDisableCookies | kDisableRedirects)) != 0) {
        return false;
      }
      if (value & kDisableCookies) state->cookieStore = false;
      if (value & kDisableRedirects) state->followRedirects = false;
      return true;
    }
    if (option == kOptionEnableFeature && value == kEnableSslRevocation) {
      // The caller sends cookies of its own: keep a cookie store for this
      // request, so cookies that a followed redirect sets go along to the
      // next hop. libcurl's TLS back end checks no revocation lists.
      state->cookieStore = true;
      return true;
    }
    return false;
  }

  bool addRequestHeaders(HttpHandle& request, const Bytes& headers,
                         std::uint32_t modifiers) override {
    auto* state = stateOf<RequestState>(request);
    if (state == nullptr || state->outcome != Outcome::kNotSent ||
        modifiers != kAddHeadersAdd) {
      return false;
    }
    const std::string block = wideToUtf8(headers);
    std::vector<std::string> lines, names;
    for (std::string_view line : splitLines(block)) {
      if (line.empty()) continue;
      const std::size_t colon = line.find(':');
      if (colon == std::string_view::npos ||
          line.find_first_of("\r\n") != std::string_view::npos) {
        return false;
      }
      std::string_view name = trimBlanks(line.substr(0, colon));
      if (name.empty()) return false;
      names.emplace_back(name);
      if (trimBlanks(line.substr(colon + 1)).empty()) {
        // libcurl reads "Name:" as "remove Name"; "Name;" sends it empty.
        lines.push_back(std::string(line.substr(0, colon)) + ";");
      } else {
        lines.emplace_back(line);
      }
    }
    state->headerLines.insert(state->headerLines.end(), lines.begin(),
                              lines.end());
    state->headerNames.insert(state->headerNames.end(), names.begin(),
                              names.end());
    return true;
  }

  bool sendRequest(HttpHandle& request, const Bytes& body) override {
    auto* state = stateOf<RequestState>(request);
    if (state == nullptr || state->outcome != Outcome::kNotSent) return false;
    CurlHeaderList headers;
    state->outcome = perform(*state, body, headers);
    return state->outcome != Outcome::kSendFailed;
  }

  bool receiveResponse(HttpHandle& request) override {
    return received(stateOf<RequestState>(request));
  }

  bool queryDataAvailable(HttpHandle& request,
                          std::size_t* available) override {
    auto* state = stateOf<RequestState>(request);
    if (!received(state) || available == nullptr) return false;
    if (!state->body.empty()) {
      *available = state->body.front().size() - state->frontOffset;
    } else if (state->outcome == Outcome::kBodyFailed &&
               !state->bodyFailureReported) {
      // The body broke off here; the next read is the step that says so.
      *available = 1;
    } else {
      *available = 0;
    }
    return true;
  }

  bool readData(HttpHandle& request, std::uint8_t* buffer, std::size_t size,
                std::size_t* read) override {
    auto* state = stateOf<RequestState>(request);
    if (!received(state) || read == nullptr || (buffer == nullptr && size)) {
      return false;
    }
    *read = 0;
    if (state->body.empty()) {
      if (state->outcome == Outcome::kBodyFailed) {
        state->bodyFailureReported = true;
        return false;
      }
      return true;
    }
    const Bytes& front = state->body.front();
    const std::size_t take = std::min(size, front.size() - state->frontOffset);
    if (take > 0) std::memcpy(buffer, front.data() + state->frontOffset, take);
    state->frontOffset += take;
    if (state->frontOffset == front.size()) {
      state->body.pop_front();
      state->frontOffset = 0;
    }
    *read = take;
    return true;
  }

  bool queryHeaders(HttpHandle& request, int infoLevel,
                    Bytes* headers) override {
    auto* state = stateOf<RequestState>(request);
    if (!received(state) || headers == nullptr ||
        infoLevel != kQueryRawHeadersCrlf) {
      return false;
    }
    *headers = headerBytesToWide(state->rawHeaders);
    return !state->rawHeaders.empty();
  }

  bool closeHandle(HttpHandle& handle) override {
    if (!handle) return false;
    handle.reset();
    return true;
  }
};

}  // namespace

std::unique_ptr<HttpSession> makeCurlHttpSession() {
  return std::make_unique<CurlHttpSession>();
}

}  // namespace lirabel::platform
