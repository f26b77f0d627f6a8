// The regular-expression engine that stands in for "VBScript.RegExp": PCRE2
// over UTF-16 code units, in UTF mode, with JIT code when the library has it.
//
// The dialect is set to the component's: "." matches anything but a line
// feed, line ends are line feeds only, "$" without multi-line mode matches
// only at the very end, "\w" is the ASCII word class, \uHHHH escapes, and a
// back reference to a group that took no part matches the empty string.
//
// CompiledRegex owns one compiled pattern (and its JIT code); the match data
// a search needs lives only for that search. Offsets are in code units.
#ifndef LIRABEL_PLATFORM_REGEX_ENGINE_H_
#define LIRABEL_PLATFORM_REGEX_ENGINE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lirabel::platform {

struct RegexOptions {
  bool ignoreCase = false;
  bool multiLine = false;
};

// Where each match and each of its groups lies in the subject. A group that
// took no part has kUnsetOffset for both ends.
struct MatchList {
  static constexpr std::size_t kUnsetOffset = SIZE_MAX;

  std::size_t slotsPerMatch = 1;     // the whole match and every group
  std::vector<std::size_t> offsets;  // start, end per slot, match by match

  std::size_t count() const { return offsets.size() / (2 * slotsPerMatch); }
  std::size_t start(std::size_t match, std::size_t slot) const {
    return offsets[(match * slotsPerMatch + slot) * 2];
  }
  std::size_t end(std::size_t match, std::size_t slot) const {
    return offsets[(match * slotsPerMatch + slot) * 2 + 1];
  }
};

class CompiledRegex {
 public:
  CompiledRegex();
  ~CompiledRegex();
  CompiledRegex(CompiledRegex&&) noexcept;
  CompiledRegex& operator=(CompiledRegex&&) noexcept;
  CompiledRegex(const CompiledRegex&) = delete;
  CompiledRegex& operator=(const CompiledRegex&) = delete;

  // An empty object when the pattern does not compile.
  static CompiledRegex compile(std::u16string_view pattern,
                               RegexOptions options);

  explicit operator bool() const { return handles_ != nullptr; }
  std::uint32_t captureCount() const;

  // Every match from left to right, or only the first unless global. After
  // an empty match the next one may not be empty at the same place. False
  // when matching failed (a resource limit, say); out is then cleared.
  bool findMatches(std::u16string_view subject, bool global,
                   MatchList* out) const;

  // The subject with its matches (all, or the first unless global) replaced;
  // "$1" and "${1}" refer to groups, "$$" is a dollar sign, and a group that
  // does not exist or took no part gives the empty string. False on failure.
  bool substitute(std::u16string_view subject, std::u16string_view replacement,
                  bool global, std::u16string* out) const;

 private:
  struct Handles;
  std::unique_ptr<Handles> handles_;
};

}  // namespace lirabel::platform

#endif  // LIRABEL_PLATFORM_REGEX_ENGINE_H_
