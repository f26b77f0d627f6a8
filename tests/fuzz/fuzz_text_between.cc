// textBetween and replaceSeries on arbitrary subjects, markers and settings.
#include "tests/fuzz/fuzz_input.h"
#include "text/text_between.h"

using namespace lirabel;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  fuzz::FuzzInput in(data, size);
  Text subject = in.text();
  Text start = in.text();
  Text end = in.text();
  int position = in.number();
  bool ignoreCase = in.flag();
  Text between = textBetween(subject, start, end, position, ignoreCase);
  // What lies between two markers is a piece of the subject.
  require(between.size() <= subject.size());

  Text f1 = in.text(), r1 = in.text(), f2 = in.text(), r2 = in.text();
  ReplaceSeriesOptions options;
  options.count = in.number();
  options.startPosition = in.number();
  options.caseSensitive = in.flag();
  Text replaced = replaceSeries(subject, {{f1, r1}, {f2, r2}}, options);
  require(options.count != 0 || replaced == subject);
  return 0;
}
