// HttpSession is the HTTP session interface that WebSessionRequest talks to:
// a chain of handles (a session, a connection to one host and port inside it,
// one request on that connection), configured step by step, then sent, and
// its response read piece by piece. Every operation reports failure by a
// false result or an empty handle; none throws.
//
// Texts cross the interface as UTF-16LE (what localToWide makes; a trailing
// NUL character is allowed and ignored) and come back as UTF-16LE without a
// terminator, for wideToLocal. Request and response bodies are plain bytes.
//
// Ownership: each HttpHandle owns what it names. Closing a handle (or
// destroying it) releases it and everything the layer keeps for it; a
// connection or request keeps its own copy of the settings it inherited, so
// the handles may be closed in any order. The interface object itself holds
// no state, so one object may serve any number of calls.
//
// makeCurlHttpSession() gives the implementation over libcurl's synchronous
// easy interface. Tests wrap it in a decorator that makes one operation fail.
#ifndef LIRABEL_PLATFORM_HTTP_SESSION_H_
#define LIRABEL_PLATFORM_HTTP_SESSION_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "text/text.h"

namespace lirabel::platform {

// The numbers the session interface is driven with.
inline constexpr int kAccessTypeDefaultProxy = 0;  // the environment's proxy
inline constexpr int kAccessTypeNoProxy = 1;
inline constexpr int kAccessTypeNamedProxy = 3;
inline constexpr std::uint32_t kRequestFlagSecure = 0x00800000;
inline constexpr int kAuthTargetServer = 0;
inline constexpr int kAuthTargetProxy = 1;
inline constexpr int kAuthSchemeBasic = 1;
inline constexpr int kOptionDisableFeature = 63;
inline constexpr std::uint32_t kDisableCookies = 1;
inline constexpr std::uint32_t kDisableRedirects = 2;
inline constexpr int kOptionEnableFeature = 79;
// With the enable-feature option this value asks for the certificate
// revocation check; here it also switches the request's own cookie store on
// (see setOption).
inline constexpr std::uint32_t kEnableSslRevocation = 1;
inline constexpr std::uint32_t kAddHeadersAdd = 0x20000000;
inline constexpr int kQueryRawHeadersCrlf = 22;

// A move-only owner of one session, connection or request.
class HttpHandle {
 public:
  // What the implementation keeps behind a handle.
  class State {
   public:
    virtual ~State() = default;
  };

  HttpHandle() = default;
  explicit HttpHandle(std::unique_ptr<State> state)
      : state_(std::move(state)) {}
  HttpHandle(HttpHandle&&) noexcept = default;
  HttpHandle& operator=(HttpHandle&&) noexcept = default;
  HttpHandle(const HttpHandle&) = delete;
  HttpHandle& operator=(const HttpHandle&) = delete;

  explicit operator bool() const { return state_ != nullptr; }
  State* state() const { return state_.get(); }
  // Releases the handle and what hangs on it; an empty handle stays empty.
  void reset() { state_.reset(); }

 private:
  std::unique_ptr<State> state_;
};

// The parts of an address, as written in it (nothing decoded or escaped).
struct UrlParts {
  bool secure = false;  // the scheme is https
  Bytes host;           // UTF-16LE
  int port = 0;         // as written, else the scheme's default
  Bytes path;           // UTF-16LE; "/" when the address has none
  Bytes extraInfo;      // UTF-16LE; "?query" and "#fragment" as written
};

class HttpSession {
 public:
  virtual ~HttpSession() = default;

  // True when the layer can be used at all.
  virtual bool checkPlatform() = 0;
  // Splits an absolute http or https address; false for anything else.
  virtual bool crackUrl(const Bytes& url, UrlParts* parts) = 0;
  // accessType is one of the kAccessType values. proxy lists proxy servers
  // as "host:port" for every scheme or "scheme=host:port" for one scheme,
  // separated by ';' or spaces. No handle for an unknown access type or a
  // named proxy without a proxy string.
  virtual HttpHandle openSession(int accessType, const Bytes& proxy) = 0;
  // Milliseconds; 0 or -1 mean no limit, below -1 is refused. Resolving and
  // connecting are bounded by the larger of the first two, sending and
  // receiving as an idle limit (no byte moving for that long) by the larger
  // of the last two; the transfer as a whole is never capped. Requests take
  // the values the session holds when they are opened.
  virtual bool setTimeouts(HttpHandle& session, int resolveMs, int connectMs,
                           int sendMs, int receiveMs) = 0;
  // Only records host and port; nothing touches the network before
  // sendRequest. Port 0 means the default port of the request's scheme.
  virtual HttpHandle connect(HttpHandle& session, const Bytes& host,
                             int port) = 0;
  // method: "GET", "POST", ...; objectName: path and query, as written.
  virtual HttpHandle openRequest(HttpHandle& connection, const Bytes& method,
                                 const Bytes& objectName,
                                 std::uint32_t flags) = 0;
  // Basic credentials for the server or the proxy; they are sent with the
  // first request rather than after a challenge.
  virtual bool setCredentials(HttpHandle& request, int target, int scheme,
                              const Bytes& user, const Bytes& password) = 0;
  // kOptionDisableFeature with kDisableCookies and/or kDisableRedirects:
  // no cookie store, redirects come back as the response itself.
  // kOptionEnableFeature with kEnableSslRevocation: a cookie store for this
  // request, which starts empty and carries cookies that a followed redirect
  // sets on to the next hop; the TLS back end checks no revocation lists
  // either way. Anything else is refused.
  virtual bool setOption(HttpHandle& request, int option,
                         std::uint32_t value) = 0;
  // CR LF separated header lines, sent in this order after the Host line.
  // Empty lines are skipped; a line without a colon, or with a lone CR or LF
  // inside, makes the call fail and adds nothing.
  virtual bool addRequestHeaders(HttpHandle& request, const Bytes& headers,
                                 std::uint32_t modifiers) = 0;
  // Sends request and body. The whole exchange runs here; a failure that
  // strikes after the request went out is reported by the later step that
  // would have met it (receiveResponse before the final response's headers,
  // readData after them).
  virtual bool sendRequest(HttpHandle& request, const Bytes& body) = 0;
  virtual bool receiveResponse(HttpHandle& request) = 0;
  // The number of body bytes that can be read now; 0 at the end.
  virtual bool queryDataAvailable(HttpHandle& request,
                                  std::size_t* available) = 0;
  virtual bool readData(HttpHandle& request, std::uint8_t* buffer,
                        std::size_t size, std::size_t* read) = 0;
  // With kQueryRawHeadersCrlf: the final response's status line and header
  // lines as received, each ended by CR LF, as UTF-16LE.
  virtual bool queryHeaders(HttpHandle& request, int infoLevel,
                            Bytes* headers) = 0;
  // False for an empty handle.
  virtual bool closeHandle(HttpHandle& handle) = 0;
};

// The implementation over libcurl. The object is stateless and cheap.
std::unique_ptr<HttpSession> makeCurlHttpSession();

}  // namespace lirabel::platform

#endif  // LIRABEL_PLATFORM_HTTP_SESSION_H_
