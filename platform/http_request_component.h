// The HTTP request component: one object that prepares, sends and receives
// one HTTP or HTTPS request at a time, with the operations of the Windows
// component "WinHttp.WinHttpRequest.5.1" that the request routines need.
//
// A caller creates an object by name (createHttpRequestComponent), then calls
// setTimeouts / setProxy / open / setOption / setRequestHeader in that order,
// then send, then reads the response. No operation reports failure: a failing
// call has no effect and a failed read yields an empty value. The object owns
// every library handle it uses and releases them when destroyed; the response
// body it received belongs to it until the caller takes it out.
//
// The request goes out with exactly the headers that were set, in the order
// they were set; the library adds only Host (and the framing header of a
// body). Nothing is decoded and no cookies are kept between requests.
#ifndef LIRABEL_PLATFORM_HTTP_REQUEST_COMPONENT_H_
#define LIRABEL_PLATFORM_HTTP_REQUEST_COMPONENT_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lirabel::platform {

// The name the request routines create their object by.
inline constexpr std::string_view kHttpRequestComponentName =
    "WinHttp.WinHttpRequest.5.1";

// "SetProxy" setting: use the named proxy server.
inline constexpr int kProxySettingNamed = 2;
// "SetProxy" setting: no proxy.
inline constexpr int kProxySettingDirect = 1;
// "Option" index: follow redirects (0 returns the redirect response itself).
inline constexpr int kOptionEnableRedirects = 6;
// "Option" index: certificate errors to ignore.
inline constexpr int kOptionSslErrorIgnoreFlags = 4;
// The value the request routines write to it: untrusted authority (0x0100),
// wrong usage (0x0200), host name mismatch (0x1000), expired (0x2000).
inline constexpr int kSslErrorIgnoreFlagsCommon = 0x3300;

class HttpRequestComponent {
 public:
  virtual ~HttpRequestComponent() = default;

  // Name resolution and connection together bound the connect phase (the
  // larger of the two counts); sending and receiving bound the time without
  // any byte moving (the larger of the two counts). Milliseconds; 0 or less
  // means no limit. The whole transfer is never capped. Until this is
  // called, 60 s bound the connect phase and 30 s the idle time.
  virtual void setTimeouts(int resolveMs, int connectMs, int sendMs,
                           int receiveMs) = 0;
  virtual void setProxy(int setting, std::string_view proxy) = 0;
  // Prepares a request and forgets the headers and the response of the one
  // before. Only synchronous use exists; async true makes the call fail.
  virtual void open(std::string_view method, std::string_view url,
                    bool async = false) = 0;
  virtual void setOption(int index, int value) = 0;
  // An empty name, or a name or value with CR or LF, has no effect.
  virtual void setRequestHeader(std::string_view name,
                                std::string_view value) = 0;
  // Returns when the whole response has arrived or the request failed; after
  // a failure body, headers and status are empty.
  virtual void send(std::string_view text) = 0;
  virtual void send(const std::vector<std::uint8_t>& bytes) = 0;

  virtual const std::vector<std::uint8_t>& responseBody() const = 0;
  // Hands the received body out without copying it; the object's body is
  // empty afterwards.
  virtual std::vector<std::uint8_t> takeResponseBody() = 0;
  // "name: value" lines separated by CR LF, one line per received header
  // line (so a repeated header gives several lines), without the status
  // line; after followed redirects, only the final response's headers.
  virtual std::string getAllResponseHeaders() const = 0;
  virtual int status() const = 0;
};

// Makes an object by its component name; nullptr when the name is unknown or
// the library cannot make one.
std::unique_ptr<HttpRequestComponent> createHttpRequestComponent(
    std::string_view name);

// The creation that createHttpRequestComponent uses. Tests install their own
// to make creation fail or to hand out a fake; an empty function puts the
// libcurl one back. Returns the one installed before.
using HttpRequestComponentFactory =
    std::function<std::unique_ptr<HttpRequestComponent>(std::string_view)>;
HttpRequestComponentFactory setHttpRequestComponentFactory(
    HttpRequestComponentFactory factory);

}  // namespace lirabel::platform

#endif  // LIRABEL_PLATFORM_HTTP_REQUEST_COMPONENT_H_
