// The session layer over libcurl against the fixture server: address
// splitting, what goes out on the wire, and which step reports which kind of
// broken exchange.
#include "platform/http_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/fixture_server.h"
#include "text/codepage.h"

namespace lirabel::platform {
namespace {

using lirabel::testing::Fault;
using lirabel::testing::FixtureResponse;
using lirabel::testing::FixtureServer;

Bytes wide(const std::string& text) { return localToWide(text); }
std::string local(const Bytes& data) { return wideToLocal(data); }

TEST(HttpSessionTest, CrackUrlGivesThePartsAsWritten) {
  struct Case {
    const char* name;
    const char* url;
    bool ok;
    bool secure = false;
    const char* host = "";
    int port = 0;
    const char* path = "";
    const char* extra = "";
  };
  const std::vector<Case> cases = {
      // Query and fragment both belong to the extra information.
      {"query and fragment", "http://example.com/a/b?x=1&y=2#top", true, false,
       "example.com", 80, "/a/b", "?x=1&y=2#top"},
      // An https address without a port gets the scheme's default.
      {"https default port", "https://example.com/p", true, true, "example.com",
       443, "/p", ""},
      {"explicit port", "http://127.0.0.1:8080/", true, false, "127.0.0.1",
       8080, "/", ""},
      // No path at all: "/" and the query stays apart.
      {"query right after host", "http://example.com?x=1", true, false,
       "example.com", 80, "/", "?x=1"},
      // Dot segments are not resolved; the address is taken as written.
      {"dot segments kept", "http://example.com/a/../b", true, false,
       "example.com", 80, "/a/../b", ""},
      {"scheme in capitals", "HTTPS://example.com/", true, true, "example.com",
       443, "/", ""},
      {"empty", "", false},
      {"no scheme", "example.com/page", false},
      {"other scheme", "ftp://example.com/file", false},
      {"no host", "http://", false},
      // Spaces are taken as written; escaping them is the sending side's.
      {"space in path", "http://h/a b", true, false, "h", 80, "/a b", ""},
  };
  auto session = makeCurlHttpSession();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UrlParts parts;
    ASSERT_EQ(session->crackUrl(wide(c.url), &parts), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(parts.secure, c.secure);
    EXPECT_EQ(local(parts.host), c.host);
    EXPECT_EQ(parts.port, c.port);
    EXPECT_EQ(local(parts.path), c.path);
    EXPECT_EQ(local(parts.extraInfo), c.extra);
  }
}

TEST(HttpSessionTest, RefusesWhatItCannotDo) {
  auto layer = makeCurlHttpSession();
  EXPECT_TRUE(layer->checkPlatform());
  EXPECT_FALSE(layer->openSession(7, {}));
  EXPECT_FALSE(layer->openSession(kAccessTypeNamedProxy, {}));
  HttpHandle session = layer->openSession(kAccessTypeNoProxy, {});
  ASSERT_TRUE(session);
  EXPECT_FALSE(layer->setTimeouts(session, -2, 0, 0, 0));
  EXPECT_FALSE(layer->connect(session, {}, 80));
  HttpHandle connection = layer->connect(session, wide("127.0.0.1"), 1);
  ASSERT_TRUE(connection);
  // A session handle where a connection belongs is not taken for one.
  EXPECT_FALSE(layer->openRequest(session, wide("GET"), wide("/"), 0));
  EXPECT_FALSE(layer->openRequest(connection, wide("GET"), wide("/"), 1));
  HttpHandle request =
      layer->openRequest(connection, wide("GET"), wide("/"), 0);
  ASSERT_TRUE(request);
  EXPECT_FALSE(layer->setOption(request, kOptionDisableFeature, 8));
  EXPECT_FALSE(layer->setOption(request, 12345, 1));
  EXPECT_FALSE(layer->setCredentials(request, kAuthTargetServer, 2, wide("u"),
                                     wide("p")));
  EXPECT_FALSE(
      layer->addRequestHeaders(request, wide("no colon"), kAddHeadersAdd));
  EXPECT_FALSE(
      layer->addRequestHeaders(request, wide("A: 1\nB: 2"), kAddHeadersAdd));
  EXPECT_FALSE(layer->addRequestHeaders(request, wide("A: 1"), 0));
  // Nothing was received yet.
  EXPECT_FALSE(layer->receiveResponse(request));
  Bytes headers;
  EXPECT_FALSE(layer->queryHeaders(request, kQueryRawHeadersCrlf, &headers));
  EXPECT_TRUE(layer->closeHandle(request));
  EXPECT_FALSE(layer->closeHandle(request));
}

// One exchange through the layer, step by step as a caller drives it.
struct Exchange {
  bool sent = false;
  bool received = false;
  bool readFailed = false;
  std::string body;
  bool headersOk = false;
  std::string headers;
};

struct ExchangeSetup {
  std::string url;
  std::string method = "GET";
  std::string headerBlock;
  std::string body;
  int timeoutMs = 10000;
  int accessType = kAccessTypeNoProxy;
  std::string proxy;
  std::vector<std::pair<int, std::uint32_t>> options;
  std::vector<std::pair<std::string, std::string>>
      credentials;  // server, proxy
};

Exchange run(const ExchangeSetup& setup) {
  auto layer = makeCurlHttpSession();
  Exchange result;
  UrlParts parts;
  EXPECT_TRUE(layer->crackUrl(wide(setup.url), &parts)) << setup.url;
  HttpHandle session = layer->openSession(setup.accessType, wide(setup.proxy));
  EXPECT_TRUE(session);
  EXPECT_TRUE(layer->setTimeouts(session, setup.timeoutMs, setup.timeoutMs,
                                 setup.timeoutMs, setup.timeoutMs));
  HttpHandle connection = layer->connect(session, parts.host, parts.port);
  Bytes object = parts.path;
  object.insert(object.end(), parts.extraInfo.begin(), parts.extraInfo.end());
  HttpHandle request =
      layer->openRequest(connection, wide(setup.method), object,
                         parts.secure ? kRequestFlagSecure : 0);
  EXPECT_TRUE(request);
  for (auto [option, value] : setup.options) {
    EXPECT_TRUE(layer->setOption(request, option, value));
  }
  for (std::size_t i = 0; i < setup.credentials.size(); ++i) {
    const auto& [user, password] = setup.credentials[i];
    if (user.empty()) continue;
    EXPECT_TRUE(layer->setCredentials(
        request, i == 0 ? kAuthTargetServer : kAuthTargetProxy,
        kAuthSchemeBasic, wide(user), wide(password)));
  }
  EXPECT_TRUE(layer->addRequestHeaders(request, wide(setup.headerBlock),
                                       kAddHeadersAdd));
  result.sent =
      layer->sendRequest(request, Bytes(setup.body.begin(), setup.body.end()));
  if (!result.sent) return result;
  result.received = layer->receiveResponse(request);
  if (!result.received) return result;
  while (true) {
    std::size_t available = 0;
    if (!layer->queryDataAvailable(request, &available) || available < 1) {
      break;
    }
    std::vector<std::uint8_t> buffer(available);
    std::size_t read = 0;
    if (!layer->readData(request, buffer.data(), buffer.size(), &read)) {
      result.readFailed = true;
      break;
    }
    result.body.append(buffer.begin(), buffer.begin() + read);
  }
  Bytes raw;
  result.headersOk = layer->queryHeaders(request, kQueryRawHeadersCrlf, &raw);
  result.headers = local(raw);
  EXPECT_TRUE(layer->closeHandle(request));
  EXPECT_TRUE(layer->closeHandle(connection));
  EXPECT_TRUE(layer->closeHandle(session));
  return result;
}

TEST(HttpSessionTest, SendsTheBlockAsComposedAndNothingElseButHost) {
  FixtureServer server;
  FixtureResponse page;
  page.headers = {{"Content-Encoding", "gzip"}, {"X-One", "1"}};
  page.body = std::string("not gzip at all \x01\x02", 18);
  server.route("/page", page);
  ExchangeSetup setup;
  setup.url = server.url("/page?q=1");
  setup.headerBlock =
      "Zeta: last-first\r\nAccept-Encoding: gbk, GB2312\r\n\r\nEmpty:\r\n"
      "Alpha: 1";
  Exchange got = run(setup);
  ASSERT_TRUE(got.received);
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].requestLine, "GET /page?q=1 HTTP/1.1");
  EXPECT_EQ(requests[0].headerLines,
            (std::vector<std::string>{
                "Host: 127.0.0.1:" + std::to_string(server.port()),
                "Zeta: last-first", "Accept-Encoding: gbk, GB2312",
                "Empty:", "Alpha: 1"}));
  // The body is handed out as it came, whatever its coding says.
  EXPECT_EQ(got.body, page.body);
  EXPECT_TRUE(got.headersOk);
  EXPECT_EQ(got.headers,
            "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nX-One: 1\r\n"
            "Content-Length: 18\r\n");
}

