// RegexObject runs one regular expression over one subject Text and keeps
// every match, so that the caller can ask for the number of matches and for
// the text of each match or capture group. Indexes given by callers start at
// 1. No operation reports an error: every failure gives the empty value
// (false, 0, empty Text), and the object stays usable.
//
// The engine sees characters, not bytes: pattern and subject are converted to
// UTF-16 first, so a double-byte GBK character is one character to ".".
//
// The object owns its compiled pattern and its match list; it is move-only.
#ifndef LIRABEL_TEXT_REGEX_OBJECT_H_
#define LIRABEL_TEXT_REGEX_OBJECT_H_

#include <memory>
#include <string_view>

#include "text/text.h"

namespace lirabel {

class RegexObject {
 public:
  RegexObject();
  ~RegexObject();
  RegexObject(RegexObject&&) noexcept;
  RegexObject& operator=(RegexObject&&) noexcept;
  RegexObject(const RegexObject&) = delete;
  RegexObject& operator=(const RegexObject&) = delete;

  // True when the engine produced a match list, an empty one included; false
  // when the pattern does not compile or matching failed.
  bool search(std::string_view pattern, std::string_view subject,
              bool caseSensitive = false, bool multiLine = true,
              bool global = true, bool quotePlaceholder = false);

  Text patternText() const;
  Text replaceMatches(std::string_view replacement) const;
  int matchCount() const;
  // position, when given, receives the 0-based byte offset of the returned
  // text in the subject (-1 when there is no such match).
  Text matchText(int matchIndex, int* position = nullptr) const;
  Text subMatchText(int matchIndex, int subMatchIndex,
                    int* position = nullptr) const;
  int subMatchCount() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace lirabel

#endif  // LIRABEL_TEXT_REGEX_OBJECT_H_
