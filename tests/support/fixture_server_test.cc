// The fixture server itself: a scripted answer comes back and the request is
// recorded in wire order.
#include "tests/support/fixture_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lirabel::testing {
namespace {

std::string exchange(int port, const std::string& request) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  EXPECT_EQ(write(fd, request.data(), request.size()),
            static_cast<ssize_t>(request.size()));
  std::string answer;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) answer.append(buf, n);
  close(fd);
  return answer;
}

TEST(FixtureServerTest, AnswersAndRecordsInWireOrder) {
  FixtureServer server;
  FixtureResponse page;
  page.headers = {{"X-Test", "1"}};
  page.body = "hello";
  server.route("/page", page);
  std::string answer = exchange(
      server.port(),
      "GET /page HTTP/1.1\r\nHost: x\r\nB: 2\r\nA: 1\r\nConnection: close"
      "\r\n\r\n");
  EXPECT_EQ(answer,
            "HTTP/1.1 200 OK\r\nX-Test: 1\r\nContent-Length: 5\r\n\r\nhello");
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].requestLine, "GET /page HTTP/1.1");
  EXPECT_EQ(requests[0].headerLines,
            (std::vector<std::string>{"Host: x", "B: 2", "A: 1",
                                      "Connection: close"}));
  EXPECT_EQ(requests[0].header("b"), "2");
}

TEST(FixtureServerTest, UnknownPathIs404AndAnswersTakeTurns) {
  FixtureServer server;
  FixtureResponse first, second;
  first.body = "one";
  second.body = "two";
  server.route("/turns", {first, second});
  const std::string get = "GET /turns HTTP/1.1\r\nConnection: close\r\n\r\n";
  EXPECT_NE(exchange(server.port(), get).find("one"), std::string::npos);
  EXPECT_NE(exchange(server.port(), get).find("two"), std::string::npos);
  EXPECT_NE(exchange(server.port(), get).find("two"), std::string::npos);
  EXPECT_NE(exchange(server.port(),
                     "GET /nope HTTP/1.1\r\nConnection: close\r\n\r\n")
                .find("404 Not Found"),
            std::string::npos);
}

}  // namespace
}  // namespace lirabel::testing
