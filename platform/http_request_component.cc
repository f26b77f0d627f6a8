#include "platform/http_request_component.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <utility>

#include "platform/curl_handles.h"

namespace lirabel::platform {

namespace {

using Clock = std::chrono::steady_clock;

// What the Windows component follows at most before it gives up.
constexpr long kMaxRedirects = 10;
// Only the web; a redirect to file:// or another scheme fails the request.
constexpr char kAllowedProtocols[] = "http,https";
// Bigger reads than libcurl's default keep a large media download close to
// what the command-line client manages.
constexpr long kReceiveBufferBytes = 512 * 1024;
// A Content-Length beyond this is not trusted for reserving memory up front;
// such a body still arrives, growing the buffer as it comes.
constexpr std::uint64_t kMaxReserveBytes = std::uint64_t{4} << 30;
// The Windows component's own limits, in force until setTimeouts is called:
// 60 s to connect, 30 s without a byte moving.
constexpr int kDefaultConnectTimeoutMs = 60000;
constexpr int kDefaultIdleTimeoutMs = 30000;

constexpr std::string_view kHttpPrefix = "HTTP/";
constexpr std::string_view kHttpsScheme = "https:";
constexpr std::string_view kContentLength = "Content-Length";
constexpr std::string_view kProxyAuthorization = "Proxy-Authorization";
// libcurl sends these on its own unless the list removes them (a name with a
// colon and nothing after it).
constexpr std::string_view kAccept = "Accept";
constexpr std::string_view kExpect = "Expect";
constexpr std::string_view kContentType = "Content-Type";
constexpr std::string_view kProxyConnection = "Proxy-Connection";

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](unsigned char x, unsigned char y) {
                      if (x >= 'A' && x <= 'Z') x = x - 'A' + 'a';
                      if (y >= 'A' && y <= 'Z') y = y - 'A' + 'a';
                      return x == y;
                    });
}

