// WebSessionRequest against the fixture server, through the real session
// layer, with a decorator that writes down every call to the layer and can
// make any one of them fail.
#include "web/web_session_request.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/event_pump.h"
#include "tests/support/fixture_server.h"
#include "tests/web_session/faulty_http_session.h"
#include "tests/web_session/pump_counter.h"
#include "text/codepage.h"

namespace lirabel {
namespace {

using testing::Fault;
using testing::FaultyHttpSession;
using testing::FixtureResponse;
using testing::FixtureServer;

constexpr const char* kDefaultLines[] = {
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; "
    "Trident/5.0)",
    "Accept: text/html, application/xhtml+xml, */*",
    "Accept-Encoding: gbk, GB2312",
    "Accept-Language: zh-cn",
    "Cache-Control: no-cache",
};
constexpr const char* kContentTypeLine =
    "Content-Type: application/x-www-form-urlencoded";

std::string joined(const std::vector<std::string>& lines,
                   const std::string& tail = "") {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) out += "\r\n";
    out += lines[i];
  }
  return out + tail;
}

std::vector<std::string> defaults() {
  return {std::begin(kDefaultLines), std::end(kDefaultLines)};
}

std::string local(const std::string& utf8) {
  return utf8ToLocal(Bytes(utf8.begin(), utf8.end()));
}

// Every output given, preset to a value that shows whether it was written.
struct Outputs {
  Text cookies;
  Text returnedCookies = "keep";
  Text responseHeaders = "keep";
  Text location = "keep";
  Text statusText = "keep";
  Bytes responseBytes = {'k'};

  void attach(WebSessionRequestOptions& o) {
    o.cookies = &cookies;
    o.returnedCookies = &returnedCookies;
    o.responseHeaders = &responseHeaders;
    o.location = &location;
    o.statusText = &statusText;
    o.responseBytes = &responseBytes;
  }
};

class WebSessionRequestTest : public ::testing::Test {
 protected:
  WebSessionRequestTest()
      : real_(platform::makeCurlHttpSession()), layer_(*real_) {
    FixtureResponse page;
    page.headers = {{"Content-Type", "text/html"}};
    page.body = "<html>page</html>";
    server_.route("/page", page);
  }

  // The header block as handed to the layer.
  std::string sentBlock() {
    auto calls = layer_.callsStartingWith("addRequestHeaders ");
    if (calls.empty()) return "<none>";
    const std::string prefix =
        "addRequestHeaders " + std::to_string(platform::kAddHeadersAdd) + " ";
    return calls.back().substr(prefix.size());
  }

  FixtureServer server_;
  std::unique_ptr<platform::HttpSession> real_;
  FaultyHttpSession layer_;
};

TEST_F(WebSessionRequestTest, AddressAloneSendsTheFiveDefaultLines) {
  Text status;
  WebSessionRequestOptions o;
  o.statusText = &status;
  EXPECT_EQ(WebSessionRequest(layer_, server_.url("/page"), o),
            "<html>page</html>");
  EXPECT_EQ(status, "200 OK");
  auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].requestLine, "GET /page HTTP/1.1");
  std::vector<std::string> expected = {"Host: 127.0.0.1:" +
                                       std::to_string(server_.port())};
  for (const char* line : kDefaultLines) expected.push_back(line);
  EXPECT_EQ(requests[0].headerLines, expected);
  EXPECT_EQ(sentBlock(), joined(defaults()));
  // Automatic cookies off, 30 s for every phase, no proxy.
  EXPECT_EQ(layer_.callsStartingWith("setOption"),
            (std::vector<std::string>{"setOption 63 1"}));
  EXPECT_EQ(layer_.callsStartingWith("setTimeouts"),
            (std::vector<std::string>{"setTimeouts 30000 30000 30000 30000"}));
  EXPECT_EQ(layer_.callsStartingWith("openSession"),
            (std::vector<std::string>{"openSession 1 "}));
  EXPECT_EQ(layer_.callsStartingWith("closeHandle").size(), 3u);
}

TEST_F(WebSessionRequestTest, PublicEntryUsesTheRealLayer) {
  EXPECT_EQ(WebSessionRequest(server_.url("/page")), "<html>page</html>");
  EXPECT_EQ(server_.requests().size(), 1u);
}