TEST(HttpSessionTest, MethodsAndBodiesGoOutAsAsked) {
  struct Case {
    const char* method;
    const char* body;
    const char* requestLine;
    const char* contentLength;  // "" when the request has none
  };
  const std::vector<Case> cases = {
      {"GET", "", "GET /m HTTP/1.1", ""},
      {"POST", "a=1&b=2", "POST /m HTTP/1.1", "7"},
      // An empty POST still frames its empty body.
      {"POST", "", "POST /m HTTP/1.1", "0"},
      {"PUT", "data", "PUT /m HTTP/1.1", "4"},
      {"DELETE", "", "DELETE /m HTTP/1.1", ""},
      {"OPTIONS", "", "OPTIONS /m HTTP/1.1", ""},
      {"HEAD", "", "HEAD /m HTTP/1.1", ""},
      // A body goes out with any method that is given one.
      {"GET", "xyz", "GET /m HTTP/1.1", "3"},
  };
  FixtureServer server;
  FixtureResponse page;
  page.body = "ok";
  server.route("/m", page);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.method) + " with body '" + c.body + "'");
    server.clearRequests();
    ExchangeSetup setup;
    setup.url = server.url("/m");
    setup.method = c.method;
    setup.body = c.body;
    setup.headerBlock = "X-Case: 1";
    Exchange got = run(setup);
    EXPECT_TRUE(got.received);
    EXPECT_EQ(got.body, std::string(c.method) == "HEAD" ? "" : "ok");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].requestLine, c.requestLine);
    EXPECT_EQ(requests[0].header("Content-Length"), c.contentLength);
    EXPECT_EQ(requests[0].header("Content-Type"), "");
    EXPECT_EQ(requests[0].header("Expect"), "");
    EXPECT_EQ(requests[0].body, c.body);
  }
}

