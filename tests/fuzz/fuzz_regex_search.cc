// RegexObject::search with arbitrary patterns and subjects, then every read.
#include "tests/fuzz/fuzz_input.h"
#include "text/regex_object.h"

using namespace lirabel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  fuzz::FuzzInput in(data, size);
  Text pattern = in.text();
  bool caseSensitive = in.flag(), multiLine = in.flag(), global = in.flag(),
       placeholder = in.flag();
  Text subject = in.text();
  RegexObject regex;
  regex.search(pattern, subject, caseSensitive, multiLine, global, placeholder);
  int count = regex.matchCount();
  int groups = regex.subMatchCount();
  for (int m = 0; m <= count + 1 && m < 64; ++m) {
    int position = 0;
    (void)regex.matchText(m, &position);
    for (int g = 0; g <= groups + 1 && g < 16; ++g) {
      (void)regex.subMatchText(m, g, &position);
    }
  }
  (void)regex.patternText();
  (void)regex.replaceMatches("$1-$0");
  return 0;
}
