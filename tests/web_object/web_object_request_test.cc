// WebObjectRequest against the fixture server on 127.0.0.1, which records
// each request line and header line in wire order.
#include "web/web_object_request.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/fixture_server.h"

namespace lirabel {
namespace {

using testing::FixtureResponse;
using testing::FixtureServer;
using testing::RecordedRequest;

constexpr char kUserAgentLine[] =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

Text asText(const Bytes& bytes) { return Text(bytes.begin(), bytes.end()); }
Bytes asBytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

FixtureResponse okBody(const std::string& body) {
  FixtureResponse response;
  response.headers = {{"Content-Type", "text/plain"}};
  response.body = body;
  return response;
}

bool hasHeaderLine(const RecordedRequest& request, const std::string& name) {
  for (const std::string& line : request.headerLines) {
    if (line.size() > name.size() && line[name.size()] == ':' &&
        strncasecmp(line.c_str(), name.c_str(), name.size()) == 0) {
      return true;
    }
  }
  return false;
}

// A loopback port that nobody listens on: bound once, then given up.
int closedPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

class WebObjectRequestTest : public ::testing::Test {
 protected:
  FixtureServer server_;

  RecordedRequest onlyRequest() {
    std::vector<RecordedRequest> requests = server_.requests();
    EXPECT_EQ(requests.size(), 1u);
    return requests.empty() ? RecordedRequest() : requests.back();
  }
};

TEST_F(WebObjectRequestTest, OnlyUrlSendsGetWithTheFourDefaultHeaders) {
  server_.route("/page", okBody("hello"));
  const Text url = server_.url("/page");

  EXPECT_EQ(asText(WebObjectRequest(url)), "hello");

  RecordedRequest request = onlyRequest();
  EXPECT_EQ(request.requestLine, "GET /page HTTP/1.1");
  const std::vector<std::string> expected = {
      "Host: 127.0.0.1:" + std::to_string(server_.port()),
      "Accept: */*",
      "Referer: " + url,
      "Accept-Language: zh-cn",
      kUserAgentLine,
  };
  EXPECT_EQ(request.headerLines, expected);
  EXPECT_EQ(request.body, "");
}

TEST_F(WebObjectRequestTest, MethodCodes) {
  server_.route("/m", okBody("m"));
  struct Case {
    const char* name;
    int method;
    std::string requestLine;
    bool contentType;
  };
  const std::vector<Case> cases = {
      {"1 is POST with a form content type", 1, "POST /m HTTP/1.1", true},
      {"8 is out of range: GET", 8, "GET /m HTTP/1.1", false},
      {"-1 is out of range: GET", -1, "GET /m HTTP/1.1", false},
      {"5 is DELETE", 5, "DELETE /m HTTP/1.1", false},
      {"2 is HEAD", 2, "HEAD /m HTTP/1.1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server_.clearRequests();
    std::int32_t status = 0;
    WebObjectRequest(server_.url("/m"),
                     {.method = c.method, .status = &status});
    EXPECT_EQ(status, 200);
    RecordedRequest request = onlyRequest();
    EXPECT_EQ(request.requestLine, c.requestLine);
    EXPECT_EQ(request.header("Content-Type"),
              c.contentType ? "application/x-www-form-urlencoded" : "");
    EXPECT_EQ(hasHeaderLine(request, "Content-Type"), c.contentType);
  }
}

TEST_F(WebObjectRequestTest, PostSendsItsBodyAndThePostHeadersInOrder) {
  server_.route("/post", okBody("done"));
  const Text url = server_.url("/post");
  WebObjectRequest(url, {.method = 1, .postText = "a=1&b=2"});
  RecordedRequest request = onlyRequest();
  EXPECT_EQ(request.requestLine, "POST /post HTTP/1.1");
  const std::vector<std::string> expected = {
      "Host: 127.0.0.1:" + std::to_string(server_.port()),
      "Accept: */*",
      "Referer: " + url,
      "Accept-Language: zh-cn",
      kUserAgentLine,
      "Content-Type: application/x-www-form-urlencoded",
      "Content-Length: 7",
  };
  EXPECT_EQ(request.headerLines, expected);
  EXPECT_EQ(request.body, "a=1&b=2");
}

TEST_F(WebObjectRequestTest, MarkersSuppressDefaultsAndNamesAreCanonical) {
  server_.route("/h", okBody("h"));
  const Text url = server_.url("/h");
  Text headers = "X-Accept: 1\r\nuser-agent: X";

  WebObjectRequest(url, {.headers = &headers});

  RecordedRequest request = onlyRequest();
  const std::vector<std::string> expected = {
      "Host: 127.0.0.1:" + std::to_string(server_.port()),
      "X-Accept: 1",
      "User-Agent: X",
      "Referer: " + url,
      "Accept-Language: zh-cn",
  };
  EXPECT_EQ(request.headerLines, expected);
  // The caller's variable holds the block that was used.
  EXPECT_EQ(headers, "X-Accept: 1\r\nUser-Agent: X\r\nReferer: " + url +
                         "\r\nAccept-Language: zh-cn");
}

TEST_F(WebObjectRequestTest, HeadersVariableWithoutNormalizingKeepsItsForm) {
  server_.route("/h", okBody("h"));
  const Text url = server_.url("/h");
  Text headers = "x-one: 1";
  WebObjectRequest(url, {.headers = &headers, .normalizeHeaderCase = false});
  EXPECT_EQ(headers, "x-one: 1\r\nAccept: */*\r\nReferer: " + url +
                         "\r\nAccept-Language: zh-cn\r\n" + kUserAgentLine);
  RecordedRequest request = onlyRequest();
  ASSERT_GE(request.headerLines.size(), 2u);
  EXPECT_EQ(request.headerLines[1], "x-one: 1");
}

TEST_F(WebObjectRequestTest, KeepAliveLineRules) {
  server_.route("/k", okBody("k"));
  struct Case {
    const char* name;
    Text headers;
    std::optional<bool> addDefaultHeaders;
    std::string expectedConnection;  // empty: no Connection line at all
  };
  const std::vector<Case> cases = {
      {"keep-alive in a block of several lines is not set",
       "Connection: keep-alive\r\nX-A: 1", std::nullopt, ""},
      {"keep-alive with the defaults appended is not set",
       "Connection: keep-alive", std::nullopt, ""},
      {"close is set", "Connection: close\r\nX-A: 1", std::nullopt, "close"},
      {"Keep-Alive compares exactly, so it is set",
       "Connection: Keep-Alive\r\nX-A: 1", std::nullopt, "Keep-Alive"},
      {"the only line of a block is set like any other",
       "Connection: keep-alive", false, "keep-alive"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server_.clearRequests();
    Text headers = c.headers;
    WebObjectRequest(
        server_.url("/k"),
        {.headers = &headers, .addDefaultHeaders = c.addDefaultHeaders});
    RecordedRequest request = onlyRequest();
    EXPECT_EQ(hasHeaderLine(request, "Connection"),
              !c.expectedConnection.empty());
    EXPECT_EQ(request.header("Connection"), c.expectedConnection);
  }
}

TEST_F(WebObjectRequestTest, CookiesLeftOutSuppliedEmptyAndWithPrefix) {
  server_.route("/c", okBody("c"));
  const Text url = server_.url("/c");

  WebObjectRequest(url);
  EXPECT_FALSE(hasHeaderLine(onlyRequest(), "Cookie")) << "left out";

  server_.clearRequests();
  Text empty;
  WebObjectRequest(url, {.cookies = &empty});
  RecordedRequest request = onlyRequest();
  EXPECT_TRUE(hasHeaderLine(request, "Cookie")) << "supplied empty";
  EXPECT_EQ(request.header("Cookie"), "");
  // The Cookie header comes before the caller's and the default lines.
  ASSERT_GE(request.headerLines.size(), 2u);
  EXPECT_EQ(request.headerLines[1].rfind("Cookie:", 0), 0u);

  server_.clearRequests();
  Text prefixed = "cOOkie: a=1";
  WebObjectRequest(url, {.cookies = &prefixed, .autoMergeCookies = false});
  EXPECT_EQ(onlyRequest().header("Cookie"), "a=1");
  EXPECT_EQ(prefixed, " a=1") << "the prefix stays removed, its space stays";
}

TEST_F(WebObjectRequestTest, SetCookieLinesMergedOrNot) {
  FixtureResponse response = okBody("c");
  response.headers.push_back({"Set-Cookie", "b=3; path=/"});
  response.headers.push_back({"Set-Cookie", "c=4; HttpOnly"});
  server_.route("/sc", response);
  const Text url = server_.url("/sc");

  Text cookies = "a=1; b=2";
  Text returned;
  WebObjectRequest(url, {.cookies = &cookies, .returnedCookies = &returned});
  EXPECT_EQ(onlyRequest().header("Cookie"), "a=1; b=2");
  EXPECT_EQ(returned, "b=3; c=4; a=1");
  EXPECT_EQ(cookies, "b=3; c=4; a=1");

  Text unmerged = "a=1; b=2";
  Text received;
  WebObjectRequest(url, {.cookies = &unmerged,
                         .returnedCookies = &received,
                         .autoMergeCookies = false});
  EXPECT_EQ(received, "b=3; c=4");
  EXPECT_EQ(unmerged, "a=1; b=2");
}

TEST_F(WebObjectRequestTest, ResponseHeadersAndErrorBodies) {
  FixtureResponse missing = okBody("gone");
  missing.status = 404;
  missing.reason = "Not Found";
  FixtureResponse broken = okBody("oops");
  broken.status = 500;
  broken.reason = "Internal Server Error";
  server_.route("/404", missing);
  server_.route("/500", broken);
  struct Case {
    const char* path;
    std::int32_t status;
    std::string body;
  };
  for (const Case& c :
       std::vector<Case>{{"/404", 404, "gone"}, {"/500", 500, "oops"}}) {
    SCOPED_TRACE(c.path);
    std::int32_t status = 0;
    Text responseHeaders;
    EXPECT_EQ(asText(WebObjectRequest(
                  server_.url(c.path),
                  {.responseHeaders = &responseHeaders, .status = &status})),
              c.body);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(responseHeaders, "Content-Type: text/plain\r\nContent-Length: " +
                                   std::to_string(c.body.size()));
  }
}

TEST_F(WebObjectRequestTest, ProxyCredentialsOnlyWithProxyUserAndModeOne) {
  // The fixture server plays the proxy: a request through it arrives in
  // absolute form. The target is another loopback server, so nothing leaves
  // the machine even if the proxy were bypassed.
  FixtureServer origin;
  origin.route("/via", okBody("origin"));
  server_.route("/via", okBody("proxied"));
  const Text proxy = "127.0.0.1:" + std::to_string(server_.port());
  const Text url = origin.url("/via");

  struct Case {
    const char* name;
    Text proxy;
    Text user;
    Text password;
    std::optional<std::int32_t> mode;
    std::string expectedAuthorization;  // empty: none sent
  };
  const std::vector<Case> cases = {
      {"proxy, user, password, mode left out", proxy, "user", "pw",
       std::nullopt, "Basic dXNlcjpwdw=="},
      {"mode 1 supplied", proxy, "user", "pw", 1, "Basic dXNlcjpwdw=="},
      {"empty password keeps the colon", proxy, "user", "", std::nullopt,
       "Basic dXNlcjo="},
      {"mode 2 sends none", proxy, "user", "pw", 2, ""},
      {"mode 0 supplied stays 0", proxy, "user", "pw", 0, ""},
      {"no user sends none", proxy, "", "pw", std::nullopt, ""},
      {"user without proxy sends none", "", "user", "pw", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server_.clearRequests();
    origin.clearRequests();
    const Bytes body = WebObjectRequest(url, {.proxy = c.proxy,
                                              .proxyUser = c.user,
                                              .proxyPassword = c.password,
                                              .proxyAuthMode = c.mode});
    FixtureServer& receiver = c.proxy.empty() ? origin : server_;
    EXPECT_EQ(asText(body), c.proxy.empty() ? "origin" : "proxied");
    std::vector<RecordedRequest> requests = receiver.requests();
    ASSERT_EQ(requests.size(), 1u);
    const RecordedRequest& request = requests[0];
    if (!c.proxy.empty()) {
      EXPECT_EQ(request.requestLine, "GET " + url + " HTTP/1.1");
    }
    EXPECT_EQ(request.header("Proxy-Authorization"), c.expectedAuthorization);
    EXPECT_EQ(hasHeaderLine(request, "Proxy-Authorization"),
              !c.expectedAuthorization.empty());
    // Nothing of libcurl's own proxy lines goes out either.
    EXPECT_FALSE(hasHeaderLine(request, "Proxy-Connection"));
  }
}

TEST_F(WebObjectRequestTest, PostBytesWinOverPostText) {
  server_.route("/p", okBody("p"));
  const Bytes bytes = {'b', 0, 0xff, 'y'};
  WebObjectRequest(server_.url("/p"),
                   {.method = 1, .postText = "text", .postBytes = bytes});
  EXPECT_EQ(onlyRequest().body, std::string("b\0\xffy", 4));
}

TEST_F(WebObjectRequestTest, RedirectFollowedOrReturned) {
  FixtureResponse moved;
  moved.status = 302;
  moved.reason = "Found";
  moved.headers = {{"Location", "/final"}, {"X-Hop", "first"}};
  moved.body = "moved";
  server_.route("/start", moved);
  server_.route("/final", okBody("arrived"));
  const Text url = server_.url("/start");

  std::int32_t status = 0;
  Text responseHeaders;
  EXPECT_EQ(asText(WebObjectRequest(
                url, {.responseHeaders = &responseHeaders, .status = &status})),
            "arrived");
  EXPECT_EQ(status, 200);
  EXPECT_EQ(responseHeaders, "Content-Type: text/plain\r\nContent-Length: 7")
      << "only the final response's headers";
  std::vector<RecordedRequest> requests = server_.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].requestLine, "GET /final HTTP/1.1");

  server_.clearRequests();
  EXPECT_EQ(asText(WebObjectRequest(url, {.responseHeaders = &responseHeaders,
                                          .status = &status,
                                          .noRedirect = true})),
            "moved");
  EXPECT_EQ(status, 302);
  EXPECT_NE(responseHeaders.find("Location: /final"), Text::npos);
  EXPECT_EQ(server_.requests().size(), 1u);
}

// What every failed request leaves behind: the outputs are emptied, and
// supplied cookies are still merged against nothing.
void expectFailedRequest(const Text& url) {
  Text cookies = "a=1; b = 2; c=deleted";
  Text returned = "stale";
  Text responseHeaders = "stale";
  std::int32_t status = 77;
  const Bytes body = WebObjectRequest(url, {.cookies = &cookies,
                                            .returnedCookies = &returned,
                                            .responseHeaders = &responseHeaders,
                                            .status = &status,
                                            .timeoutSeconds = 5});
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(status, 0);
  EXPECT_EQ(responseHeaders, "");
  EXPECT_EQ(returned, "a=1; b=2");
  EXPECT_EQ(cookies, "a=1; b=2");
}

TEST(WebObjectRequestFailureTest, RefusedConnection) {
  const int port = closedPort();
  ASSERT_NE(port, 0);
  expectFailedRequest("http://127.0.0.1:" + std::to_string(port) + "/x");
}

TEST(WebObjectRequestFailureTest, UnresolvableHost) {
  // A label longer than 63 bytes cannot be put into a name query, so the
  // resolver gives up without asking any name server.
  expectFailedRequest("http://" + std::string(70, 'a') + ".invalid/x");
}

TEST(WebObjectRequestFailureTest, MalformedAddress) {
  expectFailedRequest("http://127.0.0.1:99999999/x");
  expectFailedRequest("");
}

TEST(WebObjectRequestFailureTest, SelfSignedCertificateIsRefused) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("lirabel-tls-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string cert = (dir / "cert.pem").string();
  const std::string key = (dir / "key.pem").string();
  const std::string command =
      "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "
      "/CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout '" +
      key + "' -out '" + cert + "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  {
    FixtureServer server({"--cert", cert, "--key", key});
    server.route("/secret", okBody("secret"));
    // A client that trusts this certificate gets through, so the refusal
    // below is the verification and not a broken server.
    // (Proxies from the environment are turned off: loopback only.)
    const std::string control =
        "python3 -c \"import ssl, sys, urllib.request as u; "
        "c = ssl.create_default_context(cafile=sys.argv[1]); "
        "o = u.build_opener(u.ProxyHandler({}), u.HTTPSHandler(context=c)); "
        "sys.exit(o.open(sys.argv[2]).read() != b'secret')\" '" +
        cert + "' '" + server.url("/secret", "https") + "'";
    ASSERT_EQ(std::system(control.c_str()), 0) << control;
    server.clearRequests();
    expectFailedRequest(server.url("/secret", "https"));
    EXPECT_TRUE(server.requests().empty())
        << "no request may pass an unverified connection";
  }
  std::filesystem::remove_all(dir);
}

// Records every call the routine makes of its request object.
class RecordingRequest : public platform::HttpRequestComponent {
 public:
  std::vector<std::string> calls;
  Bytes body = {'o', 'k'};

