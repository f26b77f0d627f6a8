// Answers of the fixture site that several watch tests serve: a page with
// its content type, and a UTF-8 work page with the three fields.
#ifndef LIRABEL_TESTS_WATCH_SITE_PAGES_H_
#define LIRABEL_TESTS_WATCH_SITE_PAGES_H_

#include <string>

#include "tests/support/fixture_server.h"

namespace lirabel::testing {

inline FixtureResponse page(const std::string& body,
                            const std::string& type = "text/html") {
  FixtureResponse response;
  response.headers = {{"Content-Type", type}};
  response.body = body;
  return response;
}

// A work page declared as UTF-8 whose nickname is 歌手.
inline std::string workPageUtf8(const std::string& song,
                                const std::string& media) {
  return "<html><head><meta charset=\"utf-8\"><title>x</title></head>"
         "<script>var d = {\"playurl\":\"" +
         media + "\",\"song_name\":\"" + song +
         "\",\"nick\":\"\xE6\xAD\x8C\xE6\x89\x8B\"};</script></html>";
}

}  // namespace lirabel::testing

#endif  // LIRABEL_TESTS_WATCH_SITE_PAGES_H_