TEST_F(WebSessionRequestTest, MethodCodes) {
  struct Case {
    int code;
    const char* method;
  };
  const std::vector<Case> cases = {
      {0, "GET"},
      {1, "POST"},
      {2, "HEAD"},
      {3, "PUT"},
      {4, "OPTIONS"},
      {5, "DELETE"},
      {6, "TRACE"},
      {7, "CONNECT"},
      // Codes outside 0 to 7 are GET and raise no error.
      {8, "GET"},
      {-1, "GET"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("method code " + std::to_string(c.code));
    FaultyHttpSession layer(*real_);
    server_.clearRequests();
    Text status;
    WebSessionRequestOptions o;
    o.method = c.code;
    o.statusText = &status;
    WebSessionRequest(layer, server_.url("/page"), o);
    EXPECT_EQ(status, "200 OK");
    EXPECT_EQ(layer.callsStartingWith("openRequest "),
              (std::vector<std::string>{std::string("openRequest ") + c.method +
                                        " /page 0"}));
    auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(
        requests[0].requestLine.substr(0, requests[0].requestLine.find(' ')),
        c.method);
    // Only POST gets the form Content-Type line.
    EXPECT_EQ(requests[0].header("Content-Type"),
              c.code == 1 ? "application/x-www-form-urlencoded" : "");
  }
}

TEST_F(WebSessionRequestTest, TimeoutMapping) {
  struct Case {
    int seconds;
    const char* call;
  };
  const std::vector<Case> cases = {
      {5, "setTimeouts 5000 5000 5000 5000"},
      {0, "setTimeouts 30000 30000 30000 30000"},
      {-1, "setTimeouts 30000 30000 30000 30000"},
      // Far too many seconds still gives the longest limit, not an overflow.
      {3000000, "setTimeouts 2147483647 2147483647 2147483647 2147483647"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seconds);
    FaultyHttpSession layer(*real_);
    WebSessionRequestOptions o;
    o.timeoutSeconds = c.seconds;
    EXPECT_EQ(WebSessionRequest(layer, server_.url("/page"), o),
              "<html>page</html>");
    EXPECT_EQ(layer.callsStartingWith("setTimeouts"),
              (std::vector<std::string>{c.call}));
  }
}

TEST_F(WebSessionRequestTest, ProxyStringForHttpAndHttps) {
  FixtureServer proxy;
  FixtureResponse viaProxy;
  viaProxy.body = "from the proxy";
  proxy.route("/page", viaProxy);
  const std::string at = "127.0.0.1:" + std::to_string(proxy.port());

  // A plain address: the "http=" form, and the proxy carries the request.
  {
    FaultyHttpSession layer(*real_);
    WebSessionRequestOptions o;
    o.proxy = at;
    EXPECT_EQ(WebSessionRequest(layer, server_.url("/page"), o),
              "from the proxy");
    EXPECT_EQ(layer.callsStartingWith("openSession"),
              (std::vector<std::string>{"openSession 3 http=" + at}));
    auto seen = proxy.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].requestLine, "GET " + server_.url("/page") + " HTTP/1.1");
    EXPECT_TRUE(server_.requests().empty());
  }
  // A secure address: the text itself; the proxy is asked for a tunnel,
  // which the fixture refuses, so sending fails.
  {
    proxy.clearRequests();
    FaultyHttpSession layer(*real_);
    Text status;
    WebSessionRequestOptions o;
    o.proxy = at;
    o.statusText = &status;
    const std::string secureUrl =
        "https://127.0.0.1:" + std::to_string(server_.port()) + "/page";
    EXPECT_EQ(WebSessionRequest(layer, secureUrl, o), "");
    EXPECT_EQ(layer.callsStartingWith("openSession"),
              (std::vector<std::string>{"openSession 3 " + at}));
    EXPECT_EQ(status, local("711 发送请求失败!"));
    auto seen = proxy.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].requestLine.substr(0, 8), "CONNECT ");
  }
}

