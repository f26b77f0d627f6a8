// Cutting text out between markers, and chained replacement.
//
// Both work on GBK bytes character by character: a marker or a find text is
// only recognised where a character begins.
#ifndef LIRABEL_TEXT_TEXT_BETWEEN_H_
#define LIRABEL_TEXT_TEXT_BETWEEN_H_

#include <initializer_list>
#include <string_view>

#include "text/text.h"

namespace lirabel {

// "#引号" in GBK: where a caller asks for it, it stands for a double quote.
inline constexpr std::string_view kQuotePlaceholder = "#\xd2\xfd\xba\xc5";

// The text after the first startMarker at or after startPosition, up to the
// next endMarker; empty when either is missing. "#引号" in a marker stands for
// a double quote.
Text textBetween(std::string_view subject, std::string_view startMarker,
                 std::string_view endMarker, int startPosition = 1,
                 bool ignoreCase = false);

struct ReplacePair {
  std::string_view find;
  std::string_view replacement;
};

struct ReplaceSeriesOptions {
  int count = kUnlimited;  // per pair; 0 changes none, negative is unlimited
  int startPosition = 1;   // values below 1 count as 1
  bool caseSensitive = false;
};

// Applies up to five (find, replacement) pairs one after another, each to the
// result of the one before; pairs beyond the fifth are ignored.
Text replaceSeries(std::string_view subject,
                   std::initializer_list<ReplacePair> pairs,
                   ReplaceSeriesOptions options = {});

}  // namespace lirabel

#endif  // LIRABEL_TEXT_TEXT_BETWEEN_H_
