#include "tests/support/fixture_server.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace lirabel::testing {

namespace {

constexpr char kScript[] = LIRABEL_FIXTURE_SERVER_SCRIPT;
constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string jsonString(const std::string& value) {
  std::string out = "\"";
  for (unsigned char c : value) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (c < 0x20 || c >= 0x7f) {
          // Only ASCII reaches here in practice (names); keep it lossless.
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

const char* faultName(Fault fault) {
  switch (fault) {
    case Fault::kResetAfterHeaders:
      return "reset_after_headers";
    case Fault::kCloseBeforeResponse:
      return "close_before_response";
    case Fault::kStallAfterHeaders:
      return "stall_after_headers";
    case Fault::kNone:
      break;
  }
  return nullptr;
}

std::string responseJson(const FixtureResponse& r) {
  std::string json = "{\"status\":" + std::to_string(r.status) +
                     ",\"reason\":" + jsonString(r.reason) + ",\"headers\":[";
  for (size_t i = 0; i < r.headers.size(); ++i) {
    if (i) json += ",";
    json += "[" + jsonString(r.headers[i].first) + "," +
            jsonString(r.headers[i].second) + "]";
  }
  json += "],\"body_b64\":\"" + base64EncodeForTest(r.body) + "\"";
  json += ",\"body_repeat\":" + std::to_string(r.bodyRepeat);
  json += std::string(",\"content_length\":") +
          (r.contentLength ? "true" : "false");
  json += std::string(",\"chunked\":") + (r.chunked ? "true" : "false");
  json += ",\"delay\":" + std::to_string(r.delaySeconds);
  json += ",\"repeat_interval\":" + std::to_string(r.repeatIntervalSeconds);
  json += ",\"stall_seconds\":" + std::to_string(r.stallSeconds);
  if (const char* fault = faultName(r.fault)) {
    json += std::string(",\"fault\":\"") + fault + "\"";
  }
  if (!r.raw.empty()) {
    json += ",\"raw_b64\":\"" + base64EncodeForTest(r.raw) + "\"";
  }
  return json + "}";
}

RecordedRequest parseRequest(std::string raw) {
  RecordedRequest request;
  request.raw = raw;
  size_t end = raw.find("\r\n\r\n");
  std::string head = raw.substr(0, end);
  if (end != std::string::npos) request.body = raw.substr(end + 4);
  size_t start = 0;
  bool first = true;
  while (start <= head.size()) {
    size_t next = head.find("\r\n", start);
    std::string line = head.substr(
        start, next == std::string::npos ? std::string::npos : next - start);
    if (first) {
      request.requestLine = line;
      first = false;
    } else {
      request.headerLines.push_back(line);
    }
    if (next == std::string::npos) break;
    start = next + 2;
  }
  return request;
}

}  // namespace

std::string RecordedRequest::header(const std::string& name) const {
  for (const std::string& line : headerLines) {
    size_t colon = line.find(':');
    if (colon != name.size()) continue;
    if (strncasecmp(line.c_str(), name.c_str(), name.size()) != 0) continue;
    size_t value = line.find_first_not_of(' ', colon + 1);
    return value == std::string::npos ? std::string() : line.substr(value);
  }
  return std::string();
}

FixtureServer::FixtureServer(std::vector<std::string> extraArgs) {
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
    throw std::runtime_error("fixture server: pipe failed");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  std::vector<std::string> args = {"python3", kScript};
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int rc = posix_spawnp(&child_, "python3", &actions, nullptr, argv.data(),
                        environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  toChild_ = in[1];
  fromChild_ = out[0];
  if (rc != 0) {
    child_ = -1;
    throw std::runtime_error("fixture server: cannot start python3");
  }
  std::string line = readLine();
  if (line.rfind("PORT ", 0) != 0) {
    throw std::runtime_error("fixture server: no port announced: " + line);
  }
  port_ = std::stoi(line.substr(5));
}

FixtureServer::~FixtureServer() {
  if (toChild_ >= 0) close(toChild_);  // end of input makes the script quit
  if (child_ > 0) {
    // Stalled answers may keep daemon threads asleep; do not wait for them.
    kill(child_, SIGTERM);
    int status = 0;
    while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  if (fromChild_ >= 0) close(fromChild_);
}

std::string FixtureServer::url(const std::string& path,
                               const std::string& scheme) const {
  return scheme + "://127.0.0.1:" + std::to_string(port_) + path;
}

std::string FixtureServer::readLine() {
  while (true) {
    size_t newline = buffered_.find('\n');
    if (newline != std::string::npos) {
      std::string line = buffered_.substr(0, newline);
      buffered_.erase(0, newline + 1);
      return line;
    }
    char chunk[65536];
    ssize_t n = read(fromChild_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::runtime_error("fixture server: it went away");
    buffered_.append(chunk, static_cast<size_t>(n));
  }
}

std::string FixtureServer::command(const std::string& json) {
  std::string line = json + "\n";
  size_t sent = 0;
  while (sent < line.size()) {
    ssize_t n = write(toChild_, line.data() + sent, line.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::runtime_error("fixture server: write failed");
    sent += static_cast<size_t>(n);
  }
  return readLine();
}

void FixtureServer::route(const std::string& path,
                          std::vector<FixtureResponse> responses) {
  std::string json = "{\"cmd\":\"route\",\"path\":" + jsonString(path) +
                     ",\"responses\":[";
  for (size_t i = 0; i < responses.size(); ++i) {
    if (i) json += ",";
    json += responseJson(responses[i]);
  }
  json += "]}";
  if (command(json) != "ok") {
    throw std::runtime_error("fixture server: route refused for " + path);
  }
}

std::vector<RecordedRequest> FixtureServer::requests() {
  int count = std::stoi(command("{\"cmd\":\"requests\"}"));
  std::vector<RecordedRequest> result;
  for (int i = 0; i < count; ++i) {
    result.push_back(parseRequest(base64DecodeForTest(readLine())));
  }
  return result;
}

void FixtureServer::clearRequests() { command("{\"cmd\":\"clear\"}"); }

std::string base64EncodeForTest(const std::string& data) {
  std::string out;
  size_t i = 0;
  for (; i + 2 < data.size(); i += 3) {
    unsigned v = (static_cast<unsigned char>(data[i]) << 16) |
                 (static_cast<unsigned char>(data[i + 1]) << 8) |
                 static_cast<unsigned char>(data[i + 2]);
    out += kBase64Alphabet[(v >> 18) & 63];
    out += kBase64Alphabet[(v >> 12) & 63];
    out += kBase64Alphabet[(v >> 6) & 63];
    out += kBase64Alphabet[v & 63];
  }
  if (i < data.size()) {
    unsigned v = static_cast<unsigned char>(data[i]) << 16;
    if (i + 1 < data.size()) v |= static_cast<unsigned char>(data[i + 1]) << 8;
    out += kBase64Alphabet[(v >> 18) & 63];
    out += kBase64Alphabet[(v >> 12) & 63];
    out += i + 1 < data.size() ? kBase64Alphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string base64DecodeForTest(const std::string& text) {
  std::string out;
  unsigned value = 0;
  int bits = 0;
  for (char c : text) {
    const char* p = std::strchr(kBase64Alphabet, c);
    if (c == '=' || c == '\0' || p == nullptr) continue;
    value = (value << 6) | static_cast<unsigned>(p - kBase64Alphabet);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((value >> bits) & 0xff);
    }
  }
  return out;
}

}  // namespace lirabel::testing