TEST_F(WebSessionRequestTest, CredentialsOnlyWithUserAndPassword) {
  struct Case {
    const char* name;
    Text user, password;
    bool sent;
  };
  const std::vector<Case> cases = {
      {"both", "u", "p", true},
      {"user without password", "u", "", false},
      {"password without user", "", "p", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FaultyHttpSession layer(*real_);
    server_.clearRequests();
    Text status;
    WebSessionRequestOptions o;
    o.serverUser = c.user;
    o.serverPassword = c.password;
    o.statusText = &status;
    EXPECT_EQ(WebSessionRequest(layer, server_.url("/page"), o),
              "<html>page</html>");
    EXPECT_EQ(status, "200 OK");
    EXPECT_EQ(layer.callsStartingWith("setCredentials").size(),
              c.sent ? 1u : 0u);
    auto requests = server_.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("Authorization"), c.sent ? "Basic dTpw" : "");
  }
  // Proxy credentials follow the same rule, with the proxy as target.
  FaultyHttpSession layer(*real_);
  WebSessionRequestOptions o;
  o.proxyUser = "pu";
  o.proxyPassword = "pp";
  WebSessionRequest(layer, server_.url("/page"), o);
  EXPECT_EQ(layer.callsStartingWith("setCredentials"),
            (std::vector<std::string>{"setCredentials 1 1 pu pp"}));
}

TEST_F(WebSessionRequestTest, HeaderBlockComposition) {
  const std::vector<std::string> d = defaults();
  auto without = [&](std::size_t index) {
    std::vector<std::string> lines = d;
    lines.erase(lines.begin() + index);
    return lines;
  };
  auto with = [&](std::vector<std::string> front,
                  std::vector<std::string> rest) {
    front.insert(front.end(), rest.begin(), rest.end());
    return front;
  };
  struct Case {
    const char* name;
    int method = 0;
    Text headers;
    Text cookies;
    std::optional<bool> addDefaults;
    std::optional<bool> normalize;
    std::string block;
  };
  const std::vector<Case> cases = {
      {"defaults only", 0, "", "", {}, {}, joined(d)},
      // The caller's line keeps the default out and is normalised.
      {"caller's user-agent",
       0,
       "user-agent: X",
       "",
       {},
       {},
       joined(with({"User-Agent: X"}, without(0)))},
      // The marker is a plain substring: X-Accept keeps Accept out.
      {"marker inside another name",
       0,
       "X-Accept: 1",
       "",
       {},
       {},
       joined(with({"X-Accept: 1"}, without(1)))},
      {"post adds content type",
       1,
       "",
       "",
       {},
       {},
       joined({d[0], d[1], d[2], d[3], kContentTypeLine, d[4]})},
      // Normalised, the line has lines after it and goes.
      {"keep-alive removed",
       0,
       "Connection: keep-alive",
       "",
       {},
       {},
       joined(d)},
      {"Keep-Alive in capitals stays",
       0,
       "Connection: Keep-Alive",
       "",
       {},
       {},
       joined(with({"Connection: Keep-Alive"}, d))},
      // Last line of a normalised block, without CR LF after it: stays.
      {"keep-alive as the last line stays",
       0,
       "Connection: keep-alive",
       "",
       false,
       {},
       "Connection: keep-alive"},
      // Without normalisation every line keeps its CR LF.
      {"not normalised, keep-alive removed",
       0,
       "A: 1\r\nConnection: keep-alive",
       "",
       {},
       false,
       joined(with({"A: 1"}, d), "\r\n")},
      {"not normalised, lower-case name stays",
       0,
       "connection: keep-alive",
       "",
       {},
       false,
       joined(with({"connection: keep-alive"}, d), "\r\n")},
      {"cookie line appended",
       0,
       "",
       "a=1",
       {},
       {},
       joined(d) + "\r\nCookie: a=1\r\n"},
      {"cookies already a line",
       0,
       "",
       "Cookie: a=1",
       {},
       {},
       joined(d) + "\r\nCookie: a=1\r\n"},
      // The caller's Cookie line wins over the cookies.
      {"caller's cookie line wins",
       0,
       "Cookie: b=2",
       "a=1",
       {},
       {},
       joined(with({"Cookie: b=2"}, d))},
      {"nothing at all", 0, "", "", false, {}, ""},
      {"not normalised, defaults after the caller's line",
       0,
       "a: 1",
       "",
       {},
       false,
       joined(with({"a: 1"}, d), "\r\n")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FaultyHttpSession layer(*real_);
    Text cookies = c.cookies;
    Text status;
    WebSessionRequestOptions o;
    o.method = c.method;
    o.headers = c.headers;
    o.cookies = &cookies;
    o.statusText = &status;
    o.addDefaultHeaders = c.addDefaults;
    o.normalizeHeaderCase = c.normalize;
    WebSessionRequest(layer, server_.url("/page"), o);
    auto calls = layer.callsStartingWith("addRequestHeaders ");
    ASSERT_EQ(calls.size(), 1u);
    const std::string prefix =
        "addRequestHeaders " + std::to_string(platform::kAddHeadersAdd) + " ";
    EXPECT_EQ(calls[0].substr(prefix.size()), c.block);
    // Every one of these blocks is accepted and the page arrives.
    EXPECT_EQ(status, "200 OK");
    // The cookie policy follows the cookies given.
    EXPECT_EQ(layer.callsStartingWith("setOption"),
              (std::vector<std::string>{c.cookies.empty() ? "setOption 63 1"
                                                          : "setOption 79 1"}));
  }
}

TEST_F(WebSessionRequestTest, CallersCookieLineIsWhatGoesOut) {
  Text cookies = "a=1";
  WebSessionRequestOptions o;
  o.headers = "Cookie: b=2";
  o.cookies = &cookies;
  WebSessionRequest(server_.url("/page"), o);
  auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].header("Cookie"), "b=2");
}