TEST(HttpSessionTest, LongBodyArrivesWholeInPieces) {
  FixtureServer server;
  FixtureResponse big;
  big.body = std::string("0123456789abcdef") + std::string(1, '\0');
  big.bodyRepeat = 40000;  // 680000 bytes, a zero byte in every piece
  big.chunked = true;
  server.route("/big", big);
  ExchangeSetup setup;
  setup.url = server.url("/big");
  Exchange got = run(setup);
  ASSERT_TRUE(got.received);
  EXPECT_FALSE(got.readFailed);
  std::string expected;
  for (int i = 0; i < big.bodyRepeat; ++i) expected += big.body;
  EXPECT_EQ(got.body.size(), expected.size());
  EXPECT_TRUE(got.body == expected);
}

TEST(HttpSessionTest, RawHeadersAreThoseOfTheFinalResponse) {
  FixtureServer server;
  FixtureResponse moved;
  moved.status = 302;
  moved.reason = "Found";
  moved.headers = {{"Location", "/final"}};
  moved.body = "moved";
  FixtureResponse final;
  final.headers = {{"X-Final", "yes"}};
  final.body = "arrived";
  server.route("/start", moved);
  server.route("/final", final);

  ExchangeSetup follow;
  follow.url = server.url("/start");
  Exchange got = run(follow);
  EXPECT_EQ(got.body, "arrived");
  EXPECT_EQ(got.headers,
            "HTTP/1.1 200 OK\r\nX-Final: yes\r\nContent-Length: 7\r\n");

  ExchangeSetup stay = follow;
  stay.options = {{kOptionDisableFeature, kDisableRedirects}};
  got = run(stay);
  EXPECT_EQ(got.body, "moved");
  EXPECT_EQ(got.headers,
            "HTTP/1.1 302 Found\r\nLocation: /final\r\nContent-Length: 5\r\n");
}

