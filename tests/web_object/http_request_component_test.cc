// The libcurl request component against the fixture server on 127.0.0.1.
#include "platform/http_request_component.h"

#include <gtest/gtest.h>
#include <strings.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/fixture_server.h"

namespace lirabel::platform {
namespace {

using lirabel::testing::Fault;
using lirabel::testing::FixtureResponse;
using lirabel::testing::FixtureServer;
using lirabel::testing::RecordedRequest;
using Seconds = std::chrono::duration<double>;

std::string asString(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

FixtureResponse okBody(const std::string& body) {
  FixtureResponse response;
  response.body = body;
  return response;
}

std::unique_ptr<HttpRequestComponent> makeRequest() {
  auto request = createHttpRequestComponent(kHttpRequestComponentName);
  EXPECT_NE(request, nullptr);
  return request;
}

class HttpRequestComponentTest : public ::testing::Test {
 protected:
  FixtureServer server_;

  RecordedRequest lastRequest() {
    std::vector<RecordedRequest> requests = server_.requests();
    EXPECT_FALSE(requests.empty());
    return requests.empty() ? RecordedRequest() : requests.back();
  }
};

TEST_F(HttpRequestComponentTest, SendsExactlyTheHeadersSetInOrder) {
  server_.route("/h", okBody("x"));
  auto request = makeRequest();
  request->open("GET", server_.url("/h"));
  request->setRequestHeader("Zeta", "1");
  request->setRequestHeader("alpha", "two words");
  request->setRequestHeader("X-Empty", "");
  // Neither of these can form a header line of its own.
  request->setRequestHeader("", "nameless");
  request->setRequestHeader("Bad Name", "1");
  request->setRequestHeader("X-Split", "a\r\nInjected: 1");
  request->setRequestHeader("Middle", "3");
  request->send(std::string_view());

  EXPECT_EQ(request->status(), 200);
  const std::vector<std::string> expected = {
      "Host: 127.0.0.1:" + std::to_string(server_.port()),
      "Zeta: 1",
      "alpha: two words",
      "X-Empty:",
      "Middle: 3",
  };
  EXPECT_EQ(lastRequest().headerLines, expected);
}

TEST_F(HttpRequestComponentTest, CallersOwnAcceptAndContentTypeAreKept) {
  server_.route("/p", okBody("x"));
  auto request = makeRequest();
  request->open("PUT", server_.url("/p"));
  request->setRequestHeader("Content-Type", "text/plain");
  request->setRequestHeader("Accept", "text/html");
  request->send(std::vector<std::uint8_t>{'a', 'b', 'c'});
  RecordedRequest recorded = lastRequest();
  EXPECT_EQ(recorded.requestLine, "PUT /p HTTP/1.1");
  const std::vector<std::string> expected = {
      "Host: 127.0.0.1:" + std::to_string(server_.port()),
      "Content-Type: text/plain",
      "Accept: text/html",
      "Content-Length: 3",
  };
  EXPECT_EQ(recorded.headerLines, expected);
  EXPECT_EQ(recorded.body, "abc");
}

TEST_F(HttpRequestComponentTest, ResponseHeadersOneLinePerHeader) {
  FixtureResponse response;
  response.raw =
      "HTTP/1.1 201 Created\r\n"
      "Set-Cookie: a=1; path=/\r\n"
      "Set-Cookie: b=2\r\n"
      "X-Tight:value\r\n"
      "X-Folded: one\r\n"
      "  two\r\n"
      "Content-Length: 4\r\n"
      "\r\n"
      "body";
  server_.route("/r", response);
  auto request = makeRequest();
  request->open("GET", server_.url("/r"));
  request->send(std::string_view());
  EXPECT_EQ(request->status(), 201);
  EXPECT_EQ(request->getAllResponseHeaders(),
            "Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\nX-Tight: "
            "value\r\nX-Folded: one two\r\nContent-Length: 4");
  EXPECT_EQ(asString(request->responseBody()), "body");
}

TEST_F(HttpRequestComponentTest, BodyIsReceivedIntoItsReservedBufferAndTaken) {
  // An odd size that growth by doubling would never land on exactly.
  const std::string piece(1000, 'z');
  FixtureResponse response;
  response.body = piece;
  response.bodyRepeat = 301;
  server_.route("/big", response);
  auto request = makeRequest();
  request->open("GET", server_.url("/big"));
  request->send(std::string_view());
  ASSERT_EQ(request->responseBody().size(), 301000u);
  EXPECT_EQ(request->responseBody().capacity(), 301000u)
      << "the buffer was sized from Content-Length up front";
  const std::uint8_t* data = request->responseBody().data();
  std::vector<std::uint8_t> taken = request->takeResponseBody();
  EXPECT_EQ(taken.data(), data) << "handed out without a copy";
  EXPECT_TRUE(request->responseBody().empty());
}

TEST_F(HttpRequestComponentTest, ChunkedBodyArrivesWhole) {
  FixtureResponse response = okBody("0123456789abcdef");
  response.chunked = true;
  server_.route("/c", response);
  auto request = makeRequest();
  request->open("GET", server_.url("/c"));
  request->send(std::string_view());
  EXPECT_EQ(asString(request->responseBody()), "0123456789abcdef");
}

TEST_F(HttpRequestComponentTest, RedirectOption) {
  FixtureResponse moved;
  moved.status = 301;
  moved.reason = "Moved Permanently";
  moved.headers = {{"Location", "/to"}};
  server_.route("/from", moved);
  server_.route("/to", okBody("there"));

  struct Case {
    const char* name;
    bool setOption;
    int value;
    int expectedStatus;
  };
  const std::vector<Case> cases = {
      {"followed by default", false, 0, 200},
      {"option 6 set to 0 returns the redirect", true, 0, 301},
      {"option 6 set to 1 follows", true, 1, 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto request = makeRequest();
    request->open("GET", server_.url("/from"));
    if (c.setOption) request->setOption(kOptionEnableRedirects, c.value);
    request->send(std::string_view());
    EXPECT_EQ(request->status(), c.expectedStatus);
  }
}

TEST_F(HttpRequestComponentTest, PostRedirectedBy303BecomesGet) {
  FixtureResponse seeOther;
  seeOther.status = 303;
  seeOther.reason = "See Other";
  seeOther.headers = {{"Location", "/done"}};
  server_.route("/form", seeOther);
  server_.route("/done", okBody("done"));
  auto request = makeRequest();
  request->open("POST", server_.url("/form"));
  request->send(std::string_view("a=1"));
  EXPECT_EQ(asString(request->responseBody()), "done");
  std::vector<RecordedRequest> requests = server_.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].requestLine, "POST /form HTTP/1.1");
  EXPECT_EQ(requests[1].requestLine, "GET /done HTTP/1.1");
  EXPECT_EQ(requests[1].body, "");
}

TEST_F(HttpRequestComponentTest, AFailedSendLeavesNothingBehind) {
  server_.route("/ok", okBody("fine"));
  FixtureResponse broken = okBody(std::string(10000, 'b'));
  broken.fault = Fault::kResetAfterHeaders;
  server_.route("/broken", broken);
  auto request = makeRequest();
  request->open("GET", server_.url("/ok"));
  request->send(std::string_view());
  ASSERT_EQ(request->status(), 200);

  request->open("GET", server_.url("/broken"));
  request->send(std::string_view());
  EXPECT_EQ(request->status(), 0);
  EXPECT_TRUE(request->responseBody().empty());
  EXPECT_EQ(request->getAllResponseHeaders(), "");
}

TEST_F(HttpRequestComponentTest, SendWithoutOpenOrAsyncOpenFails) {
  server_.route("/x", okBody("x"));
  auto request = makeRequest();
  request->send(std::string_view());
  EXPECT_EQ(request->status(), 0);
  request->open("GET", server_.url("/x"), /*async=*/true);
  request->send(std::string_view());
  EXPECT_EQ(request->status(), 0);
  EXPECT_TRUE(server_.requests().empty());
}

TEST_F(HttpRequestComponentTest, IdleLimitStrikesWhenNothingArrives) {
  struct Case {
    const char* name;
    FixtureResponse response;
  };
  FixtureResponse late = okBody("late");
  late.delaySeconds = 20;
  FixtureResponse stalled = okBody(std::string(1000, 's'));
  stalled.fault = Fault::kStallAfterHeaders;
  stalled.stallSeconds = 20;
  for (const Case& c : std::vector<Case>{{"no answer yet", late},
                                         {"silence mid-body", stalled}}) {
    SCOPED_TRACE(c.name);
    server_.route("/slow", c.response);
    auto request = makeRequest();
    request->setTimeouts(1000, 1000, 1000, 1000);
    request->open("GET", server_.url("/slow"));
    const auto start = std::chrono::steady_clock::now();
    request->send(std::string_view());
    const Seconds took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(request->status(), 0);
    EXPECT_TRUE(request->responseBody().empty());
    // Far below the server's 20 s: the limit struck, not the server.
    EXPECT_LT(took.count(), 10.0);
  }
}

TEST_F(HttpRequestComponentTest, SteadyTransferLongerThanTheIdleLimitArrives) {
  // Eight pieces half a second apart: 3.5 s in all against a 1.5 s limit.
  FixtureResponse trickle = okBody("piece");
  trickle.bodyRepeat = 8;
  trickle.repeatIntervalSeconds = 0.5;
  server_.route("/trickle", trickle);
  auto request = makeRequest();
  request->setTimeouts(1500, 1500, 1500, 1500);
  request->open("GET", server_.url("/trickle"));
  request->send(std::string_view());
  EXPECT_EQ(request->status(), 200);
  EXPECT_EQ(request->responseBody().size(), 40u);
}

TEST_F(HttpRequestComponentTest, TunnelledRequestCarriesCredentialsOnConnect) {
  // The fixture server is no real proxy: it records the CONNECT and refuses
  // it with a 404, which fails the request like any proxy refusal.
  FixtureServer origin;
  auto request = makeRequest();
  request->setProxy(kProxySettingNamed,
                    "127.0.0.1:" + std::to_string(server_.port()));
  request->open("GET", origin.url("/secure", "https"));
  request->setRequestHeader("Proxy-Authorization", "Basic dTpw");
  request->setRequestHeader("Accept", "*/*");
  request->send(std::string_view());
  EXPECT_EQ(request->status(), 0);
  EXPECT_TRUE(request->responseBody().empty());
  RecordedRequest connect = lastRequest();
  EXPECT_EQ(connect.requestLine,
            "CONNECT 127.0.0.1:" + std::to_string(origin.port()) + " HTTP/1.1");
  EXPECT_EQ(connect.header("Proxy-Authorization"), "Basic dTpw");
  EXPECT_EQ(connect.header("Accept"), "")
      << "the server's headers do not go to the proxy";
  EXPECT_TRUE(origin.requests().empty());
}

TEST(HttpRequestComponentFactoryTest, UnknownNameAndInstalledFactory) {
  EXPECT_EQ(createHttpRequestComponent("Some.Other.Component"), nullptr);
  int calls = 0;
  HttpRequestComponentFactory previous = setHttpRequestComponentFactory(
      [&calls](std::string_view) -> std::unique_ptr<HttpRequestComponent> {
        ++calls;
        return nullptr;
      });
  EXPECT_EQ(createHttpRequestComponent(kHttpRequestComponentName), nullptr);
  EXPECT_EQ(calls, 1);
  setHttpRequestComponentFactory(std::move(previous));
  EXPECT_NE(createHttpRequestComponent(kHttpRequestComponentName), nullptr);
}

}  // namespace
}  // namespace lirabel::platform
