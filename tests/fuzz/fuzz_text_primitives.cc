// The text primitives on arbitrary bytes. Beyond "no crash, no UB", each
// round checks a few properties that must hold for every input.
#include <cstdlib>

#include "tests/fuzz/fuzz_input.h"
#include "text/codepage.h"
#include "text/text.h"

using namespace lirabel;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  fuzz::FuzzInput in(data, size);
  Text text = in.text();
  Text searched = in.text();
  Text replacement = in.text();
  int start = in.number();
  int count = in.number();
  bool flag = in.flag();

  int found = findText(text, searched, start, flag);
  require(found == -1 || (found >= 1 && found <= textLength(text)));
  if (found > 0 && !flag && !searched.empty()) {
    require(text.compare(found - 1, searched.size(), searched) == 0);
  }
  int last = findTextLast(text, searched, start, flag);
  require(last == -1 || (last >= 1 && last <= textLength(text)));

  Text replaced = replaceText(text, searched, replacement, start, count, flag);
  if (count == 0 || searched.empty()) require(replaced == text);
  for (const Text& part : splitText(text, searched, count)) {
    require(part.find('\0') == Text::npos);
  }
  require(trimSpaces(text).size() <= text.size());
  require(removeSpaces(text).size() <= text.size());
  require(compareText(text, text, flag) == 0);
  (void)toInt64(text);
  (void)midText(text, start, count);
  (void)leftText(text, count);
  (void)rightText(text, count);
  (void)upperText(text);
  (void)charCode(text, start);

  // The conversions never fail, and local text survives a round trip through
  // UTF-16 whenever it came from UTF-16 itself.
  Bytes raw(data, data + size);
  Text local = utf8ToLocal(raw);
  require(local.find('\0') == Text::npos);
  Text again = wideToLocal(localToWide(local));
  require(again.find('\0') == Text::npos);
  require(wideToLocal(raw).find('\0') == Text::npos);
  return 0;
}