TEST(HttpSessionTest, CookieStoreOnlyWithTheEnableOption) {
  FixtureServer server;
  FixtureResponse setter;
  setter.status = 302;
  setter.reason = "Found";
  setter.headers = {{"Set-Cookie", "sid=42; Path=/"}, {"Location", "/next"}};
  FixtureResponse next;
  next.body = "done";
  server.route("/login", setter);
  server.route("/next", next);
  struct Case {
    const char* name;
    std::pair<int, std::uint32_t> option;
    const char* cookieOnSecondHop;
  };
  const std::vector<Case> cases = {
      {"cookies off", {kOptionDisableFeature, kDisableCookies}, ""},
      {"enable option", {kOptionEnableFeature, kEnableSslRevocation}, "sid=42"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server.clearRequests();
    ExchangeSetup setup;
    setup.url = server.url("/login");
    setup.options = {c.option};
    Exchange got = run(setup);
    EXPECT_EQ(got.body, "done");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].header("Cookie"), c.cookieOnSecondHop);
  }
}

TEST(HttpSessionTest, BasicCredentialsGoToTheirTarget) {
  FixtureServer server;
  FixtureResponse page;
  page.body = "x";
  server.route("/auth", page);
  ExchangeSetup setup;
  setup.url = server.url("/auth");
  setup.credentials = {{"user", "secret"}};
  Exchange got = run(setup);
  EXPECT_TRUE(got.received);
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].header("Authorization"), "Basic dXNlcjpzZWNyZXQ=");
  EXPECT_EQ(requests[0].header("Proxy-Authorization"), "");
}

TEST(HttpSessionTest, NamedProxyCarriesThePlainRequest) {
  FixtureServer origin;  // never reached: the proxy answers
  FixtureServer proxy;
  FixtureResponse page;
  page.body = "via proxy";
  proxy.route("/p", page);
  struct Case {
    const char* name;
    std::string list;
    bool viaProxy;
  };
  const std::string at = "127.0.0.1:" + std::to_string(proxy.port());
  const std::vector<Case> cases = {
      {"entry for http", "http=" + at, true},
      {"entry for every scheme", at, true},
      // Only an https entry: a plain address goes direct.
      {"entry for https only", "https=" + at, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    proxy.clearRequests();
    origin.clearRequests();
    ExchangeSetup setup;
    setup.url = origin.url("/p");
    setup.accessType = kAccessTypeNamedProxy;
    setup.proxy = c.list;
    setup.credentials = {{"", ""}, {"pu", "pp"}};
    Exchange got = run(setup);
    EXPECT_TRUE(got.received);
    auto seen = c.viaProxy ? proxy.requests() : origin.requests();
    ASSERT_EQ(seen.size(), 1u);
    if (c.viaProxy) {
      EXPECT_EQ(got.body, "via proxy");
      EXPECT_EQ(seen[0].requestLine, "GET " + origin.url("/p") + " HTTP/1.1");
      EXPECT_EQ(seen[0].header("Proxy-Authorization"), "Basic cHU6cHA=");
    } else {
      EXPECT_EQ(seen[0].requestLine, "GET /p HTTP/1.1");
    }
  }
}

TEST(HttpSessionTest, SecureAddressThroughProxyAsksForATunnel) {
  FixtureServer proxy;  // refuses the tunnel with its 404
  ExchangeSetup setup;
  setup.url = "https://127.0.0.1:9/x";
  setup.accessType = kAccessTypeNamedProxy;
  setup.proxy = "127.0.0.1:" + std::to_string(proxy.port());
  Exchange got = run(setup);
  EXPECT_FALSE(got.sent);
  auto seen = proxy.requests();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].requestLine, "CONNECT 127.0.0.1:9 HTTP/1.1");
}

