// FaultyHttpSession wraps a real session layer, writes down every call it
// passes on (one line per call, with its arguments as local text) and makes
// the calls that match a chosen prefix fail, so a test can show what a caller
// does when exactly that step goes wrong. It owns nothing but its log; the
// wrapped layer and the handles stay the caller's.
#ifndef LIRABEL_TESTS_WEB_SESSION_FAULTY_HTTP_SESSION_H_
#define LIRABEL_TESTS_WEB_SESSION_FAULTY_HTTP_SESSION_H_

#include <string>
#include <vector>

#include "platform/http_session.h"
#include "text/codepage.h"

namespace lirabel::testing {

class FaultyHttpSession : public platform::HttpSession {
 public:
  explicit FaultyHttpSession(platform::HttpSession& inner) : inner_(inner) {}

  // Calls whose log line begins with prefix fail, from the nth such call on
  // (1 = the first). Several rules may be given; an empty prefix fails
  // nothing.
  void failCallsStartingWith(std::string prefix, int nth = 1) {
    if (!prefix.empty()) rules_.push_back({std::move(prefix), nth, 0});
  }
  const std::vector<std::string>& calls() const { return calls_; }
  // The log lines that begin with prefix.
  std::vector<std::string> callsStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& c : calls_) {
      if (c.rfind(prefix, 0) == 0) out.push_back(c);
    }
    return out;
  }

  bool checkPlatform() override {
    return log("checkPlatform") && inner_.checkPlatform();
  }
  bool crackUrl(const Bytes& url, platform::UrlParts* parts) override {
    return log("crackUrl " + wideToLocal(url)) && inner_.crackUrl(url, parts);
  }
  platform::HttpHandle openSession(int accessType,
                                   const Bytes& proxy) override {
    if (!log("openSession " + std::to_string(accessType) + " " +
             wideToLocal(proxy))) {
      return {};
    }
    return inner_.openSession(accessType, proxy);
  }
  bool setTimeouts(platform::HttpHandle& session, int a, int b, int c,
                   int d) override {
    return log("setTimeouts " + std::to_string(a) + " " + std::to_string(b) +
               " " + std::to_string(c) + " " + std::to_string(d)) &&
           inner_.setTimeouts(session, a, b, c, d);
  }
  platform::HttpHandle connect(platform::HttpHandle& session, const Bytes& host,
                               int port) override {
    if (!log("connect " + wideToLocal(host) + " " + std::to_string(port))) {
      return {};
    }
    return inner_.connect(session, host, port);
  }
  platform::HttpHandle openRequest(platform::HttpHandle& connection,
                                   const Bytes& method, const Bytes& objectName,
                                   std::uint32_t flags) override {
    if (!log("openRequest " + wideToLocal(method) + " " +
             wideToLocal(objectName) + " " + std::to_string(flags))) {
      return {};
    }
    return inner_.openRequest(connection, method, objectName, flags);
  }
  bool setCredentials(platform::HttpHandle& request, int target, int scheme,
                      const Bytes& user, const Bytes& password) override {
    return log("setCredentials " + std::to_string(target) + " " +
               std::to_string(scheme) + " " + wideToLocal(user) + " " +
               wideToLocal(password)) &&
           inner_.setCredentials(request, target, scheme, user, password);
  }
  bool setOption(platform::HttpHandle& request, int option,
                 std::uint32_t value) override {
    return log("setOption " + std::to_string(option) + " " +
               std::to_string(value)) &&
           inner_.setOption(request, option, value);
  }
  bool addRequestHeaders(platform::HttpHandle& request, const Bytes& headers,
                         std::uint32_t modifiers) override {
    return log("addRequestHeaders " + std::to_string(modifiers) + " " +
               wideToLocal(headers)) &&
           inner_.addRequestHeaders(request, headers, modifiers);
  }
  bool sendRequest(platform::HttpHandle& request, const Bytes& body) override {
    return log("sendRequest " + std::string(body.begin(), body.end())) &&
           inner_.sendRequest(request, body);
  }
  bool receiveResponse(platform::HttpHandle& request) override {
    return log("receiveResponse") && inner_.receiveResponse(request);
  }
  bool queryDataAvailable(platform::HttpHandle& request,
                          std::size_t* available) override {
    return log("queryDataAvailable") &&
           inner_.queryDataAvailable(request, available);
  }
  bool readData(platform::HttpHandle& request, std::uint8_t* buffer,
                std::size_t size, std::size_t* read) override {
    return log("readData") && inner_.readData(request, buffer, size, read);
  }
  bool queryHeaders(platform::HttpHandle& request, int infoLevel,
                    Bytes* headers) override {
    return log("queryHeaders " + std::to_string(infoLevel)) &&
           inner_.queryHeaders(request, infoLevel, headers);
  }
  bool closeHandle(platform::HttpHandle& handle) override {
    return log("closeHandle") && inner_.closeHandle(handle);
  }

 private:
  // Writes the line down; false when this call is to fail.
  bool log(std::string line) {
    calls_.push_back(line);
    bool pass = true;
    for (Rule& rule : rules_) {
      if (line.rfind(rule.prefix, 0) == 0 && ++rule.matched >= rule.from) {
        pass = false;
      }
    }
    return pass;
  }

  struct Rule {
    std::string prefix;
    int from;
    int matched;
  };

  platform::HttpSession& inner_;
  std::vector<std::string> calls_;
  std::vector<Rule> rules_;
};

}  // namespace lirabel::testing

#endif  // LIRABEL_TESTS_WEB_SESSION_FAULTY_HTTP_SESSION_H_