  void setTimeouts(int a, int b, int c, int d) override {
    calls.push_back("SetTimeouts " + std::to_string(a) + " " +
                    std::to_string(b) + " " + std::to_string(c) + " " +
                    std::to_string(d));
  }
  void setProxy(int setting, std::string_view proxy) override {
    calls.push_back("SetProxy " + std::to_string(setting) + " " +
                    std::string(proxy));
  }
  void open(std::string_view method, std::string_view url,
            bool async) override {
    calls.push_back("Open " + std::string(method) + " " + std::string(url) +
                    (async ? " true" : " false"));
  }
  void setOption(int index, int value) override {
    calls.push_back("Option " + std::to_string(index) + " " +
                    std::to_string(value));
  }
  void setRequestHeader(std::string_view name,
                        std::string_view value) override {
    calls.push_back("SetRequestHeader " + std::string(name) + "|" +
                    std::string(value));
  }
  void send(std::string_view text) override {
    calls.push_back("Send text " + std::string(text));
  }
  void send(const std::vector<std::uint8_t>& bytes) override {
    calls.push_back("Send bytes " + std::to_string(bytes.size()));
  }
  const std::vector<std::uint8_t>& responseBody() const override {
    return body;
  }
  std::vector<std::uint8_t> takeResponseBody() override {
    return std::move(body);
  }
  std::string getAllResponseHeaders() const override {
    return "Set-Cookie: s=1";
  }
  int status() const override { return 299; }
};

std::vector<std::string> callsStartingWith(
    const std::vector<std::string>& calls, const std::string& prefix) {
  std::vector<std::string> found;
  for (const std::string& call : calls) {
    if (call.rfind(prefix, 0) == 0) found.push_back(call);
  }
  return found;
}

TEST(WebObjectRequestComponentTest, TimeoutsPerPhase) {
  struct Case {
    const char* name;
    std::int32_t seconds;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"-1 keeps the component's own", -1, {}},
      {"0 is 15 s", 0, {"SetTimeouts 15000 15000 15000 15000"}},
      {"-5 is 15 s", -5, {"SetTimeouts 15000 15000 15000 15000"}},
      {"30 is 30 s", 30, {"SetTimeouts 30000 30000 30000 30000"}},
      {"beyond the range of milliseconds is capped",
       3000000,
       {"SetTimeouts 2147483647 2147483647 2147483647 2147483647"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingRequest request;
    WebObjectRequest("http://127.0.0.1:9/x",
                     {.timeoutSeconds = c.seconds, .requestObject = &request});
    EXPECT_EQ(callsStartingWith(request.calls, "SetTimeouts"), c.expected);
  }
}

TEST(WebObjectRequestComponentTest, CallOrderWithEverythingSupplied) {
  RecordingRequest request;
  Text cookies = "k=v";
  Text headers = "X-A: 1";
  const Bytes body =
      WebObjectRequest("http://127.0.0.1:9/x", {.method = 3,
                                                .cookies = &cookies,
                                                .headers = &headers,
                                                .noRedirect = true,
                                                .proxy = "127.0.0.1:8",
                                                .timeoutSeconds = 2,
                                                .proxyUser = "u",
                                                .proxyPassword = "p",
                                                .requestObject = &request,
                                                .addDefaultHeaders = false});
  EXPECT_EQ(Text(body.begin(), body.end()), "ok");
  const std::vector<std::string> expected = {
      "SetTimeouts 2000 2000 2000 2000",
      "SetProxy 2 127.0.0.1:8",
      "Open PUT http://127.0.0.1:9/x false",
      "Option 6 0",
      "Option 4 13056",
      "SetRequestHeader Proxy-Authorization|Basic dTpw",
      "SetRequestHeader Cookie|k=v",
      "SetRequestHeader X-A|1",
      "Send text ",
  };
  EXPECT_EQ(request.calls, expected);
  EXPECT_EQ(cookies, "s=1; k=v");
}

TEST(WebObjectRequestComponentTest, CreationFailureTouchesNoOutput) {
  platform::HttpRequestComponentFactory previous =
      platform::setHttpRequestComponentFactory(
          [](std::string_view) { return nullptr; });
  Text cookies = "cookie: a = 1";
  Text headers = "x: 1";
  Text returned = "r";
  Text responseHeaders = "h";
  std::int32_t status = 77;
  const Bytes body = WebObjectRequest("http://127.0.0.1:9/x",
                                      {.cookies = &cookies,
                                       .returnedCookies = &returned,
                                       .headers = &headers,
                                       .responseHeaders = &responseHeaders,
                                       .status = &status});
  platform::setHttpRequestComponentFactory(std::move(previous));
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(cookies, "cookie: a = 1");
  EXPECT_EQ(headers, "x: 1");
  EXPECT_EQ(returned, "r");
  EXPECT_EQ(responseHeaders, "h");
  EXPECT_EQ(status, 77);
}

TEST(WebObjectRequestComponentTest, SuppliedEmptyObjectFailsEveryOperation) {
  Text headers;
  std::int32_t status = 77;
  Text responseHeaders = "h";
  const Bytes body = WebObjectRequest(
      "http://127.0.0.1:9/x",
      {.headers = &headers,
       .responseHeaders = &responseHeaders,
       .status = &status,
       .requestObject = static_cast<platform::HttpRequestComponent*>(nullptr)});
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(status, 0);
  EXPECT_EQ(responseHeaders, "");
  EXPECT_EQ(headers.rfind("Accept: */*", 0), 0u)
      << "the routine's own steps still run";
}

TEST_F(WebObjectRequestTest, SuppliedObjectServesSeveralCallsAndStaysAlive) {
  server_.route("/one", okBody("1"));
  server_.route("/two", okBody("2"));
  auto request =
      platform::createHttpRequestComponent(platform::kHttpRequestComponentName);
  ASSERT_NE(request, nullptr);
  EXPECT_EQ(asText(WebObjectRequest(server_.url("/one"),
                                    {.requestObject = request.get()})),
            "1");
  EXPECT_EQ(asText(WebObjectRequest(server_.url("/two"),
                                    {.requestObject = request.get()})),
            "2");
  EXPECT_EQ(request->status(), 200);
  EXPECT_EQ(server_.requests().size(), 2u);
}

TEST(Base64EncodeTest, StandardVectors) {
  struct Case {
    std::string input;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {"\xfb\xff\xbf", "+/+/"},  // the two last letters of the alphabet
      {std::string("\0\0", 2), "AAA="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(base64Encode(asBytes(c.input)), c.expected);
  }
}

}  // namespace
}  // namespace lirabel