// Each error text from the step that fails, the outputs left as they were.
TEST_F(WebSessionRequestTest, EveryErrorTextFromItsStep) {
  struct Case {
    const char* failing;  // the layer call that fails
    const char* error;    // UTF-8
    std::function<void(WebSessionRequestOptions&, Outputs&)> setUp;
    bool atOnce;         // returns without letting events through
    std::size_t closes;  // handles that were open
  };
  auto none = [](WebSessionRequestOptions&, Outputs&) {};
  const std::vector<Case> cases = {
      {"checkPlatform", "700 当前系统不支持WinHttp服务!", none, false, 0},
      {"crackUrl", "701 解析URL地址失败!", none, false, 0},
      {"openSession", "702 创建WinHttp会话失败!", none, false, 0},
      {"setTimeouts", "705 设置超时时间失败!", none, false, 1},
      {"connect", "703 创建WinHttp连接失败!", none, false, 1},
      {"openRequest", "704 创建WinHttp请求失败!", none, false, 2},
      {"setCredentials 0", "707 设置代理凭证失败!",
       [](WebSessionRequestOptions& o, Outputs&) {
         o.serverUser = "u";
         o.serverPassword = "p";
       },
       true, 3},
      // The proxy's credentials give the same text.
      {"setCredentials 1", "707 设置代理凭证失败!",
       [](WebSessionRequestOptions& o, Outputs&) {
         o.proxyUser = "u";
         o.proxyPassword = "p";
       },
       true, 3},
      {"setOption 63 1", "708 禁止自动设置Cookies失败!", none, true, 3},
      {"setOption 79 1", "708 禁止自动设置Cookies失败!",
       [](WebSessionRequestOptions&, Outputs& out) { out.cookies = "a=1"; },
       true, 3},
      {"setOption 63 2", "709 重定向设置失败!",
       [](WebSessionRequestOptions& o, Outputs&) { o.noRedirect = true; }, true,
       3},
      {"addRequestHeaders", "710 设置协议头失败!", none, false, 3},
      {"sendRequest", "711 发送请求失败!", none, false, 3},
      {"receiveResponse", "712 服务器未响应!", none, false, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failing);
    FaultyHttpSession layer(*real_);
    layer.failCallsStartingWith(c.failing);
    Outputs out;
    WebSessionRequestOptions o;
    c.setUp(o, out);
    const Text cookiesBefore = out.cookies;
    out.attach(o);
    PumpCounter pumps;
    EXPECT_EQ(WebSessionRequest(layer, server_.url("/page"), o), "");
    EXPECT_EQ(out.statusText, local(c.error));
    EXPECT_EQ(out.cookies, cookiesBefore);
    EXPECT_EQ(out.returnedCookies, "keep");
    EXPECT_EQ(out.responseHeaders, "keep");
    EXPECT_EQ(out.location, "keep");
    EXPECT_EQ(out.responseBytes, Bytes{'k'});
    EXPECT_EQ(pumps.count(), c.atOnce ? 0 : 1);
    EXPECT_EQ(layer.callsStartingWith("closeHandle").size(), c.closes);
  }
}

