// The header and cookie utilities on arbitrary blocks and cookie strings.
#include <cstdlib>

#include "tests/fuzz/fuzz_input.h"
#include "web/header_cookie.h"

using namespace lirabel;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  fuzz::FuzzInput in(data, size);
  Text block = in.text();
  Text current = in.text();
  Text incoming = in.text();
  Text separator = in.text();
  int start = in.number();
  bool ignoreCase = in.flag();

  Text normalized = normalizeHeaders(block);
  // Canonical names only change letter case, and only lines with a colon
  // stay, so the result never grows and a second pass changes nothing.
  require(normalized.size() <= block.size());
  require(normalizeHeaders(normalized) == normalized);
  (void)capitalizeFirst(block);
  (void)headerName(block);
  (void)headerValue(block);
  (void)textBefore(block, separator, start, ignoreCase);
  (void)collectSetCookies(block);

  Text merged = mergeCookies(current, incoming);
  // The merge is stored back into the current cookies.
  require(merged == current);
  (void)removeDuplicateItems(block, separator);
  std::vector<Text> items = {current, incoming, separator};
  (void)hasCookieName(items, cookieName(block));
  int index = indexOfItem(items, incoming);
  require(index == -1 || (index >= 1 && index <= 3));
  return 0;
}
