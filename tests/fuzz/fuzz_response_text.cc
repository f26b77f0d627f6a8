// parseResponseHeaders on arbitrary header blocks and decodeBodyText on
// arbitrary bodies, charset declarations included.
#include "tests/fuzz/fuzz_input.h"
#include "web/response_text.h"

using namespace lirabel;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  fuzz::FuzzInput in(data, size);
  Text headers = in.text();
  Text cookies = in.text();
  bool merge = in.flag();
  Text returned, location, status;
  parseResponseHeaders(headers, cookies, returned, location, status, merge);
  require(status.size() <= headers.size());

  std::string rest = in.rest();
  Bytes body(rest.begin(), rest.end());
  RegexObject regex;
  Text page = decodeBodyText(body, regex);
  require(page.find('\0') == Text::npos);
  return 0;
}
