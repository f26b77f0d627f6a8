// Marker extraction and chained replacement on top of the text primitives;
// both rely on findText and replaceText for the character walk.
#include "text/text_between.h"

namespace lirabel {
namespace {

constexpr std::string_view kDoubleQuote = "\"";
constexpr std::size_t kMaxReplacePairs = 5;

Text withQuotes(std::string_view marker) {
  if (marker.find(kQuotePlaceholder) == std::string_view::npos) {
    return Text(marker);
  }
  return replaceText(marker, kQuotePlaceholder, kDoubleQuote, 1, kUnlimited,
                     /*caseSensitive=*/true);
}

}  // namespace

Text textBetween(std::string_view subject, std::string_view startMarker,
                 std::string_view endMarker, int startPosition,
                 bool ignoreCase) {
  const Text start = withQuotes(startMarker);
  const Text end = withQuotes(endMarker);
  const int from = startPosition < 1 ? 1 : startPosition;
  const int startAt = findText(subject, start, from, ignoreCase);
  if (startAt < 1) return {};
  const long long p = static_cast<long long>(startAt) + textLength(start);
  if (p > INT_MAX) return {};
  const int endAt = findText(subject, end, static_cast<int>(p), ignoreCase);
  if (endAt < 1 || endAt < p) return {};
  return midText(subject, static_cast<int>(p), endAt - static_cast<int>(p));
}

Text replaceSeries(std::string_view subject,
                   std::initializer_list<ReplacePair> pairs,
                   ReplaceSeriesOptions options) {
  const int start = options.startPosition < 1 ? 1 : options.startPosition;
  Text result(subject);
  std::size_t used = 0;
  for (const ReplacePair& pair : pairs) {
    if (used++ == kMaxReplacePairs) break;
    if (pair.find.empty()) continue;
    result = replaceText(result, pair.find, pair.replacement, start,
                         options.count, options.caseSensitive);
  }
  return result;
}

}  // namespace lirabel