TEST_F(WebSessionRequestTest, RealFailuresGiveTheirTexts) {
  FixtureResponse closes;
  closes.fault = Fault::kCloseBeforeResponse;
  server_.route("/closes", closes);
  int closedPort;
  {
    FixtureServer gone;
    closedPort = gone.port();
  }
  struct Case {
    const char* name;
    std::string url;
    const char* error;
  };
  const std::vector<Case> cases = {
      {"empty address", "", "701 解析URL地址失败!"},
      {"no scheme", "127.0.0.1/page", "701 解析URL地址失败!"},
      {"refused connection",
       "http://127.0.0.1:" + std::to_string(closedPort) + "/",
       "711 发送请求失败!"},
      {"closed without an answer", server_.url("/closes"), "712 服务器未响应!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outputs out;
    WebSessionRequestOptions o;
    out.attach(o);
    EXPECT_EQ(WebSessionRequest(c.url, o), "");
    EXPECT_EQ(out.statusText, local(c.error));
    EXPECT_EQ(out.responseHeaders, "keep");
  }
}

TEST_F(WebSessionRequestTest, ReadFailureAfterSomeData) {
  FixtureResponse big;
  big.body = std::string(100000, 'b');
  server_.route("/big", big);
  // The second read fails; the header query after it succeeds.
  {
    layer_.failCallsStartingWith("readData", 2);
    Outputs out;
    WebSessionRequestOptions o;
    out.attach(o);
    Text page = WebSessionRequest(layer_, server_.url("/big"), o);
    EXPECT_GT(page.size(), 0u);
    EXPECT_LT(page.size(), big.body.size());
    EXPECT_EQ(out.responseBytes.size(), page.size());
    EXPECT_EQ(out.statusText, "200 OK");
    EXPECT_EQ(out.responseHeaders.substr(0, 17), "HTTP/1.1 200 OK\r\n");
  }
  // When the header query fails as well, 713 stays and nothing else is
  // written.
  {
    FaultyHttpSession layer(*real_);
    layer.failCallsStartingWith("readData", 2);
    layer.failCallsStartingWith("queryHeaders");
    Outputs out;
    WebSessionRequestOptions o;
    out.attach(o);
    EXPECT_EQ(WebSessionRequest(layer, server_.url("/big"), o), "");
    EXPECT_EQ(out.statusText, local("713 读取数据失败!"));
    EXPECT_EQ(out.responseHeaders, "keep");
    EXPECT_EQ(out.responseBytes, Bytes{'k'});
  }
  // A connection reset in the body, for real.
  {
    FixtureResponse resets;
    resets.body = std::string(4000, 'r');
    resets.fault = Fault::kResetAfterHeaders;
    server_.route("/resets", resets);
    Outputs out;
    WebSessionRequestOptions o;
    out.attach(o);
    EXPECT_EQ(WebSessionRequest(server_.url("/resets"), o),
              std::string(2000, 'r'));
    EXPECT_EQ(out.statusText, "200 OK");
  }
}

TEST_F(WebSessionRequestTest, FailedHeaderQueryDropsEverything) {
  layer_.failCallsStartingWith("queryHeaders");
  Outputs out;
  WebSessionRequestOptions o;
  out.attach(o);
  PumpCounter pumps;
  EXPECT_EQ(WebSessionRequest(layer_, server_.url("/page"), o), "");
  EXPECT_EQ(out.statusText, "keep");
  EXPECT_EQ(out.responseBytes, Bytes{'k'});
  EXPECT_EQ(out.responseHeaders, "keep");
  EXPECT_EQ(pumps.count(), 1);
}

TEST_F(WebSessionRequestTest, ErrorStatusIsNoFailure) {
  Outputs out;
  WebSessionRequestOptions o;
  out.attach(o);
  EXPECT_EQ(WebSessionRequest(server_.url("/missing"), o), "not found");
  EXPECT_EQ(out.statusText, "404 Not Found");
  EXPECT_EQ(out.responseBytes,
            Bytes({'n', 'o', 't', ' ', 'f', 'o', 'u', 'n', 'd'}));
}

TEST_F(WebSessionRequestTest, RedirectNotFollowed) {
  FixtureResponse moved;
  moved.status = 302;
  moved.reason = "Found";
  moved.headers = {{"Location", "/page"}, {"Set-Cookie", "s=1; path=/"}};
  moved.body = "moved away";
  server_.route("/old", moved);
  {
    Outputs out;
    WebSessionRequestOptions o;
    o.noRedirect = true;
    out.attach(o);
    EXPECT_EQ(WebSessionRequest(server_.url("/old"), o), "moved away");
    EXPECT_EQ(out.statusText, "302 Found");
    EXPECT_EQ(out.location, "/page");
    EXPECT_EQ(out.returnedCookies, "s=1");
  }
  // Followed by the layer: the final page, and no Location line in it.
  {
    Outputs out;
    WebSessionRequestOptions o;
    out.attach(o);
    EXPECT_EQ(WebSessionRequest(server_.url("/old"), o), "<html>page</html>");
    EXPECT_EQ(out.statusText, "200 OK");
    EXPECT_EQ(out.location, "keep");
  }
}

TEST_F(WebSessionRequestTest, CookiesMergedFromTheResponse) {
  FixtureResponse setter;
  setter.headers = {{"Set-Cookie", "b=2; path=/"}};
  setter.body = "x";
  server_.route("/set", setter);
  Outputs out;
  out.cookies = "a=1";
  WebSessionRequestOptions o;
  out.attach(o);
  WebSessionRequest(server_.url("/set"), o);
  EXPECT_EQ(out.returnedCookies, "b=2; a=1");
  EXPECT_EQ(out.cookies, "b=2; a=1");
  auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].header("Cookie"), "a=1");
}

