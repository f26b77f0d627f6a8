// parseResponseHeaders on arbitrary header blocks and decodeBodyText on
// arbitrary bodies, charset declarations included.
#include <cstdlib>

#include "tests/fuzz/fuzz_input.h"
#include "web/response_text.h"

using namespace lirabel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  fuzz::FuzzInput in(data, size);
  Text headers = in.text();
  Text cookies = in.text();
  bool merge = in.flag();
  Text returned, location, status;
  parseResponseHeaders(headers, cookies, returned, location, status, merge);
  if (status.size() > headers.size()) std::abort();

  std::string rest = in.rest();
  Bytes body(rest.begin(), rest.end());
  RegexObject regex;
  Text page = decodeBodyText(body, regex);
  if (page.find('\0') != Text::npos) std::abort();
  return 0;
}
