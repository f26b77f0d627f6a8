// FixtureServer runs tests/support/fixture_server.py as a child process: an
// HTTP server on 127.0.0.1 with scripted answers that records every request
// exactly as it came off the wire. The object owns the child and its pipes;
// the destructor stops the child.
#ifndef LIRABEL_TESTS_SUPPORT_FIXTURE_SERVER_H_
#define LIRABEL_TESTS_SUPPORT_FIXTURE_SERVER_H_

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace lirabel::testing {

enum class Fault {
  kNone,
  kResetAfterHeaders,    // headers and half the body, then a reset
  kCloseBeforeResponse,  // the connection closes without an answer
  kStallAfterHeaders,    // headers and half the body, then silence
};

struct FixtureResponse {
  int status = 200;
  std::string reason = "OK";
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  int bodyRepeat = 1;         // the body is sent this many times over
  bool contentLength = true;  // add a Content-Length header
  bool chunked = false;
  double delaySeconds = 0;
  // Silence between the bodyRepeat copies of the body (not with chunked).
  double repeatIntervalSeconds = 0;
  Fault fault = Fault::kNone;
  double stallSeconds = 60;
  std::string raw;  // when not empty, sent as it stands instead
};

// One request as the server received it.
struct RecordedRequest {
  std::string raw;          // request line, header lines, blank line, body
  std::string requestLine;  // without CR LF
  // The header lines in wire order, each without CR LF.
  std::vector<std::string> headerLines;
  std::string body;

  // The value of the first header with that name (ASCII case ignored), or
  // an empty string.
  std::string header(const std::string& name) const;
};

class FixtureServer {
 public:
  // extraArgs go to the script, e.g. {"--cert", pem, "--key", key}.
  explicit FixtureServer(std::vector<std::string> extraArgs = {});
  ~FixtureServer();
  FixtureServer(const FixtureServer&) = delete;
  FixtureServer& operator=(const FixtureServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by path.
  std::string url(const std::string& path,
                  const std::string& scheme = "http") const;

  // The answers for path, in turn; the last one repeats.
  void route(const std::string& path, std::vector<FixtureResponse> responses);
  void route(const std::string& path, FixtureResponse response) {
    route(path, std::vector<FixtureResponse>{std::move(response)});
  }
  std::vector<RecordedRequest> requests();
  void clearRequests();

 private:
  std::string command(const std::string& json);
  std::string readLine();

  pid_t child_ = -1;
  int toChild_ = -1;
  int fromChild_ = -1;
  std::string buffered_;
  int port_ = 0;
};

// The standard Base64 encoding and its inverse, for the control protocol.
std::string base64EncodeForTest(const std::string& data);
std::string base64DecodeForTest(const std::string& text);

}  // namespace lirabel::testing

#endif  // LIRABEL_TESTS_SUPPORT_FIXTURE_SERVER_H_