// Where an exchange breaks off decides which step reports it.
TEST(HttpSessionTest, EachBreakIsReportedByItsStep) {
  FixtureServer server;
  FixtureResponse closes;
  closes.fault = Fault::kCloseBeforeResponse;
  FixtureResponse resets;
  resets.body = std::string(4000, 'r');
  resets.fault = Fault::kResetAfterHeaders;
  FixtureResponse slow;
  slow.delaySeconds = 4;
  FixtureResponse stalls;
  stalls.body = std::string(4000, 's');
  stalls.fault = Fault::kStallAfterHeaders;
  stalls.stallSeconds = 6;
  server.route("/closes", closes);
  server.route("/resets", resets);
  server.route("/slow", slow);
  server.route("/stalls", stalls);
  // A port that was just in use and is closed now refuses the connection.
  int closedPort;
  {
    FixtureServer gone;
    closedPort = gone.port();
  }
  struct Case {
    const char* name;
    std::string url;
    std::string method;
    bool sent, received, readFailed;
    std::size_t bodyBytes;
  };
  const std::vector<Case> cases = {
      {"connection refused",
       "http://127.0.0.1:" + std::to_string(closedPort) + "/", "GET", false,
       false, false, 0},
      {"closed without an answer", server.url("/closes"), "POST", true, false,
       false, 0},
      // Half the body, then a reset: the read that meets it fails.
      {"reset in the body", server.url("/resets"), "GET", true, true, true,
       2000},
      // The answer takes longer than the idle limit of one second.
      {"no answer in time", server.url("/slow"), "GET", true, false, false, 0},
      {"silence in the body", server.url("/stalls"), "GET", true, true, true,
       2000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExchangeSetup setup;
    setup.url = c.url;
    setup.method = c.method;
    setup.body = c.method == "POST" ? "k=v" : "";
    setup.timeoutMs = 1000;
    Exchange got = run(setup);
    EXPECT_EQ(got.sent, c.sent);
    EXPECT_EQ(got.received, c.received);
    EXPECT_EQ(got.readFailed, c.readFailed);
    EXPECT_EQ(got.body.size(), c.bodyBytes);
    if (c.received) {
      EXPECT_TRUE(got.headersOk);
      EXPECT_EQ(got.headers.substr(0, 17), "HTTP/1.1 200 OK\r\n");
    }
  }
}

TEST(HttpSessionTest, UntrustedCertificateFailsTheSend) {
  // The fixture's self-signed certificate is checked like any other.
  const std::string dir = ::testing::TempDir();
  const std::string cert = dir + "/lirabel_web2_cert.pem";
  const std::string key = dir + "/lirabel_web2_key.pem";
  const std::string command =
      "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1"
      " -keyout " +
      key + " -out " + cert + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "no openssl";
  FixtureServer server({"--cert", cert, "--key", key});
  FixtureResponse page;
  page.body = "secret";
  server.route("/s", page);
  ExchangeSetup setup;
  setup.url = server.url("/s", "https");
  Exchange got = run(setup);
  EXPECT_FALSE(got.sent);
  EXPECT_TRUE(server.requests().empty());
}

}  // namespace
}  // namespace lirabel::platform