TEST_F(WebSessionRequestTest, QueryRightAfterTheHostIsSent) {
  FixtureResponse root;
  root.body = "root";
  server_.route("/?x=1", root);
  EXPECT_EQ(WebSessionRequest(layer_, server_.url("?x=1")), "root");
  auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].requestLine, "GET /?x=1 HTTP/1.1");
}

TEST_F(WebSessionRequestTest, PostBytesWinOverPostText) {
  WebSessionRequestOptions o;
  o.method = 1;
  o.postText = "text=1";
  o.postBytes = {'b', '=', '2'};
  WebSessionRequest(server_.url("/page"), o);
  o.postBytes.clear();
  WebSessionRequest(server_.url("/page"), o);
  auto requests = server_.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].body, "b=2");
  EXPECT_EQ(requests[1].body, "text=1");
}

TEST_F(WebSessionRequestTest, PageDecodedByItsMetaCharset) {
  const std::string utf8 =
      "<html><head><meta charset=\"utf-8\"></head><body>歌曲</body></html>";
  FixtureResponse page;
  page.body = utf8;
  server_.route("/utf8", page);
  Bytes raw;
  WebSessionRequestOptions o;
  o.responseBytes = &raw;
  EXPECT_EQ(WebSessionRequest(server_.url("/utf8"), o), local(utf8));
  // The bytes themselves come back as received.
  EXPECT_EQ(raw, Bytes(utf8.begin(), utf8.end()));
}

TEST_F(WebSessionRequestTest, EventsLetThroughPerHeaderLine) {
  for (int n : {0, 1, 5}) {
    SCOPED_TRACE(std::to_string(n) + " extra header lines");
    FixtureResponse page;
    for (int i = 0; i < n; ++i) {
      page.headers.push_back({"X-Line-" + std::to_string(i), "v"});
    }
    page.body = "p";
    server_.route("/lines", page);
    Text headers;
    WebSessionRequestOptions o;
    o.responseHeaders = &headers;
    PumpCounter pumps;
    EXPECT_EQ(WebSessionRequest(server_.url("/lines"), o), "p");
    // The status line, the n lines and Content-Length: one each; one after
    // the charset search; one at the end.
    const int lines = n + 2;
    EXPECT_EQ(static_cast<int>(splitText(headers, "\r\n").size()), lines);
    EXPECT_EQ(pumps.count(), lines + 2);
  }
}

}  // namespace
}  // namespace lirabel