bool startsWithIgnoringAsciiCase(std::string_view text,
                                 std::string_view prefix) {
  return text.size() >= prefix.size() &&
         equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool isHeaderSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view trimHeaderSpace(std::string_view text) {
  while (!text.empty() && isHeaderSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isHeaderSpace(text.back())) text.remove_suffix(1);
  return text;
}

// A header name is one token: no controls, spaces, colons or DEL.
bool isValidHeaderName(std::string_view name) {
  if (name.empty()) return false;
  for (unsigned char c : name) {
    if (c <= 0x20 || c == ':' || c == 0x7f) return false;
  }
  return true;
}

// A value must not be able to start a header line of its own.
bool isValidHeaderValue(std::string_view value) {
  return value.find_first_of(std::string_view("\r\n\0", 3)) ==
         std::string_view::npos;
}

bool isValidMethod(std::string_view method) {
  return isValidHeaderName(method);
}

// libcurl's form of one header line. "Name;" sends the name with an empty
// value; "Name:" with nothing after it would remove the header instead.
std::string headerLine(std::string_view name, std::string_view value) {
  std::string line(name);
  if (trimHeaderSpace(value).empty()) return line + ";";
  line += ": ";
  line += value;
  return line;
}

class CurlHttpRequest final : public HttpRequestComponent {
 public:
  explicit CurlHttpRequest(CurlEasy easy) : easy_(std::move(easy)) {}

  void setTimeouts(int resolveMs, int connectMs, int sendMs,
                   int receiveMs) override {
    connectTimeoutMs_ = std::max({resolveMs, connectMs, 0});
    idleTimeoutMs_ = std::max({sendMs, receiveMs, 0});
  }

  void setProxy(int setting, std::string_view proxy) override {
    // There is no system-wide proxy set-up to fall back on: every setting
    // but the named one goes direct (the environment's proxy variables are
    // not consulted either).
    if (setting == kProxySettingNamed && !proxy.empty()) {
      proxy_.assign(proxy);
    } else {
      proxy_.clear();
    }
  }

  void open(std::string_view method, std::string_view url,
            bool async) override {
    headers_.clear();
    clearResponse();
    opened_ = !async && isValidMethod(method) && !url.empty();
    method_.assign(method);
    url_.assign(url);
  }

  void setOption(int index, int value) override {
    if (index == kOptionEnableRedirects) followRedirects_ = value != 0;
    // kOptionSslErrorIgnoreFlags is accepted and deliberately has no effect:
    // turning certificate checks off would let anyone on the path pose as
    // the server, and everything the tool saves comes from that connection.
    // Certificates and host names are always verified against the system's
    // trust store.
  }

  void setRequestHeader(std::string_view name,
                        std::string_view value) override {
    if (!opened_ || !isValidHeaderName(name) || !isValidHeaderValue(value)) {
      return;
    }
    headers_.emplace_back(std::string(name), std::string(value));
  }

  void send(std::string_view text) override {
    // The local code page bytes go out as they are: no caller sends a text
    // body, and there is no charset on the wire to convert to.
    perform(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  }

  void send(const std::vector<std::uint8_t>& bytes) override {
    perform(bytes.data(), bytes.size());
  }

  const std::vector<std::uint8_t>& responseBody() const override {
    return body_;
  }

  std::vector<std::uint8_t> takeResponseBody() override {
    std::vector<std::uint8_t> body = std::move(body_);
    body_ = {};
    return body;
  }

  std::string getAllResponseHeaders() const override {
    std::string all;
    for (const std::string& line : responseHeaderLines_) {
      if (!all.empty()) all += "\r\n";
      all += line;
    }
    return all;
  }

  int status() const override { return status_; }

 private:
  void clearResponse() {
    body_ = {};
    responseHeaderLines_.clear();
    status_ = 0;
    expectedBodyBytes_ = 0;
  }

  bool hasHeader(std::string_view name) const {
    for (const auto& [setName, value] : headers_) {
      if (equalsIgnoringAsciiCase(setName, name)) return true;
    }
    return false;
  }

  template <typename T>
  bool set(CURLoption option, T value) {
    return curl_easy_setopt(easy_.get(), option, value) == CURLE_OK;
  }

  // Everything libcurl needs for one transfer; false if any option failed.
  bool configure(const std::uint8_t* body, std::size_t size) {
    static const char kEmptyBody[] = "";
    CURL* easy = easy_.get();
    curl_easy_reset(easy);
    httpHeaders_.clear();
    proxyHeaders_.clear();

    const bool viaProxy = !proxy_.empty();
    const bool tunnelled =
        viaProxy && startsWithIgnoringAsciiCase(url_, kHttpsScheme);
    const bool head = method_ == "HEAD";
    const bool hasBody = !head && (size > 0 || method_ == "POST");

    // Proxy credentials belong to the proxy. A plain request goes to the
    // proxy as it stands, so they stay in line with the other headers; a
    // tunnelled one must carry them on the CONNECT only, never through the
    // tunnel to the server.
    for (const auto& [name, value] : headers_) {
      CurlHeaderList& list =
          tunnelled && equalsIgnoringAsciiCase(name, kProxyAuthorization)
              ? proxyHeaders_
              : httpHeaders_;
      if (!list.append(headerLine(name, value))) return false;
    }
    for (std::string_view own : {kAccept, kExpect, kProxyConnection}) {
      if (!hasHeader(own) && !httpHeaders_.append(std::string(own) + ":")) {
        return false;
      }
    }
    if (hasBody && !hasHeader(kContentType) &&
        !httpHeaders_.append(std::string(kContentType) + ":")) {
      return false;
    }
    if (tunnelled &&
        !proxyHeaders_.append(std::string(kProxyConnection) + ":")) {
      return false;
    }

    bool ok =
        set(CURLOPT_URL, url_.c_str()) &&
        set(CURLOPT_PROTOCOLS_STR, kAllowedProtocols) &&
        set(CURLOPT_REDIR_PROTOCOLS_STR, kAllowedProtocols) &&
        set(CURLOPT_NOSIGNAL, 1L) &&
        // HTTP/2 would lower-case the response header names that the
        // callers compare exactly.
        set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) &&
        set(CURLOPT_FOLLOWLOCATION, followRedirects_ ? 1L : 0L) &&
        set(CURLOPT_MAXREDIRS, kMaxRedirects) &&
        set(CURLOPT_SSL_VERIFYPEER, 1L) && set(CURLOPT_SSL_VERIFYHOST, 2L) &&
        // An empty proxy text turns the environment's proxies off; an
        // empty exclusion list makes the named proxy apply to every
        // host.
        set(CURLOPT_PROXY, proxy_.c_str()) && set(CURLOPT_NOPROXY, "") &&
        set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L) &&
        set(CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE)) &&
        set(CURLOPT_HTTPHEADER, httpHeaders_.get()) &&
        set(CURLOPT_PROXYHEADER, proxyHeaders_.get()) &&
        set(CURLOPT_BUFFERSIZE, kReceiveBufferBytes) &&
        set(CURLOPT_HEADERFUNCTION, &CurlHttpRequest::onHeader) &&
        set(CURLOPT_HEADERDATA, this) &&
        set(CURLOPT_WRITEFUNCTION, &CurlHttpRequest::onBody) &&
        set(CURLOPT_WRITEDATA, this) &&
        set(CURLOPT_XFERINFOFUNCTION, &CurlHttpRequest::onProgress) &&
        set(CURLOPT_XFERINFODATA, this) && set(CURLOPT_NOPROGRESS, 0L) &&
        set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connectTimeoutMs_));
    if (!ok) return false;

    // 301, 302 and 303 turn a POST into a GET, as browsers do (libcurl's
    // default); other methods keep their name on a redirect.
    if (head) return set(CURLOPT_NOBODY, 1L);
    if (method_ == "GET" && !hasBody) return set(CURLOPT_HTTPGET, 1L);
    if (hasBody) {
      ok = set(CURLOPT_POST, 1L) &&
           set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(size)) &&
           set(CURLOPT_POSTFIELDS, size > 0
                                       ? static_cast<const void*>(body)
                                       : static_cast<const void*>(kEmptyBody));
      if (!ok) return false;
    }
    if (method_ == "POST") return true;
    return set(CURLOPT_CUSTOMREQUEST, method_.c_str());
  }

  void perform(const std::uint8_t* body, std::size_t size) {
    clearResponse();
    if (!opened_) return;
    lastActivity_ = Clock::now();
    lastDownloaded_ = lastUploaded_ = -1;
    lastPretransfer_ = 0;
    long code = 0;
    if (configure(body, size) && curl_easy_perform(easy_.get()) == CURLE_OK &&
        curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &code) ==
            CURLE_OK) {
      status_ = static_cast<int>(code);
      return;
    }
    clearResponse();
  }

  static size_t onHeader(char* data, size_t size, size_t count, void* self) {
    const size_t bytes = size * count;
    try {
      static_cast<CurlHttpRequest*>(self)->takeHeaderLine(
          std::string_view(data, bytes));
    } catch (...) {
      return 0;  // aborts the transfer, which then counts as failed
    }
    return bytes;
  }

  void takeHeaderLine(std::string_view line) {
    lastActivity_ = Clock::now();
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
      line.remove_suffix(1);
    }
    if (line.rfind(kHttpPrefix, 0) == 0) {
      // A new response begins (after a followed redirect, a 100 Continue or
      // a proxy's answer to CONNECT): only the last one is reported.
      responseHeaderLines_.clear();
      body_.clear();
      expectedBodyBytes_ = 0;
      return;
    }
    if (line.empty()) {
      reserveForBody();
      return;
    }
    if (isHeaderSpace(line.front())) {
      // An obsolete folded continuation belongs to the line before.
      if (!responseHeaderLines_.empty()) {
        responseHeaderLines_.back() += ' ';
        responseHeaderLines_.back() += trimHeaderSpace(line);
      }
      return;
    }
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
      responseHeaderLines_.emplace_back(line);
      return;
    }
    std::string_view name = trimHeaderSpace(line.substr(0, colon));
    std::string_view value = trimHeaderSpace(line.substr(colon + 1));
    std::string normalized(name);
    normalized += ": ";
    normalized += value;
    responseHeaderLines_.push_back(std::move(normalized));
    if (equalsIgnoringAsciiCase(name, kContentLength)) {
      expectedBodyBytes_ = parseLength(value);
    }
  }

  static std::uint64_t parseLength(std::string_view value) {
    std::uint64_t length = 0;
    if (value.empty()) return 0;
    for (char c : value) {
      if (c < '0' || c > '9') return 0;
      if (length > kMaxReserveBytes) return 0;
      length = length * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return length;
  }

  // The body is received straight into the buffer that the caller takes
  // out, so a large download is never held twice.
  void reserveForBody() {
    if (expectedBodyBytes_ == 0 || expectedBodyBytes_ > kMaxReserveBytes ||
        method_ == "HEAD") {
      return;
    }
    try {
      body_.reserve(static_cast<size_t>(expectedBodyBytes_));
    } catch (const std::bad_alloc&) {
      // The body may still fit as it grows; if not, onBody fails the request.
    }
  }

  static size_t onBody(char* data, size_t size, size_t count, void* self) {
    const size_t bytes = size * count;
    auto* request = static_cast<CurlHttpRequest*>(self);
    try {
      request->lastActivity_ = Clock::now();
      request->body_.insert(request->body_.end(),
                            reinterpret_cast<std::uint8_t*>(data),
                            reinterpret_cast<std::uint8_t*>(data) + bytes);
    } catch (...) {
      return 0;
    }
    return bytes;
  }

  // Enforces the idle limit: the transfer fails once no byte has moved for
  // that long. Until the connection is ready (no pre-transfer time yet) the
  // connect time-out governs instead.
  static int onProgress(void* self, curl_off_t, curl_off_t downloaded,
                        curl_off_t, curl_off_t uploaded) {
    auto* request = static_cast<CurlHttpRequest*>(self);
    const Clock::time_point now = Clock::now();
    curl_off_t pretransfer = 0;
    if (curl_easy_getinfo(request->easy_.get(), CURLINFO_PRETRANSFER_TIME_T,
                          &pretransfer) != CURLE_OK) {
      pretransfer = 0;
    }
    if (pretransfer == 0 || pretransfer != request->lastPretransfer_ ||
        downloaded != request->lastDownloaded_ ||
        uploaded != request->lastUploaded_) {
      request->lastPretransfer_ = pretransfer;
      request->lastDownloaded_ = downloaded;
      request->lastUploaded_ = uploaded;
      request->lastActivity_ = now;
      return 0;
    }
    if (request->idleTimeoutMs_ > 0 &&
        now - request->lastActivity_ >
            std::chrono::milliseconds(request->idleTimeoutMs_)) {
      return 1;  // libcurl stops with CURLE_ABORTED_BY_CALLBACK
    }
    return 0;
  }

  CurlEasy easy_;
  bool opened_ = false;
  std::string method_;
  std::string url_;
  std::string proxy_;
  bool followRedirects_ = true;
  int connectTimeoutMs_ = kDefaultConnectTimeoutMs;
  int idleTimeoutMs_ = kDefaultIdleTimeoutMs;
  std::vector<std::pair<std::string, std::string>> headers_;
  // Kept with the handle, which points at them until its next reset.
  CurlHeaderList httpHeaders_;
  CurlHeaderList proxyHeaders_;

  std::vector<std::uint8_t> body_;
  std::vector<std::string> responseHeaderLines_;
  int status_ = 0;
  std::uint64_t expectedBodyBytes_ = 0;

  Clock::time_point lastActivity_;
  curl_off_t lastDownloaded_ = -1;
  curl_off_t lastUploaded_ = -1;
  curl_off_t lastPretransfer_ = 0;
};

std::unique_ptr<HttpRequestComponent> createCurlRequest(std::string_view name) {
  if (name != kHttpRequestComponentName || !curlReady()) return nullptr;
  CurlEasy easy(curl_easy_init());
  if (!easy) return nullptr;
  return std::make_unique<CurlHttpRequest>(std::move(easy));
}

HttpRequestComponentFactory& installedFactory() {
  static HttpRequestComponentFactory factory;
  return factory;
}

}  // namespace

std::unique_ptr<HttpRequestComponent> createHttpRequestComponent(
    std::string_view name) {
  const HttpRequestComponentFactory& factory = installedFactory();
  return factory ? factory(name) : createCurlRequest(name);
}

HttpRequestComponentFactory setHttpRequestComponentFactory(
    HttpRequestComponentFactory factory) {
  return std::exchange(installedFactory(), std::move(factory));
}

}  // namespace lirabel::platform
