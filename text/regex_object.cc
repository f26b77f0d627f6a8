// RegexObject over the PCRE2 engine of the platform layer.
//
// The subject is converted to UTF-16 once per search and the matches are kept
// as code-unit offsets; texts are converted back only when asked for, and the
// map from code units to subject bytes is built only when a caller first asks
// for a position.
#include "text/regex_object.h"

#include <optional>

#include "platform/codepage_converter.h"
#include "platform/regex_engine.h"
#include "text/text_between.h"

namespace lirabel {

using platform::CodePage;

struct RegexObject::State {
  // What the engine holds: the pattern after the placeholder step, compiled
  // when it compiles.
  Text pattern;
  platform::CompiledRegex regex;
  bool global = true;
  // The subject in both forms: bytes for positions, code units for matching.
  Text subject;
  std::u16string wideSubject;
  // Present only after a search whose matching succeeded.
  std::optional<platform::MatchList> matches;
  // For each code unit of wideSubject, the subject byte it came from.
  mutable std::vector<std::int32_t> byteOffsets;
  mutable bool byteOffsetsReady = false;

  int byteOffset(std::size_t unit) const {
    if (!byteOffsetsReady) {
      platform::multiByteToWide(CodePage::kGbk, subject, &byteOffsets);
      byteOffsetsReady = true;
    }
    if (unit < byteOffsets.size()) return byteOffsets[unit];
    return textLength(subject);
  }

  Text slotText(int matchIndex, std::size_t slot, int* position) const {
    if (position != nullptr) *position = -1;
    if (!matches || matchIndex < 1) return {};
    const auto match = static_cast<std::size_t>(matchIndex) - 1;
    if (match >= matches->count() || slot >= matches->slotsPerMatch) return {};
    const std::size_t start = matches->start(match, slot);
    const std::size_t end = matches->end(match, slot);
    if (start == platform::MatchList::kUnsetOffset || end < start) return {};
    if (position != nullptr) *position = byteOffset(start);
    return platform::wideToMultiByte(
        CodePage::kGbk,
        std::u16string_view(wideSubject).substr(start, end - start));
  }
};

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(RegexObject&&) noexcept = default;
RegexObject& RegexObject::operator=(RegexObject&&) noexcept = default;

bool RegexObject::search(std::string_view pattern, std::string_view subject,
                         bool caseSensitive, bool multiLine, bool global,
                         bool quotePlaceholder) {
  // Nothing of an earlier search survives.
  state_ = std::make_unique<State>();
  State& s = *state_;
  s.pattern = quotePlaceholder
                  ? replaceText(pattern, kQuotePlaceholder, "\"", 1, kUnlimited,
                                /*caseSensitive=*/true)
                  : Text(pattern);
  s.global = global;
  s.subject = Text(subject);
  s.wideSubject = platform::multiByteToWide(CodePage::kGbk, subject);
  s.regex = platform::CompiledRegex::compile(
      platform::multiByteToWide(CodePage::kGbk, s.pattern),
      {.ignoreCase = !caseSensitive, .multiLine = multiLine});
  if (!s.regex) return false;
  platform::MatchList matches;
  if (!s.regex.findMatches(s.wideSubject, global, &matches)) return false;
  s.matches = std::move(matches);
  return true;
}

Text RegexObject::patternText() const {
  return state_ ? state_->pattern : Text();
}

Text RegexObject::replaceMatches(std::string_view replacement) const {
  if (!state_ || !state_->regex) return {};
  std::u16string replaced;
  if (!state_->regex.substitute(
          state_->wideSubject,
          platform::multiByteToWide(CodePage::kGbk, replacement),
          state_->global, &replaced)) {
    return {};
  }
  return platform::wideToMultiByte(CodePage::kGbk, replaced);
}

int RegexObject::matchCount() const {
  if (!state_ || !state_->matches) return 0;
  const std::size_t count = state_->matches->count();
  return count > static_cast<std::size_t>(INT_MAX) ? INT_MAX
                                                   : static_cast<int>(count);
}

Text RegexObject::matchText(int matchIndex, int* position) const {
  if (!state_) {
    if (position != nullptr) *position = -1;
    return {};
  }
  return state_->slotText(matchIndex, 0, position);
}

Text RegexObject::subMatchText(int matchIndex, int subMatchIndex,
                               int* position) const {
  if (!state_ || subMatchIndex < 1) {
    if (position != nullptr) *position = -1;
    return {};
  }
  return state_->slotText(matchIndex, static_cast<std::size_t>(subMatchIndex),
                          position);
}

int RegexObject::subMatchCount() const {
  if (!state_ || !state_->matches || state_->matches->count() == 0) return 0;
  return static_cast<int>(state_->matches->slotsPerMatch - 1);
}

}  // namespace lirabel
